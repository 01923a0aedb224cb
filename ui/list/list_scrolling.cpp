// Scroll metrics of the card list, scroll requests, and expanding a card
// without losing it from view.
#include <windows.h>

#include <algorithm>
#include <optional>

#include "app/state.h"
#include "app/theme.h"
#include "catalog/catalog_model.h"
#include "ui/list/card_layout.h"
#include "ui/list/card_metrics.h"
#include "ui/list/list_scrolling.h"
#include "ui/repaint.h"

namespace {

RECT MainClientRect() {
    RECT client{};
    if (g_state.mainWindow != nullptr) GetClientRect(g_state.mainWindow, &client);
    return client;
}

int MaxScrollPos() {
    const int page = std::max(0, g_state.listBottom - g_state.listTop);
    return std::max(0, g_state.contentHeight - page);
}

void ForgetPaintedAreas() {
    g_state.hitRecords.clear();
    g_state.cardRects.clear();
}

std::optional<RECT> CardBounds(const CardListLayout& layout, size_t appIndex) {
    const std::optional<size_t> card = CardOfEntry(layout, appIndex);
    if (!card) return std::nullopt;
    return layout.cards[*card].bounds;
}

}  // namespace

void UpdateScrollMetrics() {
    MarkListLayoutStale();
    UpdateScrollRange();
}

void UpdateScrollRange() {
    ForgetPaintedAreas();
    const RECT client = MainClientRect();
    const int width = client.right - client.left;
    g_state.listTop = ComputeHeaderLayout(width).headerHeight + Scale(48);
    g_state.listBottom = std::max(static_cast<int>(client.bottom) - Scale(70), g_state.listTop);
    g_state.contentHeight = CurrentCardLayout(width).contentHeight;

    const int page = std::max(0, g_state.listBottom - g_state.listTop);
    g_state.scrollPos = std::clamp(g_state.scrollPos, 0, MaxScrollPos());

    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = std::max(0, g_state.contentHeight - 1);
    info.nPage = static_cast<UINT>(page);
    info.nPos = g_state.scrollPos;
    SetScrollInfo(g_state.mainWindow, SB_VERT, &info, TRUE);
}

void ScrollTo(int position) {
    const int clamped = std::clamp(position, 0, MaxScrollPos());
    if (clamped != g_state.scrollPos) ForgetPaintedAreas();
    g_state.scrollPos = clamped;

    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_POS;
    info.nPos = clamped;
    SetScrollInfo(g_state.mainWindow, SB_VERT, &info, TRUE);
    InvalidateMainWindow(g_state.mainWindow);
}

void HandleVerticalScroll(int request) {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(g_state.mainWindow, SB_VERT, &info);
    const int page = static_cast<int>(info.nPage);
    const int pos = g_state.scrollPos;

    switch (request) {
    case SB_LINEUP: ScrollTo(pos - Scale(kCardTitleHeight)); break;
    case SB_LINEDOWN: ScrollTo(pos + Scale(kCardTitleHeight)); break;
    case SB_PAGEUP: ScrollTo(pos - (page - Scale(kPageOverlap))); break;
    case SB_PAGEDOWN: ScrollTo(pos + (page - Scale(kPageOverlap))); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: ScrollTo(info.nTrackPos); break;
    case SB_TOP: ScrollTo(0); break;
    case SB_BOTTOM: ScrollTo(g_state.contentHeight); break;
    default: break;
    }
}

void HandleWheel(int wheelDelta) {
    // A notch away from the user (positive delta) moves towards the top.
    ScrollTo(g_state.scrollPos - MulDiv(Scale(120), wheelDelta, WHEEL_DELTA));
}

void ToggleCard(size_t appIndex) {
    if (appIndex >= g_state.apps.size()) return;
    const int width = MainClientRect().right;
    const std::optional<RECT> before = CardBounds(CurrentCardLayout(width), appIndex);

    const std::wstring& id = g_state.apps[appIndex].id;
    const bool expanding = id != g_state.expandedId;
    g_state.expandedId = expanding ? id : std::wstring();

    UpdateScrollRange();
    const std::optional<RECT> after = CardBounds(CurrentCardLayout(width), appIndex);
    int target = g_state.scrollPos;
    if (before && after) {
        // Keep the card where it was on screen, even when a card above it
        // has just collapsed.
        target += after->top - before->top;
        const int visibleHeight = g_state.listBottom - g_state.listTop;
        if (expanding && visibleHeight >= after->bottom - after->top) {
            target = std::max(target, static_cast<int>(after->bottom) - visibleHeight + Scale(kViewMargin));
        }
    }
    ScrollTo(target);
    InvalidateMainWindow(g_state.mainWindow);
}
