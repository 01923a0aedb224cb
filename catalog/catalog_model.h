// The catalogue's tools, the result of a catalogue load, and the rules that
// turn a parsed catalogue.json into them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/tool_files.h"
#include "catalog/catalog_document.h"
#include "catalog/json.h"

class SideThread;

namespace Gdiplus {
class Bitmap;
}

struct BitmapDeleter {
    void operator()(Gdiplus::Bitmap* bitmap) const;
};
using BitmapPtr = std::unique_ptr<Gdiplus::Bitmap, BitmapDeleter>;

struct CatalogApp {
    std::wstring id;
    std::wstring name;
    std::wstring version;
    std::wstring category;
    std::wstring lot;
    std::wstring description;
    std::wstring exeName;
    std::wstring iconLocation;
    std::wstring sourceRoot;
    std::wstring sha256;
    std::wstring downloadId;
    std::wstring downloadEndpoint;
    // "withdrawn": digests of releases that must never run again, each 64
    // hexadecimal digits (other elements are ignored).
    std::vector<std::wstring> withdrawn;
    // "rollout": the share of PCs, in percent, offered this release as an
    // update (catalog/rollout.h); 100 when absent.
    unsigned rollout = 100;
    // This PC's draw leaves it outside that share: the update is not offered
    // here yet. Set when the catalogue is applied; a first install still gets
    // the catalogue's file.
    bool rolloutExcluded = false;
    bool hidden = false;
    bool installed = false;
    bool updateAvailable = false;
    KeptVersions kept;
    BitmapPtr iconBitmap;
};

struct CatalogLoadResult {
    bool automatic = false;
    bool ok = false;
    std::wstring error;
    std::wstring downloadEndpoint;
    std::vector<CatalogApp> apps;
    int selfIndex = -1;
    // The catalogue's signature was checked (a signed build) and verified.
    bool signatureVerified = false;
    // A verified catalogue's "serial".
    unsigned long long catalogSerial = 0;
};

void BuildCatalog(const JsonValue& document, bool offline, const std::wstring& offlineRoot, CatalogLoadResult& result);
// The same for a document that is discarded afterwards: its strings are moved
// into the entries instead of copied.
void BuildCatalog(JsonValue&& document, bool offline, const std::wstring& offlineRoot, CatalogLoadResult& result);
// Sees each tool as it is built, in the catalogue's order, and says whether
// the catalogue keeps it. A tool it does not keep is built in a record reused
// for the next: listing tens of thousands of tools then makes none of them.
// The filter sees every member but where the tool's files come from
// (downloadId, sourceRoot, downloadEndpoint, iconLocation), which are filled
// once it keeps the tool.
using CatalogToolFilter = std::function<bool(const CatalogApp& app)>;
// A large catalogue is built in parts side by side, one after the other in
// the catalogue's order, and each part's tools are seen by a filter of its
// own: this makes the filter of part `part` of `parts`, for every part in
// turn before any tool is built. When the parts do not add up to the build
// in one part (an id of a later part repeats an earlier one, a later part
// fails), the catalogue is built again in one part, with a filter made anew.
using CatalogFilterMaker = std::function<CatalogToolFilter(size_t part, size_t parts)>;

// The same from the document read in one pass, as the catalogue's load reads
// it. With a filter, only the tools it keeps are in `result.apps`, and the
// program's own entry, which the filter never sees. When the build fails, the
// filter may have seen tools of a catalogue that is then refused. A large
// catalogue's second part is built on `side` when it is given, else on a
// thread started for it.
void BuildCatalog(const CatalogDocument& document, bool offline, const std::wstring& offlineRoot,
                  CatalogLoadResult& result, const CatalogFilterMaker& makeFilter = {}, SideThread* side = nullptr);
// A filtered build of a document from a USB key or a folder, made while the
// document is read (its entries depend on no member of the root there): the
// entries of its first part are built on `side` as the document's pass finds
// them, the rest on this thread once the pass has ended. Made before the
// document's Read and given to it; Finish then builds the rest into `result`
// and gives what BuildCatalog gives for the same document and filters.
class FilteredBuildAlongside final : public CatalogReadWatcher {
public:
    FilteredBuildAlongside(const CatalogDocument& document, const std::wstring& offlineRoot,
                           const CatalogFilterMaker& makeFilter, SideThread& side);
    // Stops the first part if it still runs (the pass failed, or the build
    // was not finished) and waits for it.
    ~FilteredBuildAlongside();
    FilteredBuildAlongside(const FilteredBuildAlongside&) = delete;
    FilteredBuildAlongside& operator=(const FilteredBuildAlongside&) = delete;

    void Found(size_t entries, size_t position) override;
    void Finish(CatalogLoadResult& result);

    struct State;

private:
    std::unique_ptr<State> state_;
};

bool IsValidAppId(const std::wstring& id);
bool IsOwnAppId(const std::wstring& id);
std::wstring OfflineToolPath(const std::wstring& root, const std::wstring& folder, const CatalogApp& app,
                             const std::wstring& extension);
void RefreshInstalledState(CatalogApp& app, bool isSelf);
// Whether an installed file differs from the catalogue's digest; a file that
// cannot be hashed counts as differing, so it is offered for reinstalling.
// Reads the whole file: never on the user-interface thread.
bool InstalledFileNeedsUpdate(const std::wstring& path, const std::wstring& sha256);
std::vector<unsigned long long> ParseVersion(const std::wstring& text);
int CompareVersions(const std::vector<unsigned long long>& a, const std::vector<unsigned long long>& b);
