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
#include "ui/window_elements.h"

namespace {

// A frame of `thickness` pixels just inside `rect`.
void PaintRing(HDC dc, const RECT& rect, int thickness, COLORREF color) {
    if (!RectVisible(dc, &rect)) return;  // not in this band of the window
    FillSolid(dc, {rect.left, rect.top, rect.right, rect.top + thickness}, color);
    FillSolid(dc, {rect.left, rect.bottom - thickness, rect.right, rect.bottom}, color);
    FillSolid(dc, {rect.left, rect.top, rect.left + thickness, rect.bottom}, color);
    FillSolid(dc, {rect.right - thickness, rect.top, rect.right, rect.bottom}, color);
}

}  // namespace

void PaintKeyboardFocus(HDC dc, const CardListLayout& layout, int clientWidth) {
    if (!g_state.focusCuesShown) return;
    const KeyboardFocus focus = EffectiveFocus(layout);
    // The credit link draws its own dotted cue with the footer.
    if (focus.element == WindowElement::Window || focus.element == WindowElement::CreditLink) return;
    const int thickness = std::max(2, Scale(2));
    const COLORREF color = g_state.palette.accent;

    if (!focus.OnCard()) {
        if (const std::optional<RECT> fixed = PaintedRectOf(focus.element)) {
            RECT ring = *fixed;
            InflateRect(&ring, thickness + 1, thickness + 1);
            PaintRing(dc, ring, thickness, color);
        }
        return;
    }
    const std::optional<size_t> position = CardPosition(layout, focus.cardId);
    if (!position) return;
    ScopedSaveDc saved(dc);
    IntersectClipRect(dc, 0, g_state.listTop, clientWidth, g_state.listBottom);
    if (focus.element == WindowElement::Card) {
        RECT card = layout.cards[*position].bounds;
        OffsetRect(&card, 0, g_state.listTop - g_state.scrollPos);
        PaintRing(dc, card, thickness, color);
        return;
    }
    if (const std::optional<RECT> button = PaintedButtonBounds(layout.cards[*position].appIndex, focus.element)) {
        RECT ring = *button;
        InflateRect(&ring, thickness + 1, thickness + 1);
        PaintRing(dc, ring, thickness, color);
    }
}
