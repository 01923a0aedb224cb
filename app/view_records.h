// The records that the windows keep in the application state: the list's
// layout and hit areas, the keyboard focus, the update popup's items. Types
// only; the functions that make and use them live in ui/.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/tool_action.h"

struct CardSlot {
    RECT bounds{};
    size_t appIndex = 0;
};

struct GroupBox {
    RECT bounds{};
    // The entry whose category titles the group (GroupTitle): tens of
    // thousands of groups are laid out without a copy of each title.
    size_t titleEntry = 0;
    size_t count = 0;
};

// Where a group's cards lie in `cards`, and where its row of panels ends.
// Group tops and row bottoms only grow in layout order, and so do the cards
// of one group: painting finds what the list shows by binary search.
struct GroupSpan {
    size_t firstCard = 0;
    size_t endCard = 0;
    int rowBottom = 0;
};

inline constexpr size_t kNoCard = static_cast<size_t>(-1);

struct CardListLayout {
    std::vector<CardSlot> cards;
    std::vector<GroupBox> groups;
    std::vector<GroupSpan> spans;  // one per group
    int contentHeight = 0;
    size_t updateCount = 0;  // of those, installed with an update waiting
    // A screen reader asks about one card at a time, by its entry: where each
    // entry's card lies in `cards` (kNoCard for an entry without one), and
    // the group of each card.
    std::vector<size_t> cardOfEntry;
    std::vector<size_t> groupOfCard;
};

// The list's layout kept between paints, and what it was made for. Width,
// dpi, secret mode, expanded card and entry count are compared on each use;
// anything else it depends on (the entries' contents, the theme) goes
// through MarkListLayoutStale.
struct KeptListLayout {
    CardListLayout layout;
    bool stale = true;
    int width = 0;
    int dpi = 0;
    bool secretMode = false;
    std::wstring expandedId;
    size_t entries = 0;
};

// The parts of the main window that take the keyboard focus or a click. A card
// and its buttons are named by the entry's id, so the focus survives relayouts.
// The parts of the window itself come before Card.
enum class FocusPart {
    None,
    SelfButton,
    RefreshButton,
    OptionsButton,
    CancelButton,  // "Annuler" in the status strip
    Card,
    PrimaryButton,
    SecondButton,
    MenuButton
};

struct HitRecord {
    RECT bounds{};
    size_t appIndex = 0;
    ToolAction action = ToolAction::Launch;
    bool enabled = false;
    // What was painted there: Card for the title row, else one of the card's buttons.
    FocusPart part = FocusPart::None;

    bool TogglesCard() const { return part == FocusPart::Card; }
    bool OpensMenu() const { return part == FocusPart::MenuButton; }
};


struct KeyboardFocus {
    FocusPart part = FocusPart::None;
    std::wstring cardId;  // the entry's id for a card or one of its buttons

    bool OnCard() const { return part >= FocusPart::Card; }
    bool operator==(const KeyboardFocus&) const = default;
};

// One update announced by the popup: the entry's id and the sha256 it had when
// the popup was built, which together name the very file announced.
struct PopupItem {
    std::wstring id;
    std::wstring sha256;
};
