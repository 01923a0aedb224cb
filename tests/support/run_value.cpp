#include "tests/support/run_value.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/settings.h"
#include "base/handles.h"

std::wstring ReadRunValue() {
    std::vector<wchar_t> buffer(4096);
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, RRF_RT_REG_SZ, nullptr, buffer.data(), &size) !=
        ERROR_SUCCESS)
        return L"<absent>";
    return buffer.data();
}

void WriteRunValue(const std::wstring& text) {
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key.get(), kRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void DeleteRunValue() {
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
        RegDeleteValueW(key.get(), kRunValueName);
}
