// Entries of Windows' list of installed apps (subkeys of the current user's
// Uninstall key), read, planted and removed by the tests.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>

// A REG_SZ value's text, or "<absent>"; a DWORD value, or -1 when absent.
std::wstring EntryString(const std::wstring& entry, const wchar_t* value);
long long EntryDword(const std::wstring& entry, const wchar_t* value);
bool EntryExists(const std::wstring& entry);
// Every value of the entry, as text (DWORDs in decimal).
std::map<std::wstring, std::wstring> EntryValues(const std::wstring& entry);
// Another program's entry: these REG_SZ values and nothing else.
void PlantEntry(const std::wstring& entry, const std::map<std::wstring, std::wstring>& values);
void DeleteEntry(const std::wstring& entry);
// The names of the Uninstall key's subkeys that start with "Orkvane", any case.
std::set<std::wstring> OrkvaneEntryNames();
// Today's date as InstallDate writes it (yyyymmdd, local time).
std::wstring TodayAsInstallDate();
