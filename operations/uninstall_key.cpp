#include "operations/uninstall_key.h"

#include <cwchar>
#include <vector>

#include "base/constants.h"
#include "base/handles.h"
#include "base/paths.h"

namespace {

constexpr size_t kEntryTextLimit = 128;
// Longer values are not ours: ours are a path and a few switches.
constexpr DWORD kReadLimitBytes = 65536;

// The marks that make text run right to left, or isolate a run of it: a
// version could otherwise show as something else than what it is.
bool IsDirectionMark(wchar_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}
bool IsControl(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }
bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A subkey name that stays one level under the Uninstall key.
bool IsSafeEntryName(const std::wstring& name) {
    if (name.empty() || name.size() > 200) return false;
    for (wchar_t c : name) {
        const bool ok = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' ||
                        c == L'_' || c == L'.';
        if (!ok) return false;
    }
    return true;
}

std::wstring EntryKeyPath(const std::wstring& name) { return std::wstring(kUninstallKeyPath) + L"\\" + name; }

std::optional<std::wstring> ReadText(HKEY key, const wchar_t* value) {
    DWORD size = 0;
    if (RegGetValueW(key, nullptr, value, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    if (size > kReadLimitBytes) return std::nullopt;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegGetValueW(key, nullptr, value, RRF_RT_REG_SZ, nullptr, buffer.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(buffer.data());
}

bool HasValue(HKEY key, const wchar_t* value) {
    return RegQueryValueExW(key, value, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool SameText(const std::wstring& a, const std::wstring& b, bool ignoreCase) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                ignoreCase ? TRUE : FALSE) == CSTR_EQUAL;
}

bool OwnsOpenKey(HKEY key, const std::wstring& parent) {
    const std::optional<std::wstring> publisher = ReadText(key, L"Publisher");
    if (!publisher || !SameText(*publisher, kPublisherName, false)) return false;
    const std::optional<std::wstring> uninstall = ReadText(key, L"UninstallString");
    const std::wstring program = InstalledProgramCommand(L"");
    if (!uninstall || uninstall->size() < program.size() ||
        !SameText(uninstall->substr(0, program.size()), program, true))
        return false;
    if (parent.empty()) return true;
    const std::optional<std::wstring> parentName = ReadText(key, L"ParentDisplayName");
    return parentName && SameText(*parentName, parent, false);
}

// A key with neither values nor subkeys holds nothing anyone could lose: one
// that a stop left right after its creation, for instance.
bool IsEmptyKey(HKEY key) {
    DWORD subkeys = 0;
    DWORD values = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                         nullptr) != ERROR_SUCCESS)
        return false;
    return subkeys == 0 && values == 0;
}

bool SetText(HKEY key, const wchar_t* value, const std::wstring& text) {
    const DWORD size = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), size) == ERROR_SUCCESS;
}

bool SetOptionalText(HKEY key, const wchar_t* value, const std::optional<std::wstring>& text) {
    if (text) return SetText(key, value, *text);
    const LSTATUS status = RegDeleteValueW(key, value);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool SetDword(HKEY key, const wchar_t* value, DWORD number) {
    return RegSetValueExW(key, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number)) ==
           ERROR_SUCCESS;
}

std::wstring TodayText() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t text[16] = {};
    std::swprintf(text, 16, L"%04u%02u%02u", static_cast<unsigned>(now.wYear), static_cast<unsigned>(now.wMonth),
                  static_cast<unsigned>(now.wDay));
    return text;
}

bool WriteValues(HKEY key, const UninstallEntryValues& v) {
    bool ok = true;
    // What makes the entry recognisably ours comes first.
    ok &= SetText(key, L"UninstallString", v.uninstallString);
    ok &= SetText(key, L"Publisher", kPublisherName);
    if (!v.parentDisplayName.empty()) ok &= SetText(key, L"ParentDisplayName", v.parentDisplayName);
    ok &= SetText(key, L"QuietUninstallString", v.quietUninstallString);
    ok &= SetText(key, L"DisplayName", v.displayName);
    ok &= SetOptionalText(key, L"DisplayVersion", v.versions.display);
    if (!v.parentDisplayName.empty()) ok &= SetOptionalText(key, L"PreviousDisplayVersion", v.versions.previous);
    ok &= SetText(key, L"DisplayIcon", v.displayIcon);
    ok &= SetText(key, L"InstallLocation", v.installLocation);
    if (!HasValue(key, L"InstallDate")) ok &= SetText(key, L"InstallDate", TodayText());
    ok &= SetDword(key, L"EstimatedSize", v.estimatedSizeKiB);
    ok &= SetDword(key, L"NoModify", 1);
    ok &= SetDword(key, L"NoRepair", 1);
    return ok;
}

}  // namespace

std::wstring EntryText(const std::wstring& text) {
    std::wstring clean;
    for (size_t i = 0; i < text.size() && clean.size() < kEntryTextLimit; ++i) {
        const wchar_t c = text[i];
        if (IsControl(c) || IsDirectionMark(c)) continue;
        if (IsHighSurrogate(c)) {
            // A pair goes whole or not at all.
            if (i + 1 < text.size() && IsLowSurrogate(text[i + 1]) && clean.size() + 2 <= kEntryTextLimit) {
                clean += c;
                clean += text[++i];
            } else if (i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
                break;
            }
            continue;
        }
        if (IsLowSurrogate(c)) continue;
        clean += c;
    }
    return clean;
}

std::wstring InstalledProgramCommand(const std::wstring& switches) {
    return L"\"" + GetInstalledExePath() + L"\" " + switches;
}

bool OwnsUninstallEntry(const std::wstring& name, const std::wstring& parent) {
    if (!IsSafeEntryName(name)) return false;
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, EntryKeyPath(name).c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return false;
    return OwnsOpenKey(key.get(), parent);
}

EntryWrite WriteUninstallEntry(const std::wstring& name, const std::wstring& parent,
                               const std::function<UninstallEntryValues(const EntryVersions& now)>& make) {
    if (!IsSafeEntryName(name)) return EntryWrite::Failed;
    UniqueRegKey key;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, EntryKeyPath(name).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.put(), &disposition) != ERROR_SUCCESS)
        return EntryWrite::Failed;
    const bool fresh = disposition == REG_CREATED_NEW_KEY || IsEmptyKey(key.get());
    if (!fresh && !OwnsOpenKey(key.get(), parent)) return EntryWrite::Foreign;
    EntryVersions now;
    if (!fresh) {
        now.display = ReadText(key.get(), L"DisplayVersion");
        now.previous = ReadText(key.get(), L"PreviousDisplayVersion");
    }
    return WriteValues(key.get(), make(now)) ? EntryWrite::Written : EntryWrite::Failed;
}

bool DeleteUninstallEntry(const std::wstring& name, const std::wstring& parent) {
    if (!OwnsUninstallEntry(name, parent)) return true;
    const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, EntryKeyPath(name).c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

DWORD FileSizeKiB(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    const unsigned long long bytes = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const unsigned long long kib = (bytes + 1023) / 1024;
    return kib > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(kib);
}
