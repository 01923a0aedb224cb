#include "cli/apps_changed.h"

#include <windows.h>

#include "base/constants.h"

void NotifyWindowsAppsChanged() {
    // Portable copies too: they show the same Apps folder.
    for (HWND window = FindWindowExW(nullptr, nullptr, kMainWindowClass, nullptr); window != nullptr;
         window = FindWindowExW(nullptr, window, kMainWindowClass, nullptr))
        PostMessageW(window, WM_APP_APPS_CHANGED, 0, 0);
}
