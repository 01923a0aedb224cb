// Painting the card list: group panels, cards, and their hit records.
#pragma once

#include <windows.h>

#include "ui/list/card_layout.h"

void PaintCardList(HDC dc, const CardListLayout& layout, int clientWidth);
// Records the card's hit areas, and draws it when it reaches into `drawable`,
// the part of the window that this pass can draw (the clip box of `dc`).
void PaintCard(HDC dc, const CardSlot& onScreen, const RECT& listArea, const RECT& drawable);
