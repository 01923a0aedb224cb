// Progress of a running operation, from its worker to the main window: at
// most about ten reports a second, each a heap record posted the same way as
// results. The window keeps only the reports of the operation it is running
// (ui/jobs/progress_apply.h).
#pragma once

#include <windows.h>

#include "base/byte_progress.h"

struct ProgressReport {
    unsigned serial = 0;  // the operation it belongs to (AppState::operationSerial)
    unsigned long long done = 0;
    long long expected = -1;
};

inline constexpr ULONGLONG kProgressPostSpacingMs = 100;

// A ByteProgress that posts WM_APP_PROGRESS to `window`: the first report,
// then one per spacing, and always the one that reaches the expected size.
ByteProgress MakeProgressPoster(HWND window, unsigned serial);
