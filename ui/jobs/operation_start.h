// The one way an operation starts from the window, for a tool as for the
// program's own update.
#pragma once

#include <functional>
#include <string>

#include "base/operation_cancel.h"

// Marks the program busy with `status`, gives the operation its progress
// serial and cancel token and runs `worker(serial, cancel)` on a thread of its
// own; the worker posts WM_APP_OPERATION_DONE. A `cancellable` operation shows
// "Annuler" while it runs. When no thread can be made, the failure is applied
// at once for the entry `appIndex` (-1: none).
void StartOperation(long long appIndex, std::wstring status, bool cancellable,
                    std::function<void(unsigned serial, CancelToken cancel)> worker);

// "Annuler": asks the running operation to stop; its worker posts its result
// within a second. Does nothing when no operation can be stopped.
void PressCancelButton();
