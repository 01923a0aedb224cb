#include "tests/support/policy_values.h"

#include <gtest/gtest.h>

#include "app/policies.h"
#include "base/handles.h"

namespace {

void PutPolicy(HKEY hive, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(hive, kPolicyKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

}  // namespace

void PutPolicyDword(HKEY hive, const wchar_t* name, DWORD value) {
    PutPolicy(hive, name, REG_DWORD, &value, sizeof(value));
}

void PutPolicyText(HKEY hive, const wchar_t* name, const std::wstring& text) {
    PutPolicy(hive, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void PutPolicyList(HKEY hive, const wchar_t* name, const std::vector<std::wstring>& items) {
    std::wstring units;
    for (const std::wstring& item : items) units += item + L'\0';
    units += L'\0';
    PutPolicy(hive, name, REG_MULTI_SZ, units.data(), static_cast<DWORD>(units.size() * sizeof(wchar_t)));
}

void PutPolicyBytes(HKEY hive, const wchar_t* name, DWORD type, const std::string& bytes) {
    PutPolicy(hive, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

void ClearPolicyKeys() {
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        RegDeleteTreeW(hive, kPolicyKeyPath);
        RegDeleteKeyW(hive, kPolicyKeyPath);
    }
}
