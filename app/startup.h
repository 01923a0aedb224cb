// The program's start: single instance, settings, COM and GDI+, the main
// window, the message loop and the ordered shut-down.
#pragma once

#include <windows.h>

struct WindowPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The main window's first rectangle: the default size at the screen's dpi,
// kept inside the work area with a margin, centred in it.
WindowPlacement ComputeMainWindowPlacement(int sysDpi, const RECT& workArea);

// The whole run of the program; returns the process exit code: 0 when another
// instance took over, 1 when COM, GDI+ or the main window cannot be set up,
// otherwise the code of the quit message.
int RunOrkvane(HINSTANCE instance, PCWSTR commandLine, int showCommand);
