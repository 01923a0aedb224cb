// What the mouse does on the card list.
#pragma once

#include <windows.h>

#include <cstddef>

#include "app/view_records.h"

int HoverKeyAt(POINT point);
void HandleListClick(POINT point);
// Runs a card's button as a click on it would: the operation, or the card
// menu (the keyboard and screen readers press buttons this way).
void PressCardButton(size_t appIndex, FocusPart part);
