// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "ui/draw.h"

void FillSolid(HDC, const RECT&, COLORREF) {}
void FillRounded(HDC, const RECT&, COLORREF, COLORREF) {}
void DrawLabel(HDC, const std::wstring&, const RECT&, HFONT, COLORREF, UINT) {}
void PaintButton(HDC, const RECT&, const std::wstring&, bool, bool) {}
