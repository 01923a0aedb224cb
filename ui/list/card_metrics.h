// The heights of the card list, in 96-dpi units (Scale makes them pixels):
// the layout stacks cards with them, painting fills them, and scrolling and
// the keyboard step through the list by them.
#pragma once

// A group's title band, above its first card.
inline constexpr int kGroupTitleHeight = 38;
// A card's title row: all of a collapsed card, and one step of the list.
inline constexpr int kCardTitleHeight = 38;
// What an expanded card adds below its title row: description, version, buttons.
inline constexpr int kCardDetailsHeight = 112;
// What a page step keeps in view of the page it leaves.
inline constexpr int kPageOverlap = 40;
// Space kept between a card brought into view and the list's edge.
inline constexpr int kViewMargin = 8;
