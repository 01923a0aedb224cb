// Painting the card list: group panels, cards, and their hit records.
#pragma once

#include <windows.h>

#include "ui/list/card_layout.h"

void PaintCardList(HDC dc, const CardListLayout& layout, int clientWidth);
// Where a band of the window that would end at row `edge` had better end so
// that it cuts no card on screen, the one cut moving whole into the next band:
// the highest such row at or above `edge` and below `lowest`, or `edge` when
// there is none. A card cut by a band's edge is drawn in both bands.
int BandEdgeBefore(const CardListLayout& layout, int clientWidth, int edge, int lowest);
// Records the card's hit areas, and draws it when it reaches into `drawable`,
// the part of the window that this pass can draw (the clip box of `dc`).
void PaintCard(HDC dc, const CardSlot& onScreen, const RECT& listArea, const RECT& drawable);
