// What a screen reader finds in the main window, as a tree of the window's
// elements answered from the layout and the rectangles that painting
// records: the header buttons, the list with one group per category and one
// item per card, an expanded card's buttons, the status strip, "Annuler"
// while an operation can be stopped, and the credit link. A node is the
// element it stands for (ElementId: a group's position, a card's entry), so
// it is checked against the current state at every question.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/view_records.h"
#include "ui/list/card_layout.h"

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
long ChildIdOf(const ElementId& node);
std::optional<ElementId> NodeOfChildId(const AccessibleView& view, long childId);

bool NodeExists(const AccessibleView& view, const ElementId& node);
std::vector<ElementId> ChildrenOf(const AccessibleView& view, const ElementId& node);
std::optional<ElementId> ParentOf(const AccessibleView& view, const ElementId& node);
// One child at a time, without listing them all: a list of thousands of
// groups or a group of thousands of cards is walked card by card.
size_t ChildCountOf(const AccessibleView& view, const ElementId& node);
std::optional<ElementId> NthChildOf(const AccessibleView& view, const ElementId& node, size_t position);
// accNavigate's answer (a NAVDIR_ value), or none.
std::optional<ElementId> NavigateFrom(const AccessibleView& view, const ElementId& node, long direction);

std::wstring NameOf(const AccessibleView& view, const ElementId& node);
std::wstring ValueOf(const ElementId& node);
std::wstring DescriptionOf(const ElementId& node);
std::wstring DefaultActionOf(const ElementId& node);
long RoleOf(const ElementId& node);
long StateOf(const AccessibleView& view, const ElementId& node);
// Client coordinates; an element scrolled out of the list gives its unclipped place.
RECT LocationOf(const AccessibleView& view, const ElementId& node);
// The child of `node` under a client point, if any.
std::optional<ElementId> ChildAt(const AccessibleView& view, const ElementId& node, POINT point);

// The node that has the keyboard focus, if any.
std::optional<ElementId> FocusedNode(const AccessibleView& view);
