// Applying the chosen theme (light, dark, the system's, or high contrast) to
// every open window, with the dark title bar.
#pragma once

#include <windows.h>

void ApplyTheme();
// After a system colour or theme change: applies the theme again when it follows the system.
void RefreshSystemTheme();
void ApplyDarkTitleBar(HWND window);
