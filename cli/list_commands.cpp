#include "cli/list_commands.h"

#include <memory>
#include <string>
#include <vector>

#include "app/policies.h"
#include "app/state.h"
#include "app/update_offer.h"
#include "base/constants.h"
#include "base/messages.h"
#include "base/paths.h"
#include "catalog/catalog_model.h"
#include "catalog/utf8.h"
#include "cli/command_catalog.h"
#include "cli/exit_codes.h"
#include "cli/update_offers.h"

namespace {

const char* StateOf(const CatalogApp& app) {
    if (!app.installed) return "notInstalled";
    return app.updateAvailable ? "updateAvailable" : "installed";
}

// The catalogue, or the report's failure when it cannot be had.
std::unique_ptr<CatalogLoadResult> ReadCatalog(const CliRequest& request, CliReport& report) {
    std::unique_ptr<CatalogLoadResult> catalog = LoadCatalogForCommand(request);
    report.source = SourceName();
    if (catalog->ok) return catalog;
    report.exitCode = exit_code::kCatalogRefused;
    report.message = Utf8ToWide(msg::kStatusCatalogUnreachable) + catalog->error;
    return nullptr;
}

const char* HoldName(HoldKind hold) {
    switch (hold) {
    case HoldKind::User: return "user";
    case HoldKind::Organisation: return "organisation";
    case HoldKind::None: break;
    }
    return "none";
}

bool IsSelf(const CatalogLoadResult& catalog, size_t index) {
    return static_cast<long long>(index) == catalog.selfIndex;
}

// As the window offers it: a newer program in the catalogue, an installed
// copy to update, and no policy keeping the deployed version.
bool SelfUpdateAvailable(const CatalogLoadResult& catalog) {
    if (catalog.selfIndex < 0 || !g_state.policies.Allows(PolicyId::SelfUpdate)) return false;
    const CatalogApp& self = catalog.apps[static_cast<size_t>(catalog.selfIndex)];
    try {
        if (!FileExists(GetInstalledExePath())) return false;
    } catch (const std::exception&) {
        return false;
    }
    return CompareVersions(ParseVersion(self.version), ParseVersion(kVersionText)) == 1;
}

}  // namespace

void RunListCommand(const CliRequest& request, CliReport& report) {
    std::unique_ptr<CatalogLoadResult> catalog = ReadCatalog(request, report);
    if (!catalog) return;
    report.listed = true;
    report.apps.reserve(catalog->apps.size());
    const std::vector<UpdateOffer> offers = ReckonUpdateOffers(*catalog);
    for (size_t i = 0; i < catalog->apps.size(); ++i) {
        if (IsSelf(*catalog, i)) continue;
        CatalogApp& app = catalog->apps[i];
        ListedApp listed;
        listed.held = HoldName(HoldOf(app.id, CurrentHolds()));
        if (const char* note = UpdateOfferNote(offers[i])) listed.note = Utf8ToWide(note);
        listed.id = std::move(app.id);
        listed.name = std::move(app.name);
        listed.version = std::move(app.version);
        listed.category = std::move(app.category);
        listed.state = StateOf(app);
        listed.hidden = app.hidden;
        listed.previousKept = app.kept.previousKept;
        report.apps.push_back(std::move(listed));
    }
}

void RunCheckCommand(const CliRequest& request, CliReport& report) {
    std::unique_ptr<CatalogLoadResult> catalog = ReadCatalog(request, report);
    if (!catalog) return;
    report.checked = true;
    // What --update-all would apply.
    const std::vector<UpdateOffer> offers = ReckonUpdateOffers(*catalog);
    for (size_t i = 0; i < catalog->apps.size(); ++i)
        if (offers[i] == UpdateOffer::Offered) report.updatesAvailable.push_back(catalog->apps[i].id);
    report.selfUpdateAvailable = SelfUpdateAvailable(*catalog);
}
