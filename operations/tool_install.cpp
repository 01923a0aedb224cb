#include "operations/tool_install.h"

#include <windows.h>

#include <vector>

#include "app/error.h"
#include "app/handles.h"
#include "app/messages.h"
#include "app/paths.h"
#include "app/sha256.h"
#include "app/tool_files.h"
#include "operations/previous_version.h"
#include "operations/tool_request_check.h"

namespace {

constexpr DWORD kCopyBlockSize = 1 << 20;

// Deletes the file unless it was placed.
class SideFileGuard {
public:
    explicit SideFileGuard(std::wstring path) : path_(std::move(path)) {}
    ~SideFileGuard() {
        if (!kept_) DeleteFileW(path_.c_str());
    }
    SideFileGuard(const SideFileGuard&) = delete;
    SideFileGuard& operator=(const SideFileGuard&) = delete;
    void keep() { kept_ = true; }

private:
    std::wstring path_;
    bool kept_ = false;
};

void CopyOpenFile(HANDLE source, HANDLE dest) {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(source, start, nullptr, FILE_BEGIN)) Fail(msg::kCopyToAppsFailed);
    std::vector<char> buffer(kCopyBlockSize);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source, buffer.data(), kCopyBlockSize, &read, nullptr)) Fail(msg::kCopyToAppsFailed);
        if (read == 0) break;
        DWORD written = 0;
        if (!WriteFile(dest, buffer.data(), read, &written, nullptr) || written != read) Fail(msg::kCopyToAppsFailed);
    }
}

// When the verified file cannot simply be renamed into place (another
// volume): copy it from its open handle into a side name beside the target,
// then rename that over the target, so the installed file is never half
// written.
void CopyOver(const VerifiedFile& verified, const std::wstring& side, const std::wstring& target) {
    UniqueHandle file(
        CreateFileW(side.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail(msg::kCopyToAppsFailed);
    SideFileGuard guard(side);
    CopyOpenFile(verified.handle(), file.get());
    file.reset();
    if (!MoveFileExW(side.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        Fail(msg::kCopyToAppsFailed);
    guard.keep();
}

}  // namespace

std::wstring FetchToolExecutable(const ToolRequest& request, const std::wstring& folder, const FetchOptions& options) {
    return FetchVerified(request, folder, options).Keep();
}

InstalledTool InstallTool(const ToolRequest& request, const FetchOptions& options) {
    // The name becomes a path under Apps and a shortcut name: refuse a bad one
    // before even looking at an existing file.
    CheckToolFileName(request);
    std::wstring appsFolder = GetAppsFolder();
    std::wstring target = JoinPath(appsFolder, request.exeName);
    CreateFolderPath(appsFolder);
    if (FileExists(target)) {
        HashProgress hashed;
        if (options.progress) {
            hashed = [&options](unsigned long long done, unsigned long long total) {
                options.progress(done, static_cast<long long>(total));
            };
        }
        if (FileMatchesSha256(target, request.sha256, hashed)) return {target, false};
    }

    VerifiedFile verified = FetchVerified(request, GetTempFolder(), options);
    const ToolFiles files = ToolFilesIn(appsFolder, request.name);
    const bool wasRunning = ReplaceKeepingPrevious(files, request.name, [&](const std::wstring& place) {
        if (!verified.MoveOver(place)) CopyOver(verified, FreeFileName(appsFolder, request.exeName + L".nouveau"), place);
    });
    // The user chose the catalogue's file again.
    ForgetRollback(files);
    return {target, wasRunning};
}
