#include "ui/jobs/operation_start.h"

#include <windows.h>

#include <memory>
#include <utility>

#include "app/state.h"
#include "base/messages.h"
#include "catalog/utf8.h"
#include "operations/operation_runner.h"
#include "ui/jobs/operation_apply.h"
#include "ui/jobs/worker_start.h"
#include "ui/repaint.h"

void StartOperation(long long appIndex, std::wstring status, bool cancellable,
                    std::function<void(unsigned serial, CancelToken cancel)> worker) {
    g_state.busy = true;
    const unsigned serial = ++g_state.operationSerial;
    g_state.operationProgress = OperationProgress{};
    g_state.operationCancellable = cancellable;
    g_state.cancelRequested = false;
    g_state.statusText = std::move(status);
    InvalidateMainWindow(g_state.mainWindow);
    const CancelToken cancel = CancelToken::OfNewOperation();
    if (!StartWorker([worker = std::move(worker), serial, cancel] { worker(serial, cancel); })) {
        // No worker means no result message would ever clear busy.
        auto result = std::make_unique<OperationResult>();
        result->appIndex = appIndex;
        result->error = Utf8ToWide(msg::kOperationStartFailed);
        ApplyOperationResult(std::move(result));
    }
}

void PressCancelButton() {
    if (!g_state.busy || !g_state.operationCancellable || g_state.cancelRequested) return;
    g_state.cancelRequested = true;
    CancelRunningOperation();
    InvalidateMainWindow(g_state.mainWindow);
}
