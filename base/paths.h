// Where things live on disk, whether this process is the installed copy, and
// the small file helpers shared by every part of the program. Stateless: any
// thread may call these.
#pragma once

#include <windows.h>

#include <string>

std::wstring GetOwnExePath();
std::wstring GetKnownFolder(const GUID& folderId);
std::wstring GetInstallFolder();
std::wstring GetAppsFolder();
std::wstring GetInstalledExePath();

std::wstring JoinPath(const std::wstring& a, const std::wstring& b);
std::wstring ParentFolder(const std::wstring& path);
std::wstring GetFullPath(const std::wstring& path);
bool SamePath(const std::wstring& a, const std::wstring& b);
bool IsInstalledCopy();

unsigned long long NowFileTime();

bool FileExists(const std::wstring& path);
// A name in `folder` for `fileName` that no file uses yet (name_1.ext, ...).
std::wstring FreeFileName(const std::wstring& folder, const std::wstring& fileName);
void CreateFolderPath(const std::wstring& path);
std::wstring GetTempFolder();
