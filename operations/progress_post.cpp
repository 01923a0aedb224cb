#include "operations/progress_post.h"

#include <memory>

#include "app/constants.h"
#include "app/post_result.h"
#include "app/state.h"
#include "ui/main/status_progress.h"
#include "ui/main/tray_icon.h"

namespace {

struct PostClock {
    bool posted = false;
    ULONGLONG lastTick = 0;
};

}  // namespace

ByteProgress MakeProgressPoster(HWND window, unsigned serial) {
    auto clock = std::make_shared<PostClock>();
    return [window, serial, clock](unsigned long long done, long long expected) {
        const ULONGLONG now = GetTickCount64();
        const bool complete = expected >= 0 && done == static_cast<unsigned long long>(expected);
        if (clock->posted && !complete && now - clock->lastTick < kProgressPostSpacingMs) return;
        clock->posted = true;
        clock->lastTick = now;
        auto report = std::make_unique<ProgressReport>();
        report->serial = serial;
        report->done = done;
        report->expected = expected;
        PostResultOrDelete(window, WM_APP_PROGRESS, std::move(report));
    };
}

void ApplyProgressReport(std::unique_ptr<ProgressReport> report) {
    if (!report || !g_state.busy || report->serial != g_state.operationSerial) return;
    OperationProgress& progress = g_state.operationProgress;
    progress.active = true;
    progress.done = report->done;
    progress.expected = report->expected;
    InvalidateStatusStrip();
    UpdateTrayTooltip();
}

void ClearOperationProgress() {
    g_state.operationProgress = OperationProgress{};
    UpdateTrayTooltip();
}
