// The main window for screen readers (Microsoft Active Accessibility): the
// IAccessible tree it hands out for WM_GETOBJECT, the events it raises, and
// the default actions that clients ask for.
#pragma once

#include <windows.h>

// Posted by accDoDefaultAction, so that what it starts (a dialog, a menu)
// runs from the window's own message loop; wParam is the element's child id.
inline constexpr UINT WM_APP_ACCESSIBLE_PRESS = WM_APP + 20;

// WM_GETOBJECT: true with the answer in `result` for the client area.
bool OnGetObject(HWND window, WPARAM wParam, LPARAM lParam, LRESULT& result);
// WM_APP_ACCESSIBLE_PRESS: presses the element as its click or key would.
void OnAccessiblePress(HWND window, WPARAM childId);

// Tells clients what changed since the last call: the focus, a card expanded
// or collapsed, the status text, the list replaced.
void ReportAccessibleChanges(HWND window);
