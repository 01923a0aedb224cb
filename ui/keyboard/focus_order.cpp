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

KeyboardFocus EffectiveFocus(const CardListLayout& layout) {
    KeyboardFocus focus = g_state.keyboardFocus;
    switch (focus.part) {
    case FocusPart::None: return focus;
    case FocusPart::SelfButton:
        if (GetSelfButtonState() == SelfButtonState::Current) return {FocusPart::RefreshButton, {}};
        return focus;
    case FocusPart::RefreshButton:
    case FocusPart::OptionsButton: return focus;
    case FocusPart::CancelButton:
        // Once the operation is over, the focus goes where Up from the list goes.
        if (!CancelButtonShown()) return {HeaderFocusStops().front(), {}};
        return focus;
    default: break;
    }
    const std::optional<size_t> position = CardPosition(layout, focus.cardId);
    if (!position) return {};
    if (focus.part != FocusPart::Card && !FindCardButton(g_state.apps[layout.cards[*position].appIndex], focus.part)) {
        focus.part = FocusPart::Card;
    }
    return focus;
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
