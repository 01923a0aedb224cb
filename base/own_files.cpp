#include "base/own_files.h"

#include <windows.h>

#include "base/handles.h"
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

namespace {

// Data on the disk before the name moves: after a power cut the new name
// must not stand for a file whose bytes never arrived.
bool FlushToDisk(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && FlushFileBuffers(file.get());
}

bool TakeNameFromSide(const std::wstring& side, const std::wstring& target) {
    if (MoveOverOwnFile(side, target)) return true;
    DeleteOwnFile(side);
    return false;
}

}  // namespace

bool CopyOverOwnFileWhole(const std::wstring& source, const std::wstring& target) {
    const std::wstring side = target + kSideFileSuffix;
    if (!CopyOverOwnFile(source, side) || !FlushToDisk(side)) {
        DeleteOwnFile(side);
        return false;
    }
    return TakeNameFromSide(side, target);
}

bool WriteOwnFileWhole(const std::wstring& target, std::string_view bytes, DWORD attributes) {
    const std::wstring side = target + kSideFileSuffix;
    DeleteOwnFile(side);
    UniqueHandle file(CreateFileW(side.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr));
    if (!file) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size() && FlushFileBuffers(file.get());
    file.reset();
    if (!ok) {
        DeleteOwnFile(side);
        return false;
    }
    return TakeNameFromSide(side, target);
}
