#include "base/own_files.h"

#include <windows.h>

#include "base/paths.h"

void ClearRestrictiveAttributes(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    constexpr DWORD kRestrictive = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & kRestrictive) == 0) return;
    DWORD kept = attributes & ~kRestrictive;
    SetFileAttributesW(path.c_str(), kept == 0 ? FILE_ATTRIBUTE_NORMAL : kept);
}

bool DeleteOwnFile(const std::wstring& path) {
    ClearRestrictiveAttributes(path);
    return !FileExists(path) || DeleteFileW(path.c_str());
}

bool MoveOverOwnFile(const std::wstring& source, const std::wstring& target) {
    ClearRestrictiveAttributes(target);
    return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool CopyOverOwnFile(const std::wstring& source, const std::wstring& target) {
    ClearRestrictiveAttributes(target);
    // CopyFileW gives the copy the source's attributes.
    const bool copied = CopyFileW(source.c_str(), target.c_str(), FALSE);
    ClearRestrictiveAttributes(target);
    return copied;
}
