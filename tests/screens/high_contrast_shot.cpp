// The whole program, with one question answered differently: Windows'
// high-contrast mode is reported on. Wine never reports it, so the
// screenshot of the high-contrast window is taken with this build.
#include <windows.h>

#include "app/high_contrast.h"
#include "app/startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetHighContrastQuery([] { return true; });
    return RunOrkvane(instance, commandLine, showCommand);
}
