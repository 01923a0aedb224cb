// Policies as Group Policy writes them, under the machine's or the user's
// key of the throwaway prefix, and removed again.
#pragma once

#include <windows.h>

#include <string>

void PutPolicyDword(HKEY hive, const wchar_t* name, DWORD value);
void PutPolicyText(HKEY hive, const wchar_t* name, const std::wstring& text);
void ClearPolicyKeys();

// Both policy keys are empty while it lives.
class PolicyKeysCleaner {
public:
    PolicyKeysCleaner() { ClearPolicyKeys(); }
    ~PolicyKeysCleaner() { ClearPolicyKeys(); }
    PolicyKeysCleaner(const PolicyKeysCleaner&) = delete;
    PolicyKeysCleaner& operator=(const PolicyKeysCleaner&) = delete;
};
