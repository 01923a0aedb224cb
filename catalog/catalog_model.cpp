#include "catalog/catalog_model.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cwchar>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <vector>

#include "base/constants.h"
#include "base/error.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "base/side_thread.h"
#include "base/text_fold.h"
#include "base/tool_files.h"
#include "catalog/rollout.h"
#include "catalog/taken_ids.h"
#include "catalog/web_host.h"

namespace {

constexpr size_t kDownloadIdShaUnits = 12;
constexpr size_t kMaxAppIdLength = 128;
// The ids a filtered build makes room for before it reads any.
constexpr size_t kIdsSizedAhead = 65536;
constexpr std::wstring_view kExeExtension = L".exe";

// Hashes strings and views alike, so that a lookup needs no string.
struct TextHash {
    using is_transparent = void;
    size_t operator()(std::wstring_view text) const { return std::hash<std::wstring_view>{}(text); }
};

// The two places an installed executable can live, looked up once per
// catalogue rather than once per entry. Empty when the folder is unknown.
struct InstallPlaces {
    std::wstring appsFolder;
    std::wstring installedExe;
    // The files of the Apps folder, read in one listing: a catalogue of
    // thousands of entries would otherwise ask the file system thousands of
    // times. Tool file names are ASCII, so ASCII folding matches them as the
    // file system does.
    bool listed = false;
    std::unordered_set<std::wstring, TextHash, std::equal_to<>> appsFiles;
};

void ListAppsFolder(InstallPlaces& places) {
    WIN32_FIND_DATAW data{};
    UniqueFind find(FindFirstFileExW(JoinPath(places.appsFolder, L"*").c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        DWORD error = GetLastError();
        // No Apps folder yet: nothing is installed. Any other failure falls
        // back to asking for each file.
        places.listed = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return;
    }
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            places.appsFiles.insert(FoldedCopy(data.cFileName));
    } while (FindNextFileW(find.get(), &data));
    // Only "no more files" ends the listing; after any other failure it may
    // lack tools, and asking for each file answers instead.
    places.listed = GetLastError() == ERROR_NO_MORE_FILES;
    if (!places.listed) places.appsFiles.clear();
}

InstallPlaces LookUpInstallPlaces(bool listAppsFolder) {
    InstallPlaces places;
    try {
        // One look-up of the known folder for both: each costs a while.
        const std::wstring installFolder = GetInstallFolder();
        places.appsFolder = JoinPath(installFolder, kAppsFolderName);
        places.installedExe = JoinPath(installFolder, kInstalledExeName);
    } catch (const AppError&) {
        return InstallPlaces();
    }
    if (listAppsFolder) ListAppsFolder(places);
    return places;
}

bool IsAsciiLetterOrDigit(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9');
}

// "COM3.exe" names the serial port, whatever the extension: an id must never
// be one of these. Ids are plain ASCII, so superscript digits and trailing
// dots or spaces cannot occur.
bool IsReservedDeviceName(const std::wstring& id) {
    if (id.size() != 3 && id.size() != 4) return false;
    auto startsWith = [&id](const wchar_t* name) {
        return FoldAsciiCase(id[0]) == name[0] && FoldAsciiCase(id[1]) == name[1] && FoldAsciiCase(id[2]) == name[2];
    };
    if (id.size() == 3) return startsWith(L"con") || startsWith(L"prn") || startsWith(L"aux") || startsWith(L"nul");
    return (startsWith(L"com") || startsWith(L"lpt")) && id[3] >= L'0' && id[3] <= L'9';
}

// The id names the file, and the file is the id's executable and nothing else.
bool HasPlainFileName(const CatalogApp& app) {
    return IsValidAppId(app.id) && app.exeName.size() == app.id.size() + kExeExtension.size() &&
           app.exeName.compare(0, app.id.size(), app.id) == 0 &&
           app.exeName.compare(app.id.size(), kExeExtension.size(), kExeExtension) == 0;
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

// Where a tool's executable is, or nothing when the entry cannot name a file
// safely: an id like "..\x" must never reach the file system.
std::optional<std::wstring> InstalledPath(const CatalogApp& app, bool isSelf, const InstallPlaces& places) {
    if (isSelf) {
        if (places.installedExe.empty()) return std::nullopt;
        return places.installedExe;
    }
    if (places.appsFolder.empty() || !HasPlainFileName(app)) return std::nullopt;
    return JoinPath(places.appsFolder, app.exeName);
}

// Looked up for every entry of the catalogue: folded into a buffer on the
// stack rather than a new string. Only called for plain file names.
bool IsListedInApps(const InstallPlaces& places, const std::wstring& exeName) {
    // Nothing installed yet: nothing to look up for any entry.
    if (places.appsFiles.empty()) return false;
    std::array<wchar_t, kMaxAppIdLength + kExeExtension.size()> folded{};
    if (exeName.size() > folded.size()) return false;
    for (size_t i = 0; i < exeName.size(); ++i) folded[i] = FoldAsciiCase(exeName[i]);
    return places.appsFiles.find(std::wstring_view(folded.data(), exeName.size())) != places.appsFiles.end();
}

bool IsListed(const InstallPlaces& places, const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    return places.appsFiles.find(FoldedCopy(path.substr(slash + 1))) != places.appsFiles.end();
}

// What the Apps folder keeps of the tool's earlier versions. The listing
// spares a look at the disk for the tools that keep none.
void RefreshKeptVersions(CatalogApp& app, const InstallPlaces& places) {
    const ToolFiles files = ToolFilesIn(places.appsFolder, app.id);
    if (places.listed && !IsListed(places, files.previous) && !IsListed(places, files.rollbackMark)) return;
    // A release the catalogue now withdraws is not kept for a rollback.
    DiscardWithdrawnPrevious(files, app.withdrawn);
    app.kept = ReadKeptVersions(files, app.withdrawn);
}

// Readers that do not know the member ignore it; this one ignores what is
// not a digest, since no file can match it.
std::vector<std::wstring> WithdrawnDigests(const JsonValue* member) {
    std::vector<std::wstring> digests;
    if (member == nullptr || member->kind != JsonKind::Array) return digests;
    for (const JsonValue& item : member->items) {
        if (item.kind == JsonKind::String && IsSha256Text(item.text)) digests.push_back(item.text);
    }
    return digests;
}

// `plainName` is HasPlainFileName(app), which a catalogue build knows.
void RefreshInstalledStateIn(CatalogApp& app, bool isSelf, const InstallPlaces& places, bool plainName) {
    app.installed = false;
    app.updateAvailable = false;
    app.kept = KeptVersions{};
    const bool listed = !isSelf && places.listed;
    // The listing answers without building a path for every entry.
    if (listed && (places.appsFolder.empty() || !plainName || !IsListedInApps(places, app.exeName))) return;
    std::optional<std::wstring> path = InstalledPath(app, isSelf, places);
    if (!path) return;
    app.installed = listed || FileExists(*path);
    if (!app.installed) return;
    if (!isSelf) RefreshKeptVersions(app, places);
    if (app.sha256.empty()) return;
    app.updateAvailable = InstalledFileNeedsUpdate(*path, app.sha256);
}

std::wstring IconAddress(const std::wstring& icon, const std::wstring& iconBaseUrl, const std::wstring& id) {
    if (!iconBaseUrl.empty()) {
        std::wstring location;
        location.reserve(iconBaseUrl.size() + 1 + id.size() + 4);
        location = iconBaseUrl;
        if (location.back() != L'/') location.push_back(L'/');
        location += id;
        location += L".png";
        return location;
    }
    if (!icon.empty() && icon.front() == L'/') return SiteRoot() + icon;
    return icon;
}

// Icons come over HTTPS only; any other address gets no request and no icon.
std::wstring OnlineIconLocation(const std::wstring& icon, const std::wstring& iconBaseUrl, const std::wstring& id) {
    std::wstring location = IconAddress(icon, iconBaseUrl, id);
    if (!StartsWith(location, L"https://")) location.clear();
    return location;
}

struct DocumentSettings {
    bool offline = false;
    const std::wstring& offlineRoot;
    const std::wstring& downloadEndpoint;
    const std::wstring& iconBaseUrl;
    const InstallPlaces& places;
};

// The members of an entry that make a tool, found in one pass over its
// sorted members rather than one search per name. `Value` is JsonValue for a
// document that is discarded afterwards, const JsonValue for one that is kept.
template <typename Value>
struct EntryMembers {
    Value* id = nullptr;
    Value* version = nullptr;
    Value* category = nullptr;
    Value* lot = nullptr;
    Value* description = nullptr;
    Value* sha256 = nullptr;
    Value* hidden = nullptr;
    Value* icon = nullptr;
    Value* withdrawn = nullptr;
    Value* rollout = nullptr;
};

template <typename Value>
EntryMembers<Value> FindEntryMembers(Value& entry) {
    EntryMembers<Value> found;
    for (auto& member : entry.members) {
        // Named, not a structured binding: clang 14 lets no lambda capture those.
        const auto& key = member.first;
        auto& value = member.second;
        auto take = [&key, &value](Value*& slot, std::wstring_view name) {
            if (key == name) slot = &value;
        };
        // Told apart by length first: about one comparison per member.
        switch (key.size()) {
        case 2: take(found.id, L"id"); break;
        case 3: take(found.lot, L"lot"); break;
        case 4: take(found.icon, L"icon"); break;
        case 6:
            take(found.sha256, L"sha256");
            take(found.hidden, L"hidden");
            break;
        case 7:
            take(found.version, L"version");
            take(found.rollout, L"rollout");
            break;
        case 8: take(found.category, L"category"); break;
        case 9: take(found.withdrawn, L"withdrawn"); break;
        case 11: take(found.description, L"description"); break;
        default: break;
        }
    }
    return found;
}

// A string member, moved out of a document that is about to be discarded, or
// copied from one that is kept.
std::wstring TakeText(const JsonValue* member) {
    if (member == nullptr || member->kind != JsonKind::String) return std::wstring();
    return member->text;
}

std::wstring TakeText(JsonValue* member) {
    if (member == nullptr || member->kind != JsonKind::String) return std::wstring();
    return std::move(member->text);
}

// A parsed tree. `Value` is JsonValue for a document that is discarded
// afterwards, const JsonValue for one that is kept.
template <typename Value>
class TreeSource {
public:
    explicit TreeSource(Value& document) : document_(document), apps_(FindMember(document, L"apps")) {}

    const JsonValue& Top() const { return document_; }
    bool HasApps() const { return apps_ != nullptr && apps_->kind == JsonKind::Array && !apps_->items.empty(); }
    size_t EntryCount() const { return HasApps() ? apps_->items.size() : 0; }
    // Calls `each` with the members of every object of "apps", in order,
    // while it returns true.
    template <typename Each>
    void ForEachEntry(Each&& each) const {
        for (auto& item : apps_->items) {
            if (item.kind == JsonKind::Object && !each(FindEntryMembers(item))) return;
        }
    }

    static bool HasText(const JsonValue* member, size_t minimum = 1) {
        return member != nullptr && member->kind == JsonKind::String && member->text.size() >= minimum;
    }
    static std::wstring_view View(const JsonValue* member, std::wstring&) { return member->text; }
    static std::wstring Take(Value* member) { return TakeText(member); }
    static void TakeInto(Value* member, std::wstring& out) { out = TakeText(member); }
    static bool IsTrue(const JsonValue* member) {
        return member != nullptr && member->kind == JsonKind::Bool && member->boolValue;
    }
    static std::vector<std::wstring> Digests(const EntryMembers<Value>& entry) {
        return WithdrawnDigests(entry.withdrawn);
    }
    static unsigned Rollout(const JsonValue* member) { return RolloutOf(member); }

private:
    Value& document_;
    Value* apps_;
};

// The document read in one pass: texts are converted as they are taken.
class DocumentSource {
public:
    explicit DocumentSource(const CatalogDocument& document) : document_(document) {}

    const JsonValue& Top() const { return document_.top(); }
    bool HasApps() const { return document_.hasApps(); }
    size_t EntryCount() const { return document_.entryCount(); }
    template <typename Each>
    void ForEachEntry(Each&& each) const {
        CatalogEntry entry;
        for (size_t i = 0; i < document_.entryCount(); ++i) {
            document_.ReadEntry(i, entry);
            if (!each(entry)) return;
        }
    }
    void ReadEntry(size_t index, CatalogEntry& entry) const { document_.ReadEntry(index, entry); }

    static bool HasText(const CatalogMember& member, size_t minimum = 1) {
        return member.Kind() == JsonKind::String && member.units >= minimum;
    }
    std::wstring_view View(const CatalogMember& member, std::wstring& scratch) const {
        document_.TextInto(member, scratch);
        return scratch;
    }
    std::wstring Take(const CatalogMember& member) const { return document_.Text(member); }
    void TakeInto(const CatalogMember& member, std::wstring& out) const { document_.TextInto(member, out); }
    static bool IsTrue(const CatalogMember& member) { return member.Kind() == JsonKind::Bool && member.boolValue; }
    std::vector<std::wstring> Digests(const CatalogEntry& entry) const {
        std::vector<std::wstring> digests;
        for (const CatalogMember& member : entry.digests) {
            std::wstring digest = document_.Text(member);
            if (IsSha256Text(digest)) digests.push_back(std::move(digest));
        }
        return digests;
    }
    unsigned Rollout(const CatalogMember& member) const {
        if (member.Kind() != JsonKind::Number) return RolloutOf(nullptr);
        JsonValue number;
        number.kind = JsonKind::Number;
        number.number = document_.Number(member);
        return RolloutOf(&number);
    }

private:
    const CatalogDocument& document_;
};

// Whether the entry holds every member a tool needs; one that does not fails
// the whole load.
template <typename Source, typename Entry>
bool IsCompleteEntry(const Source& source, const Entry& entry) {
    return source.HasText(entry.id) && source.HasText(entry.version) && source.HasText(entry.category) &&
           source.HasText(entry.description) && source.HasText(entry.sha256, kDownloadIdShaUnits);
}

// The path of a file the key holds for a tool, built in `out`, whose room is
// reused from entry to entry.
void OfflineToolPathInto(const std::wstring& root, std::wstring_view folder, const std::wstring& id,
                         std::wstring_view extension, std::wstring& out) {
    if (!IsValidAppId(id)) Fail(msg::kOfflineIdInvalid);
    out.reserve(root.size() + folder.size() + id.size() + extension.size() + 2);
    out.assign(root);
    if (!out.empty() && out.back() != L'\\') out.push_back(L'\\');
    out.append(folder).append(1, L'\\').append(id).append(extension);
}

// Fills `app` in place, every member of it but where its files come from
// (ReadLocations): a new entry of the catalogue, or the record a filtered
// build reuses. Moving a whole tool into the list would move every one of its
// strings once more.
template <typename Source, typename Entry>
void ReadEntry(const Source& source, const Entry& entry, const DocumentSettings& document, CatalogApp& app) {
    source.TakeInto(entry.id, app.id);
    app.name = app.id;
    source.TakeInto(entry.version, app.version);
    source.TakeInto(entry.category, app.category);
    source.TakeInto(entry.lot, app.lot);
    source.TakeInto(entry.description, app.description);
    source.TakeInto(entry.sha256, app.sha256);
    app.hidden = source.IsTrue(entry.hidden);
    app.withdrawn = source.Digests(entry);
    app.rollout = source.Rollout(entry.rollout);
    app.rolloutExcluded = false;
    app.iconBitmap.reset();

    app.exeName.reserve(app.id.size() + kExeExtension.size());
    app.exeName.assign(app.id).append(kExeExtension);
    // The executable is named after the id: its name is plain when the id is.
    const bool plainName = IsValidAppId(app.id);
    // A key's files are named by the id: one that cannot name a file fails
    // the load, whether or not a filter keeps the tool.
    if (document.offline && !plainName) Fail(msg::kOfflineIdInvalid);
    RefreshInstalledStateIn(app, IsOwnAppId(app.id), document.places, plainName);
}

// The rest of `app`: its download's name and where its download and its icon
// come from. A filtered build fills them only in the tools it keeps.
template <typename Source, typename Entry>
void ReadLocations(const Source& source, const Entry& entry, const DocumentSettings& document, CatalogApp& app) {
    app.downloadId.reserve(app.id.size() + 1 + kDownloadIdShaUnits);
    app.downloadId.assign(app.id).append(1, L'_').append(app.sha256, 0, kDownloadIdShaUnits);
    if (document.offline) {
        app.sourceRoot = document.offlineRoot;
        app.downloadEndpoint.clear();
        OfflineToolPathInto(document.offlineRoot, L"icons", app.id, L".png", app.iconLocation);
    } else {
        app.sourceRoot.clear();
        app.downloadEndpoint = document.downloadEndpoint;
        // The entry's own "icon" counts only without a base for every icon.
        const std::wstring icon = document.iconBaseUrl.empty() ? source.Take(entry.icon) : std::wstring();
        app.iconLocation = OnlineIconLocation(icon, document.iconBaseUrl, app.id);
    }
}

// Sized by the entries that can become tools, counted up to the first that
// would fail the load: a document of thousands of empty arrays or objects
// reserves nothing.
template <typename Source>
size_t ToolsBeforeFirstIncomplete(const Source& source) {
    size_t count = 0;
    source.ForEachEntry([&](const auto& entry) {
        if (!IsCompleteEntry(source, entry)) return false;
        ++count;
        return true;
    });
    return count;
}

// The root's members every entry depends on, checked before any entry.
void ReadTopMembers(const JsonValue& top, bool offline, CatalogLoadResult& result, std::wstring& iconBaseUrl) {
    result.ok = false;
    result.apps.clear();
    result.selfIndex = -1;
    result.downloadEndpoint = GetStringMember(top, L"downloadEndpoint");
    iconBaseUrl = GetStringMember(top, L"iconBaseUrl");
    if (!offline && !StartsWith(result.downloadEndpoint, L"https://")) Fail(msg::kEndpointInvalid);
}

template <typename Source>
void BuildCatalogFrom(const Source& source, bool offline, const std::wstring& offlineRoot, CatalogLoadResult& result) {
    std::wstring iconBaseUrl;
    ReadTopMembers(source.Top(), offline, result, iconBaseUrl);
    if (!source.HasApps()) Fail(msg::kNoApps);
    const InstallPlaces places = LookUpInstallPlaces(true);
    const DocumentSettings settings{offline, offlineRoot, result.downloadEndpoint, iconBaseUrl, places};
    const size_t tools = ToolsBeforeFirstIncomplete(source);
    result.apps.reserve(tools);
    // Ids name files, and file names ignore case: the first entry of an id is
    // the tool, later ones are skipped like elements that are not objects.
    TakenIds ids(tools);
    std::wstring idText;
    size_t built = 0;
    source.ForEachEntry([&](const auto& entry) {
        const bool named = source.HasText(entry.id);
        if (named && ids.Seen(source.View(entry.id, idText))) return true;
        if (!IsCompleteEntry(source, entry)) Fail(msg::kEntryIncomplete);
        // Built in place at the end of the list.
        CatalogApp& app = result.apps.emplace_back();
        try {
            ReadEntry(source, entry, settings, app);
            ReadLocations(source, entry, settings, app);
        } catch (...) {
            result.apps.pop_back();
            throw;
        }
        if (named) ids.Take(app.id);
        if (IsOwnAppId(app.id)) result.selfIndex = static_cast<int>(result.apps.size() - 1);
        ++built;
        return true;
    });
    if (built == 0) Fail(msg::kNoValidApps);
    result.ok = true;
}

// Entries from which a filtered build is made in two parts side by side: the
// thread costs less than the half it builds.
constexpr size_t kEntriesForParts = 4096;

// What two threads write apart stays out of each other's cache lines.
constexpr size_t kCacheLineBytes = 64;

// What one part of a filtered build made, or why it failed. Each part's
// counters change at every entry, on its own thread.
struct alignas(kCacheLineBytes) BuiltPart {
    // Its ids are sized by the objects of "apps", up to a bound, as most of
    // them make tools: counting the tools first would read every entry once
    // more.
    explicit BuiltPart(size_t entries) : ids(std::min(entries, kIdsSizedAhead)) {}
    std::vector<CatalogApp> apps;
    int selfIndex = -1;
    size_t built = 0;
    TakenIds ids;
    std::exception_ptr failure;
};

// No more entries for a part.
constexpr size_t kNoEntry = SIZE_MAX;

// Builds the entries that `next` gives, in order until it gives kNoEntry, as
// the build in one part would if they were all its entries. Catches
// everything: it runs on a thread too.
template <typename Next>
void BuildEntries(const DocumentSource& source, const DocumentSettings& settings, const CatalogToolFilter& keep,
                  BuiltPart& part, Next&& next) noexcept {
    try {
        std::wstring idText;
        // The tool being built, reused from entry to entry while the filter
        // keeps none.
        CatalogApp scratch;
        CatalogEntry entry;
        for (size_t index = next(); index != kNoEntry; index = next()) {
            source.ReadEntry(index, entry);
            const bool named = source.HasText(entry.id);
            if (named && part.ids.Seen(source.View(entry.id, idText))) continue;
            if (!IsCompleteEntry(source, entry)) Fail(msg::kEntryIncomplete);
            ReadEntry(source, entry, settings, scratch);
            if (named) part.ids.Take(scratch.id);
            const bool self = IsOwnAppId(scratch.id);
            if (self || keep(scratch)) {
                ReadLocations(source, entry, settings, scratch);
                part.apps.push_back(std::move(scratch));
            }
            if (self) part.selfIndex = static_cast<int>(part.apps.size() - 1);
            ++part.built;
        }
    } catch (...) {
        part.failure = std::current_exception();
    }
}

// The entries from `first` up to `end`.
void BuildPart(const DocumentSource& source, const DocumentSettings& settings, size_t first, size_t end,
               const CatalogToolFilter& keep, BuiltPart& part) noexcept {
    BuildEntries(source, settings, keep, part,
                 [index = first, end]() mutable { return index < end ? index++ : kNoEntry; });
}

void TakeParts(BuiltPart& head, BuiltPart* tail, CatalogLoadResult& result) {
    if (head.failure) std::rethrow_exception(head.failure);
    if (head.built + (tail != nullptr ? tail->built : 0) == 0) Fail(msg::kNoValidApps);
    result.apps = std::move(head.apps);
    result.selfIndex = head.selfIndex;
    if (tail != nullptr) {
        if (tail->selfIndex >= 0) result.selfIndex = static_cast<int>(result.apps.size()) + tail->selfIndex;
        result.apps.insert(result.apps.end(), std::make_move_iterator(tail->apps.begin()),
                           std::make_move_iterator(tail->apps.end()));
    }
    result.ok = true;
}

// The whole catalogue in one part, with a filter made for it.
void BuildInOnePart(const DocumentSource& source, const DocumentSettings& settings,
                    const CatalogFilterMaker& makeFilter, CatalogLoadResult& result) {
    BuiltPart whole(source.EntryCount());
    BuildPart(source, settings, 0, source.EntryCount(), makeFilter(0, 1), whole);
    TakeParts(whole, nullptr, result);
}

// Two parts built, joined; or, where they do not add up to the build in one
// part, the catalogue built again in one part: a failure of the second part
// that the first may have cancelled (its entry's id taken before), or an id
// of the second taken in the first.
void JoinParts(const DocumentSource& source, const DocumentSettings& settings, const CatalogFilterMaker& makeFilter,
               BuiltPart& head, BuiltPart& tail, CatalogLoadResult& result) {
    if (!head.failure && (tail.failure || tail.ids.AnyTakenIn(head.ids)))
        BuildInOnePart(source, settings, makeFilter, result);
    else
        TakeParts(head, &tail, result);
}

// The two halves side by side.
void BuildInTwoParts(const DocumentSource& source, const DocumentSettings& settings,
                     const CatalogFilterMaker& makeFilter, SideThread* side, CatalogLoadResult& result) {
    const size_t entries = source.EntryCount();
    const size_t middle = entries / 2;
    const CatalogToolFilter headFilter = makeFilter(0, 2);
    const CatalogToolFilter tailFilter = makeFilter(1, 2);
    // On the heap, where their alignment holds.
    const auto headPart = std::make_unique<BuiltPart>(middle);
    const auto tailPart = std::make_unique<BuiltPart>(entries - middle);
    BuiltPart& head = *headPart;
    BuiltPart& tail = *tailPart;
    std::optional<SideThread> own;
    if (side == nullptr) {
        try {
            side = &own.emplace();
        } catch (const std::system_error&) {
            // No thread to be had: the second half after the first.
        }
    }
    const auto buildTail = [&] { BuildPart(source, settings, middle, entries, tailFilter, tail); };
    if (side != nullptr) side->Start(buildTail);
    BuildPart(source, settings, 0, middle, headFilter, head);
    if (side != nullptr)
        side->Wait();
    else
        buildTail();
    JoinParts(source, settings, makeFilter, head, tail, result);
}

void BuildFilteredCatalog(const DocumentSource& source, bool offline, const std::wstring& offlineRoot,
                          CatalogLoadResult& result, const CatalogFilterMaker& makeFilter, SideThread* side) {
    std::wstring iconBaseUrl;
    ReadTopMembers(source.Top(), offline, result, iconBaseUrl);
    if (!source.HasApps()) Fail(msg::kNoApps);
    const InstallPlaces places = LookUpInstallPlaces(true);
    const DocumentSettings settings{offline, offlineRoot, result.downloadEndpoint, iconBaseUrl, places};
    const size_t entries = source.EntryCount();
    if (entries >= kEntriesForParts && std::thread::hardware_concurrency() > 1)
        BuildInTwoParts(source, settings, makeFilter, side, result);
    else
        BuildInOnePart(source, settings, makeFilter, result);
}

}  // namespace

// The first part ends where both threads have as many entries left when the
// pass ends, and never before the entries that open in this share of the
// document's bytes: the side thread is told of no entry past those until the
// end is set. It builds fewer than that while the pass runs.
constexpr double kHeadShareAtLeast = 0.4;
constexpr size_t kOpenEnd = SIZE_MAX;
// The first part's ids are sized for entries of this many bytes, and grow
// past that.
constexpr size_t kEntryBytesSizedFor = 128;
constexpr size_t kEntriesToldAtOnce = 64;

struct FilteredBuildAlongside::State {
    State(const CatalogDocument& document, const std::wstring& root, const CatalogFilterMaker& make, SideThread& thread)
        : source(document),
          offlineRoot(root),
          places(LookUpInstallPlaces(true)),
          settings{true, offlineRoot, noText, noText, places},
          makeFilter(make),
          side(thread),
          headFilter(make(0, 2)),
          tailFilter(make(1, 2)),
          withholdFrom(static_cast<size_t>(static_cast<double>(document.byteCount()) * kHeadShareAtLeast)),
          head(std::make_unique<BuiltPart>(document.byteCount() / kEntryBytesSizedFor)) {}

    // The next entry of the first part once the pass has read it, or
    // kNoEntry past the part's end or the end of a pass that failed.
    // `known` is how many entries the side thread last saw told: it looks
    // again only when it has built them all.
    size_t HeadEntry(size_t index, size_t& known) {
        reached.store(index, std::memory_order_relaxed);
        while (index >= known) {
            // Found first: an end set before the entries told past it is
            // then seen.
            known = found.load(std::memory_order_acquire);
            if (index < known) break;
            if (passEnded.load(std::memory_order_acquire)) {
                known = found.load(std::memory_order_acquire);
                if (index >= known) return kNoEntry;
                break;
            }
            std::this_thread::yield();
        }
        return index < headEnd.load(std::memory_order_acquire) ? index : kNoEntry;
    }

    void Stop() {
        passEnded.store(true, std::memory_order_release);
        side.Wait();
    }

    const DocumentSource source;
    const std::wstring noText;
    const std::wstring& offlineRoot;
    const InstallPlaces places;
    const DocumentSettings settings;
    const CatalogFilterMaker& makeFilter;
    SideThread& side;
    const CatalogToolFilter headFilter;
    const CatalogToolFilter tailFilter;
    const size_t withholdFrom;
    std::unique_ptr<BuiltPart> head;
    // This thread's: the entries told before it withheld the rest.
    size_t toldBeforeEnd = kOpenEnd;
    // Written by this thread as the pass goes, read by the side thread: in a
    // cache line of their own.
    alignas(kCacheLineBytes) std::atomic<size_t> found{0};
    std::atomic<size_t> headEnd{kOpenEnd};
    std::atomic<bool> passEnded{false};
    // Written by the side thread at every entry, read once at the pass's end.
    alignas(kCacheLineBytes) std::atomic<size_t> reached{0};
};

FilteredBuildAlongside::FilteredBuildAlongside(const CatalogDocument& document, const std::wstring& offlineRoot,
                                               const CatalogFilterMaker& makeFilter, SideThread& side)
    : state_(std::make_unique<State>(document, offlineRoot, makeFilter, side)) {
    State& state = *state_;
    side.Start([&state] {
        size_t next = 0;
        size_t known = 0;
        BuildEntries(state.source, state.settings, state.headFilter, *state.head,
                     [&state, &next, &known] { return state.HeadEntry(next++, known); });
    });
}

FilteredBuildAlongside::~FilteredBuildAlongside() { state_->Stop(); }

void FilteredBuildAlongside::Found(size_t entries, size_t position) {
    State& state = *state_;
    if (state.toldBeforeEnd != kOpenEnd) return;
    // From the entry that opens past the share, the side thread waits for
    // the first part's end.
    if (position >= state.withholdFrom) {
        state.toldBeforeEnd = entries;
        state.found.store(entries, std::memory_order_release);
        return;
    }
    // Told in batches: the count is read on the other core, and each store
    // moves its cache line there.
    if (entries % kEntriesToldAtOnce == 0) state.found.store(entries, std::memory_order_release);
}

void FilteredBuildAlongside::Finish(CatalogLoadResult& result) {
    State& state = *state_;
    const DocumentSource& source = state.source;
    const size_t entries = source.EntryCount();
    // Every entry told: the side thread may have built them all.
    size_t middle = entries;
    if (state.toldBeforeEnd != kOpenEnd) {
        const size_t reached = std::min(state.reached.load(std::memory_order_relaxed), state.toldBeforeEnd);
        middle = std::max(state.toldBeforeEnd, reached + (entries - reached) / 2);
    }
    // The end before the entries past it: the side thread reads it once it
    // is told of them.
    state.headEnd.store(middle, std::memory_order_release);
    state.found.store(entries, std::memory_order_release);
    state.passEnded.store(true, std::memory_order_release);
    std::wstring iconBaseUrl;
    ReadTopMembers(source.Top(), true, result, iconBaseUrl);
    if (!source.HasApps()) Fail(msg::kNoApps);
    BuiltPart tail(entries - middle);
    BuildPart(source, state.settings, middle, entries, state.tailFilter, tail);
    state.side.Wait();
    JoinParts(source, state.settings, state.makeFilter, *state.head, tail, result);
}

void BuildCatalog(const JsonValue& document, bool offline, const std::wstring& offlineRoot, CatalogLoadResult& result) {
    BuildCatalogFrom(TreeSource<const JsonValue>(document), offline, offlineRoot, result);
}

void BuildCatalog(JsonValue&& document, bool offline, const std::wstring& offlineRoot, CatalogLoadResult& result) {
    BuildCatalogFrom(TreeSource<JsonValue>(document), offline, offlineRoot, result);
}

void BuildCatalog(const CatalogDocument& document, bool offline, const std::wstring& offlineRoot,
                  CatalogLoadResult& result, const CatalogFilterMaker& makeFilter, SideThread* side) {
    if (makeFilter)
        BuildFilteredCatalog(DocumentSource(document), offline, offlineRoot, result, makeFilter, side);
    else
        BuildCatalogFrom(DocumentSource(document), offline, offlineRoot, result);
}

bool IsValidAppId(const std::wstring& id) {
    if (id.empty() || id.size() > kMaxAppIdLength) return false;
    for (wchar_t c : id) {
        if (!IsAsciiLetterOrDigit(c) && c != L'-' && c != L'_') return false;
    }
    return !IsReservedDeviceName(id);
}

bool IsOwnAppId(const std::wstring& id) { return FoldedEquals(id, kOwnAppId); }

std::wstring OfflineToolPath(const std::wstring& root, const std::wstring& folder, const CatalogApp& app,
                             const std::wstring& extension) {
    std::wstring path;
    OfflineToolPathInto(root, folder, app.id, extension, path);
    return path;
}

bool InstalledFileNeedsUpdate(const std::wstring& path, const std::wstring& sha256) {
    try {
        return !FileMatchesSha256(path, sha256);
    } catch (const std::exception&) {
        return true;
    }
}

void RefreshInstalledState(CatalogApp& app, bool isSelf) {
    RefreshInstalledStateIn(app, isSelf, LookUpInstallPlaces(false), HasPlainFileName(app));
}

std::vector<unsigned long long> ParseVersion(const std::wstring& text) {
    size_t position = 0;
    if (!text.empty() && (text[0] == L'V' || text[0] == L'v')) position = 1;
    std::vector<unsigned long long> components;
    while (position < text.size()) {
        // One part: its leading digits count, the rest up to the next "." does not.
        unsigned long long value = 0;
        while (position < text.size() && text[position] >= L'0' && text[position] <= L'9') {
            unsigned digit = static_cast<unsigned>(text[position] - L'0');
            value = value > (ULLONG_MAX - digit) / 10 ? ULLONG_MAX : value * 10 + digit;
            ++position;
        }
        components.push_back(value);
        while (position < text.size() && text[position] != L'.') ++position;
        if (position < text.size()) ++position;
    }
    if (components.empty()) components.push_back(0);
    return components;
}

int CompareVersions(const std::vector<unsigned long long>& a, const std::vector<unsigned long long>& b) {
    const size_t length = a.size() > b.size() ? a.size() : b.size();
    for (size_t i = 0; i < length; ++i) {
        unsigned long long left = i < a.size() ? a[i] : 0;
        unsigned long long right = i < b.size() ? b[i] : 0;
        if (left != right) return left > right ? 1 : -1;
    }
    return 0;
}
