// Windows' high-contrast mode: whether it is on, and the palette made of the
// system colours that replaces the light and dark palettes while it is.
#pragma once

#include <functional>

#include "app/theme.h"

bool HighContrastOn();
Palette SystemColorPalette();

// Tests answer the question themselves (Wine always reports the mode off);
// an empty function asks Windows again.
void SetHighContrastQuery(std::function<bool()> query);
