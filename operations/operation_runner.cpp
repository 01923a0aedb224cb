#include "operations/operation_runner.h"

#include <windows.h>

#include <exception>
#include <utility>

#include "app/constants.h"
#include "app/handles.h"
#include "app/messages.h"
#include "app/paths.h"
#include "app/post_result.h"
#include "app/tool_action.h"
#include "app/tool_files.h"
#include "catalog/catalog_model.h"
#include "catalog/error_text.h"
#include "catalog/utf8.h"
#include "operations/previous_version.h"
#include "operations/progress_post.h"
#include "operations/running_tool.h"
#include "operations/shell_ops.h"
#include "operations/tool_install.h"
#include "operations/tool_request_check.h"

namespace {

std::wstring ResultText(HitAction action, const std::wstring& name) {
    const char* end = action == HitAction::Install     ? msg::kResultInstalled
                      : action == HitAction::Uninstall ? msg::kResultUninstalled
                      : action == HitAction::RollBack  ? msg::kResultRolledBack
                                                       : msg::kResultLaunched;
    return name + Utf8ToWide(end);
}

// What a job did: the status line's text and the tool's file as it left it.
struct ActionOutcome {
    std::wstring message;
    ToolState state;
};

KeptVersions KeptVersionsOf(const ToolRequest& request) {
    return ReadKeptVersions(ToolFilesIn(GetAppsFolder(), request.name));
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
    case HitAction::Uninstall: UninstallTool(r); return {done, ToolState{}};
    case HitAction::Launch: LaunchTool(r); return {done, CurrentToolState(r)};
    case HitAction::RollBack: RollBackTool(r); return {done, CurrentToolState(r)};
    case HitAction::Install: {
        FetchOptions options;
        if (job.window != nullptr) options.progress = MakeProgressPoster(job.window, job.serial);
        options.cancel = job.cancel;
        const InstalledTool installed = InstallTool(r, options);
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
        ActionOutcome outcome = RunAction(job);
        result->message = std::move(outcome.message);
        result->toolState = std::move(outcome.state);
        result->ok = true;
    } catch (const std::exception& error) {
        result->error = ErrorText(error);
        if (IsCancellation(error)) MarkCancelled(*result, job.request.name);
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
