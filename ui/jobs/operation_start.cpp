#include "ui/jobs/operation_start.h"

#include <windows.h>

#include <memory>
#include <system_error>
#include <thread>
#include <utility>

#include "app/messages.h"
#include "app/state.h"
#include "catalog/utf8.h"
#include "operations/operation_runner.h"
#include "ui/jobs/operation_apply.h"

void StartOperation(long long appIndex, std::wstring status, bool cancellable,
                    std::function<void(unsigned serial, CancelToken cancel)> worker) {
    g_state.busy = true;
    const unsigned serial = ++g_state.operationSerial;
    g_state.operationProgress = OperationProgress{};
    g_state.operationCancellable = cancellable;
    g_state.cancelRequested = false;
    g_state.statusText = std::move(status);
    InvalidateRect(g_state.mainWindow, nullptr, FALSE);
    try {
        std::thread(std::move(worker), serial, CancelToken::OfNewOperation()).detach();
    } catch (const std::system_error&) {
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
    InvalidateRect(g_state.mainWindow, nullptr, FALSE);
}
