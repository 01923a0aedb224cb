#include "ui/list/card_buttons.h"

#include <windows.h>

#include "app/state.h"
#include "catalog/catalog_model.h"
#include "operations/operation_runner.h"
#include "ui/jobs/tool_operation.h"
#include "ui/list/card_layout.h"
#include "ui/list/card_menu.h"

std::vector<CardButton> ExpandedCardButtons(const CatalogApp& app) {
    if (!IsExpanded(app)) return {};
    const bool canRun = g_state.installedMode && !g_state.busy;
    std::vector<CardButton> buttons;
    if (!app.installed) {
        buttons.push_back({FocusPart::PrimaryButton, L"Installer", HitAction::Install, canRun, false});
    } else if (app.updateAvailable) {
        buttons.push_back({FocusPart::PrimaryButton, L"Mettre à jour", HitAction::Install, canRun, false});
        buttons.push_back({FocusPart::SecondButton, L"Lancer", HitAction::Launch, canRun, false});
    } else {
        buttons.push_back({FocusPart::PrimaryButton, L"Lancer", HitAction::Launch, canRun, false});
    }
    if (app.installed) {
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
    // A card's records come as title row, main button, second button, menu.
    int actionButtons = 0;
    for (const HitRecord& record : g_state.hitRecords) {
        if (record.appIndex != appIndex || record.togglesCard) continue;
        if (record.opensMenu) {
            if (part == FocusPart::MenuButton) return record.bounds;
            continue;
        }
        ++actionButtons;
        if ((actionButtons == 1 && part == FocusPart::PrimaryButton) ||
            (actionButtons == 2 && part == FocusPart::SecondButton)) {
            return record.bounds;
        }
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
    anchor.opensMenu = true;
    anchor.enabled = true;
    if (const std::optional<RECT> bounds = PaintedButtonBounds(appIndex, part)) anchor.bounds = *bounds;
    ShowCardMenu(anchor);
}
