// What the header's buttons show and whether a press acts, read by their
// painter, the keyboard's focus order, the screen-reader tree and the clicks.
#pragma once

#include <vector>

#include "app/view_records.h"

enum class SelfButtonState { Portable = 0, UpdateAvailable = 1, Current = 2 };

SelfButtonState GetSelfButtonState();

enum class HeaderButton { Self, Refresh, Options };

struct HeaderButtonFace {
    const wchar_t* label;
    bool enabled;
};
// The button as it is now: its label, and whether a press does something.
HeaderButtonFace HeaderButtonNow(HeaderButton button);

// The header buttons that act, left to right: the self button only when it
// offers something (it is a label once the program is current).
std::vector<WindowElement> HeaderFocusStops();
