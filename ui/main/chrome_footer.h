// The bottom of the main window: status strip and footer band.
#pragma once

#include <windows.h>

// Paints everything below the card list and records the credit link's
// rectangle in siteLinkRect.
void PaintFooter(HDC dc, int width, int height);
