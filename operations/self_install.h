// The program's own install: the running copy copied into the install folder,
// with the shortcuts the settings ask for. The window and the command line
// both do it through here.
#pragma once

#include <string>

// Copies the running program to %LOCALAPPDATA%\Kest_Tools\Orkvane.exe (unless
// it is that file) and makes its shortcuts; returns the installed path. What
// was done before a failure stays done.
std::wstring InstallSelfFiles(bool desktopShortcut, bool menuShortcut);
