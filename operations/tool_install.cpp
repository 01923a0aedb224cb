#include "operations/tool_install.h"

#include <windows.h>

#include "app/error.h"
#include "app/file_blocks.h"
#include "app/handles.h"
#include "app/messages.h"
#include "app/own_files.h"
#include "app/paths.h"
#include "app/sha256.h"
#include "operations/tool_request_check.h"

namespace {

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
    ForEachFileBlock(source, msg::kCopyToAppsFailed, [dest](const char* data, DWORD size) {
        DWORD written = 0;
        if (!WriteFile(dest, data, size, &written, nullptr) || written != size) Fail(msg::kCopyToAppsFailed);
    });
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
    if (!MoveOverOwnFile(side, target)) Fail(msg::kCopyToAppsFailed);
    guard.keep();
}

}  // namespace

std::wstring FetchToolExecutable(const ToolRequest& request, const std::wstring& folder, const FetchOptions& options) {
    return FetchVerified(request, folder, options).Keep();
}

std::wstring InstallTool(const ToolRequest& request, const FetchOptions& options) {
    // The name becomes a path under Apps and a shortcut name: refuse a bad one
    // before even looking at an existing file.
    CheckToolFileName(request);
    std::wstring appsFolder = GetAppsFolder();
    std::wstring target = JoinPath(appsFolder, request.exeName);
    CreateFolderPath(appsFolder);
    if (FileExists(target) && FileMatchesSha256(target, request.sha256, options.progress)) return target;

    VerifiedFile verified = FetchVerified(request, GetTempFolder(), options);
    if (!verified.MoveOver(target)) CopyOver(verified, FreeFileName(appsFolder, request.exeName + L".nouveau"), target);
    return target;
}
