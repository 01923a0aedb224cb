// The files one tool may have in the Apps folder besides <id>.exe: the kept
// previous version, copies still run by a program that was updated while it
// ran, and the catalogue file the user turned back from. Catalogue ids hold
// no dot, so none of these names can be another tool's executable.
#pragma once

#include <string>
#include <vector>

struct ToolFiles {
    std::wstring appsFolder;
    std::wstring id;
    std::wstring installed;     // <id>.exe
    std::wstring previous;      // <id>.precedent.exe, hidden
    std::wstring rollbackMark;  // <id>.retour.txt, hidden: the SHA-256 rolled back from
    // <id>.precedent.txt, hidden: the previous version's SHA-256 when it was kept
    std::wstring previousDigest;
};

// The names of `id`'s files in `appsFolder`; `id` must be a valid catalogue id.
ToolFiles ToolFilesIn(const std::wstring& appsFolder, const std::wstring& id);

// The first name tried for an aside copy; the next ones are numbered
// (<id>.ancien_1.exe, ...) by FreeFileName.
std::wstring AsideFileName(const std::wstring& id);

// The wildcard that finds the aside copies of one tool ("<id>.ancien*.exe"),
// or of every tool when `id` is empty.
std::wstring AsideFilePattern(const std::wstring& id);
// The wildcard that finds every tool's rollback mark ("*.retour.txt").
std::wstring RollbackMarkPattern();
// Whether a file name found with that pattern really is an aside copy: the
// pattern also matches short 8.3 names.
bool IsAsideFileName(const std::wstring& fileName, const std::wstring& id);

// A program runs from the file, or something else holds it without letting it
// be written: it can be renamed at most, not replaced or deleted.
bool IsFileInUse(const std::wstring& path);

// The SHA-256 kept in a rollback mark or a previous version's digest file, or
// empty when there is none or it is not one (half written, say).
std::wstring ReadRollbackMark(const std::wstring& path);
std::wstring ReadDigestFile(const std::wstring& path);
// Replaces the file with a hidden one holding the 64 digits; false, and no
// file left, when it cannot be written whole.
bool WriteDigestFile(const std::wstring& path, const std::wstring& sha256);

// Whether `digest` is one of the releases the catalogue withdrew; any case.
bool IsWithdrawnDigest(const std::vector<std::wstring>& withdrawn, const std::wstring& digest);

// What the Apps folder keeps of a tool's earlier versions, as its card shows it.
struct KeptVersions {
    // A previous version is there with the digest it was kept with, not
    // withdrawn, and nothing runs it: the user can go back to it.
    bool previousKept = false;
    // The catalogue SHA-256 the user rolled back from, empty when none.
    std::wstring rolledBackFrom;
};
KeptVersions ReadKeptVersions(const ToolFiles& files, const std::vector<std::wstring>& withdrawn);

// Deletes a kept previous version that the catalogue withdrew, with its
// digest file. One kept without a digest is hashed to tell.
void DiscardWithdrawnPrevious(const ToolFiles& files, const std::vector<std::wstring>& withdrawn);
