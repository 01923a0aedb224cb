#include "ui/jobs/operation_apply.h"

#include <windows.h>

#include <string>
#include <utility>

#include "app/state.h"
#include "base/messages.h"
#include "catalog/catalog_model.h"
#include "catalog/error_text.h"
#include "catalog/utf8.h"
#include "operations/operation_runner.h"
#include "ui/header_model.h"
#include "ui/jobs/automatic_updates.h"
#include "ui/jobs/catalog_start.h"
#include "ui/jobs/progress_apply.h"
#include "ui/jobs/required_installs.h"
#include "ui/list/list_scrolling.h"
#include "ui/message_box.h"
#include "ui/repaint.h"
#include "ui/upward_calls.h"

namespace {

// An automatic update fails without a box: nobody may be at the PC, and the
// round's summary says it at the end.
void ShowFailure(const std::wstring& error, bool automatic) {
    g_state.statusText = Utf8ToWide(msg::kOperationFailedPrefix) + error;
    if (!automatic) ShowMessageBox(g_state.mainWindow, g_state.statusText, MB_ICONERROR | MB_OK);
    UpdateScrollMetrics();
    InvalidateMainWindow(g_state.mainWindow);
    RefreshAppsChangedOutside();
}


// The tool's files as the job left them; a failed job may send them too.
void ApplyToolState(const OperationResult& result) {
    if (!result.toolState || result.appIndex < 0 ||
        static_cast<unsigned long long>(result.appIndex) >= g_state.apps.size())
        return;
    CatalogApp& app = g_state.apps[static_cast<size_t>(result.appIndex)];
    app.installed = result.toolState->installed;
    app.updateAvailable = result.toolState->updateAvailable;
    app.kept = result.toolState->kept;
}

// Nobody clicked for a required tool's install: its failure is told in the
// status line only, and the next load tries again.
void ShowRequiredFailure(const OperationResult& result) {
    std::wstring name;
    if (result.appIndex >= 0 && static_cast<unsigned long long>(result.appIndex) < g_state.apps.size())
        name = g_state.apps[static_cast<size_t>(result.appIndex)].name;
    g_state.statusText = Utf8ToWide(msg::kProgressInstall) + name + Utf8ToWide(msg::kRequiredInstallFailed) +
                         result.error;
    UpdateScrollMetrics();
    InvalidateMainWindow(g_state.mainWindow);
    RefreshAppsChangedOutside();
}

// Whose operation it was: the user's, a round of automatic updates, or the
// install of a tool the organisation requires.
enum class Origin { User, Automatic, Required };

void ApplyResult(std::unique_ptr<OperationResult> result, Origin origin) {
    g_state.busy = false;
    const bool automatic = origin != Origin::User;
    g_state.operationCancellable = false;
    g_state.cancelRequested = false;
    // "Annuler" goes with the operation; its focus must not come back with
    // the next one, neither now nor when the focus leaves the credit link.
    for (KeyboardFocus* focus : {&g_state.keyboardFocus, &g_state.focusBeforeLink}) {
        if (focus->element == WindowElement::CancelButton) *focus = {HeaderFocusStops().front(), {}};
    }
    ClearOperationProgress();
    if (!result) {
        ShowFailure(UnknownErrorText(), automatic);
        return;
    }
    if (result->cancelled) {
        // The user asked for it: said in the status line, without a box.
        // Nothing changed on disk, so neither does the card.
        g_state.statusText = result->message;
        UpdateScrollMetrics();
        InvalidateMainWindow(g_state.mainWindow);
        RefreshAppsChangedOutside();
        return;
    }
    ApplyToolState(*result);
    if (!result->ok) {
        if (origin == Origin::Required)
            ShowRequiredFailure(*result);
        else
            ShowFailure(result->error, automatic);
        return;
    }
    g_state.statusText = result->message;
    if (g_state.popupWindow != nullptr) Upward().showUpdatePopup();
    if (result->closeMain) {
        DestroyWindow(g_state.mainWindow);
        return;
    }
    UpdateScrollMetrics();
    InvalidateMainWindow(g_state.mainWindow);
    // A command line's change that came in while this operation ran.
    RefreshAppsChangedOutside();
}

}  // namespace

void ApplyOperationResult(std::unique_ptr<OperationResult> result) {
    const bool automatic = TakeAutomaticUpdateResult(result.get());
    const bool required = std::exchange(g_state.requiredInstallRunning, false);
    const bool closing = result && result->ok && result->closeMain;
    // "Annuler" on a required tool's install stops the others too, until the next load.
    if (required && result && result->cancelled) g_state.requiredQueue.clear();
    ApplyResult(std::move(result), required ? Origin::Required : automatic ? Origin::Automatic : Origin::User);
    if (closing) return;
    // What is left of the required tools first, then of a round of automatic
    // updates; each waits while the other's operation runs.
    StartNextRequiredTool();
    ContinueAutomaticUpdates();
}
