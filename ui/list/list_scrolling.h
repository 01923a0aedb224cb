// Scrolling the card list, and expanding or collapsing a card.
#pragma once

#include <cstddef>

// After a change to anything the list depends on: a new layout, scroll range and position.
void UpdateScrollMetrics();
void ScrollTo(int position);
void HandleVerticalScroll(int request);
void HandleWheel(int wheelDelta);
void ToggleCard(size_t appIndex);
