#include "catalog/share_source.h"

#include <windows.h>

#include <vector>

#include "base/error.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/user_access.h"
#include "catalog/offline_source.h"
#include "catalog/reparse_points.h"

namespace {

constexpr DWORD kPathBufferUnits = 32768;
constexpr wchar_t kCatalogFileName[] = L"catalog.json";
constexpr wchar_t kLongUncPrefix[] = L"\\\\?\\UNC\\";
constexpr size_t kLongUncPrefixLength = 8;

bool StartsWithIgnoringCase(const std::wstring& text, const wchar_t* prefix, size_t length) {
    return text.size() >= length && CompareStringOrdinal(text.c_str(), static_cast<int>(length), prefix,
                                                         static_cast<int>(length), TRUE) == CSTR_EQUAL;
}

// Where the share's own folders end: the length of "\\server\share", or 0
// when the path has no server or no share.
size_t ShareRootLength(const std::wstring& full) {
    if (full.size() < 3 || full[0] != L'\\' || full[1] != L'\\') return 0;
    size_t server = full.find(L'\\', 2);
    if (server == std::wstring::npos || server == 2) return 0;
    size_t share = full.find(L'\\', server + 1);
    if (share == server + 1 || server + 1 == full.size()) return 0;
    return share == std::wstring::npos ? full.size() : share;
}

// "\\server\share\folder" from what an administrator may write: forward
// slashes, the long form \\?\UNC\, "." and "..". Device paths (\\.\, and
// \\?\ in any other form) lead elsewhere than a share and are refused.
std::wstring FullSharePath(const std::wstring& path) {
    std::wstring text = path;
    for (wchar_t& ch : text)
        if (ch == L'/') ch = L'\\';
    if (StartsWithIgnoringCase(text, kLongUncPrefix, kLongUncPrefixLength))
        text = L"\\\\" + text.substr(kLongUncPrefixLength);
    auto isDevicePath = [](const std::wstring& candidate) {
        return candidate.size() >= 4 && (candidate[2] == L'?' || candidate[2] == L'.') && candidate[3] == L'\\';
    };
    if (text.size() < 2 || text[0] != L'\\' || text[1] != L'\\' || isDevicePath(text)) Fail(msg::kShareRootInvalid);
    std::vector<wchar_t> buffer(kPathBufferUnits);
    DWORD length = GetFullPathNameW(text.c_str(), kPathBufferUnits, buffer.data(), nullptr);
    if (length == 0 || length >= kPathBufferUnits) Fail(msg::kShareRootInvalid);
    std::wstring full(buffer.data(), length);
    if (isDevicePath(full) || ShareRootLength(full) == 0) Fail(msg::kShareRootInvalid);
    return full;
}

bool HoldsCatalog(const std::wstring& folder) {
    const std::wstring catalog = JoinPath(folder, kCatalogFileName);
    return !CrossesReparsePoint(catalog) && FileExists(catalog);
}

// The folders from the share's root down to the one holding `root`.
std::vector<std::wstring> FoldersAbove(const std::wstring& root) {
    std::wstring trimmed = root;
    while (trimmed.size() > 1 && trimmed.back() == L'\\') trimmed.pop_back();
    std::vector<std::wstring> folders;
    for (size_t end = ShareRootLength(trimmed); end != std::wstring::npos && end < trimmed.size();
         end = trimmed.find(L'\\', end + 1))
        folders.push_back(trimmed.substr(0, end));
    return folders;
}

// Whoever may rename a folder above the mirror may put another in its place:
// the share's own root cannot be renamed, the folders below it can.
void CheckUserCannotReplace(const std::wstring& root) {
    const std::vector<std::wstring> above = FoldersAbove(root);
    for (size_t i = 0; i < above.size(); ++i) {
        const ACCESS_MASK replacing = FILE_DELETE_CHILD | (i == 0 ? 0 : DELETE);
        if (CurrentUserHoldsAnyOn(above[i], replacing)) Fail(msg::kShareWritableByUser);
    }
    if (CurrentUserHoldsAnyOn(root, kChangeRights) ||
        CurrentUserHoldsAnyOn(JoinPath(root, kCatalogFileName), kChangeRights))
        Fail(msg::kShareWritableByUser);
}

}  // namespace

bool IsSharePath(const std::wstring& path) {
    return path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
}

std::wstring ValidateShareRoot(const std::wstring& path) {
    const std::wstring full = FullSharePath(path);
    for (const std::wstring& candidate : {full, JoinPath(full, kOfflineFolderName)}) {
        if (!HoldsCatalog(candidate)) continue;
        CheckUserCannotReplace(candidate);
        return candidate;
    }
    Fail(msg::kShareNoCatalog);
}

std::string ReadShareCatalog(const std::wstring& root, unsigned long long limit) {
    // Listing access takes part in sharing: while this handle lives, nobody
    // can open the folder to rename or delete it.
    UniqueHandle folder(CreateFileW(root.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) Fail(msg::kShareNoCatalog);
    if (CurrentUserHoldsAnyOn(folder.get(), kChangeRights)) Fail(msg::kShareWritableByUser);
    UniqueHandle file = OpenOfflineFile(JoinPath(root, kCatalogFileName), READ_CONTROL);
    if (CurrentUserHoldsAnyOn(file.get(), kChangeRights)) Fail(msg::kShareWritableByUser);
    return ReadOpenOfflineFile(file.get(), limit);
}
