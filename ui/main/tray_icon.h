// The notification-area icon of the main window, its menu, and its tooltip
// kept in step with a running operation.
#pragma once

#include <windows.h>

#include "base/handles.h"

bool AddTrayIcon();
enum TrayCommand : int { kTrayOpen = 1, kTrayOptions = 2, kTrayQuit = 3 };
UniqueMenu BuildTrayMenu(bool busy);
void RunTrayCommand(HWND window, int command);
// With icon version 4, wParam holds the icon's anchor point in screen coordinates.
void OnTrayEvent(HWND window, WPARAM wParam, LPARAM lParam);
void OnTaskbarCreated(HWND window);
void RemoveTrayIcon(HWND window);

// Sets the tooltip to TrayTooltipText() when the icon is shown.
void UpdateTrayTooltip();
