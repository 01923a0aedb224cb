// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "ui/update_popup.h"

void ShowUpdatePopup() {}
void CloseUpdatePopup() {}
int FindPopupEntry(const PopupItem&) { return -1; }
LRESULT CALLBACK UpdatePopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) { return DefWindowProcW(window, message, wParam, lParam); }
