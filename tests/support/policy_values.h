// Policies as Group Policy writes them, under the machine's or the user's
// key of the throwaway prefix, and removed again.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

void PutPolicyDword(HKEY hive, const wchar_t* name, DWORD value);
void PutPolicyText(HKEY hive, const wchar_t* name, const std::wstring& text);
// A REG_MULTI_SZ: each item ended by a NUL, then one more.
void PutPolicyList(HKEY hive, const wchar_t* name, const std::vector<std::wstring>& items);
// Any bytes under any type, as a careless or hostile tool may leave them.
void PutPolicyBytes(HKEY hive, const wchar_t* name, DWORD type, const std::string& bytes);
void ClearPolicyKeys();

// Both policy keys are empty while it lives.
class PolicyKeysCleaner {
public:
    PolicyKeysCleaner() { ClearPolicyKeys(); }
    ~PolicyKeysCleaner() { ClearPolicyKeys(); }
    PolicyKeysCleaner(const PolicyKeysCleaner&) = delete;
    PolicyKeysCleaner& operator=(const PolicyKeysCleaner&) = delete;
};
