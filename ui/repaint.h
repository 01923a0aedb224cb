// Asking the main window to paint again: every part of the program that
// changes what it shows, at any floor of ui/.
#pragma once

#include <windows.h>

// Repaints the whole client area, without erasing: the paint covers it.
inline void InvalidateMainWindow(HWND window) { InvalidateRect(window, nullptr, FALSE); }
