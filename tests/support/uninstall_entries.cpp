#include "tests/support/uninstall_entries.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

#include "base/constants.h"
#include "base/handles.h"

namespace {

std::wstring KeyPath(const std::wstring& entry) { return std::wstring(kUninstallKeyPath) + L"\\" + entry; }

}  // namespace

std::wstring EntryString(const std::wstring& entry, const wchar_t* value) {
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, KeyPath(entry).c_str(), value, RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
        ERROR_SUCCESS)
        return L"<absent>";
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, KeyPath(entry).c_str(), value, RRF_RT_REG_SZ, nullptr, buffer.data(), &size) !=
        ERROR_SUCCESS)
        return L"<absent>";
    return buffer.data();
}

long long EntryDword(const std::wstring& entry, const wchar_t* value) {
    DWORD number = 0;
    DWORD size = sizeof(number);
    if (RegGetValueW(HKEY_CURRENT_USER, KeyPath(entry).c_str(), value, RRF_RT_REG_DWORD, nullptr, &number, &size) !=
            ERROR_SUCCESS ||
        size != sizeof(number))
        return -1;
    return number;
}

bool EntryExists(const std::wstring& entry) {
    UniqueRegKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(entry).c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::map<std::wstring, std::wstring> EntryValues(const std::wstring& entry) {
    std::map<std::wstring, std::wstring> values;
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(entry).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {};
        DWORD nameLength = 256;
        DWORD type = 0;
        if (RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (type == REG_DWORD)
            values[name] = std::to_wstring(EntryDword(entry, name));
        else
            values[name] = EntryString(entry, name);
    }
    return values;
}

void PlantEntry(const std::wstring& entry, const std::map<std::wstring, std::wstring>& values) {
    DeleteEntry(entry);
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(entry).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    for (const auto& [name, text] : values)
        RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void DeleteEntry(const std::wstring& entry) { RegDeleteTreeW(HKEY_CURRENT_USER, KeyPath(entry).c_str()); }

std::set<std::wstring> OrkvaneEntryNames() {
    std::set<std::wstring> names;
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallKeyPath, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {};
        DWORD length = 256;
        if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (_wcsnicmp(name, L"Orkvane", 7) == 0) names.insert(name);
    }
    return names;
}

std::wstring TodayAsInstallDate() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t text[16] = {};
    std::swprintf(text, 16, L"%04u%02u%02u", static_cast<unsigned>(now.wYear), static_cast<unsigned>(now.wMonth),
                  static_cast<unsigned>(now.wDay));
    return text;
}
