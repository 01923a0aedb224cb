#include "ui/list/card_buttons.h"

#include <windows.h>

#include <algorithm>

#include "app/state.h"
#include "catalog/catalog_model.h"
#include "operations/operation_runner.h"
#include "ui/jobs/tool_operation.h"
#include "ui/list/card_layout.h"
#include "ui/list/card_menu.h"

CardState CardStateOf(const CatalogApp& app) {
    if (!app.installed) return CardState::NotInstalled;
    return app.updateAvailable ? CardState::UpdateAvailable : CardState::UpToDate;
}

bool CardActionEnabled(const CardAction& action, bool installedMode, bool busy) {
    return !busy && (installedMode || !action.needsInstalledMode);
}

std::vector<CardButton> ExpandedCardButtons(const CatalogApp& app) {
    if (!IsExpanded(app)) return {};
    const CardState state = CardStateOf(app);
    std::vector<CardButton> buttons;
    bool menuOffersMore = false;
    for (const CardAction& action : kCardActions) {
        const FocusPart part = action.button.Of(state);
        if (part != FocusPart::None) {
            buttons.push_back({part, action.label, action.action,
                               CardActionEnabled(action, g_state.installedMode, g_state.busy), false});
        } else if (action.inMenu.Of(state)) {
            menuOffersMore = true;
        }
    }
    std::stable_sort(buttons.begin(), buttons.end(),
                     [](const CardButton& a, const CardButton& b) { return a.part < b.part; });
    if (menuOffersMore) {
        buttons.push_back({FocusPart::MenuButton, kCardMenuButtonName, HitAction::Launch, !g_state.busy, true});
    }
    return buttons;
}

std::optional<CardButton> FindCardButton(const CatalogApp& app, FocusPart part) {
    for (const CardButton& button : ExpandedCardButtons(app)) {
        if (button.part == part) return button;
    }
    return std::nullopt;
}

std::optional<RECT> PaintedButtonBounds(size_t appIndex, FocusPart part) {
    for (const HitRecord& record : g_state.hitRecords) {
        if (record.appIndex == appIndex && record.part == part) return record.bounds;
    }
    return std::nullopt;
}

void PressCardButton(size_t appIndex, FocusPart part) {
    if (appIndex >= g_state.apps.size()) return;
    const std::optional<CardButton> button = FindCardButton(g_state.apps[appIndex], part);
    if (!button || !button->enabled) return;
    if (!button->opensMenu) {
        StartToolOperation(appIndex, button->action);
        return;
    }
    // The menu lines up with the button as drawn; before any paint, with the card.
    HitRecord anchor{};
    anchor.appIndex = appIndex;
    anchor.part = FocusPart::MenuButton;
    anchor.enabled = true;
    if (const std::optional<RECT> bounds = PaintedButtonBounds(appIndex, part)) anchor.bounds = *bounds;
    ShowCardMenu(anchor);
}
