// The element that the keyboard focus is on in the main window. A card and
// its buttons are named by the entry's id, so the focus survives relayouts.
#pragma once

#include <string>

enum class FocusPart { None, SelfButton, RefreshButton, OptionsButton, Card, PrimaryButton, SecondButton, MenuButton };

struct KeyboardFocus {
    FocusPart part = FocusPart::None;
    std::wstring cardId;  // the entry's id for a card or one of its buttons

    bool OnCard() const { return part >= FocusPart::Card; }
    bool operator==(const KeyboardFocus&) const = default;
};
