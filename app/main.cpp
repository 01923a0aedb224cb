// Orkvane.exe: the entry point hands the whole run to the library.
#include <windows.h>

#include "app/startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
    return RunOrkvane(instance, commandLine, showCommand);
}
