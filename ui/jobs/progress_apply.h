// A running operation's progress reports, as the window keeps them.
#pragma once

#include <memory>

struct ProgressReport;

// Handler of WM_APP_PROGRESS, on the user-interface thread: stores the report
// when it belongs to the running operation, else drops it.
void ApplyProgressReport(std::unique_ptr<ProgressReport> report);
// Forgets the progress (the operation ended) and puts the tooltip back.
void ClearOperationProgress();
