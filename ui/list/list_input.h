// What the mouse does on the card list.
#pragma once

#include <windows.h>

int HoverKeyAt(POINT point);
void HandleListClick(POINT point);
