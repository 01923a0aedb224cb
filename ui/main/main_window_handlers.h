// The main window's message handlers, split by concern over a few files;
// MainWindowProc (ui/main_window.cpp) routes each message to one of them.
#pragma once

#include <windows.h>

#include <memory>

#include "app/handles.h"

struct CatalogLoadResult;

// Repaints the whole client area, without erasing: the paint covers it.
inline void InvalidateMainWindow(HWND window) { InvalidateRect(window, nullptr, FALSE); }

// IsInstalledCopy, answering false when the program's own path or the
// local application-data folder cannot be determined.
bool RunsAsInstalledCopy();

// Mouse and keyboard (ui/main_window_input.cpp).
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
// The header's self button pressed: install, or update the program.
void ClickSelfButton();

// Notification-area icon (ui/tray_icon.cpp).
enum TrayCommand : int { kTrayOpen = 1, kTrayOptions = 2, kTrayQuit = 3 };
UniqueMenu BuildTrayMenu(bool busy);
void RunTrayCommand(HWND window, int command);
// With icon version 4, wParam holds the icon's anchor point in screen coordinates.
void OnTrayEvent(HWND window, WPARAM wParam, LPARAM lParam);
void OnTaskbarCreated(HWND window);
void RemoveTrayIcon(HWND window);

// WM_APP_CATALOG_READY (ui/catalog_apply.cpp); the result may be null.
void ApplyCatalogResult(HWND window, std::unique_ptr<CatalogLoadResult> result);
