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
// The attributes of an open file, or INVALID_FILE_ATTRIBUTES. Asks for them
// alone: GetFileInformationByHandle also asks the volume, which on a key can
// take longer than reading a small file.
DWORD OpenFileAttributes(HANDLE file);
// A name in `folder` for `fileName` that no file uses yet (name_1.ext, ...).
std::wstring FreeFileName(const std::wstring& folder, const std::wstring& fileName);
void CreateFolderPath(const std::wstring& path);
std::wstring GetTempFolder();
