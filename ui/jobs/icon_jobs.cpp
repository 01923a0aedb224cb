#include "ui/jobs/icon_jobs.h"

#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "app/state.h"
#include "base/constants.h"
#include "base/gdiplus_session.h"
#include "base/worker_shared.h"
#include "catalog/catalog_model.h"
#include "catalog/icon_load.h"
#include "ui/jobs/worker_start.h"
#include "ui/list/card_icon.h"
#include "ui/list/card_layout.h"
#include "ui/repaint.h"

namespace {

// An icon kept for another dpi is fetched again rather than stretched.
bool HasIconForThisDpi(const CatalogApp& app) {
    if (!app.iconBitmap) return false;
    const SIZE size = CardIconSize();
    return app.iconBitmap->GetWidth() == static_cast<UINT>(size.cx) &&
           app.iconBitmap->GetHeight() == static_cast<UINT>(size.cy);
}

bool WantsIcon(const CatalogApp& app) {
    return ShowsAsCard(app) && !HasIconForThisDpi(app) && !app.iconLocation.empty();
}

std::vector<IconJob> MissingIconJobs() {
    std::vector<IconJob> jobs;
    for (size_t i = 0; i < g_state.apps.size(); ++i) {
        if (WantsIcon(g_state.apps[i])) jobs.push_back({i, g_state.apps[i].iconLocation});
    }
    return jobs;
}

}  // namespace

void StartIconLoad() {
    IconLoadJob job;
    job.window = g_state.mainWindow;
    job.generation = g_state.catalogGeneration;
    // A new batch stops the one before: it would fetch the same icons again.
    job.epoch = iconLoadEpoch.fetch_add(1) + 1;
    job.offline = g_state.settings.offlineMode;
    job.icons = MissingIconJobs();
    // Without a worker the cards keep the program's icon.
    StartWorker([job = std::move(job)] { RunIconWorker(job); });
}

void ApplyIconResult(std::unique_ptr<IconResult> result) {
    if (!result) return;
    if (result->generation != g_state.catalogGeneration || result->appIndex >= g_state.apps.size()) return;
    g_state.apps[static_cast<size_t>(result->appIndex)].iconBitmap = FitIconToCard(DecodeIconBytes(result->bytes));
    InvalidateMainWindow(g_state.mainWindow);
}
