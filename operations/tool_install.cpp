#include "operations/tool_install.h"

#include <windows.h>

#include "base/error.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "base/tool_files.h"
#include "operations/previous_version.h"
#include "operations/tool_request_check.h"

std::wstring FetchToolExecutable(const ToolRequest& request, const std::wstring& folder, const FetchOptions& options) {
    return FetchVerified(request, folder, options).Keep();
}

InstalledTool InstallTool(const ToolRequest& request, const FetchOptions& options) {
    // The name becomes a path under Apps and a shortcut name: refuse a bad one
    // before even looking at an existing file.
    CheckToolFileName(request);
    // Not even a file already in place is accepted as that release.
    CheckNotWithdrawn(request);
    std::wstring appsFolder = GetAppsFolder();
    std::wstring target = JoinPath(appsFolder, request.exeName);
    CreateFolderPath(appsFolder);
    // The installed file's digest is recorded if it becomes the previous version.
    std::wstring installedDigest;
    if (FileExists(target)) {
        installedDigest = ComputeFileSha256(target, ProgressOrStop(options));
        if (request.sha256.empty() || Sha256Matches(installedDigest, request.sha256)) return {target, false};
    }

    // Fetched beside the target, never in the temporary folder: the file
    // keeps the Apps folder's permissions, and the rename cannot cross volumes.
    VerifiedFile verified = FetchVerifiedBeside(request, appsFolder, options);
    // The last moment a stop leaves everything as it was (the side file goes
    // with `verified`).
    options.cancel.ThrowIfRequested();
    const ToolFiles files = ToolFilesIn(appsFolder, request.name);
    const bool wasRunning = ReplaceKeepingPrevious(
        files, request.name,
        [&verified](const std::wstring& place) {
            if (!verified.MoveOver(place)) Fail(msg::kCopyToAppsFailed);
        },
        installedDigest, request.withdrawn);
    // The user chose the catalogue's file again.
    ForgetRollback(files);
    return {target, wasRunning};
}
