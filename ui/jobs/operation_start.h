// The one way an operation starts from the window, for a tool as for the
// program's own update.
#pragma once

#include <functional>
#include <string>

// Marks the program busy with `status`, gives the operation its progress
// serial and runs `worker(serial)` on a thread of its own; the worker posts
// WM_APP_OPERATION_DONE. When no thread can be made, the failure is applied at
// once for the entry `appIndex` (-1: none).
void StartOperation(long long appIndex, std::wstring status, std::function<void(unsigned serial)> worker);
