// Policies written as Group Policy writes them, under the machine's or the
// user's policy key of the throwaway prefix, and removed again.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

void PutPolicyValue(HKEY hive, const wchar_t* name, DWORD type, const std::string& bytes);
// The bytes of a REG_MULTI_SZ: each item ended by a NUL, then one more.
std::string MultiStringBytes(const std::vector<std::wstring>& items);
// REG_SZ bytes with their terminator.
std::string StringValueBytes(const std::wstring& text);

// Removes every policy now and at the end.
class ScopedPolicies {
public:
    ScopedPolicies();
    ~ScopedPolicies();
    ScopedPolicies(const ScopedPolicies&) = delete;
    ScopedPolicies& operator=(const ScopedPolicies&) = delete;
};
