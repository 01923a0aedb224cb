// The offline (USB) source: an OrkvaneOffline folder on a removable or fixed
// drive, holding catalog.json, outils\<id>.exe and icons\<id>.png.
#pragma once

#include <string>

inline constexpr wchar_t kOfflineFolderName[] = L"OrkvaneOffline";

// The validated offline root (a full drive-letter path whose catalog.json
// exists); throws with the user-facing message otherwise.
std::wstring ValidateOfflineRoot(const std::wstring& path);
// The whole file, at most `limit` bytes; throws otherwise.
std::string ReadOfflineFile(const std::wstring& path, unsigned long long limit);
