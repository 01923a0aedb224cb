#include "publisher/file_tree.h"

#include <windows.h>

#include "app/error.h"
#include "app/handles.h"
#include "app/messages.h"
#include "app/paths.h"

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

void RemoveTreeIfPresent(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    // A junction or symbolic link goes itself; what it points to stays.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            RemoveDirectoryW(path.c_str());
        else
            DeleteFileW(path.c_str());
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW data{};
    {
        UniqueFind find(FindFirstFileW(JoinPath(path, L"*").c_str(), &data));
        if (find) {
            do {
                std::wstring name = data.cFileName;
                if (name != L"." && name != L"..") RemoveTreeIfPresent(JoinPath(path, name));
            } while (FindNextFileW(find.get(), &data));
        }
    }  // the listing is closed before its folder goes
    RemoveDirectoryW(path.c_str());
}

void WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail(msg::kFileCreateFailed);
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        Fail(msg::kFileWriteFailed);
}
