// Starting an operation on one tool from the window.
#pragma once

#include <string>

#include "base/tool_action.h"

// Installs or updates, uninstalls, launches or rolls back the entry in the
// background, unless an operation runs; a portable copy only uninstalls.
// What the organisation forbids (an update it holds, the removal of a tool it
// requires) is refused with its reason.
void StartToolOperation(unsigned long long appIndex, ToolAction action);

// The operation itself, with the status line it shows while it runs; the
// caller has made the checks above.
void StartToolJob(unsigned long long appIndex, ToolAction action, std::wstring status);
