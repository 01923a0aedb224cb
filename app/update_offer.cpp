#include "app/update_offer.h"

#include "base/sha256.h"
#include "catalog/catalog_model.h"

HoldKind HoldOf(const std::wstring& id, const Settings& settings, const Policies& policies) {
    if (policies.Lists(PolicyId::HeldTools, id)) return HoldKind::Organisation;
    if (settings.heldTools.Contains(id)) return HoldKind::User;
    return HoldKind::None;
}

bool UpdateIsOffered(const CatalogApp& app, HoldKind hold) {
    if (!app.installed || !app.updateAvailable || hold != HoldKind::None) return false;
    return app.kept.rolledBackFrom.empty() || !Sha256Matches(app.kept.rolledBackFrom, app.sha256);
}
