#include "ui/jobs/progress_apply.h"

#include "app/state.h"
#include "operations/progress_post.h"
#include "ui/status_progress.h"
#include "ui/upward_calls.h"

void ApplyProgressReport(std::unique_ptr<ProgressReport> report) {
    if (!report || !g_state.busy || report->serial != g_state.operationSerial) return;
    OperationProgress& progress = g_state.operationProgress;
    progress.active = true;
    progress.done = report->done;
    progress.expected = report->expected;
    InvalidateStatusStrip();
    Upward().updateTrayTooltip();
}

void ClearOperationProgress() {
    g_state.operationProgress = OperationProgress{};
    Upward().updateTrayTooltip();
}
