// The registration of the window classes.
#pragma once

#include <windows.h>

// Registers the main and popup window classes; false when the main one fails.
bool RegisterWindowClasses(HINSTANCE instance, HICON icon);
