// The line above the list: how many cards, groups and updates it shows.
#pragma once

#include <string>

#include "ui/list/card_layout.h"

// The summary line for the paint's own layout; without one, for the main
// window's current width.
std::wstring SummaryText(const CardListLayout& layout);
std::wstring SummaryText();
