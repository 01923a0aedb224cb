// What the mouse is over in the main window, and what a click on the card
// list asks for. Works on the rectangles that the last paint recorded.
#include <windows.h>

#include "app/state.h"
#include "operations/operation_runner.h"
#include "ui/list/card_buttons.h"
#include "ui/list/card_layout.h"
#include "ui/list/card_menu.h"
#include "ui/list/list_input.h"
#include "ui/list/list_scrolling.h"
#include "ui/upward_calls.h"
#include "ui/window_elements.h"

namespace {

const HitRecord* EnabledRecordAt(POINT point) {
    for (const HitRecord& record : g_state.hitRecords) {
        if (record.enabled && PtInRect(&record.bounds, point)) return &record;
    }
    return nullptr;
}

}  // namespace

ElementId HotElementAt(POINT point) {
    // The credit link and the status text have no hover colour.
    for (WindowElement button : {WindowElement::OptionsButton, WindowElement::SelfButton, WindowElement::RefreshButton,
                                 WindowElement::CancelButton}) {
        const std::optional<RECT> rect = PaintedRectOf(button);
        if (rect && PtInRect(&*rect, point)) return {button};
    }
    if (const HitRecord* record = EnabledRecordAt(point)) return record->Id();
    // Anywhere else on a card, the card: its title row shows the hover
    // while the mouse is on any of it.
    for (const CardSlot& card : g_state.cardRects) {
        if (PtInRect(&card.bounds, point)) return {WindowElement::Card, card.appIndex};
    }
    return {};
}

void HandleListClick(POINT point) {
    const HitRecord* found = EnabledRecordAt(point);
    if (found == nullptr) return;
    // Copied: toggling or starting a job may empty the records.
    const HitRecord record = *found;

    if (record.TogglesCard()) {
        if (record.appIndex < g_state.apps.size()) ToggleCard(record.appIndex);
    } else if (!record.OpensMenu()) {
        Upward().startToolOperation(record.appIndex, record.action);
    } else if (!g_state.busy && record.appIndex < g_state.apps.size()) {
        ShowCardMenu(record);
    }
}

void PressCardButton(size_t appIndex, WindowElement element) {
    if (appIndex >= g_state.apps.size()) return;
    const std::optional<CardButton> button = FindCardButton(g_state.apps[appIndex], element);
    if (!button || !button->enabled) return;
    if (!button->opensMenu) {
        Upward().startToolOperation(appIndex, button->action);
        return;
    }
    OpenCardMenu(appIndex);
}
