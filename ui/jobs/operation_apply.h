// The end of an operation, on the window's side: its result and the box
// that tells of a failure.
#pragma once

#include <memory>

struct OperationResult;

// Handler of WM_APP_OPERATION_DONE: takes ownership of the result (may be null).
void ApplyOperationResult(std::unique_ptr<OperationResult> result);
