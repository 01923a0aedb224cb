#include "app/first_seen.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <set>
#include <string_view>

#include "base/handles.h"
#include "base/sha256.h"

namespace {

constexpr size_t kDigestUnits = 64;

wchar_t UpperHexDigit(wchar_t c) { return c >= L'a' && c <= L'f' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// A digest as the registry keeps it: upper case; nothing for what is not one.
std::wstring KeyOf(const std::wstring& sha256) {
    if (!IsSha256Text(sha256)) return {};
    std::wstring key = sha256;
    for (wchar_t& c : key) c = UpperHexDigit(c);
    return key;
}

bool OpenKey(REGSAM access, bool create, UniqueRegKey& key) {
    const LSTATUS status = create ? RegCreateKeyExW(HKEY_CURRENT_USER, kFirstSeenKeyPath, 0, nullptr,
                                                    REG_OPTION_NON_VOLATILE, access, nullptr, key.put(), nullptr)
                                  : RegOpenKeyExW(HKEY_CURRENT_USER, kFirstSeenKeyPath, 0, access, key.put());
    if (status == ERROR_SUCCESS) return true;
    key.release();  // nothing was opened
    return false;
}

// The releases the catalogue offers as updates here.
std::set<std::wstring> OfferedDigests(const std::vector<CatalogApp>& apps, int selfIndex, bool selfUpdate) {
    std::set<std::wstring> offered;
    for (size_t i = 0; i < apps.size(); ++i) {
        const CatalogApp& app = apps[i];
        const bool self = static_cast<int>(i) == selfIndex;
        if (self ? !selfUpdate : !(app.installed && app.updateAvailable)) continue;
        std::wstring key = KeyOf(app.sha256);
        if (!key.empty()) offered.insert(std::move(key));
    }
    return offered;
}

// The remembered digests that the catalogue no longer has. Each of the
// catalogue's digests is looked up among the few remembered ones, upper-cased
// on the stack: a catalogue may hold tens of thousands of entries.
std::vector<std::wstring> DigestsNotIn(const FirstSeenTimes& times, const std::vector<CatalogApp>& apps) {
    std::vector<const std::wstring*> remembered;  // in the map's order: sorted
    remembered.reserve(times.size());
    for (const auto& entry : times) remembered.push_back(&entry.first);
    std::vector<bool> kept(remembered.size(), false);
    size_t unmatched = remembered.size();
    for (const CatalogApp& app : apps) {
        if (unmatched == 0) break;
        if (!IsSha256Text(app.sha256)) continue;
        std::array<wchar_t, kDigestUnits> upper{};
        std::transform(app.sha256.begin(), app.sha256.end(), upper.begin(), UpperHexDigit);
        const std::wstring_view key(upper.data(), upper.size());
        const auto at = std::lower_bound(remembered.begin(), remembered.end(), key,
                                         [](const std::wstring* digest, std::wstring_view wanted) {
                                             return *digest < wanted;
                                         });
        if (at == remembered.end() || **at != key) continue;
        const auto index = static_cast<size_t>(at - remembered.begin());
        if (!kept[index]) --unmatched;
        kept[index] = true;
    }
    std::vector<std::wstring> gone;
    for (size_t i = 0; i < remembered.size(); ++i)
        if (!kept[i]) gone.push_back(*remembered[i]);
    return gone;
}

}  // namespace

FirstSeenTimes LoadFirstSeen(unsigned long long now) {
    FirstSeenTimes times;
    UniqueRegKey key;
    if (!OpenKey(KEY_QUERY_VALUE, false, key)) return times;
    // Enumerates no further than the bound: a key filled by hand costs no more.
    for (DWORD index = 0; times.size() < kMaxFirstSeen; ++index) {
        wchar_t name[80] = {};
        DWORD nameUnits = 80;
        DWORD type = 0;
        unsigned long long value = 0;
        DWORD size = sizeof(value);
        const LSTATUS status = RegEnumValueW(key.get(), index, name, &nameUnits, nullptr, &type,
                                             reinterpret_cast<BYTE*>(&value), &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS || type != REG_QWORD || size != sizeof(value)) continue;
        const std::wstring digest = KeyOf(std::wstring(name, nameUnits));
        if (digest.empty() || value == 0) continue;
        times[digest] = value > now ? now : value;
    }
    return times;
}

FirstSeenTimes RecordFirstSeen(const std::vector<CatalogApp>& apps, int selfIndex, bool selfUpdate,
                               unsigned long long seenAt) {
    FirstSeenTimes times = LoadFirstSeen(seenAt);
    const std::vector<std::wstring> forgotten = DigestsNotIn(times, apps);
    for (const std::wstring& digest : forgotten) times.erase(digest);
    std::vector<std::wstring> added;
    for (const std::wstring& digest : OfferedDigests(apps, selfIndex, selfUpdate)) {
        if (times.size() >= kMaxFirstSeen) break;
        if (times.emplace(digest, seenAt).second) added.push_back(digest);
    }
    if (forgotten.empty() && added.empty()) return times;

    UniqueRegKey key;
    if (!OpenKey(KEY_SET_VALUE, true, key)) return times;
    for (const std::wstring& digest : forgotten) RegDeleteValueW(key.get(), digest.c_str());
    for (const std::wstring& digest : added)
        RegSetValueExW(key.get(), digest.c_str(), 0, REG_QWORD, reinterpret_cast<const BYTE*>(&seenAt), sizeof(seenAt));
    return times;
}

unsigned long long FirstSeenOf(const FirstSeenTimes& times, const std::wstring& sha256) {
    const auto found = times.find(KeyOf(sha256));
    return found == times.end() ? 0 : found->second;
}
