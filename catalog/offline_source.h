// The offline (USB) source: an OrkvaneOffline folder on a removable or fixed
// drive, holding catalog.json, outils\<id>.exe and icons\<id>.png.
#pragma once

#include <windows.h>

#include <string>

#include "base/handles.h"

inline constexpr wchar_t kOfflineFolderName[] = L"OrkvaneOffline";

// The validated offline root (a full drive-letter path whose catalog.json
// exists); throws with the user-facing message otherwise.
std::wstring ValidateOfflineRoot(const std::wstring& path);
// The same, telling whether that drive is removable: Windows takes a while to
// tell a drive's type, and the check has just asked it.
std::wstring ValidateOfflineRoot(const std::wstring& path, bool& removable);
// The whole file, at most `limit` bytes; throws otherwise.
std::string ReadOfflineFile(const std::wstring& path, unsigned long long limit);
// The two halves of ReadOfflineFile, for a reader that looks at the open file
// before reading it: a plain file opened for reading (with `extraAccess`
// besides), never a link; then its whole content through that handle.
UniqueHandle OpenOfflineFile(const std::wstring& path, DWORD extraAccess = 0);
std::string ReadOpenOfflineFile(HANDLE file, unsigned long long limit);
