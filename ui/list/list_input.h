// What the mouse does on the card list.
#pragma once

#include <windows.h>

#include <cstddef>

#include "app/view_records.h"

// The element whose hover colour a mouse at `point` shows: a button of the
// window, an enabled button of a card, or a card; Window over none of them.
// A mouse move repaints only when it changes.
ElementId HotElementAt(POINT point);
void HandleListClick(POINT point);
// Runs a card's button as a click on it would: the operation, or the card
// menu (the keyboard and screen readers press buttons this way).
void PressCardButton(size_t appIndex, WindowElement button);
