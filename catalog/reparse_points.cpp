#include "catalog/reparse_points.h"

#include <windows.h>

#include "base/paths.h"

namespace {

// "X:\" and anything shorter: the volume itself.
constexpr size_t kDriveRootLength = 3;

}  // namespace

bool CrossesReparsePoint(const std::wstring& path) {
    const std::wstring full = GetFullPath(path);
    size_t end = full.find(L'\\', kDriveRootLength);
    for (;;) {
        const std::wstring part = full.substr(0, end);
        // Reports the link itself, never what it points to.
        DWORD attributes = GetFileAttributesW(part.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            // Nothing further exists: the caller's own open fails in its own words.
            DWORD error = GetLastError();
            return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
        }
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return true;
        if (end == std::wstring::npos) return false;
        end = full.find(L'\\', end + 1);
    }
}
