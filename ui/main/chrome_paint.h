// The main window's picture: header, summary, list, status strip and footer.
#pragma once

#include <windows.h>

#include <string>

#include "ui/list/card_layout.h"

enum class SelfButtonState { Portable = 0, UpdateAvailable = 1, Current = 2 };

SelfButtonState GetSelfButtonState();
// Paints the whole client area for WM_PAINT, a band at a time.
void PaintMainWindow(HWND window);
// Paints the client area of the given size into `dc` (WM_PAINT and tests):
// records every hit area, and draws the elements that reach into the clip
// region of `dc`.
void PaintMainWindowTo(HDC dc, int width, int height);
// The summary line for the paint's own layout; without one, for the main
// window's current width.
std::wstring SummaryText(const CardListLayout& layout);
std::wstring SummaryText();
// The footer's right-hand text: the theme, after "USB · " in offline mode.
std::wstring ThemeSourceText();
