// Starting a program for a measurement and finding its main window.
#pragma once

#include <windows.h>

#include <string>

#include "base/handles.h"

struct Launched {
    UniqueHandle process;
    DWORD processId = 0;
};

Launched Launch(const std::wstring& exePath);
// The visible top-level window of that process with that class, or null.
HWND FindProcessWindow(DWORD processId, const wchar_t* className);
void EndProcess(Launched& launched);
// Removes the program's settings so that each start finds its USB folder anew.
void ForgetSettings();
