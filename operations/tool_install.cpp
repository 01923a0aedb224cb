#include "operations/tool_install.h"

#include <windows.h>

#include "app/error.h"
#include "app/messages.h"
#include "app/own_files.h"
#include "app/paths.h"
#include "app/sha256.h"
#include "operations/tool_request_check.h"

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

    // Fetched beside the target, never in the temporary folder: the file
    // keeps the Apps folder's permissions, and the rename cannot cross volumes.
    VerifiedFile verified = FetchVerifiedBeside(request, appsFolder, options);
    if (!verified.MoveOver(target)) Fail(msg::kCopyToAppsFailed);
    return target;
}
