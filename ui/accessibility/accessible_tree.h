// What a screen reader finds in the main window, as a tree of nodes answered
// from the layout and the rectangles that painting records: the header
// buttons, the list with one group per category and one item per card, an
// expanded card's buttons, the status strip, "Annuler" while an operation can
// be stopped, and the credit link. Nodes name
// what they stand for (a group's position, a card's entry), so they are
// checked against the current state at every question.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/view_records.h"
#include "ui/list/card_layout.h"

enum class AccessibleKind {
    Client,
    SelfButton,
    RefreshButton,
    OptionsButton,
    List,
    Group,
    Card,
    CardButton,
    StatusStrip,
    CancelButton,
    CreditLink
};

struct AccessibleNode {
    AccessibleKind kind = AccessibleKind::Client;
    size_t index = 0;                  // Group: its position; Card, CardButton: the entry's index
    FocusPart part = FocusPart::Card;  // CardButton: which one
    bool operator==(const AccessibleNode&) const = default;
};

// The list as it is laid out and scrolled now. The layout is the one the
// state keeps for painting, not a copy: a view serves the call that makes it.
struct AccessibleView {
    const CardListLayout& layout;
    RECT client{};
    RECT listArea{};
    int dy = 0;  // content to client coordinates
};
AccessibleView CurrentAccessibleView();

// Every node has one number among the window's children (event child ids).
long ChildIdOf(const AccessibleNode& node);
std::optional<AccessibleNode> NodeOfChildId(const AccessibleView& view, long childId);

bool NodeExists(const AccessibleView& view, const AccessibleNode& node);
std::vector<AccessibleNode> ChildrenOf(const AccessibleView& view, const AccessibleNode& node);
std::optional<AccessibleNode> ParentOf(const AccessibleView& view, const AccessibleNode& node);
// One child at a time, without listing them all: a list of thousands of
// groups or a group of thousands of cards is walked card by card.
size_t ChildCountOf(const AccessibleView& view, const AccessibleNode& node);
std::optional<AccessibleNode> NthChildOf(const AccessibleView& view, const AccessibleNode& node, size_t position);
// accNavigate's answer (a NAVDIR_ value), or none.
std::optional<AccessibleNode> NavigateFrom(const AccessibleView& view, const AccessibleNode& node, long direction);

std::wstring NameOf(const AccessibleView& view, const AccessibleNode& node);
std::wstring ValueOf(const AccessibleNode& node);
std::wstring DescriptionOf(const AccessibleNode& node);
std::wstring DefaultActionOf(const AccessibleNode& node);
long RoleOf(const AccessibleNode& node);
long StateOf(const AccessibleView& view, const AccessibleNode& node);
// Client coordinates; an element scrolled out of the list gives its unclipped place.
RECT LocationOf(const AccessibleView& view, const AccessibleNode& node);
// The child of `node` under a client point, if any.
std::optional<AccessibleNode> ChildAt(const AccessibleView& view, const AccessibleNode& node, POINT point);

// The node that has the keyboard focus: the credit link with its cue, else the
// keyboard focus of the header or the list, else none.
std::optional<AccessibleNode> FocusedNode(const AccessibleView& view);
std::optional<AccessibleNode> NodeOfFocus(const AccessibleView& view, const KeyboardFocus& focus);
