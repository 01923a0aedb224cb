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

void ClearPolicyKeys() {
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        RegDeleteTreeW(hive, kPolicyKeyPath);
        RegDeleteKeyW(hive, kPolicyKeyPath);
    }
}
