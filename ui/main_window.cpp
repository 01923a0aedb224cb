// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "ui/main_window.h"

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) { return DefWindowProcW(window, message, wParam, lParam); }
void ShowMainWindow() {}
bool AddTrayIcon() { return false; }
void ShowOptionsDialog() {}
void OpenSiteLink() {}
bool RegisterWindowClasses(HINSTANCE, HICON) { return false; }
