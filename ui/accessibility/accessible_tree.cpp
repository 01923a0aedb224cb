#include "ui/accessibility/accessible_tree.h"

#include <windows.h>
#include <oleacc.h>

#include <algorithm>

#include "app/state.h"
#include "app/theme.h"
#include "catalog/catalog_model.h"
#include "catalog/utf8.h"
#include "catalog/web_host.h"
#include "ui/header_model.h"
#include "ui/keyboard/focus_order.h"
#include "ui/list/card_buttons.h"
#include "ui/list/card_layout.h"
#include "ui/list/list_summary.h"
#include "ui/progress_text.h"
#include "ui/status_progress.h"
#include "ui/window_elements.h"

namespace {

// Child ids: the window's own elements by their number, then the repeated
// ones interleaved, one id for each of them per index: group i, card i and
// its three possible buttons. Neither can run into another, however many
// there are (the catalogue's size bounds the indices far below the range of a
// long).
constexpr long kFirstRepeated = static_cast<long>(WindowElement::Group);
constexpr long kIdsPerIndex = static_cast<long>(WindowElement::MenuButton) - kFirstRepeated + 1;

bool IsRepeated(WindowElement element) { return element >= WindowElement::Group; }

const CatalogApp* AppAt(size_t index) { return index < g_state.apps.size() ? &g_state.apps[index] : nullptr; }

std::optional<size_t> CardSlotOf(const AccessibleView& view, size_t appIndex) {
    return CardOfEntry(view.layout, appIndex);
}

// The cards of group `group` are a run of layout.cards, in order.
std::pair<size_t, size_t> CardRangeOf(const AccessibleView& view, size_t group) {
    if (group >= view.layout.spans.size()) return {0, 0};
    const GroupSpan& span = view.layout.spans[group];
    return {span.firstCard, span.endCard};
}

std::optional<size_t> GroupOfCard(const AccessibleView& view, size_t slot) {
    if (slot >= view.layout.groupOfCard.size()) return std::nullopt;
    return view.layout.groupOfCard[slot];
}

RECT OnScreen(const AccessibleView& view, RECT content) {
    OffsetRect(&content, 0, view.dy);
    return content;
}

// The part of a list element inside the list area, or all of it when none is.
RECT ClippedToList(const AccessibleView& view, const RECT& rect) {
    RECT visible{};
    return IntersectRect(&visible, &rect, &view.listArea) ? visible : rect;
}

bool ShownInList(const AccessibleView& view, const RECT& rect) {
    RECT visible{};
    return IntersectRect(&visible, &rect, &view.listArea) != FALSE;
}

// The card's state as screen readers say it.
std::wstring StateText(const CatalogApp& app) { return kCardStateWords.Of(CardStateOf(app)).spoken; }

HeaderButton HeaderButtonOf(WindowElement element) {
    switch (element) {
    case WindowElement::RefreshButton: return HeaderButton::Refresh;
    case WindowElement::OptionsButton: return HeaderButton::Options;
    default: return HeaderButton::Self;
    }
}

bool HasKeyboardFocus(const AccessibleView& view, const ElementId& node) {
    // Ids are unique: every card but the focused one's answers at once,
    // without the focus being looked up among all the cards.
    if (node.element == WindowElement::Card || IsCardButton(node.element)) {
        const CatalogApp* app = AppAt(node.index);
        if (app == nullptr || !g_state.keyboardFocus.OnCard() || app->id != g_state.keyboardFocus.cardId) return false;
    }
    const std::optional<ElementId> focused = FocusedNode(view);
    return focused && *focused == node;
}

}  // namespace

AccessibleView CurrentAccessibleView() {
    RECT client{};
    if (g_state.mainWindow != nullptr) GetClientRect(g_state.mainWindow, &client);
    return {CurrentCardLayout(client.right),
            client,
            {0, g_state.listTop, client.right, g_state.listBottom},
            g_state.listTop - g_state.scrollPos};
}

long ChildIdOf(const ElementId& node) {
    const long number = static_cast<long>(node.element);
    if (!IsRepeated(node.element)) return number;
    return kFirstRepeated + kIdsPerIndex * static_cast<long>(node.index) + (number - kFirstRepeated);
}

std::optional<ElementId> NodeOfChildId(const AccessibleView& view, long childId) {
    ElementId node;
    if (childId >= kFirstRepeated) {
        node.element = static_cast<WindowElement>(kFirstRepeated + (childId - kFirstRepeated) % kIdsPerIndex);
        node.index = static_cast<size_t>((childId - kFirstRepeated) / kIdsPerIndex);
    } else if (childId >= static_cast<long>(WindowElement::Window) &&
               childId <= static_cast<long>(WindowElement::CancelButton)) {
        node.element = static_cast<WindowElement>(childId);
    } else {
        return std::nullopt;
    }
    if (!NodeExists(view, node)) return std::nullopt;
    return node;
}

bool NodeExists(const AccessibleView& view, const ElementId& node) {
    switch (node.element) {
    case WindowElement::Group: return node.index < view.layout.groups.size();
    case WindowElement::Card: return CardSlotOf(view, node.index).has_value();
    case WindowElement::CancelButton: return CancelButtonShown();
    default:
        if (!IsCardButton(node.element)) return true;
        return CardSlotOf(view, node.index) && FindCardButton(g_state.apps[node.index], node.element).has_value();
    }
}

std::vector<ElementId> ChildrenOf(const AccessibleView& view, const ElementId& node) {
    std::vector<ElementId> children;
    switch (node.element) {
    case WindowElement::Window:
        for (WindowElement element : {WindowElement::SelfButton, WindowElement::RefreshButton,
                                      WindowElement::OptionsButton, WindowElement::List, WindowElement::StatusStrip,
                                      WindowElement::CancelButton, WindowElement::CreditLink}) {
            if (element != WindowElement::CancelButton || CancelButtonShown()) children.push_back({element});
        }
        break;
    case WindowElement::List:
        for (size_t g = 0; g < view.layout.groups.size(); ++g) children.push_back({WindowElement::Group, g});
        break;
    case WindowElement::Group: {
        const auto [first, last] = CardRangeOf(view, node.index);
        for (size_t i = first; i < last; ++i) children.push_back({WindowElement::Card, view.layout.cards[i].appIndex});
        break;
    }
    case WindowElement::Card:
        if (const CatalogApp* app = AppAt(node.index)) {
            for (const CardButton& button : ExpandedCardButtons(*app)) {
                children.push_back({button.element, node.index});
            }
        }
        break;
    default: break;
    }
    return children;
}

size_t ChildCountOf(const AccessibleView& view, const ElementId& node) {
    switch (node.element) {
    case WindowElement::List: return view.layout.groups.size();
    case WindowElement::Group: {
        const auto [first, last] = CardRangeOf(view, node.index);
        return last - first;
    }
    default: return ChildrenOf(view, node).size();
    }
}

std::optional<ElementId> NthChildOf(const AccessibleView& view, const ElementId& node, size_t position) {
    switch (node.element) {
    case WindowElement::List:
        if (position >= view.layout.groups.size()) return std::nullopt;
        return ElementId{WindowElement::Group, position};
    case WindowElement::Group: {
        const auto [first, last] = CardRangeOf(view, node.index);
        if (position >= last - first) return std::nullopt;
        return ElementId{WindowElement::Card, view.layout.cards[first + position].appIndex};
    }
    default: {
        const std::vector<ElementId> children = ChildrenOf(view, node);
        if (position >= children.size()) return std::nullopt;
        return children[position];
    }
    }
}

std::optional<ElementId> NavigateFrom(const AccessibleView& view, const ElementId& node, long direction) {
    if (direction == NAVDIR_FIRSTCHILD) return NthChildOf(view, node, 0);
    if (direction == NAVDIR_LASTCHILD) {
        const size_t count = ChildCountOf(view, node);
        return count == 0 ? std::nullopt : NthChildOf(view, node, count - 1);
    }
    const bool forward = direction == NAVDIR_NEXT || direction == NAVDIR_DOWN || direction == NAVDIR_RIGHT;
    const bool backward = direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP || direction == NAVDIR_LEFT;
    if (!forward && !backward) return std::nullopt;
    const std::optional<ElementId> parent = ParentOf(view, node);
    if (!parent) return std::nullopt;
    // The node's place among its siblings, found without listing thousands of them.
    std::optional<size_t> position;
    if (node.element == WindowElement::Group) {
        position = node.index;
    } else if (node.element == WindowElement::Card) {
        if (const std::optional<size_t> slot = CardSlotOf(view, node.index)) {
            position = *slot - CardRangeOf(view, parent->index).first;
        }
    } else {
        const std::vector<ElementId> siblings = ChildrenOf(view, *parent);
        const auto at = std::find(siblings.begin(), siblings.end(), node);
        if (at != siblings.end()) position = static_cast<size_t>(at - siblings.begin());
    }
    if (!position || (backward && *position == 0)) return std::nullopt;
    return NthChildOf(view, *parent, forward ? *position + 1 : *position - 1);
}

std::optional<ElementId> ParentOf(const AccessibleView& view, const ElementId& node) {
    switch (node.element) {
    case WindowElement::Window: return std::nullopt;
    case WindowElement::Group: return ElementId{WindowElement::List};
    case WindowElement::Card: {
        const std::optional<size_t> slot = CardSlotOf(view, node.index);
        const std::optional<size_t> group = slot ? GroupOfCard(view, *slot) : std::nullopt;
        if (!group) return std::nullopt;
        return ElementId{WindowElement::Group, *group};
    }
    case WindowElement::PrimaryButton:
    case WindowElement::SecondButton:
    case WindowElement::MenuButton: return ElementId{WindowElement::Card, node.index};
    default: return ElementId{WindowElement::Window};
    }
}

std::wstring NameOf(const AccessibleView& view, const ElementId& node) {
    switch (node.element) {
    case WindowElement::Window: return L"Orkvane";
    case WindowElement::SelfButton:
    case WindowElement::RefreshButton:
    case WindowElement::OptionsButton: return HeaderButtonNow(HeaderButtonOf(node.element)).label;
    case WindowElement::List: return L"Mes applications";
    case WindowElement::StatusStrip: return g_state.statusText;
    case WindowElement::CancelButton: return L"Annuler";
    case WindowElement::CreditLink: return CreditText();
    case WindowElement::Group: {
        if (node.index >= view.layout.groups.size()) return {};
        const GroupBox& group = view.layout.groups[node.index];
        return std::wstring(GroupTitle(group)) + L", " + std::to_wstring(group.count) + L" applis";
    }
    case WindowElement::Card:
        if (const CatalogApp* app = AppAt(node.index)) return app->id;
        return {};
    case WindowElement::PrimaryButton:
    case WindowElement::SecondButton:
    case WindowElement::MenuButton:
        if (const CatalogApp* app = AppAt(node.index)) {
            if (const std::optional<CardButton> button = FindCardButton(*app, node.element)) return button->label;
        }
        return {};
    }
    return {};
}

std::wstring ValueOf(const ElementId& node) {
    switch (node.element) {
    case WindowElement::Card:
        if (const CatalogApp* app = AppAt(node.index)) return StateText(*app);
        return {};
    case WindowElement::CreditLink: return SiteRoot();
    case WindowElement::List: return SummaryText();
    case WindowElement::StatusStrip: return ProgressAmountText();
    default: return {};
    }
}

std::wstring DescriptionOf(const ElementId& node) {
    const CatalogApp* app = AppAt(node.index);
    if (app == nullptr) return {};
    if (node.element == WindowElement::Card) return app->description;
    if (node.element != WindowElement::MenuButton) return {};
    // What the menu button opens, so that it is heard before the menu is,
    // with the reason of an item the organisation greys out (a greyed menu
    // item is read as unavailable, never why).
    std::wstring items;
    for (const CardAction* action : CardMenuActions(*app)) {
        if (!items.empty()) items += L", ";
        items += action->label;
        const char* reason = action->disabledBecause != nullptr ? action->disabledBecause(*app) : nullptr;
        if (reason != nullptr) items += L" (indisponible : " + Utf8ToWide(reason) + L")";
    }
    return items;
}

std::wstring DefaultActionOf(const ElementId& node) {
    switch (node.element) {
    case WindowElement::SelfButton:
        return GetSelfButtonState() == SelfButtonState::Current ? std::wstring() : L"Appuyer";
    case WindowElement::RefreshButton:
    case WindowElement::OptionsButton:
    case WindowElement::CancelButton:
    case WindowElement::PrimaryButton:
    case WindowElement::SecondButton:
    case WindowElement::MenuButton: return L"Appuyer";
    case WindowElement::CreditLink: return L"Atteindre";
    case WindowElement::Card:
        if (const CatalogApp* app = AppAt(node.index)) return IsExpanded(*app) ? L"Réduire" : L"Développer";
        return {};
    default: return {};
    }
}

long RoleOf(const ElementId& node) {
    switch (node.element) {
    case WindowElement::Window: return ROLE_SYSTEM_CLIENT;
    case WindowElement::SelfButton:
        return GetSelfButtonState() == SelfButtonState::Current ? ROLE_SYSTEM_STATICTEXT : ROLE_SYSTEM_PUSHBUTTON;
    case WindowElement::RefreshButton:
    case WindowElement::OptionsButton:
    case WindowElement::CancelButton: return ROLE_SYSTEM_PUSHBUTTON;
    case WindowElement::List: return ROLE_SYSTEM_LIST;
    case WindowElement::Group: return ROLE_SYSTEM_GROUPING;
    case WindowElement::Card: return ROLE_SYSTEM_LISTITEM;
    case WindowElement::PrimaryButton:
    case WindowElement::SecondButton: return ROLE_SYSTEM_PUSHBUTTON;
    case WindowElement::MenuButton: return ROLE_SYSTEM_BUTTONMENU;
    case WindowElement::StatusStrip: return ROLE_SYSTEM_STATICTEXT;
    case WindowElement::CreditLink: return ROLE_SYSTEM_LINK;
    }
    return ROLE_SYSTEM_CLIENT;
}

long StateOf(const AccessibleView& view, const ElementId& node) {
    long state = 0;
    if (HasKeyboardFocus(view, node)) state |= STATE_SYSTEM_FOCUSED;
    switch (node.element) {
    case WindowElement::SelfButton:
    case WindowElement::RefreshButton:
    case WindowElement::OptionsButton:
        if (node.element == WindowElement::SelfButton && GetSelfButtonState() == SelfButtonState::Current) {
            return state | STATE_SYSTEM_READONLY;
        }
        state |= STATE_SYSTEM_FOCUSABLE;
        if (!HeaderButtonNow(HeaderButtonOf(node.element)).enabled) state |= STATE_SYSTEM_UNAVAILABLE;
        return state;
    case WindowElement::Group:
        if (!ShownInList(view, LocationOf(view, node))) state |= STATE_SYSTEM_OFFSCREEN;
        return state;
    case WindowElement::Card: {
        const CatalogApp* app = AppAt(node.index);
        if (app == nullptr) return STATE_SYSTEM_UNAVAILABLE;
        state |= STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
        state |= IsExpanded(*app) ? (STATE_SYSTEM_EXPANDED | STATE_SYSTEM_SELECTED) : STATE_SYSTEM_COLLAPSED;
        if (!ShownInList(view, LocationOf(view, node))) state |= STATE_SYSTEM_OFFSCREEN;
        return state;
    }
    case WindowElement::PrimaryButton:
    case WindowElement::SecondButton:
    case WindowElement::MenuButton: {
        const CatalogApp* app = AppAt(node.index);
        const std::optional<CardButton> button = app ? FindCardButton(*app, node.element) : std::nullopt;
        if (!button) return STATE_SYSTEM_UNAVAILABLE;
        state |= STATE_SYSTEM_FOCUSABLE;
        if (!button->enabled) state |= STATE_SYSTEM_UNAVAILABLE;
        if (button->opensMenu) state |= STATE_SYSTEM_HASPOPUP;
        if (!PaintedButtonBounds(node.index, node.element)) state |= STATE_SYSTEM_OFFSCREEN;
        return state;
    }
    case WindowElement::StatusStrip: return state | STATE_SYSTEM_READONLY;
    case WindowElement::CancelButton:
        // Pressed once, it waits for the worker to stop.
        return state | STATE_SYSTEM_FOCUSABLE | (g_state.cancelRequested ? STATE_SYSTEM_UNAVAILABLE : 0);
    case WindowElement::CreditLink: return state | STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE;
    default: return state | STATE_SYSTEM_FOCUSABLE;
    }
}

RECT LocationOf(const AccessibleView& view, const ElementId& node) {
    if (const std::optional<RECT> painted = PaintedRectOf(node.element)) return *painted;
    switch (node.element) {
    case WindowElement::Window: return view.client;
    case WindowElement::List: return view.listArea;
    case WindowElement::Group:
        if (node.index >= view.layout.groups.size()) return {};
        return ClippedToList(view, OnScreen(view, view.layout.groups[node.index].bounds));
    default: break;
    }
    if (IsCardButton(node.element)) {
        if (const std::optional<RECT> painted = PaintedButtonBounds(node.index, node.element)) return *painted;
    }
    const std::optional<size_t> slot = CardSlotOf(view, node.index);
    if (!slot) return {};
    return ClippedToList(view, OnScreen(view, view.layout.cards[*slot].bounds));
}

std::optional<ElementId> ChildAt(const AccessibleView& view, const ElementId& node, POINT point) {
    for (const ElementId& child : ChildrenOf(view, node)) {
        const RECT place = LocationOf(view, child);
        const bool listItem = IsRepeated(child.element);
        // What is scrolled out of the list cannot be under the pointer.
        if (listItem && !PtInRect(&view.listArea, point)) continue;
        if (PtInRect(&place, point)) return child;
    }
    return std::nullopt;
}

std::optional<ElementId> FocusedNode(const AccessibleView& view) {
    return ElementOfFocus(view.layout, EffectiveFocus(view.layout));
}
