#include "operations/operation_runner.h"

#include <windows.h>

#include <exception>
#include <utility>

#include "base/constants.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/operation_lock.h"
#include "base/paths.h"
#include "base/post_result.h"
#include "base/tool_action.h"
#include "base/tool_files.h"
#include "catalog/catalog_model.h"
#include "catalog/error_text.h"
#include "catalog/utf8.h"
#include "operations/installed_apps_entries.h"
#include "operations/previous_version.h"
#include "operations/progress_post.h"
#include "operations/running_tool.h"
#include "operations/shell_ops.h"
#include "operations/tool_install.h"
#include "operations/tool_request_check.h"

namespace {

std::wstring ResultText(ToolAction action, const std::wstring& name) { return name + Utf8ToWide(TextOf(action).done); }

// What a job did: the status line's text and the tool's file as it left it.
struct ActionOutcome {
    std::wstring message;
    ToolState state;
};

KeptVersions KeptVersionsOf(const ToolRequest& request) {
    return ReadKeptVersions(ToolFilesIn(GetAppsFolder(), request.name), request.withdrawn);
}

// The tool's file as it lies now, after a job that kept it installed.
ToolState CurrentToolState(const ToolRequest& request) {
    // The file may have changed since the catalogue was read.
    return ToolState{true, InstalledFileNeedsUpdate(InstalledToolPath(request), request.sha256),
                     KeptVersionsOf(request)};
}

ActionOutcome RunAction(const ToolOperationJob& job) {
    const ToolRequest& r = job.request;
    // Copies left running by an earlier update go once their tool has ended.
    CheckToolFileName(r);
    RemoveUnusedAsideFiles(GetAppsFolder(), r.name);
    const std::wstring done = ResultText(job.action, r.name);
    switch (job.action) {
    case ToolAction::Uninstall:
        UninstallTool(r);
        RemoveToolEntry(r.name);
        return {done, ToolState{}};
    case ToolAction::Launch: LaunchTool(r); return {done, CurrentToolState(r)};
    case ToolAction::RollBack: {
        RollBackTool(r);
        RecordToolRolledBack(r, FileExists(ToolFilesIn(GetAppsFolder(), r.name).previous));
        return {done, CurrentToolState(r)};
    }
    case ToolAction::Install: {
        FetchOptions options;
        if (job.window != nullptr) options.progress = MakeProgressPoster(job.window, job.serial);
        options.cancel = job.cancel;
        // A new digest beside the kept file means the replaced file was kept.
        const std::wstring keptDigest = ToolFilesIn(GetAppsFolder(), r.name).previousDigest;
        const std::wstring keptBefore = ReadDigestFile(keptDigest);
        const InstalledTool installed = InstallTool(r, options);
        const std::wstring keptAfter = ReadDigestFile(keptDigest);
        RecordToolInstalled(r, !keptAfter.empty() && keptAfter != keptBefore);
        if (job.desktopShortcut) CreateShortcut(r.name, installed.path, r.description, true);
        if (job.menuShortcut) CreateShortcut(r.name, installed.path, r.description, false);
        // The installed file is the one just checked against the digest.
        const ToolState state{true, false, KeptVersionsOf(r)};
        if (installed.replacedWhileRunning) return {r.name + Utf8ToWide(msg::kResultUpdatedForNextLaunch), state};
        return {done, state};
    }
    }
    return {done, ToolState{}};
}

}  // namespace

void MarkCancelled(OperationResult& result, const std::wstring& name) {
    result.ok = false;
    result.closeMain = false;
    result.cancelled = true;
    result.error.clear();
    result.message = name + Utf8ToWide(msg::kOperationCancelled);
}

std::unique_ptr<OperationResult> RunToolOperation(const ToolOperationJob& job) {
    auto result = std::make_unique<OperationResult>();
    result->appIndex = static_cast<long long>(job.appIndex);
    try {
        RequiredOperationLock lock(job.lockWaitMs);
        ActionOutcome outcome = RunAction(job);
        result->message = std::move(outcome.message);
        result->toolState = std::move(outcome.state);
        result->ok = true;
    } catch (const std::exception& error) {
        result->error = ErrorText(error);
        if (IsCancellation(error)) MarkCancelled(*result, job.request.name);
        // A refused rollback deletes a kept file that failed its check: the
        // card must stop offering it.
        if (job.action == ToolAction::RollBack) {
            try {
                result->toolState = CurrentToolState(job.request);
            } catch (const std::exception&) {
            }
        }
    }
    return result;
}

void RunToolOperationAndPost(const ToolOperationJob& job) {
    std::unique_ptr<OperationResult> result;
    {
        ScopedComApartment com;
        result = RunToolOperation(job);
    }
    DeliverJobResult(job.window, WM_APP_OPERATION_DONE, std::move(result));
}
