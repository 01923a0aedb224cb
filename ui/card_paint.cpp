// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "ui/card_paint.h"

void PaintCardList(HDC, const CardListLayout&, int) {}
void PaintCard(HDC, const CardSlot&, const RECT&) {}
