#include "ui/jobs/tool_operation.h"

#include <windows.h>

#include <string>
#include <utility>

#include "app/messages.h"
#include "app/state.h"
#include "catalog/utf8.h"
#include "operations/operation_runner.h"
#include "operations/tool_request.h"
#include "ui/jobs/operation_start.h"

namespace {

std::wstring ProgressText(HitAction action, const std::wstring& name) {
    const char* start = action == HitAction::Install     ? msg::kProgressInstall
                        : action == HitAction::Uninstall ? msg::kProgressUninstall
                        : action == HitAction::RollBack  ? msg::kProgressRollBack
                                                         : msg::kProgressLaunch;
    return Utf8ToWide(start) + name + Utf8ToWide(msg::kProgressEnd);
}

}  // namespace

void StartToolOperation(unsigned long long appIndex, HitAction action) {
    if (g_state.busy) return;
    if (appIndex >= g_state.apps.size()) return;
    if (action != HitAction::Uninstall && !g_state.installedMode) {
        g_state.statusText = Utf8ToWide(msg::kStatusPortableCatalogLoaded);
        InvalidateRect(g_state.mainWindow, nullptr, FALSE);
        return;
    }

    ToolOperationJob job;
    job.window = g_state.mainWindow;
    job.appIndex = appIndex;
    job.action = action;
    job.request = MakeToolRequest(g_state.apps[appIndex]);
    job.desktopShortcut = g_state.settings.desktopShortcut;
    job.menuShortcut = g_state.settings.menuShortcut;
    std::wstring status = ProgressText(action, job.request.name);
    // Only an install downloads, copies or checks a file long enough to be stopped.
    const bool cancellable = action == HitAction::Install;
    StartOperation(static_cast<long long>(appIndex), std::move(status), cancellable,
                   [job = std::move(job)](unsigned serial, CancelToken cancel) mutable {
                       job.serial = serial;
                       job.cancel = cancel;
                       RunToolOperationAndPost(job);
                   });
}
