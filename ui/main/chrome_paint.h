// The main window's picture: header, summary, list, status strip and footer.
#pragma once

#include <windows.h>

#include <string>

#include "ui/header_model.h"
#include "ui/list/card_layout.h"
#include "ui/list/list_summary.h"

// WM_PAINT draws off screen a band of this many rows at a time. Each band
// walks the whole picture again, so fewer bands cost less time; the band's
// buffer stays in the working set, so a taller one costs memory.
inline constexpr int kPaintBandHeight = 700;

// Paints the whole client area for WM_PAINT, a band at a time.
void PaintMainWindow(HWND window);
// Paints the client area of the given size into `dc` (WM_PAINT and tests):
// records every hit area, and draws the elements that reach into the clip
// region of `dc`.
void PaintMainWindowTo(HDC dc, int width, int height);
// The footer's right-hand text: the theme, after "USB · " in offline mode.
std::wstring ThemeSourceText();
