#include "catalog/offline_source.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "base/error.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/paths.h"
#include "catalog/reparse_points.h"

namespace {

constexpr DWORD kPathBufferUnits = 32768;
constexpr DWORD kReadChunkBytes = 65536;
constexpr wchar_t kCatalogFileName[] = L"catalog.json";

std::wstring FullOfflinePath(const std::wstring& path) {
    std::vector<wchar_t> buffer(kPathBufferUnits);
    DWORD length = GetFullPathNameW(path.c_str(), kPathBufferUnits, buffer.data(), nullptr);
    if (length == 0 || length >= kPathBufferUnits) Fail(msg::kOfflinePathInvalid);
    return std::wstring(buffer.data(), length);
}

// Only "X:\..." passes: UNC shares, device paths and driveless paths do not.
bool HasDriveLetterRoot(const std::wstring& full) { return full.size() > 2 && full[1] == L':' && full[2] == L'\\'; }

// A catalogue behind a link is not looked at: asking whether it exists would
// already follow the link.
bool HoldsCatalog(const std::wstring& folder) {
    const std::wstring catalog = JoinPath(folder, kCatalogFileName);
    return !CrossesReparsePoint(catalog) && FileExists(catalog);
}

}  // namespace

std::wstring ValidateOfflineRoot(const std::wstring& path) {
    bool removable = false;
    return ValidateOfflineRoot(path, removable);
}

std::wstring ValidateOfflineRoot(const std::wstring& path, bool& removable) {
    if (path.empty()) Fail(msg::kOfflineNoPath);
    std::wstring full = FullOfflinePath(path);
    if (!HasDriveLetterRoot(full)) Fail(msg::kOfflineNotDriveLetter);
    const UINT type = GetDriveTypeW(full.substr(0, 3).c_str());
    if (type != DRIVE_REMOVABLE && type != DRIVE_FIXED) Fail(msg::kOfflineDriveUnavailable);
    removable = type == DRIVE_REMOVABLE;
    if (HoldsCatalog(full)) return full;
    // The user may have chosen the key itself rather than its OrkvaneOffline folder.
    std::wstring nested = JoinPath(full, kOfflineFolderName);
    if (HoldsCatalog(nested)) return nested;
    Fail(msg::kOfflineNoCatalog);
}

UniqueHandle OpenOfflineFile(const std::wstring& path, DWORD extraAccess) {
    if (CrossesReparsePoint(path)) Fail(msg::kOfflineFileInaccessible);
    // Opens a link itself rather than its target, should one appear after the check.
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | extraAccess, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) Fail(msg::kOfflineFileInaccessible);
    const DWORD attributes = OpenFileAttributes(file.get());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        Fail(msg::kOfflineFileInaccessible);
    return file;
}

std::string ReadOpenOfflineFile(HANDLE file, unsigned long long limit) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > limit)
        Fail(msg::kOfflineFileTooLarge);
    unsigned long long total = static_cast<unsigned long long>(size.QuadPart);
    if (total == 0) return std::string();

    // One allocation of the exact size; the limit bounds it.
    std::string bytes(static_cast<size_t>(total), '\0');
    unsigned long long done = 0;
    while (done < total) {
        DWORD chunk = static_cast<DWORD>(std::min<unsigned long long>(total - done, kReadChunkBytes));
        DWORD read = 0;
        // A key pulled out shows as a failed read or a file that ends early.
        if (!ReadFile(file, bytes.data() + done, chunk, &read, nullptr) || read == 0)
            Fail(msg::kOfflineReadInterrupted);
        done += read;
    }
    return bytes;
}

std::string ReadOfflineFile(const std::wstring& path, unsigned long long limit) {
    UniqueHandle file = OpenOfflineFile(path);
    return ReadOpenOfflineFile(file.get(), limit);
}
