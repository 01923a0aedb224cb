#include "ui/jobs/tool_operation.h"

#include <windows.h>

#include <string>
#include <utility>

#include "app/state.h"
#include "app/tool_refusal.h"
#include "base/messages.h"
#include "catalog/utf8.h"
#include "operations/operation_runner.h"
#include "operations/tool_request.h"
#include "ui/jobs/operation_start.h"
#include "ui/message_box.h"
#include "ui/repaint.h"

namespace {

std::wstring ProgressText(ToolAction action, const std::wstring& name) {
    return Utf8ToWide(TextOf(action).running) + name + Utf8ToWide(msg::kProgressEnd);
}

// Said as a failed operation is, though nothing was started.
void ShowRefusal(ToolRefusal refusal) {
    g_state.statusText = Utf8ToWide(msg::kOperationFailedPrefix) + Utf8ToWide(RefusalText(refusal));
    InvalidateMainWindow(g_state.mainWindow);
    ShowMessageBox(g_state.mainWindow, g_state.statusText, MB_ICONWARNING | MB_OK);
}

}  // namespace

void StartToolOperation(unsigned long long appIndex, ToolAction action) {
    if (g_state.busy) return;
    if (appIndex >= g_state.apps.size()) return;
    const ToolRefusal refusal = RefusalOf(g_state.apps[appIndex], action, g_state.policies);
    if (refusal != ToolRefusal::None) {
        ShowRefusal(refusal);
        return;
    }
    if (action != ToolAction::Uninstall && !g_state.installedMode) {
        g_state.statusText = Utf8ToWide(msg::kStatusPortableCatalogLoaded);
        InvalidateMainWindow(g_state.mainWindow);
        return;
    }
    StartToolJob(appIndex, action, ProgressText(action, g_state.apps[appIndex].name));
}

void StartToolJob(unsigned long long appIndex, ToolAction action, std::wstring status) {
    ToolOperationJob job;
    job.window = g_state.mainWindow;
    job.appIndex = appIndex;
    job.action = action;
    job.request = MakeToolRequest(g_state.apps[appIndex]);
    job.desktopShortcut = g_state.settings.desktopShortcut;
    job.menuShortcut = g_state.settings.menuShortcut;
    // Only an install downloads, copies or checks a file long enough to be stopped.
    const bool cancellable = action == ToolAction::Install;
    StartOperation(static_cast<long long>(appIndex), std::move(status), cancellable,
                   [job = std::move(job)](unsigned serial, CancelToken cancel) mutable {
                       job.serial = serial;
                       job.cancel = cancel;
                       RunToolOperationAndPost(job);
                   });
}
