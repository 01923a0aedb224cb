#include "ui/keyboard/focus_paint.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "app/state.h"
#include "app/theme.h"
#include "base/handles.h"
#include "ui/draw.h"
#include "ui/keyboard/focus_order.h"
#include "ui/list/card_buttons.h"

namespace {

// A frame of `thickness` pixels just inside `rect`.
void PaintRing(HDC dc, const RECT& rect, int thickness, COLORREF color) {
    if (!RectVisible(dc, &rect)) return;  // not in this band of the window
    FillSolid(dc, {rect.left, rect.top, rect.right, rect.top + thickness}, color);
    FillSolid(dc, {rect.left, rect.bottom - thickness, rect.right, rect.bottom}, color);
    FillSolid(dc, {rect.left, rect.top, rect.left + thickness, rect.bottom}, color);
    FillSolid(dc, {rect.right - thickness, rect.top, rect.right, rect.bottom}, color);
}

// The window's own buttons: the header's and "Annuler".
std::optional<RECT> FixedButtonRect(FocusPart part) {
    switch (part) {
    case FocusPart::SelfButton: return g_state.selfButtonRect;
    case FocusPart::RefreshButton: return g_state.refreshButtonRect;
    case FocusPart::OptionsButton: return g_state.optionsButtonRect;
    case FocusPart::CancelButton: return g_state.cancelButtonRect;
    default: return std::nullopt;
    }
}

}  // namespace

void PaintKeyboardFocus(HDC dc, const CardListLayout& layout, int clientWidth) {
    // One focus at a time: the credit link's cue wins.
    if (!g_state.focusCuesShown || g_state.linkFocused) return;
    const KeyboardFocus focus = EffectiveFocus(layout);
    if (focus.part == FocusPart::None) return;
    const int thickness = std::max(2, Scale(2));
    const COLORREF color = g_state.palette.accent;

    if (const std::optional<RECT> fixed = FixedButtonRect(focus.part)) {
        RECT ring = *fixed;
        InflateRect(&ring, thickness + 1, thickness + 1);
        PaintRing(dc, ring, thickness, color);
        return;
    }
    const std::optional<size_t> position = CardPosition(layout, focus.cardId);
    if (!position) return;
    ScopedSaveDc saved(dc);
    IntersectClipRect(dc, 0, g_state.listTop, clientWidth, g_state.listBottom);
    if (focus.part == FocusPart::Card) {
        RECT card = layout.cards[*position].bounds;
        OffsetRect(&card, 0, g_state.listTop - g_state.scrollPos);
        PaintRing(dc, card, thickness, color);
        return;
    }
    if (const std::optional<RECT> button = PaintedButtonBounds(layout.cards[*position].appIndex, focus.part)) {
        RECT ring = *button;
        InflateRect(&ring, thickness + 1, thickness + 1);
        PaintRing(dc, ring, thickness, color);
    }
}
