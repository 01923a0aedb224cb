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

// Returns the result text.
std::wstring RunAction(const ToolOperationJob& job) {
    const ToolRequest& r = job.request;
    // Copies left running by an earlier update go once their tool has ended.
    CheckToolFileName(r);
    RemoveUnusedAsideFiles(GetAppsFolder(), r.name);
    switch (job.action) {
        case HitAction::Uninstall:
            UninstallTool(r);
            break;
        case HitAction::Launch:
            LaunchTool(r);
            break;
        case HitAction::RollBack:
            RollBackTool(r);
            break;
        case HitAction::Install: {
            FetchOptions options;
            if (job.window != nullptr) options.progress = MakeProgressPoster(job.window, job.serial);
            const InstalledTool installed = InstallTool(r, options);
            if (job.desktopShortcut) CreateShortcut(r.name, installed.path, r.description, true);
            if (job.menuShortcut) CreateShortcut(r.name, installed.path, r.description, false);
            if (installed.replacedWhileRunning) return r.name + Utf8ToWide(msg::kResultUpdatedForNextLaunch);
            break;
        }
    }
    return ResultText(job.action, r.name);
}

}  // namespace

std::unique_ptr<OperationResult> RunToolOperation(const ToolOperationJob& job) {
    auto result = std::make_unique<OperationResult>();
    result->appIndex = static_cast<long long>(job.appIndex);
    try {
        result->message = RunAction(job);
        result->ok = true;
    } catch (const std::exception& error) {
        result->error = ErrorText(error);
    }
    return result;
}

void RunToolOperationAndPost(const ToolOperationJob& job) {
    std::unique_ptr<OperationResult> result;
    {
        ScopedComApartment com;
        result = RunToolOperation(job);
    }
    PostResultOrDelete(job.window, WM_APP_OPERATION_DONE, std::move(result));
}
