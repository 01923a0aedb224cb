// Drawing primitives shared by every hand-painted window.
#pragma once

#include <windows.h>

#include <string>

void FillSolid(HDC dc, const RECT& rect, COLORREF color);
void FillRounded(HDC dc, const RECT& rect, COLORREF fill, COLORREF border);
void DrawLabel(HDC dc, const std::wstring& text, const RECT& rect, HFONT font, COLORREF color, UINT format);
void PaintButton(HDC dc, const RECT& rect, const std::wstring& text, bool enabled, bool primary);
