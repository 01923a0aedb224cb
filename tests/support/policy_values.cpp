#include "tests/support/policy_values.h"

#include <gtest/gtest.h>

#include "app/policies.h"
#include "base/handles.h"

namespace {

void ClearPolicies() {
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteTreeW(hive, kPolicyKeyPath);
}

std::string UnitsAsBytes(const std::wstring& units) {
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(wchar_t));
}

}  // namespace

void PutPolicyValue(HKEY hive, const wchar_t* name, DWORD type, const std::string& bytes) {
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(hive, kPolicyKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
}

std::string MultiStringBytes(const std::vector<std::wstring>& items) {
    std::wstring units;
    for (const std::wstring& item : items) units += item + L'\0';
    units += L'\0';
    return UnitsAsBytes(units);
}

std::string StringValueBytes(const std::wstring& text) { return UnitsAsBytes(text + L'\0'); }

ScopedPolicies::ScopedPolicies() { ClearPolicies(); }

ScopedPolicies::~ScopedPolicies() { ClearPolicies(); }
