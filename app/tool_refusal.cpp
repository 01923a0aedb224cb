#include "app/tool_refusal.h"

#include "base/messages.h"
#include "catalog/catalog_model.h"

ToolRefusal RefusalOf(const CatalogApp& app, ToolAction action, const Policies& policies) {
    switch (action) {
    case ToolAction::Install:
        // A first install is no update: a held tool may still be installed.
        if (app.installed && policies.Lists(PolicyId::HeldTools, app.id)) return ToolRefusal::HeldByOrganisation;
        break;
    case ToolAction::Uninstall:
        if (policies.Lists(PolicyId::RequiredTools, app.id)) return ToolRefusal::RequiredByOrganisation;
        break;
    case ToolAction::Launch:
    case ToolAction::RollBack: break;
    }
    return ToolRefusal::None;
}

const char* RefusalText(ToolRefusal refusal) {
    switch (refusal) {
    case ToolRefusal::HeldByOrganisation: return msg::kHeldByOrganisation;
    case ToolRefusal::RequiredByOrganisation: return msg::kRequiredByOrganisation;
    case ToolRefusal::None: break;
    }
    return "";
}
