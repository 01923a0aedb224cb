// The main window's picture: header, summary, list, status strip and footer.
#pragma once

#include <windows.h>

#include <string>

#include "ui/header_model.h"
#include "ui/list/card_layout.h"
#include "ui/list/list_summary.h"

// WM_PAINT draws off screen a band of about this many bytes at a time: small
// enough for the processor's cache to keep it between painting it and copying
// it out, so that the copy does not read it back from memory. Each band
// walks the whole picture again (a few microseconds), and text cut by a
// band's edge is drawn once in each band.
inline constexpr int kPaintBandBytes = 1 << 20;
// No fewer rows than this, however wide the window: each band edge costs
// its cut text twice.
inline constexpr int kPaintBandMinRows = 128;

// The rows of one band for a client area `width` pixels wide.
constexpr int PaintBandRows(int width) {
    const int rowBytes = (width > 0 ? width : 1) * 4;
    const int rows = kPaintBandBytes / rowBytes;
    return rows > kPaintBandMinRows ? rows : kPaintBandMinRows;
}

// Paints the whole client area for WM_PAINT, a band at a time.
void PaintMainWindow(HWND window);
// Paints the client area of the given size into `dc` (WM_PAINT and tests):
// records every hit area, and draws the elements that reach into the clip
// region of `dc`.
void PaintMainWindowTo(HDC dc, int width, int height);
// The footer's right-hand text: the theme, after "USB · " in offline mode.
std::wstring ThemeSourceText();
