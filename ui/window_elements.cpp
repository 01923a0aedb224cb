#include "ui/window_elements.h"

#include "app/state.h"

std::optional<RECT> PaintedRectOf(WindowElement element) {
    switch (element) {
    case WindowElement::SelfButton: return g_state.selfButtonRect;
    case WindowElement::RefreshButton: return g_state.refreshButtonRect;
    case WindowElement::OptionsButton: return g_state.optionsButtonRect;
    case WindowElement::StatusStrip: return g_state.statusStripRect;
    case WindowElement::CreditLink: return g_state.siteLinkRect;
    case WindowElement::CancelButton: return g_state.cancelButtonRect;
    default: return std::nullopt;
    }
}
