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

// Child ids: the window's seven children by position, then groups and cards
// interleaved, five ids per index: group i, card i and its three possible
// buttons. Neither kind can run into the other, however many there are (the
// catalogue's size bounds the indices far below the range of a long).
constexpr long kIdsPerIndex = 5;
constexpr long kGroupSlot = 0;
constexpr long kCardSlot = 1;  // then its buttons

long ListId(size_t index, long slot) { return kFirstListElement + kIdsPerIndex * static_cast<long>(index) + slot; }

constexpr FocusPart kButtonParts[] = {FocusPart::PrimaryButton, FocusPart::SecondButton, FocusPart::MenuButton};

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

HeaderButton HeaderButtonOf(AccessibleKind kind) {
    switch (kind) {
    case AccessibleKind::RefreshButton: return HeaderButton::Refresh;
    case AccessibleKind::OptionsButton: return HeaderButton::Options;
    default: return HeaderButton::Self;
    }
}

bool HasKeyboardFocus(const AccessibleView& view, const AccessibleNode& node) {
    // Ids are unique: every card but the focused one's answers at once,
    // without the focus being looked up among all the cards.
    if (node.kind == AccessibleKind::Card || node.kind == AccessibleKind::CardButton) {
        const CatalogApp* app = AppAt(node.index);
        if (app == nullptr || !g_state.keyboardFocus.OnCard() || app->id != g_state.keyboardFocus.cardId) return false;
    }
    const std::optional<AccessibleNode> focused = FocusedNode(view);
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

long ChildIdOf(const AccessibleNode& node) {
    switch (node.kind) {
    case AccessibleKind::Client: return CHILDID_SELF;
    case AccessibleKind::SelfButton: return kSelfElement;
    case AccessibleKind::RefreshButton: return kRefreshElement;
    case AccessibleKind::OptionsButton: return kOptionsElement;
    case AccessibleKind::List: return kListElement;
    case AccessibleKind::StatusStrip: return kStatusElement;
    case AccessibleKind::CancelButton: return kCancelElement;
    case AccessibleKind::CreditLink: return kLinkElement;
    case AccessibleKind::Group: return ListId(node.index, kGroupSlot);
    case AccessibleKind::Card: return ListId(node.index, kCardSlot);
    case AccessibleKind::CardButton: break;
    }
    const long button = static_cast<long>(std::find(std::begin(kButtonParts), std::end(kButtonParts), node.part) -
                                          std::begin(kButtonParts));
    return ListId(node.index, kCardSlot + 1 + button);
}

std::optional<AccessibleNode> NodeOfChildId(const AccessibleView& view, long childId) {
    AccessibleNode node;
    switch (childId) {
    case CHILDID_SELF: node.kind = AccessibleKind::Client; break;
    case kSelfElement: node.kind = AccessibleKind::SelfButton; break;
    case kRefreshElement: node.kind = AccessibleKind::RefreshButton; break;
    case kOptionsElement: node.kind = AccessibleKind::OptionsButton; break;
    case kListElement: node.kind = AccessibleKind::List; break;
    case kStatusElement: node.kind = AccessibleKind::StatusStrip; break;
    case kCancelElement: node.kind = AccessibleKind::CancelButton; break;
    case kLinkElement: node.kind = AccessibleKind::CreditLink; break;
    default:
        if (childId < kFirstListElement) return std::nullopt;
        node.index = static_cast<size_t>((childId - kFirstListElement) / kIdsPerIndex);
        const long slot = (childId - kFirstListElement) % kIdsPerIndex;
        if (slot == kGroupSlot) {
            node.kind = AccessibleKind::Group;
        } else {
            node.kind = slot == kCardSlot ? AccessibleKind::Card : AccessibleKind::CardButton;
            if (slot > kCardSlot) node.part = kButtonParts[slot - kCardSlot - 1];
        }
    }
    if (!NodeExists(view, node)) return std::nullopt;
    return node;
}

bool NodeExists(const AccessibleView& view, const AccessibleNode& node) {
    switch (node.kind) {
    case AccessibleKind::Group: return node.index < view.layout.groups.size();
    case AccessibleKind::Card: return CardSlotOf(view, node.index).has_value();
    case AccessibleKind::CardButton:
        return CardSlotOf(view, node.index) && FindCardButton(g_state.apps[node.index], node.part).has_value();
    case AccessibleKind::CancelButton: return CancelButtonShown();
    default: return true;
    }
}

std::vector<AccessibleNode> ChildrenOf(const AccessibleView& view, const AccessibleNode& node) {
    std::vector<AccessibleNode> children;
    switch (node.kind) {
    case AccessibleKind::Client:
        for (AccessibleKind kind : {AccessibleKind::SelfButton, AccessibleKind::RefreshButton,
                                    AccessibleKind::OptionsButton, AccessibleKind::List, AccessibleKind::StatusStrip,
                                    AccessibleKind::CancelButton, AccessibleKind::CreditLink}) {
            if (kind != AccessibleKind::CancelButton || CancelButtonShown()) children.push_back({kind});
        }
        break;
    case AccessibleKind::List:
        for (size_t g = 0; g < view.layout.groups.size(); ++g) children.push_back({AccessibleKind::Group, g});
        break;
    case AccessibleKind::Group: {
        const auto [first, last] = CardRangeOf(view, node.index);
        for (size_t i = first; i < last; ++i) children.push_back({AccessibleKind::Card, view.layout.cards[i].appIndex});
        break;
    }
    case AccessibleKind::Card:
        if (const CatalogApp* app = AppAt(node.index)) {
            for (const CardButton& button : ExpandedCardButtons(*app)) {
                children.push_back({AccessibleKind::CardButton, node.index, button.part});
            }
        }
        break;
    default: break;
    }
    return children;
}

size_t ChildCountOf(const AccessibleView& view, const AccessibleNode& node) {
    switch (node.kind) {
    case AccessibleKind::List: return view.layout.groups.size();
    case AccessibleKind::Group: {
        const auto [first, last] = CardRangeOf(view, node.index);
        return last - first;
    }
    default: return ChildrenOf(view, node).size();
    }
}

std::optional<AccessibleNode> NthChildOf(const AccessibleView& view, const AccessibleNode& node, size_t position) {
    switch (node.kind) {
    case AccessibleKind::List:
        if (position >= view.layout.groups.size()) return std::nullopt;
        return AccessibleNode{AccessibleKind::Group, position};
    case AccessibleKind::Group: {
        const auto [first, last] = CardRangeOf(view, node.index);
        if (position >= last - first) return std::nullopt;
        return AccessibleNode{AccessibleKind::Card, view.layout.cards[first + position].appIndex};
    }
    default: {
        const std::vector<AccessibleNode> children = ChildrenOf(view, node);
        if (position >= children.size()) return std::nullopt;
        return children[position];
    }
    }
}

std::optional<AccessibleNode> NavigateFrom(const AccessibleView& view, const AccessibleNode& node, long direction) {
    if (direction == NAVDIR_FIRSTCHILD) return NthChildOf(view, node, 0);
    if (direction == NAVDIR_LASTCHILD) {
        const size_t count = ChildCountOf(view, node);
        return count == 0 ? std::nullopt : NthChildOf(view, node, count - 1);
    }
    const bool forward = direction == NAVDIR_NEXT || direction == NAVDIR_DOWN || direction == NAVDIR_RIGHT;
    const bool backward = direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP || direction == NAVDIR_LEFT;
    if (!forward && !backward) return std::nullopt;
    const std::optional<AccessibleNode> parent = ParentOf(view, node);
    if (!parent) return std::nullopt;
    // The node's place among its siblings, found without listing thousands of them.
    std::optional<size_t> position;
    if (node.kind == AccessibleKind::Group) {
        position = node.index;
    } else if (node.kind == AccessibleKind::Card) {
        if (const std::optional<size_t> slot = CardSlotOf(view, node.index)) {
            position = *slot - CardRangeOf(view, parent->index).first;
        }
    } else {
        const std::vector<AccessibleNode> siblings = ChildrenOf(view, *parent);
        const auto at = std::find(siblings.begin(), siblings.end(), node);
        if (at != siblings.end()) position = static_cast<size_t>(at - siblings.begin());
    }
    if (!position || (backward && *position == 0)) return std::nullopt;
    return NthChildOf(view, *parent, forward ? *position + 1 : *position - 1);
}

std::optional<AccessibleNode> ParentOf(const AccessibleView& view, const AccessibleNode& node) {
    switch (node.kind) {
    case AccessibleKind::Client: return std::nullopt;
    case AccessibleKind::Group: return AccessibleNode{AccessibleKind::List};
    case AccessibleKind::Card: {
        const std::optional<size_t> slot = CardSlotOf(view, node.index);
        const std::optional<size_t> group = slot ? GroupOfCard(view, *slot) : std::nullopt;
        if (!group) return std::nullopt;
        return AccessibleNode{AccessibleKind::Group, *group};
    }
    case AccessibleKind::CardButton: return AccessibleNode{AccessibleKind::Card, node.index};
    default: return AccessibleNode{AccessibleKind::Client};
    }
}

std::wstring NameOf(const AccessibleView& view, const AccessibleNode& node) {
    switch (node.kind) {
    case AccessibleKind::Client: return L"Orkvane";
    case AccessibleKind::SelfButton:
    case AccessibleKind::RefreshButton:
    case AccessibleKind::OptionsButton: return HeaderButtonNow(HeaderButtonOf(node.kind)).label;
    case AccessibleKind::List: return L"Mes applications";
    case AccessibleKind::StatusStrip: return g_state.statusText;
    case AccessibleKind::CancelButton: return L"Annuler";
    case AccessibleKind::CreditLink: return CreditText();
    case AccessibleKind::Group: {
        if (node.index >= view.layout.groups.size()) return {};
        const GroupBox& group = view.layout.groups[node.index];
        return std::wstring(GroupTitle(group)) + L", " + std::to_wstring(group.count) + L" applis";
    }
    case AccessibleKind::Card:
        if (const CatalogApp* app = AppAt(node.index)) return app->id;
        return {};
    case AccessibleKind::CardButton:
        if (const CatalogApp* app = AppAt(node.index)) {
            if (const std::optional<CardButton> button = FindCardButton(*app, node.part)) return button->label;
        }
        return {};
    }
    return {};
}

std::wstring ValueOf(const AccessibleNode& node) {
    switch (node.kind) {
    case AccessibleKind::Card:
        if (const CatalogApp* app = AppAt(node.index)) return StateText(*app);
        return {};
    case AccessibleKind::CreditLink: return SiteRoot();
    case AccessibleKind::List: return SummaryText();
    case AccessibleKind::StatusStrip: return ProgressAmountText();
    default: return {};
    }
}

std::wstring DescriptionOf(const AccessibleNode& node) {
    const CatalogApp* app = AppAt(node.index);
    if (app == nullptr) return {};
    if (node.kind == AccessibleKind::Card) return app->description;
    if (node.kind != AccessibleKind::CardButton || node.part != FocusPart::MenuButton) return {};
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

std::wstring DefaultActionOf(const AccessibleNode& node) {
    switch (node.kind) {
    case AccessibleKind::SelfButton:
        return GetSelfButtonState() == SelfButtonState::Current ? std::wstring() : L"Appuyer";
    case AccessibleKind::RefreshButton:
    case AccessibleKind::OptionsButton:
    case AccessibleKind::CancelButton:
    case AccessibleKind::CardButton: return L"Appuyer";
    case AccessibleKind::CreditLink: return L"Atteindre";
    case AccessibleKind::Card:
        if (const CatalogApp* app = AppAt(node.index)) return IsExpanded(*app) ? L"Réduire" : L"Développer";
        return {};
    default: return {};
    }
}

long RoleOf(const AccessibleNode& node) {
    switch (node.kind) {
    case AccessibleKind::Client: return ROLE_SYSTEM_CLIENT;
    case AccessibleKind::SelfButton:
        return GetSelfButtonState() == SelfButtonState::Current ? ROLE_SYSTEM_STATICTEXT : ROLE_SYSTEM_PUSHBUTTON;
    case AccessibleKind::RefreshButton:
    case AccessibleKind::OptionsButton:
    case AccessibleKind::CancelButton: return ROLE_SYSTEM_PUSHBUTTON;
    case AccessibleKind::List: return ROLE_SYSTEM_LIST;
    case AccessibleKind::Group: return ROLE_SYSTEM_GROUPING;
    case AccessibleKind::Card: return ROLE_SYSTEM_LISTITEM;
    case AccessibleKind::CardButton:
        return node.part == FocusPart::MenuButton ? ROLE_SYSTEM_BUTTONMENU : ROLE_SYSTEM_PUSHBUTTON;
    case AccessibleKind::StatusStrip: return ROLE_SYSTEM_STATICTEXT;
    case AccessibleKind::CreditLink: return ROLE_SYSTEM_LINK;
    }
    return ROLE_SYSTEM_CLIENT;
}

long StateOf(const AccessibleView& view, const AccessibleNode& node) {
    long state = 0;
    if (HasKeyboardFocus(view, node)) state |= STATE_SYSTEM_FOCUSED;
    switch (node.kind) {
    case AccessibleKind::SelfButton:
    case AccessibleKind::RefreshButton:
    case AccessibleKind::OptionsButton:
        if (node.kind == AccessibleKind::SelfButton && GetSelfButtonState() == SelfButtonState::Current) {
            return state | STATE_SYSTEM_READONLY;
        }
        state |= STATE_SYSTEM_FOCUSABLE;
        if (!HeaderButtonNow(HeaderButtonOf(node.kind)).enabled) state |= STATE_SYSTEM_UNAVAILABLE;
        return state;
    case AccessibleKind::Group:
        if (!ShownInList(view, LocationOf(view, node))) state |= STATE_SYSTEM_OFFSCREEN;
        return state;
    case AccessibleKind::Card: {
        const CatalogApp* app = AppAt(node.index);
        if (app == nullptr) return STATE_SYSTEM_UNAVAILABLE;
        state |= STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
        state |= IsExpanded(*app) ? (STATE_SYSTEM_EXPANDED | STATE_SYSTEM_SELECTED) : STATE_SYSTEM_COLLAPSED;
        if (!ShownInList(view, LocationOf(view, node))) state |= STATE_SYSTEM_OFFSCREEN;
        return state;
    }
    case AccessibleKind::CardButton: {
        const CatalogApp* app = AppAt(node.index);
        const std::optional<CardButton> button = app ? FindCardButton(*app, node.part) : std::nullopt;
        if (!button) return STATE_SYSTEM_UNAVAILABLE;
        state |= STATE_SYSTEM_FOCUSABLE;
        if (!button->enabled) state |= STATE_SYSTEM_UNAVAILABLE;
        if (button->opensMenu) state |= STATE_SYSTEM_HASPOPUP;
        if (!PaintedButtonBounds(node.index, node.part)) state |= STATE_SYSTEM_OFFSCREEN;
        return state;
    }
    case AccessibleKind::StatusStrip: return state | STATE_SYSTEM_READONLY;
    case AccessibleKind::CancelButton:
        // Pressed once, it waits for the worker to stop.
        return state | STATE_SYSTEM_FOCUSABLE | (g_state.cancelRequested ? STATE_SYSTEM_UNAVAILABLE : 0);
    case AccessibleKind::CreditLink: return state | STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE;
    default: return state | STATE_SYSTEM_FOCUSABLE;
    }
}

RECT LocationOf(const AccessibleView& view, const AccessibleNode& node) {
    switch (node.kind) {
    case AccessibleKind::Client: return view.client;
    case AccessibleKind::SelfButton: return g_state.selfButtonRect;
    case AccessibleKind::RefreshButton: return g_state.refreshButtonRect;
    case AccessibleKind::OptionsButton: return g_state.optionsButtonRect;
    case AccessibleKind::List: return view.listArea;
    case AccessibleKind::StatusStrip: return g_state.statusStripRect;
    case AccessibleKind::CancelButton: return g_state.cancelButtonRect;
    case AccessibleKind::CreditLink: return g_state.siteLinkRect;
    case AccessibleKind::Group:
        if (node.index >= view.layout.groups.size()) return {};
        return ClippedToList(view, OnScreen(view, view.layout.groups[node.index].bounds));
    case AccessibleKind::Card:
    case AccessibleKind::CardButton: break;
    }
    if (node.kind == AccessibleKind::CardButton) {
        if (const std::optional<RECT> painted = PaintedButtonBounds(node.index, node.part)) return *painted;
    }
    const std::optional<size_t> slot = CardSlotOf(view, node.index);
    if (!slot) return {};
    return ClippedToList(view, OnScreen(view, view.layout.cards[*slot].bounds));
}

std::optional<AccessibleNode> ChildAt(const AccessibleView& view, const AccessibleNode& node, POINT point) {
    for (const AccessibleNode& child : ChildrenOf(view, node)) {
        const RECT place = LocationOf(view, child);
        const bool listItem = child.kind == AccessibleKind::Group || child.kind == AccessibleKind::Card ||
                              child.kind == AccessibleKind::CardButton;
        // What is scrolled out of the list cannot be under the pointer.
        if (listItem && !PtInRect(&view.listArea, point)) continue;
        if (PtInRect(&place, point)) return child;
    }
    return std::nullopt;
}

std::optional<AccessibleNode> FocusedNode(const AccessibleView& view) {
    if (g_state.linkFocused) return AccessibleNode{AccessibleKind::CreditLink};
    return NodeOfFocus(view, EffectiveFocus(view.layout));
}

std::optional<AccessibleNode> NodeOfFocus(const AccessibleView& view, const KeyboardFocus& focus) {
    switch (focus.part) {
    case FocusPart::None: return std::nullopt;
    case FocusPart::SelfButton: return AccessibleNode{AccessibleKind::SelfButton};
    case FocusPart::RefreshButton: return AccessibleNode{AccessibleKind::RefreshButton};
    case FocusPart::OptionsButton: return AccessibleNode{AccessibleKind::OptionsButton};
    case FocusPart::CancelButton: return AccessibleNode{AccessibleKind::CancelButton};
    default: break;
    }
    const std::optional<size_t> slot = CardPosition(view.layout, focus.cardId);
    if (!slot) return std::nullopt;
    const size_t appIndex = view.layout.cards[*slot].appIndex;
    if (focus.part == FocusPart::Card) return AccessibleNode{AccessibleKind::Card, appIndex};
    return AccessibleNode{AccessibleKind::CardButton, appIndex, focus.part};
}
