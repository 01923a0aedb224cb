// The keyboard focus drawn as a ring in the palette's accent colour, when the
// window shows focus cues.
#pragma once

#include <windows.h>

#include "ui/list/card_layout.h"

// After the card list: the card rings use the list's positions and the
// button rings the hit records that its paint just made.
void PaintKeyboardFocus(HDC dc, const CardListLayout& layout, int clientWidth);
