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

// Past the fixed elements: what the last paint recorded, by position.
constexpr int kFirstHitKey = kFirstListElement;
constexpr int kFirstCardKey = 100000;

const HitRecord* EnabledRecordAt(POINT point, size_t* position = nullptr) {
    for (size_t i = 0; i < g_state.hitRecords.size(); ++i) {
        const HitRecord& record = g_state.hitRecords[i];
        if (record.enabled && PtInRect(&record.bounds, point)) {
            if (position != nullptr) *position = i;
            return &record;
        }
    }
    return nullptr;
}

}  // namespace

int HoverKeyAt(POINT point) {
    if (PtInRect(&g_state.optionsButtonRect, point)) return kOptionsElement;
    if (PtInRect(&g_state.selfButtonRect, point)) return kSelfElement;
    if (PtInRect(&g_state.refreshButtonRect, point)) return kRefreshElement;
    if (PtInRect(&g_state.cancelButtonRect, point)) return kCancelElement;
    size_t position = 0;
    if (EnabledRecordAt(point, &position) != nullptr) return kFirstHitKey + static_cast<int>(position);
    for (size_t i = 0; i < g_state.cardRects.size(); ++i) {
        if (PtInRect(&g_state.cardRects[i], point)) return kFirstCardKey + static_cast<int>(i);
    }
    return 0;
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

void PressCardButton(size_t appIndex, FocusPart part) {
    if (appIndex >= g_state.apps.size()) return;
    const std::optional<CardButton> button = FindCardButton(g_state.apps[appIndex], part);
    if (!button || !button->enabled) return;
    if (!button->opensMenu) {
        Upward().startToolOperation(appIndex, button->action);
        return;
    }
    OpenCardMenu(appIndex);
}
