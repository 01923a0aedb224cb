// Applying a catalogue that the loading worker posted (WM_APP_CATALOG_READY).
#include <windows.h>

#include <memory>
#include <utility>

#include "app/catalog_serial.h"
#include "app/first_seen.h"
#include "app/policies.h"
#include "app/rollout_secret.h"
#include "app/state.h"
#include "base/constants.h"
#include "base/error.h"
#include "base/messages.h"
#include "base/paths.h"
#include "catalog/catalog_model.h"
#include "catalog/icon_load.h"
#include "catalog/utf8.h"
#include "ui/jobs/automatic_updates.h"
#include "ui/jobs/catalog_apply.h"
#include "ui/jobs/icon_jobs.h"
#include "ui/jobs/required_installs.h"
#include "ui/list/card_layout.h"
#include "ui/list/list_scrolling.h"
#include "ui/repaint.h"
#include "ui/upward_calls.h"

namespace {

bool InstalledCopyExists() {
    try {
        return FileExists(GetInstalledExePath());
    } catch (const AppError&) {
        return false;
    }
}

// A newer version of the program is offered only when the installed copy exists.
// The organisation may keep the program at the version it deployed.
bool SelfUpdateOffered() {
    if (!g_state.policies.Allows(PolicyId::SelfUpdate)) return false;
    if (g_state.selfIndex < 0 || !InstalledCopyExists()) return false;
    const CatalogApp& self = g_state.apps[static_cast<size_t>(g_state.selfIndex)];
    if (self.rolloutExcluded) return false;
    return CompareVersions(ParseVersion(self.version), ParseVersion(kVersionText)) == 1;
}

const char* LoadedStatus() {
    if (!g_state.installedMode) return msg::kStatusPortableCatalogLoaded;
    return g_state.settings.offlineMode ? msg::kStatusUsbCatalogLoaded : msg::kStatusOvhCatalogLoaded;
}

void ApplyLoadedCatalog(HWND window, CatalogLoadResult& result) {
    ++g_state.catalogGeneration;
    Upward().closeUpdatePopup();
    if (result.signatureVerified) RememberCatalogSerial(g_state.settings.offlineMode, result.catalogSerial);
    g_state.apps = std::move(result.apps);  // the old entries go with their icons
    bool selfValid = result.selfIndex >= 0 && static_cast<size_t>(result.selfIndex) < g_state.apps.size();
    g_state.selfIndex = selfValid ? result.selfIndex : -1;
    g_state.catalogLoaded = true;
    g_state.statusText = Utf8ToWide(LoadedStatus());
    if (result.signatureVerified) g_state.statusText += L" " + Utf8ToWide(msg::kStatusCatalogSigned);
    const PolicyValue* ring = g_state.policies.Find(PolicyId::Ring);
    MarkRolloutExclusions(g_state.apps, ring != nullptr && IsPilotRing(ring->text));
    g_state.selfUpdateAvailable = SelfUpdateOffered();
    // A release counts as offered from the start of the load that found it,
    // so that a delay of whole days runs out by the check as many days later.
    const unsigned long long seenAt = g_state.settings.lastCheck != 0 ? g_state.settings.lastCheck : NowFileTime();
    g_state.firstSeen = RecordFirstSeen(g_state.apps, g_state.selfIndex, g_state.selfUpdateAvailable, seenAt);
    UpdateScrollMetrics();
    // A hidden window fetches its icons when it is next shown.
    if (IsWindowVisible(window) && !IsIconic(window)) StartIconLoad();
    // Required tools go first: a round of automatic updates waits for them.
    QueueRequiredTools();
    if (!result.automatic) return;
    if (g_state.settings.autoUpdate && g_state.installedMode)
        StartAutomaticUpdates();
    else if (g_state.settings.updateChecks)
        Upward().showUpdatePopup();
}

void RecordCatalogLoad(const CatalogLoadResult* result) {
    CatalogLoadRecord record;
    record.time = NowFileTime();
    if (result == nullptr) {
        record.error = Utf8ToWide(msg::kUnknownError);
    } else {
        record.ok = result->ok;
        record.automatic = result->automatic;
        record.signatureVerified = result->signatureVerified;
        record.error = result->error;
        record.entries = result->ok ? result->apps.size() : 0;
    }
    g_state.lastCatalogLoad = std::move(record);
}

}  // namespace

void ApplyCatalogResult(HWND window, std::unique_ptr<CatalogLoadResult> result) {
    g_state.busy = false;
    RecordCatalogLoad(result.get());
    if (!result) {
        g_state.statusText = Utf8ToWide(msg::kStatusCatalogUnreachable) + Utf8ToWide(msg::kUnknownErrorLower);
        UpdateScrollMetrics();
    } else if (result->ok) {
        ApplyLoadedCatalog(window, *result);
    } else if (!result->automatic) {
        // A silent check fails silently and keeps the current list.
        g_state.statusText = Utf8ToWide(msg::kStatusCatalogUnreachable) + result->error;
        UpdateScrollMetrics();
    }
    InvalidateMainWindow(window);
}
