// Painting the card list: group panels, cards, and their hit records.
#pragma once

#include <windows.h>

#include "ui/list/card_layout.h"

void PaintCardList(HDC dc, const CardListLayout& layout, int clientWidth);
// Where a band of the window that would end at row `edge` had better end so
// that it cuts no card on screen, the card moving whole into the next band:
// the nearest such row at or above `edge`, if it comes after row `least`;
// else `edge`. A card cut by a band's edge is drawn in both bands.
int BandEdgeBefore(const CardListLayout& layout, int clientWidth, int edge, int least);
// Records the card's hit areas, and draws it when it reaches into `drawable`,
// the part of the window that this pass can draw (the clip box of `dc`).
void PaintCard(HDC dc, const CardSlot& onScreen, const RECT& listArea, const RECT& drawable);
