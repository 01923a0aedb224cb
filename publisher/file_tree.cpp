#include "publisher/file_tree.h"

#include <windows.h>
#include <winternl.h>

#include <string>
#include <vector>

#include "base/error.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/paths.h"

bool IsFolder(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsNonEmptyFolderOrFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return true;
    WIN32_FIND_DATAW data{};
    UniqueFind find(FindFirstFileW(JoinPath(path, L"*").c_str(), &data));
    if (!find) return false;
    bool any = false;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") any = true;
    } while (!any && FindNextFileW(find.get(), &data));
    return any;
}

namespace {

// Every entry is opened with delete access and without delete sharing: while
// it is open nobody can rename it away and put a link in its place.
constexpr ACCESS_MASK kRemovalAccess = DELETE | SYNCHRONIZE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES |
                                       FILE_WRITE_ATTRIBUTES;
constexpr DWORD kRemovalSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
// NtOpenFile options: the entry itself when it is a link, not what it points
// to; folders too; plain synchronous handles.
constexpr ULONG kOpenReparsePoint = 0x00200000;
constexpr ULONG kOpenForBackupIntent = 0x00004000;
constexpr ULONG kSynchronousIo = 0x00000020;
constexpr DWORD kListingBytes = 64 * 1024;

// Opens `name` inside the open folder itself, never through a path that
// would be looked up again.
UniqueHandle OpenInFolder(HANDLE folder, const std::wstring& name) {
    UNICODE_STRING text{};
    text.Buffer = const_cast<PWSTR>(name.c_str());
    text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES object{};
    InitializeObjectAttributes(&object, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK status{};
    HANDLE opened = nullptr;
    if (NtOpenFile(&opened, kRemovalAccess, &object, &status, kRemovalSharing,
                   kOpenReparsePoint | kOpenForBackupIntent | kSynchronousIo) < 0)
        return UniqueHandle();
    return UniqueHandle(opened);
}

struct ListedEntry {
    std::wstring name;
    unsigned long long id = 0;  // 0 where the file system has none
    DWORD attributes = 0;
};

// The entries of an open folder, read from its handle.
std::vector<ListedEntry> EntriesOf(HANDLE folder) {
    std::vector<ListedEntry> entries;
    // 8-byte aligned, as the records are.
    std::vector<unsigned long long> buffer(kListingBytes / sizeof(unsigned long long));
    FILE_INFO_BY_HANDLE_CLASS listing = FileIdBothDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(folder, listing, buffer.data(), kListingBytes)) {
        listing = FileIdBothDirectoryInfo;
        const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
        for (;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes);
            std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..")
                entries.push_back(
                    {std::move(name), static_cast<unsigned long long>(entry->FileId.QuadPart), entry->FileAttributes});
            if (entry->NextEntryOffset == 0) break;
            bytes += entry->NextEntryOffset;
        }
    }
    return entries;
}

unsigned long long FileIdOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

// Deletes what the handle holds once it is closed; a read-only entry is made
// writable first, as delete requires.
void MarkForDeletion(HANDLE entry, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = attributes & ~FILE_ATTRIBUTE_READONLY;
        if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(entry, FileBasicInfo, &basic, sizeof(basic));
    }
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    SetFileInformationByHandle(entry, FileDispositionInfo, &disposition, sizeof(disposition));
}

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Removes an open entry and, for a real folder, everything in it, each entry
// opened from its folder's handle. A junction or symbolic link goes itself;
// what it points to stays.
void RemoveOpenEntry(HANDLE entry, const BY_HANDLE_FILE_INFORMATION& info) {
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsLink(info.dwFileAttributes)) {
        for (const ListedEntry& listed : EntriesOf(entry)) {
            UniqueHandle child = OpenInFolder(entry, listed.name);
            BY_HANDLE_FILE_INFORMATION childInfo{};
            if (!child || !GetFileInformationByHandle(child.get(), &childInfo)) continue;
            // Left alone: another entry put under that name since the listing,
            // and a link that the open went through instead of opening it.
            if (listed.id != 0 && FileIdOf(childInfo) != listed.id) continue;
            if (IsLink(listed.attributes) && !IsLink(childInfo.dwFileAttributes)) continue;
            RemoveOpenEntry(child.get(), childInfo);
        }
    }
    MarkForDeletion(entry, info.dwFileAttributes);
}

}  // namespace

void RemoveTreeIfPresent(const std::wstring& path) {
    UniqueHandle top(CreateFileW(path.c_str(), kRemovalAccess, kRemovalSharing, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!top || !GetFileInformationByHandle(top.get(), &info)) return;
    if (IsLink(GetFileAttributesW(path.c_str())) && !IsLink(info.dwFileAttributes)) return;
    RemoveOpenEntry(top.get(), info);
}

void WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail(msg::kFileCreateFailed);
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        Fail(msg::kFileWriteFailed);
}
