// What the lower rooms of ui/ ask of the rooms above them, which they cannot
// name: a card's button starting an operation, a result refreshing the popup
// and the tray tooltip, the keyboard telling screen readers.
// The main window hands them in when it registers its classes; until then each
// does nothing, as there is no window to refresh or to start from.
#pragma once

#include <windows.h>

#include "base/tool_action.h"

struct UpwardCalls {
    void (*startToolOperation)(unsigned long long appIndex, ToolAction action) = [](unsigned long long, ToolAction) {};
    void (*showUpdatePopup)() = [] {};
    void (*closeUpdatePopup)() = [] {};
    void (*updateTrayTooltip)() = [] {};
    void (*reportAccessibleChanges)(HWND window) = [](HWND) {};
};

const UpwardCalls& Upward();
void SetUpwardCalls(const UpwardCalls& calls);
