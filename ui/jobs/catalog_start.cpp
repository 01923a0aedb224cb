#include "ui/jobs/catalog_start.h"

#include <windows.h>


#include "app/policies.h"
#include "app/settings.h"
#include "app/share_mirror_policy.h"
#include "app/state.h"
#include "base/constants.h"
#include "base/messages.h"
#include "base/paths.h"
#include "catalog/catalog_keys.h"
#include "catalog/catalog_load.h"
#include "catalog/utf8.h"
#include "ui/jobs/catalog_serial.h"
#include "ui/jobs/icon_jobs.h"
#include "ui/jobs/worker_start.h"
#include "ui/repaint.h"

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
    job.shareAllowed = IsAllowedShareMirror(g_state.policies, job.offlineRoot);
    job.signingKeys = CatalogSigningKeys();
    job.highestSerial = HighestCatalogSerial(job.offline);
    if (!StartWorker([job] { RunCatalogWorker(job); })) {
        // No thread: the window reports an unknown error as for a null result.
        // This runs on the window's own thread, which cannot wait for its queue.
        if (!PostMessageW(job.window, WM_APP_CATALOG_READY, 0, 0)) g_state.busy = false;
    }
}

void CheckForUpdatesIfDue() {
    if (!g_state.installedMode || !g_state.settings.updateChecks || g_state.busy) return;
    if (IsCheckDue(g_state.settings.lastCheck, NowFileTime())) StartCatalogLoad(true);
}

void ShowMainWindow() {
    ShowWindow(g_state.mainWindow, SW_RESTORE);
    SetForegroundWindow(g_state.mainWindow);
    if (g_state.catalogLoaded) {
        StartIconLoad();
    } else if (!g_state.busy) {
        StartCatalogLoad(false);
    }
}
