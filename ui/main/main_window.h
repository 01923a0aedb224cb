// The main window: its procedure, the notification-area icon and commands.
#pragma once

#include <windows.h>

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void ShowMainWindow();
bool AddTrayIcon();
void ShowOptionsDialog();
void OpenSiteLink();
// Registers the main and popup window classes; false when the main one fails.
bool RegisterWindowClasses(HINSTANCE instance, HICON icon);
