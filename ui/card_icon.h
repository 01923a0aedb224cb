// The small icon at the left of a card's title row.
#pragma once

#include <windows.h>

struct CatalogApp;

// Draws the entry's decoded icon scaled into `box`, or the program icon while
// the entry has none.
void DrawCardIcon(HDC dc, const CatalogApp& app, const RECT& box);
