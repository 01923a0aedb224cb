#include "base/paths.h"

#include <shlobj.h>

#include <vector>

#include "base/constants.h"
#include "base/error.h"
#include "base/handles.h"
#include "base/messages.h"

namespace {

constexpr DWORD kPathBufferUnits = 32768;
constexpr int kMaxNumberedNames = 999;

}  // namespace

std::wstring GetOwnExePath() {
    std::vector<wchar_t> buffer(kPathBufferUnits);
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), kPathBufferUnits);
    if (length == 0 || length >= kPathBufferUnits) Fail(msg::kOwnPathNotFound);
    return std::wstring(buffer.data(), length);
}

std::wstring GetKnownFolder(const GUID& folderId) {
    CoTaskMemPtr<PWSTR> path;
    if (FAILED(SHGetKnownFolderPath(folderId, 0, nullptr, path.put())) || path.get() == nullptr)
        Fail(msg::kKnownFolderNotFound);
    return std::wstring(path.get());
}

std::wstring GetInstallFolder() { return JoinPath(GetKnownFolder(FOLDERID_LocalAppData), kInstallFolderName); }

std::wstring GetAppsFolder() { return JoinPath(GetInstallFolder(), kAppsFolderName); }

std::wstring GetInstalledExePath() { return JoinPath(GetInstallFolder(), kInstalledExeName); }

std::wstring JoinPath(const std::wstring& a, const std::wstring& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    if (a.back() == L'\\') return a + b;
    return a + L'\\' + b;
}

std::wstring ParentFolder(const std::wstring& path) {
    size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

std::wstring GetFullPath(const std::wstring& path) {
    std::vector<wchar_t> buffer(kPathBufferUnits);
    DWORD length = GetFullPathNameW(path.c_str(), kPathBufferUnits, buffer.data(), nullptr);
    if (length == 0 || length >= kPathBufferUnits) return path;
    return std::wstring(buffer.data(), length);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(GetFullPath(a).c_str(), GetFullPath(b).c_str()) == 0;
}

bool IsInstalledCopy() { return SamePath(GetOwnExePath(), GetInstalledExePath()); }

unsigned long long NowFileTime() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

bool FileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

DWORD OpenFileAttributes(HANDLE file) {
    // The basic information: every file system answers it, the FAT of a key
    // and a share included.
    FILE_BASIC_INFO info{};
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &info, sizeof(info))) return INVALID_FILE_ATTRIBUTES;
    return info.FileAttributes;
}

void CreateFolderPath(const std::wstring& path) {
    int result = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    if (result != ERROR_SUCCESS && result != ERROR_ALREADY_EXISTS && result != ERROR_FILE_EXISTS)
        Fail(msg::kFolderCreateFailed);
}

std::wstring GetTempFolder() {
    std::vector<wchar_t> buffer(kPathBufferUnits);
    DWORD length = GetTempPathW(kPathBufferUnits, buffer.data());
    if (length == 0 || length >= kPathBufferUnits) Fail(msg::kTempFolderNotFound);
    return std::wstring(buffer.data(), length);
}

std::wstring FreeFileName(const std::wstring& folder, const std::wstring& fileName) {
    std::wstring dest = JoinPath(folder, fileName);
    if (!FileExists(dest)) return dest;

    size_t nameStart = fileName.find_last_of(L"\\/");
    std::wstring leaf = nameStart == std::wstring::npos ? fileName : fileName.substr(nameStart + 1);
    std::wstring prefix = nameStart == std::wstring::npos ? L"" : fileName.substr(0, nameStart + 1);
    size_t dot = leaf.rfind(L'.');
    std::wstring stem = dot == std::wstring::npos ? leaf : leaf.substr(0, dot);
    std::wstring extension = dot == std::wstring::npos ? L"" : leaf.substr(dot);

    for (int i = 1; i <= kMaxNumberedNames; ++i) {
        std::wstring candidate = JoinPath(folder, prefix + stem + L"_" + std::to_wstring(i) + extension);
        if (!FileExists(candidate)) return candidate;
    }
    return JoinPath(folder, prefix + stem + L"_nouveau" + extension);
}
