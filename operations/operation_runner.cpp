#include "operations/operation_runner.h"

#include <windows.h>

#include <exception>
#include <system_error>
#include <thread>
#include <utility>

#include "app/constants.h"
#include "app/handles.h"
#include "app/messages.h"
#include "app/post_result.h"
#include "app/state.h"
#include "app/tool_action.h"
#include "catalog/catalog_model.h"
#include "catalog/utf8.h"
#include "operations/progress_post.h"
#include "operations/shell_ops.h"
#include "operations/tool_install.h"
#include "ui/list/card_layout.h"
#include "ui/list/list_scrolling.h"
#include "ui/message_box.h"
#include "ui/popup/update_popup.h"

namespace {

std::wstring ProgressText(HitAction action, const std::wstring& name) {
    const char* start = action == HitAction::Install     ? msg::kProgressInstall
                        : action == HitAction::Uninstall ? msg::kProgressUninstall
                                                         : msg::kProgressLaunch;
    return Utf8ToWide(start) + name + Utf8ToWide(msg::kProgressEnd);
}

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

void ToolOperationWorker(ToolOperationJob job) {
    std::unique_ptr<OperationResult> result;
    {
        ScopedComApartment com;
        result = RunToolOperation(job);
    }
    PostResultOrDelete(job.window, WM_APP_OPERATION_DONE, std::move(result));
}

void InvalidateMainWindow() { InvalidateRect(g_state.mainWindow, nullptr, FALSE); }

void ShowFailure(const std::wstring& error) {
    g_state.statusText = Utf8ToWide(msg::kOperationFailedPrefix) + error;
    ShowMessageBox(g_state.mainWindow, g_state.statusText, MB_ICONERROR | MB_OK);
    UpdateScrollMetrics();
    InvalidateMainWindow();
}

}  // namespace

// A message that is not UTF-8 (none of ours) still yields something to show.
std::wstring ErrorText(const std::exception& error) {
    try {
        return Utf8ToWide(error.what());
    } catch (const std::exception&) {
        return Utf8ToWide(msg::kUnknownError);
    }
}

void StartToolOperation(unsigned long long appIndex, HitAction action) {
    if (g_state.busy) return;
    if (appIndex >= g_state.apps.size()) return;
    if (action != HitAction::Uninstall && !g_state.installedMode) {
        g_state.statusText = Utf8ToWide(msg::kStatusPortableCatalogLoaded);
        InvalidateMainWindow();
        return;
    }

    ToolOperationJob job;
    job.window = g_state.mainWindow;
    job.appIndex = appIndex;
    job.action = action;
    job.request = MakeToolRequest(g_state.apps[appIndex]);
    g_state.busy = true;
    job.serial = ++g_state.operationSerial;
    g_state.operationProgress = OperationProgress{};
    job.desktopShortcut = g_state.settings.desktopShortcut;
    job.menuShortcut = g_state.settings.menuShortcut;
    g_state.statusText = ProgressText(action, job.request.name);
    InvalidateMainWindow();

    try {
        std::thread(ToolOperationWorker, std::move(job)).detach();
    } catch (const std::system_error&) {
        // No worker means no result message would ever clear busy.
        auto result = std::make_unique<OperationResult>();
        result->appIndex = static_cast<long long>(appIndex);
        result->error = Utf8ToWide(msg::kOperationStartFailed);
        ApplyOperationResult(std::move(result));
    }
}

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

void ApplyOperationResult(std::unique_ptr<OperationResult> result) {
    g_state.busy = false;
    ClearOperationProgress();
    if (!result) {
        ShowFailure(Utf8ToWide(msg::kUnknownError));
        return;
    }
    if (!result->ok) {
        ShowFailure(result->error);
        return;
    }
    g_state.statusText = result->message;
    if (result->appIndex >= 0 && static_cast<unsigned long long>(result->appIndex) < g_state.apps.size()) {
        RefreshInstalledState(g_state.apps[static_cast<size_t>(result->appIndex)], false);
    }
    if (g_state.popupWindow != nullptr) ShowUpdatePopup();
    if (result->closeMain) {
        DestroyWindow(g_state.mainWindow);
        return;
    }
    UpdateScrollMetrics();
    InvalidateMainWindow();
}
