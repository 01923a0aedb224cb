#include "app/own_files.h"

#include <windows.h>

void ClearRestrictiveAttributes(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    constexpr DWORD kRestrictive = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & kRestrictive) == 0) return;
    DWORD kept = attributes & ~kRestrictive;
    SetFileAttributesW(path.c_str(), kept == 0 ? FILE_ATTRIBUTE_NORMAL : kept);
}
