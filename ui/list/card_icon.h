// The small icon at the left of a card's title row.
#pragma once

#include <windows.h>

#include "catalog/catalog_model.h"

// Where the icon goes on a card whose top-left corner is (left, top).
RECT CardIconBox(LONG left, LONG top);
// The icon's size in pixels at the current dpi.
SIZE CardIconSize();
// The decoded icon resampled once to CardIconSize(), as a card would draw it,
// so that an entry keeps only what is shown; null when there is nothing.
BitmapPtr FitIconToCard(BitmapPtr decoded);
// Draws the entry's decoded icon scaled into `box`, or the program icon while
// the entry has none.
void DrawCardIcon(HDC dc, const CatalogApp& app, const RECT& box);
