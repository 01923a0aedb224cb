// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "ui/options_dialog.h"

INT_PTR CALLBACK OptionsDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
