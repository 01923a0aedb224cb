// What the main window does on command: show itself, open the options or the
// site, and the registration of the window classes.
#pragma once

#include <windows.h>

void ShowMainWindow();
void ShowOptionsDialog();
void OpenSiteLink();
// Registers the main and popup window classes; false when the main one fails.
bool RegisterWindowClasses(HINSTANCE instance, HICON icon);
