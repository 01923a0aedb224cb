#include "base/tool_files.h"

#include <windows.h>

#include "base/error.h"
#include "base/handles.h"
#include "base/own_files.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "base/text_fold.h"

namespace {

constexpr wchar_t kPreviousSuffix[] = L".precedent.exe";
constexpr wchar_t kRollbackMarkSuffix[] = L".retour.txt";
constexpr wchar_t kPreviousDigestSuffix[] = L".precedent.txt";
constexpr wchar_t kAsideInfix[] = L".ancien";
constexpr wchar_t kExeExtension[] = L".exe";
constexpr DWORD kShaDigits = 64;

// Whether `part` stands in `text` at `start`, A-Z folded.
bool FoldedAt(std::wstring_view text, size_t start, std::wstring_view part) {
    return start + part.size() <= text.size() && FoldedEquals(text.substr(start, part.size()), part);
}

}  // namespace

ToolFiles ToolFilesIn(const std::wstring& appsFolder, const std::wstring& id) {
    ToolFiles files;
    files.appsFolder = appsFolder;
    files.id = id;
    files.installed = JoinPath(appsFolder, id + kExeExtension);
    files.previous = JoinPath(appsFolder, id + kPreviousSuffix);
    files.rollbackMark = JoinPath(appsFolder, id + kRollbackMarkSuffix);
    files.previousDigest = JoinPath(appsFolder, id + kPreviousDigestSuffix);
    return files;
}

std::wstring AsideFileName(const std::wstring& id) { return id + kAsideInfix + kExeExtension; }

std::wstring AsideFilePattern(const std::wstring& id) {
    return (id.empty() ? std::wstring(L"*") : id) + kAsideInfix + L"*" + kExeExtension;
}

std::wstring RollbackMarkPattern() { return std::wstring(L"*") + kRollbackMarkSuffix; }

bool IsAsideFileName(const std::wstring& fileName, const std::wstring& id) {
    const std::wstring_view infix = kAsideInfix;
    const std::wstring_view extension = kExeExtension;
    // The id runs up to the first dot, which begins the infix.
    const size_t dot = fileName.find(L'.');
    if (dot == std::wstring::npos || dot == 0) return false;
    if (!id.empty() && (dot != id.size() || !FoldedAt(fileName, 0, id))) return false;
    if (!FoldedAt(fileName, dot, infix)) return false;
    return fileName.size() >= dot + infix.size() + extension.size() &&
           FoldedAt(fileName, fileName.size() - extension.size(), extension);
}

bool IsFileInUse(const std::wstring& path) {
    // A running program's file refuses to be opened for writing, even with
    // every sharing allowed, while renaming it still works.
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return false;
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

std::wstring ReadRollbackMark(const std::wstring& path) { return ReadDigestFile(path); }

std::wstring ReadDigestFile(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    char digits[kShaDigits + 1] = {};
    DWORD read = 0;
    if (!ReadFile(file.get(), digits, sizeof(digits), &read, nullptr) || read != kShaDigits) return {};
    const std::wstring sha(digits, digits + kShaDigits);
    return IsSha256Text(sha) ? sha : std::wstring();
}

bool WriteDigestFile(const std::wstring& path, const std::wstring& sha256) {
    if (!IsSha256Text(sha256)) {
        DeleteOwnFile(path);
        return false;
    }
    // Written whole under a side name, then renamed: a stop halfway leaves
    // the old file or the new one, never half a digest.
    const std::string digits(sha256.begin(), sha256.end());
    if (WriteOwnFileWhole(path, digits, FILE_ATTRIBUTE_HIDDEN)) return true;
    DeleteOwnFile(path);
    return false;
}

bool IsWithdrawnDigest(const std::vector<std::wstring>& withdrawn, const std::wstring& digest) {
    for (const std::wstring& recalled : withdrawn) {
        if (Sha256Matches(digest, recalled)) return true;
    }
    return false;
}

KeptVersions ReadKeptVersions(const ToolFiles& files, const std::vector<std::wstring>& withdrawn) {
    KeptVersions kept;
    const std::wstring digest = ReadDigestFile(files.previousDigest);
    kept.previousKept = !digest.empty() && !IsWithdrawnDigest(withdrawn, digest) && FileExists(files.previous) &&
                        !IsFileInUse(files.previous);
    kept.rolledBackFrom = ReadRollbackMark(files.rollbackMark);
    return kept;
}

void DiscardWithdrawnPrevious(const ToolFiles& files, const std::vector<std::wstring>& withdrawn) {
    if (withdrawn.empty() || !FileExists(files.previous)) return;
    std::wstring digest = ReadDigestFile(files.previousDigest);
    if (digest.empty()) {
        try {
            digest = ComputeFileSha256(files.previous);
        } catch (const AppError&) {
            return;  // unreadable: a rollback would refuse it anyway
        }
    }
    if (!IsWithdrawnDigest(withdrawn, digest)) return;
    // A copy that runs cannot go now; the next load tries again.
    if (DeleteOwnFile(files.previous)) DeleteOwnFile(files.previousDigest);
}
