// Scrolling the card list, and expanding or collapsing a card.
#pragma once

#include <cstddef>

// After a change to anything the list depends on: a new layout, scroll range and position.
void UpdateScrollMetrics();
// After a change of the window's size or of the expanded card only: the
// scroll range and position, from the kept grouping of the cards.
void UpdateScrollRange();
void ScrollTo(int position);
void HandleVerticalScroll(int request);
void HandleWheel(int wheelDelta);
void ToggleCard(size_t appIndex);
