#include "operations/tool_install.h"

#include <windows.h>

#include "app/error.h"
#include "app/messages.h"
#include "app/paths.h"
#include "app/sha256.h"
#include "app/tool_files.h"
#include "operations/previous_version.h"
#include "operations/tool_request_check.h"

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
    if (FileExists(target) && FileMatchesSha256(target, request.sha256, ProgressOrStop(options)))
        return {target, false};

    // Fetched beside the target, never in the temporary folder: the file
    // keeps the Apps folder's permissions, and the rename cannot cross volumes.
    VerifiedFile verified = FetchVerifiedBeside(request, appsFolder, options);
    // The last moment a stop leaves everything as it was (the side file goes
    // with `verified`).
    options.cancel.ThrowIfRequested();
    const ToolFiles files = ToolFilesIn(appsFolder, request.name);
    const bool wasRunning = ReplaceKeepingPrevious(files, request.name, [&verified](const std::wstring& place) {
        if (!verified.MoveOver(place)) Fail(msg::kCopyToAppsFailed);
    });
    // The user chose the catalogue's file again.
    ForgetRollback(files);
    return {target, wasRunning};
}
