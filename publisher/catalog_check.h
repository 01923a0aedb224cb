// Everything the program says about a catalogue, said at once: the rules it
// applies when it loads the catalogue and when it installs a tool, for every
// entry, plus the offline folder as the program will read it.
#pragma once

#include <string>
#include <vector>

struct CheckProblem {
    size_t entry = 0;  // 1-based position in "apps"; 0 for the document itself
    std::wstring id;
    std::wstring text;
};

// An entry whose files can be looked for: complete, with a valid identifier.
struct CheckedEntry {
    size_t position = 0;
    std::wstring id;
    std::wstring sha256;
};

struct CatalogCheck {
    std::vector<CheckProblem> problems;
    std::vector<CheckProblem> notes;
    std::vector<CheckedEntry> entries;
    size_t elementCount = 0;
    bool loads = false;  // the program's own catalogue step accepts it
};

CatalogCheck CheckCatalogBytes(const std::string& bytes, bool offline, const std::wstring& offlineRoot);
// outils\<id>.exe present and matching, icons\<id>.png present, small enough
// and decodable. GDI+ must be running.
void CheckOfflineFiles(const std::wstring& root, CatalogCheck& check);
std::wstring FormatProblem(const std::wstring& source, const CheckProblem& problem);
