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

// Everything in the main window that the mouse, the keyboard or a screen
// reader points at, each with one number. The window's own elements have a
// fixed number, which is also their child id for screen readers (0 is the
// window itself). Groups, cards and a card's buttons come once per group or
// entry: they are numbered from Group on and told apart by an index
// (ElementId). The order matters: a card's buttons follow the card, in the
// order they are painted.
enum class WindowElement : long {
    Window = 0,  // the client area itself; as a focus, none of its elements
    SelfButton = 1,
    RefreshButton = 2,
    OptionsButton = 3,
    List = 4,
    StatusStrip = 5,
    CreditLink = 6,
    CancelButton = 7,  // "Annuler" in the status strip
    Group = 100,
    Card,
    PrimaryButton,
    SecondButton,
    MenuButton
};

constexpr bool IsCardButton(WindowElement element) { return element > WindowElement::Card; }

// One element: what it is, and for the repeated ones which: a group's position
// in the layout, or the entry of a card or of a card's button.
struct ElementId {
    WindowElement element = WindowElement::Window;
    size_t index = 0;
    bool operator==(const ElementId&) const = default;
};

struct HitRecord {
    RECT bounds{};
    size_t appIndex = 0;
    ToolAction action = ToolAction::Launch;
    bool enabled = false;
    // What was painted there: Card for the title row, else one of the card's buttons.
    WindowElement element = WindowElement::Window;

    ElementId Id() const { return {element, appIndex}; }
    bool TogglesCard() const { return element == WindowElement::Card; }
    bool OpensMenu() const { return element == WindowElement::MenuButton; }
};

// The element with the keyboard focus. A card and its buttons are named by
// the entry's id, so the focus survives relayouts and catalogue reloads.
struct KeyboardFocus {
    WindowElement element = WindowElement::Window;
    std::wstring cardId;  // the entry's id for a card or one of its buttons

    bool OnCard() const { return element >= WindowElement::Card; }
    bool operator==(const KeyboardFocus&) const = default;
};

// One update announced by the popup: the entry's id and the sha256 it had when
// the popup was built, which together name the very file announced.
struct PopupItem {
    std::wstring id;
    std::wstring sha256;
};
