// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "ui/chrome_paint.h"

SelfButtonState GetSelfButtonState() { return SelfButtonState::Portable; }
void PaintMainWindow(HWND) {}
void PaintMainWindowTo(HDC, int, int) {}
std::wstring SummaryText() { return {}; }
