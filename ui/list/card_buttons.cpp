#include "ui/list/card_buttons.h"

#include <windows.h>

#include <algorithm>

#include "app/state.h"
#include "app/tool_refusal.h"
#include "app/update_offer.h"
#include "base/messages.h"
#include "catalog/catalog_model.h"
#include "ui/list/card_layout.h"

CardState CardStateOf(const CatalogApp& app) {
    if (!app.installed) return CardState::NotInstalled;
    switch (HoldOf(app.id, CurrentHolds())) {
    case HoldKind::Organisation: return CardState::HeldByOrganisation;
    case HoldKind::User: return CardState::Held;
    case HoldKind::None: break;
    }
    // A release whose staged rollout has not reached this PC is not offered here yet.
    return UpdateShown(app) ? CardState::UpdateAvailable : CardState::UpToDate;
}

bool OffersPreviousVersion(const CatalogApp& app) { return app.kept.previousKept; }

bool HasNewRelease(const CatalogApp& app) { return app.updateAvailable; }

const char* WhyNoRelease(const CatalogApp& app) {
    return HoldOf(app.id, CurrentHolds()) == HoldKind::Organisation ? msg::kHeldByOrganisation : nullptr;
}

const char* WhyNoRemoval(const CatalogApp& app) {
    const ToolRefusal refusal = RefusalOf(app, ToolAction::Uninstall, g_state.policies);
    return refusal == ToolRefusal::None ? nullptr : RefusalText(refusal);
}

bool CardActionEnabled(const CardAction& action, const CatalogApp& app, bool installedMode, bool busy) {
    if (busy || (!installedMode && action.needsInstalledMode)) return false;
    return action.disabledBecause == nullptr || action.disabledBecause(app) == nullptr;
}

bool CardOffersAction(const CardAction& action, const CatalogApp& app, bool inMenu) {
    const CardState state = CardStateOf(app);
    const bool inState = inMenu ? action.inMenu.Of(state) : action.button.Of(state) != WindowElement::Window;
    return inState && (action.availableFor == nullptr || action.availableFor(app));
}

std::vector<const CardAction*> CardMenuActions(const CatalogApp& app) {
    std::vector<const CardAction*> actions;
    for (const CardAction& action : kCardActions) {
        if (CardOffersAction(action, app, true)) actions.push_back(&action);
    }
    return actions;
}

std::vector<CardButton> ExpandedCardButtons(const CatalogApp& app) {
    if (!IsExpanded(app)) return {};
    const CardState state = CardStateOf(app);
    std::vector<CardButton> buttons;
    bool menuOffersMore = false;
    for (const CardAction& action : kCardActions) {
        if (CardOffersAction(action, app, false)) {
            buttons.push_back({action.button.Of(state), action.label, action.action,
                               CardActionEnabled(action, app, g_state.installedMode, g_state.busy), false});
        } else if (CardOffersAction(action, app, true)) {
            menuOffersMore = true;
        }
    }
    std::stable_sort(buttons.begin(), buttons.end(),
                     [](const CardButton& a, const CardButton& b) { return a.element < b.element; });
    if (menuOffersMore) {
        buttons.push_back({WindowElement::MenuButton, kCardMenuButtonName, ToolAction::Launch, !g_state.busy, true});
    }
    return buttons;
}

std::optional<CardButton> FindCardButton(const CatalogApp& app, WindowElement element) {
    for (const CardButton& button : ExpandedCardButtons(app)) {
        if (button.element == element) return button;
    }
    return std::nullopt;
}

std::optional<RECT> PaintedButtonBounds(size_t appIndex, WindowElement button) {
    const ElementId wanted{button, appIndex};
    for (const HitRecord& record : g_state.hitRecords) {
        if (record.Id() == wanted) return record.bounds;
    }
    return std::nullopt;
}
