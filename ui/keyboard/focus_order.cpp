#include "ui/keyboard/focus_order.h"

#include <windows.h>

#include <algorithm>

#include "app/state.h"
#include "app/theme.h"
#include "catalog/catalog_model.h"
#include "ui/header_model.h"
#include "ui/list/card_buttons.h"
#include "ui/list/card_layout.h"
#include "ui/list/card_metrics.h"
#include "ui/list/list_scrolling.h"
#include "ui/status_progress.h"

CardListLayout CurrentListLayout() {
    RECT client{};
    if (g_state.mainWindow != nullptr) GetClientRect(g_state.mainWindow, &client);
    return CurrentCardLayout(client.right - client.left);
}

std::optional<size_t> CardPosition(const CardListLayout& layout, const std::wstring& id) {
    for (size_t i = 0; i < layout.cards.size(); ++i) {
        const size_t index = layout.cards[i].appIndex;
        if (index < g_state.apps.size() && g_state.apps[index].id == id) return i;
    }
    return std::nullopt;
}

namespace {

KeyboardFocus CheckedFocus(const CardListLayout& layout, KeyboardFocus focus) {
    switch (focus.element) {
    case WindowElement::Window:
    case WindowElement::CreditLink: return focus;
    case WindowElement::SelfButton:
        if (GetSelfButtonState() == SelfButtonState::Current) return {WindowElement::RefreshButton, {}};
        return focus;
    case WindowElement::RefreshButton:
    case WindowElement::OptionsButton: return focus;
    case WindowElement::CancelButton:
        // Once the operation is over, the focus goes where Up from the list goes.
        if (!CancelButtonShown()) return {HeaderFocusStops().front(), {}};
        return focus;
    default: break;
    }
    const std::optional<size_t> position = CardPosition(layout, focus.cardId);
    if (!position) return {};
    if (focus.element != WindowElement::Card &&
        !FindCardButton(g_state.apps[layout.cards[*position].appIndex], focus.element)) {
        focus.element = WindowElement::Card;
    }
    return focus;
}

}  // namespace

KeyboardFocus EffectiveFocus(const CardListLayout& layout) { return CheckedFocus(layout, g_state.keyboardFocus); }

KeyboardFocus NavigationFocus(const CardListLayout& layout) {
    const bool onLink = g_state.keyboardFocus.element == WindowElement::CreditLink;
    return CheckedFocus(layout, onLink ? g_state.focusBeforeLink : g_state.keyboardFocus);
}

std::optional<ElementId> ElementOfFocus(const CardListLayout& layout, const KeyboardFocus& focus) {
    if (focus.element == WindowElement::Window) return std::nullopt;
    if (!focus.OnCard()) return ElementId{focus.element};
    const std::optional<size_t> position = CardPosition(layout, focus.cardId);
    if (!position) return std::nullopt;
    return ElementId{focus.element, layout.cards[*position].appIndex};
}

std::optional<KeyboardFocus> FocusOfElement(const ElementId& element) {
    switch (element.element) {
    case WindowElement::SelfButton:
    case WindowElement::RefreshButton:
    case WindowElement::OptionsButton:
    case WindowElement::CancelButton: return KeyboardFocus{element.element, {}};
    case WindowElement::Card:
    case WindowElement::PrimaryButton:
    case WindowElement::SecondButton:
    case WindowElement::MenuButton:
        if (element.index >= g_state.apps.size()) return std::nullopt;
        return KeyboardFocus{element.element, g_state.apps[element.index].id};
    default: return std::nullopt;
    }
}

void ScrollCardIntoView(const CardListLayout& layout, size_t position) {
    if (position >= layout.cards.size()) return;
    const RECT& card = layout.cards[position].bounds;
    int top = card.top - Scale(kViewMargin);
    for (size_t g = 0; g < layout.spans.size() && g < layout.groups.size(); ++g) {
        // The first card of a group brings the group's title along.
        if (layout.spans[g].firstCard == position) top = layout.groups[g].bounds.top;
    }
    const int bottom = card.bottom + Scale(kViewMargin);
    const int page = std::max(0, g_state.listBottom - g_state.listTop);
    if (top < g_state.scrollPos) {
        ScrollTo(top);
    } else if (bottom > g_state.scrollPos + page) {
        // A card taller than the list shows its top.
        ScrollTo(std::min(top, bottom - page));
    }
}
