// Window classes registered by the tests, once per process whatever the
// order the tests run in.
#pragma once

#include <windows.h>

// Registers a class of this program's module with `procedure`; true when the
// class exists afterwards (registered now or by an earlier test).
bool RegisterTestWindowClass(const wchar_t* name, WNDPROC procedure = DefWindowProcW, UINT style = 0);

// The update popup's class as the program registers it beside the main
// window's, for tests that open the popup without a main window. Fails the
// current test when it cannot be registered.
void RegisterPopupClass(HINSTANCE instance = GetModuleHandleW(nullptr));
