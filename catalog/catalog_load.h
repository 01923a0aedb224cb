// Loading the catalogue in the background and the 24-hour check.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "catalog/catalog_model.h"

// What the catalogue worker is given, copied when it starts.
struct CatalogLoadJob {
    HWND window = nullptr;
    bool automatic = false;
    bool offline = false;
    std::wstring offlineRoot;
    // Public keys the catalogue must be signed with; empty reads no signature.
    std::vector<std::string> signingKeys;
    // The highest serial verified so far from this source; a signed catalogue
    // below it is refused.
    unsigned long long highestSerial = 0;
};

void StartCatalogLoad(bool automatic);
void CheckForUpdatesIfDue();
// The worker's body without the thread and the post: reads, parses and builds.
std::unique_ptr<CatalogLoadResult> LoadCatalog(const CatalogLoadJob& job);
// A worker's error message for display: strict UTF-8 when it is valid, else
// read leniently (invalid sequences become U+FFFD); never throws.
std::wstring ErrorMessageText(const char* utf8Message);
