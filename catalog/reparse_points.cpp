#include "catalog/reparse_points.h"

#include <windows.h>

#include "base/handles.h"
#include "base/paths.h"

namespace {

// "X:\" and anything shorter: the volume itself.
constexpr size_t kDriveRootLength = 3;

// Where the examined parts begin: after "X:\", or after "\\server\share\".
// Zero for any other form (a device path), which is not examined at all.
size_t RootLength(const std::wstring& full) {
    if (full.size() >= kDriveRootLength && full[1] == L':' && full[2] == L'\\') return kDriveRootLength;
    if (full.size() < 2 || full[0] != L'\\' || full[1] != L'\\') return 0;
    size_t server = full.find(L'\\', 2);
    if (server == std::wstring::npos || server == 2) return 0;
    size_t share = full.find(L'\\', server + 1);
    if (share == server + 1) return 0;
    return share == std::wstring::npos ? full.size() : share + 1;
}

// A DFS link, as the share's listing tags it.
bool IsDfsLink(const std::wstring& part) {
    WIN32_FIND_DATAW data{};
    UniqueFind find(FindFirstFileW(part.c_str(), &data));
    return find && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           data.dwReserved0 == IO_REPARSE_TAG_DFS;
}

}  // namespace

bool CrossesReparsePoint(const std::wstring& path) {
    const std::wstring full = GetFullPath(path);
    const size_t root = RootLength(full);
    if (root == 0) return true;
    const bool onShare = full[0] == L'\\';
    if (root >= full.size()) return false;
    size_t end = full.find(L'\\', root);
    for (;;) {
        const std::wstring part = full.substr(0, end);
        // Reports the link itself, never what it points to.
        DWORD attributes = GetFileAttributesW(part.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            // Nothing further exists: the caller's own open fails in its own words.
            DWORD error = GetLastError();
            return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
        }
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && !(onShare && IsDfsLink(part))) return true;
        if (end == std::wstring::npos) return false;
        end = full.find(L'\\', end + 1);
    }
}
