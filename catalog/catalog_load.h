// Loading the catalogue in the background: the worker's side. The window
// starts it and applies its result (ui/jobs/).
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
    // What the organisation's policies say of the offline folder: imposed by
    // them (checked as a folder the user chooses), and whether it may lie on
    // a drive that is not removable.
    bool offlineRootImposed = false;
    bool fixedDiskAllowed = true;
    // The imposed folder is a share the organisation allows: it is read as a
    // mirror on a file share, never as a folder the user chose.
    bool shareAllowed = false;
    // Public keys the catalogue must be signed with; empty reads no signature.
    std::vector<std::string> signingKeys;
    // The highest serial verified so far from this source; a signed catalogue
    // below it is refused.
    unsigned long long highestSerial = 0;
    // Which tools the result keeps; empty keeps them all.
    CatalogFilterMaker keepTool;
};

// The worker's body without the thread and the post: reads, parses and builds.
std::unique_ptr<CatalogLoadResult> LoadCatalog(const CatalogLoadJob& job);
// The worker thread: loads, then posts WM_APP_CATALOG_READY to job.window
// (a null result when not even the record could be made).
void RunCatalogWorker(const CatalogLoadJob& job);
