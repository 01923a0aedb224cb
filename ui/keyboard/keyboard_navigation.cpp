#include "ui/keyboard/keyboard_navigation.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "app/state.h"
#include "app/theme.h"
#include "catalog/catalog_load.h"
#include "catalog/catalog_model.h"
#include "ui/header_model.h"
#include "ui/jobs/catalog_start.h"
#include "ui/jobs/operation_start.h"
#include "ui/jobs/self_commands.h"
#include "ui/keyboard/focus_order.h"
#include "ui/list/card_buttons.h"
#include "ui/list/card_layout.h"
#include "ui/list/card_menu.h"
#include "ui/list/card_metrics.h"
#include "ui/list/list_input.h"
#include "ui/list/list_scrolling.h"
#include "ui/options/options_dialog.h"
#include "ui/repaint.h"
#include "ui/site_link.h"
#include "ui/status_progress.h"
#include "ui/upward_calls.h"

namespace {

bool Repeated(LPARAM flags) { return (flags & (LPARAM{1} << 30)) != 0; }
bool KeyHeld(int key) { return GetKeyState(key) < 0; }

void ShowFocusCues(HWND window) { SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0); }

KeyboardFocus CardFocus(const CardListLayout& layout, size_t position, WindowElement element) {
    return {element, g_state.apps[layout.cards[position].appIndex].id};
}

void FocusCard(HWND window, const CardListLayout& layout, size_t position,
               WindowElement element = WindowElement::Card) {
    if (layout.cards.empty()) return;
    position = std::min(position, layout.cards.size() - 1);
    SetKeyboardFocus(window, CardFocus(layout, position, element));
    ScrollCardIntoView(layout, position);
}

// Where the list is entered from outside it: the first card on screen.
size_t FirstCardInView(const CardListLayout& layout) {
    for (size_t i = 0; i < layout.cards.size(); ++i) {
        if (layout.cards[i].bounds.bottom > g_state.scrollPos) return i;
    }
    return 0;
}

// Cards that one page of the list holds, at least one.
size_t CardsPerPage() {
    const int page = g_state.listBottom - g_state.listTop - Scale(kPageOverlap);
    return static_cast<size_t>(std::max(1, page / std::max(1, Scale(kCardTitleHeight))));
}

void FocusHeader(HWND window, size_t stop) {
    const std::vector<WindowElement> stops = HeaderFocusStops();
    SetKeyboardFocus(window, {stops[std::min(stop, stops.size() - 1)], {}});
}

size_t HeaderStopOf(WindowElement button) {
    const std::vector<WindowElement> stops = HeaderFocusStops();
    const auto found = std::find(stops.begin(), stops.end(), button);
    return found == stops.end() ? 0 : static_cast<size_t>(found - stops.begin());
}

// Up, Down, Page Up, Page Down, Home and End.
void MoveVertically(HWND window, const CardListLayout& layout, const KeyboardFocus& focus, WPARAM key) {
    if (layout.cards.empty()) {
        if (focus.element == WindowElement::Window) FocusHeader(window, 0);
        return;
    }
    const size_t last = layout.cards.size() - 1;
    if (key == VK_HOME) return FocusCard(window, layout, 0);
    if (key == VK_END) return FocusCard(window, layout, last);
    // "Annuler" lies below the list: up goes back to the last card.
    if (focus.element == WindowElement::CancelButton) {
        if (key == VK_UP || key == VK_PRIOR) FocusCard(window, layout, last);
        return;
    }

    const std::optional<size_t> current = focus.OnCard() ? CardPosition(layout, focus.cardId) : std::nullopt;
    if (!current) {
        // From the header or from nowhere, every key enters the list, except
        // Up, which has nothing above the header.
        if (focus.element == WindowElement::Window || key != VK_UP) FocusCard(window, layout, FirstCardInView(layout));
        return;
    }
    const size_t step = (key == VK_PRIOR || key == VK_NEXT) ? CardsPerPage() : 1;
    if (key == VK_DOWN && *current == last && CancelButtonShown()) {
        return SetKeyboardFocus(window, {WindowElement::CancelButton, {}});
    }
    if (key == VK_DOWN || key == VK_NEXT) return FocusCard(window, layout, std::min(last, *current + step));
    if (*current == 0 && key == VK_UP) return FocusHeader(window, 0);
    FocusCard(window, layout, *current >= step ? *current - step : 0);
}

// Left and Right: along the header, or into and out of an expanded card, as
// in a tree: Right expands, then enters the buttons; Left goes back.
void MoveSideways(HWND window, const CardListLayout& layout, const KeyboardFocus& focus, bool right) {
    if (focus.element == WindowElement::Window) return MoveVertically(window, layout, focus, VK_DOWN);
    if (focus.element == WindowElement::CancelButton) return;
    if (!focus.OnCard()) {
        const size_t stop = HeaderStopOf(focus.element);
        const size_t count = HeaderFocusStops().size();
        if (right && stop + 1 < count) FocusHeader(window, stop + 1);
        if (!right && stop > 0) FocusHeader(window, stop - 1);
        return;
    }
    const std::optional<size_t> position = CardPosition(layout, focus.cardId);
    if (!position) return;
    const size_t appIndex = layout.cards[*position].appIndex;
    const CatalogApp& app = g_state.apps[appIndex];
    const std::vector<CardButton> buttons = ExpandedCardButtons(app);

    if (focus.element == WindowElement::Card) {
        if (right && !IsExpanded(app)) {
            ToggleCard(appIndex);
        } else if (right && !buttons.empty()) {
            FocusCard(window, layout, *position, buttons.front().element);
        } else if (!right && IsExpanded(app)) {
            ToggleCard(appIndex);
        }
        return;
    }
    const auto at = std::find_if(buttons.begin(), buttons.end(),
                                 [&](const CardButton& button) { return button.element == focus.element; });
    if (at == buttons.end()) return;
    if (right && at + 1 != buttons.end()) FocusCard(window, layout, *position, (at + 1)->element);
    if (!right) FocusCard(window, layout, *position, at == buttons.begin() ? WindowElement::Card : (at - 1)->element);
}

void OpenFocusedCardMenu(const CardListLayout& layout, const KeyboardFocus& focus) {
    if (!focus.OnCard()) return;
    if (const std::optional<size_t> position = CardPosition(layout, focus.cardId)) {
        OpenCardMenu(layout.cards[*position].appIndex);
    }
}

// F6 moves between the header, the list and "Annuler" while it is shown, as
// it moves between panes.
void SwitchArea(HWND window, const CardListLayout& layout, const KeyboardFocus& focus) {
    const bool inHeader = !focus.OnCard() && focus.element != WindowElement::CancelButton;
    if (inHeader && !layout.cards.empty()) {
        FocusCard(window, layout, FirstCardInView(layout));
    } else if (focus.element != WindowElement::CancelButton && CancelButtonShown()) {
        SetKeyboardFocus(window, {WindowElement::CancelButton, {}});
    } else {
        FocusHeader(window, 0);
    }
}

}  // namespace

void SetKeyboardFocus(HWND window, const KeyboardFocus& focus) {
    g_state.keyboardFocus = focus;
    InvalidateMainWindow(window);
    Upward().reportAccessibleChanges(window);
}

void PressElement(const ElementId& element) {
    switch (element.element) {
    case WindowElement::SelfButton: ClickSelfButton(); break;
    case WindowElement::RefreshButton: StartCatalogLoad(false); break;  // does nothing while busy
    case WindowElement::OptionsButton: ShowOptionsDialog(); break;
    case WindowElement::CancelButton: PressCancelButton(); break;
    case WindowElement::CreditLink: OpenSiteLink(); break;
    case WindowElement::Card: ToggleCard(element.index); break;
    case WindowElement::PrimaryButton:
    case WindowElement::SecondButton:
    case WindowElement::MenuButton: PressCardButton(element.index, element.element); break;
    default: break;
    }
}

void TabToOrFromCreditLink() {
    if (g_state.keyboardFocus.element == WindowElement::CreditLink) return LeaveCreditLink();
    g_state.focusBeforeLink = g_state.keyboardFocus;
    g_state.keyboardFocus = {WindowElement::CreditLink, {}};
}

void LeaveCreditLink() {
    if (g_state.keyboardFocus.element == WindowElement::CreditLink) g_state.keyboardFocus = g_state.focusBeforeLink;
}

bool OnNavigationKey(HWND window, WPARAM key, LPARAM flags) {
    const CardListLayout layout = CurrentListLayout();
    const KeyboardFocus focus = NavigationFocus(layout);
    switch (key) {
    case VK_F5:
        if (!Repeated(flags)) StartCatalogLoad(false);
        return true;
    case 'O':
        if (!KeyHeld(VK_CONTROL)) return false;
        if (!Repeated(flags)) ShowOptionsDialog();
        return true;
    case VK_RETURN:
    case VK_SPACE:
        ShowFocusCues(window);
        if (Repeated(flags)) return true;
        if (const std::optional<ElementId> element = ElementOfFocus(layout, focus)) PressElement(*element);
        return true;
    case VK_APPS:
        ShowFocusCues(window);
        OpenFocusedCardMenu(layout, focus);
        return true;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_F6: break;
    default: return false;
    }
    // The focus leaves the credit link for the list or the header.
    LeaveCreditLink();
    ShowFocusCues(window);
    if (key == VK_F6) {
        SwitchArea(window, layout, focus);
    } else if (key == VK_LEFT || key == VK_RIGHT) {
        MoveSideways(window, layout, focus, key == VK_RIGHT);
    } else {
        MoveVertically(window, layout, focus, key);
    }
    InvalidateMainWindow(window);
    return true;
}

bool OnNavigationSysKey(HWND window, WPARAM key) {
    if (key != VK_F10 || !KeyHeld(VK_SHIFT)) return false;
    return OnNavigationKey(window, VK_APPS, 0);
}

bool SwallowsKeyUp(WPARAM key) { return key == VK_APPS; }

void OnPointerPress(HWND window, POINT point) {
    SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    for (const HitRecord& record : g_state.hitRecords) {
        if (record.TogglesCard() && record.appIndex < g_state.apps.size() && PtInRect(&record.bounds, point)) {
            SetKeyboardFocus(window, {WindowElement::Card, g_state.apps[record.appIndex].id});
            return;
        }
    }
}

void OnChangeUiState(HWND window, WPARAM wParam) {
    // A top-level window applies the change to itself, as the default
    // handling does on Windows (Wine leaves it out).
    const WORD action = LOWORD(wParam);
    if ((HIWORD(wParam) & UISF_HIDEFOCUS) == 0) return;
    const bool hide = action == UIS_SET;
    if ((action == UIS_SET || action == UIS_CLEAR) && hide == g_state.focusCuesShown) {
        SendMessageW(window, WM_UPDATEUISTATE, wParam, 0);
    }
}

void OnUpdateUiState(HWND window, WPARAM wParam) {
    if ((HIWORD(wParam) & UISF_HIDEFOCUS) == 0) return;
    const WORD action = LOWORD(wParam);
    if (action != UIS_SET && action != UIS_CLEAR) return;
    const bool shown = action == UIS_CLEAR;
    if (shown == g_state.focusCuesShown) return;
    g_state.focusCuesShown = shown;
    InvalidateMainWindow(window);
}
