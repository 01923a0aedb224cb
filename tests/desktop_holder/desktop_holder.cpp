// Keeps the Wine desktop up for a whole test run. Wine closes its desktop
// (explorer) about a second after the last program using it ends, and the
// next program brings a new one up, so with one test per process every test
// started while the previous desktop was going away. This program uses the
// desktop and then waits without ever showing a window, so it never takes the
// foreground or the focus; the run ends it with wineserver -k.
//
// Usage: desktop_holder.exe READY_FILE  (made once the desktop is up)
#include <windows.h>

#include "base/handles.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    // Under Wine this starts the desktop process if there is none and waits for it.
    if (GetDesktopWindow() == nullptr) return 1;
    UniqueHandle ready(
        CreateFileW(commandLine, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!ready) return 2;
    ready.reset();
    Sleep(INFINITE);
    return 0;
}
