// Starting an operation on one tool from the window.
#pragma once

#include "base/tool_action.h"

// Installs or updates, uninstalls, launches or rolls back the entry in the
// background, unless an operation runs; a portable copy only uninstalls.
void StartToolOperation(unsigned long long appIndex, ToolAction action);
