#include "ui/jobs/catalog_start.h"

#include <windows.h>

#include "app/catalog_serial.h"
#include "app/policies.h"
#include "app/settings.h"
#include "app/state.h"
#include "app/update_hours.h"
#include "base/constants.h"
#include "base/messages.h"
#include "base/paths.h"
#include "catalog/catalog_keys.h"
#include "catalog/catalog_load.h"
#include "catalog/utf8.h"
#include "ui/jobs/automatic_updates.h"
#include "ui/jobs/icon_jobs.h"
#include "ui/jobs/worker_start.h"
#include "ui/repaint.h"
#include "ui/upward_calls.h"

void StartCatalogLoad(bool automatic) {
    if (g_state.busy) return;
    g_state.busy = true;
    if (!automatic) g_state.statusText = Utf8ToWide(msg::kStatusLoading);
    g_state.settings.lastCheck = NowFileTime();
    SaveSettings();
    InvalidateMainWindow(g_state.mainWindow);

    CatalogLoadJob job;
    job.window = g_state.mainWindow;
    job.automatic = automatic;
    job.offline = g_state.settings.offlineMode;
    job.offlineRoot = g_state.settings.offlineRoot;
    job.offlineRootImposed = g_state.policies.Forces(PolicyId::OfflineRoot);
    job.fixedDiskAllowed = g_state.policies.Allows(PolicyId::AllowFixedDiskOffline);
    job.signingKeys = CatalogSigningKeys();
    job.highestSerial = HighestCatalogSerial(job.offline);
    if (!StartWorker([job] { RunCatalogWorker(job); })) {
        // No thread: the window reports an unknown error as for a null result.
        // This runs on the window's own thread, which cannot wait for its queue.
        if (!PostMessageW(job.window, WM_APP_CATALOG_READY, 0, 0)) g_state.busy = false;
    }
}

void CheckForUpdatesIfDue() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    CheckForUpdatesAt(local, NowFileTime());
}

void CheckForUpdatesAt(const SYSTEMTIME& local, unsigned long long now) {
    const Settings& settings = g_state.settings;
    if (!g_state.installedMode || !(settings.updateChecks || settings.autoUpdate)) return;
    // Outside the hours the check waits: the one-minute timer comes back.
    if (!WithinUpdateHours(ImposedUpdateHours(), local)) return;
    ContinueAutomaticUpdatesAt(local);
    if (g_state.busy || g_state.automaticUpdates.pending) return;
    if (IsCheckDue(settings.lastCheck, now)) StartCatalogLoad(true);
}

void NoteAppsChangedOutside() {
    // Before a first load there are no cards to correct.
    if (!g_state.catalogLoaded) return;
    g_state.appsChangedOutside = true;
    RefreshAppsChangedOutside();
}

bool RefreshAppsChangedOutside() {
    HWND window = g_state.mainWindow;
    if (!g_state.appsChangedOutside || g_state.busy || !IsWindowVisible(window) || IsIconic(window)) return false;
    g_state.appsChangedOutside = false;
    // The states come from the files, read by the catalogue's worker: the
    // window itself never opens a tool file.
    StartCatalogLoad(false);
    return true;
}

void ShowMainWindow() {
    // The user sees the window now: the tooltip no longer has to tell what
    // the automatic updates did.
    if (!g_state.automaticUpdates.summary.empty()) {
        g_state.automaticUpdates.summary.clear();
        Upward().updateTrayTooltip();
    }
    ShowWindow(g_state.mainWindow, SW_RESTORE);
    SetForegroundWindow(g_state.mainWindow);
    if (RefreshAppsChangedOutside()) return;
    if (g_state.catalogLoaded) {
        StartIconLoad();
    } else if (!g_state.busy) {
        StartCatalogLoad(false);
    }
}
