// The main window's message handlers, split by concern over a few files;
// MainWindowProc (ui/main/main_window.cpp) routes each message to one of them.
#pragma once

#include <windows.h>

#include "ui/repaint.h"


// IsInstalledCopy, answering false when the program's own path or the
// local application-data folder cannot be determined.
bool RunsAsInstalledCopy();

// Mouse and keyboard (ui/main/main_window_input.cpp).
// The cursor for a client point (IDC_ARROW or IDC_HAND), or null when the
// default handling decides.
LPCWSTR CursorForPoint(POINT point);
bool OnSetCursor(HWND window, LPARAM lParam);
void OnMouseMove(HWND window, POINT point);
void OnMouseLeave(HWND window);
void OnLeftButtonDown(HWND window, POINT point);
void OnRightButtonDown(HWND window, POINT point);
// True when the key was handled; false sends it on to DefWindowProcW.
// `flags` is the message's lParam (bit 30: the key was already down).
bool OnKeyDown(HWND window, WPARAM key, LPARAM flags);
