// Drawing primitives shared by every hand-painted window.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

void FillSolid(HDC dc, const RECT& rect, COLORREF color);
void FillRounded(HDC dc, const RECT& rect, COLORREF fill, COLORREF border);
// Width in pixels of `text` drawn in `font`.
int TextWidth(HDC dc, HFONT font, const std::wstring& text);
void DrawLabel(HDC dc, std::wstring_view text, const RECT& rect, HFONT font, COLORREF color, UINT format);
// The mouse is over `rect` of the main window.
bool IsHovered(const RECT& rect);
void PaintButton(HDC dc, const RECT& rect, const std::wstring& text, bool enabled, bool primary);
// A top-down 32-bit DIB section compatible with `dc`; `bits` receives its
// pixels. Null when it cannot be made.
HBITMAP CreateTopDownDib(HDC dc, int width, int height, void** bits);
