// Painting the card list: group panels, cards, and their hit records.
#pragma once

#include <windows.h>

#include "ui/list/card_layout.h"

void PaintCardList(HDC dc, const CardListLayout& layout, int clientWidth);
void PaintCard(HDC dc, const CardSlot& onScreen, const RECT& listArea);
