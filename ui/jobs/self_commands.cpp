#include "ui/jobs/self_commands.h"

#include <windows.h>

#include <exception>
#include <string>

#include "app/policies.h"
#include "app/settings.h"
#include "app/state.h"
#include "base/constants.h"
#include "base/error.h"
#include "base/messages.h"
#include "base/operation_lock.h"
#include "base/own_files.h"
#include "base/paths.h"
#include "catalog/error_text.h"
#include "catalog/utf8.h"
#include "operations/deferred_command.h"
#include "operations/installed_apps_entries.h"
#include "operations/progress_post.h"
#include "operations/self_install.h"
#include "operations/self_management.h"
#include "operations/shell_ops.h"
#include "operations/tool_request.h"
#include "ui/header_model.h"
#include "ui/jobs/operation_start.h"
#include "ui/message_box.h"

namespace {

void ShowSelfError(const std::exception& error) {
    HWND owner = IsWindow(g_state.mainWindow) ? g_state.mainWindow : nullptr;
    ShowMessageBox(owner, ErrorText(error), MB_OK | MB_ICONERROR);
}

// What was done before a failure stays done: a copy without shortcuts is
// still a usable installed copy.
void InstallSelf() {
    try {
        std::wstring installed;
        {
            RequiredOperationLock lock(0);
            installed = InstallSelfFiles(g_state.settings.desktopShortcut, g_state.settings.menuShortcut);
        }
        // The installed copy starts first, so that when it cannot, this window
        // is still there to say so. It takes over as this copy closes (a
        // portable copy holds neither the mutex nor the installed property).
        LaunchFile(installed);
        DestroyWindow(g_state.mainWindow);
    } catch (const std::exception& error) {
        ShowSelfError(error);
    }
}

void RemoveSelf() {
    if (ShowMessageBox(g_state.mainWindow, Utf8ToWide(msg::kSelfUninstallQuestion), MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    // The question left the update popup clickable: an operation started
    // meanwhile must keep its window and its files.
    if (g_state.busy) return;
    try {
        // A command line changing the program's files now would race the script.
        RequiredOperationLock lock(0);
        // The files go once this process has ended; the script waits for it.
        RunDeferredCommand(BuildRemovalScript(GetCurrentProcessId(), OwnsSelfEntry()));
    } catch (const std::exception& error) {
        ShowSelfError(error);
        return;
    }
    // Autostart goes only once the removal is sure to follow, and so do the
    // tools' entries in Windows' list, whose uninstall commands run this program.
    SetAutostart(false);
    RemoveToolEntries();
    DestroyWindow(g_state.mainWindow);
}

}  // namespace

void InstallOrRemoveSelf() {
    if (g_state.busy) return;
    bool installed = false;
    try {
        installed = IsInstalledCopy();
    } catch (const std::exception& error) {
        ShowSelfError(error);
        return;
    }
    if (!installed)
        InstallSelf();
    else if (g_state.policies.Allows(PolicyId::SelfRemoval))
        RemoveSelf();
}

void StartToolboxUpdate() {
    if (g_state.busy || !g_state.policies.Allows(PolicyId::SelfUpdate)) return;
    if (g_state.selfIndex < 0 || static_cast<size_t>(g_state.selfIndex) >= g_state.apps.size()) return;
    ToolRequest request = MakeToolRequest(g_state.apps[static_cast<size_t>(g_state.selfIndex)]);
    HWND window = g_state.mainWindow;
    StartOperation(-1, Utf8ToWide(msg::kSelfUpdating), true, [window, request](unsigned serial, CancelToken cancel) {
        FetchOptions options;
        options.progress = MakeProgressPoster(window, serial);
        options.cancel = cancel;
        RunToolboxUpdate(window, request, options);
    });
}

void ClickSelfButton() {
    if (g_state.busy) return;
    switch (GetSelfButtonState()) {
    case SelfButtonState::Portable: InstallOrRemoveSelf(); break;
    case SelfButtonState::UpdateAvailable: StartToolboxUpdate(); break;
    case SelfButtonState::Current: break;
    }
}
