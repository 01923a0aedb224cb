// The order in which the keyboard visits the main window: the header's
// buttons, then the cards in reading order (group by group as laid out, each
// group's cards top to bottom), and into an expanded card its buttons.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "app/view_records.h"
#include "ui/list/card_layout.h"

// The card list as laid out for the main window's current width.
CardListLayout CurrentListLayout();


// Position in layout.cards of the card with that id, if it is shown.
std::optional<size_t> CardPosition(const CardListLayout& layout, const std::wstring& id);

// The stored focus, checked against what is shown now: a button that is gone
// falls back to its card, a card that is gone to nothing.
KeyboardFocus EffectiveFocus(const CardListLayout& layout);
// Where the arrows and the menu key start from: the focus, or, while the
// credit link has it, the element Tab took it from; checked the same way.
KeyboardFocus NavigationFocus(const CardListLayout& layout);

// The element that a focus names, if it is shown; and the focus that names
// an element, for the elements that take it from a screen reader (the
// credit link takes it by Tab alone, which remembers where it came from).
std::optional<ElementId> ElementOfFocus(const CardListLayout& layout, const KeyboardFocus& focus);
std::optional<KeyboardFocus> FocusOfElement(const ElementId& element);

// Scrolls the list so that the card at `position` (with its group's title
// when it is the group's first card) is in view.
void ScrollCardIntoView(const CardListLayout& layout, size_t position);
