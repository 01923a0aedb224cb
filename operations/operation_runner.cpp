#include "operations/operation_runner.h"

#include <windows.h>

#include <exception>
#include <utility>

#include "app/constants.h"
#include "app/handles.h"
#include "app/messages.h"
#include "app/post_result.h"
#include "app/tool_action.h"
#include "catalog/error_text.h"
#include "catalog/utf8.h"
#include "operations/progress_post.h"
#include "operations/shell_ops.h"
#include "operations/tool_install.h"

namespace {

std::wstring ResultText(HitAction action, const std::wstring& name) {
    const char* end = action == HitAction::Install     ? msg::kResultInstalled
                      : action == HitAction::Uninstall ? msg::kResultUninstalled
                                                       : msg::kResultLaunched;
    return name + Utf8ToWide(end);
}

void RunAction(const ToolOperationJob& job) {
    switch (job.action) {
        case HitAction::Uninstall:
            UninstallTool(job.request);
            break;
        case HitAction::Launch:
            LaunchTool(job.request);
            break;
        case HitAction::Install: {
            FetchOptions options;
            if (job.window != nullptr) options.progress = MakeProgressPoster(job.window, job.serial);
            std::wstring target = InstallTool(job.request, options);
            const ToolRequest& r = job.request;
            if (job.desktopShortcut) CreateShortcut(r.name, target, r.description, true);
            if (job.menuShortcut) CreateShortcut(r.name, target, r.description, false);
            break;
        }
    }
}

}  // namespace

std::unique_ptr<OperationResult> RunToolOperation(const ToolOperationJob& job) {
    auto result = std::make_unique<OperationResult>();
    result->appIndex = static_cast<long long>(job.appIndex);
    try {
        RunAction(job);
        result->message = ResultText(job.action, job.request.name);
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
    DeliverJobResult(job.window, WM_APP_OPERATION_DONE, std::move(result));
}
