// Orkvane.exe: the entry point hands the whole run to the library.
#include <windows.h>

#include "app/startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
    // Before anything else: every DLL loaded from now on (the delay-loaded
    // system DLLs included) comes from System32, never from the program's
    // folder or the current folder.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return RunOrkvane(instance, commandLine, showCommand);
}
