#include "cli/list_commands.h"

#include <memory>
#include <string>
#include <vector>

#include "app/first_seen.h"
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
#include "cli/json_writer.h"
#include "cli/update_offers.h"

namespace {

// The catalogue, or the report's failure when it cannot be had.
std::unique_ptr<CatalogLoadResult> ReadCatalog(const CliRequest& request, CliReport& report,
                                               const CatalogFilterMaker& keep = {}) {
    std::unique_ptr<CatalogLoadResult> catalog = LoadCatalogForCommand(request, keep);
    report.source = SourceName();
    if (catalog->ok) return catalog;
    report.exitCode = exit_code::kCatalogRefused;
    report.message = Utf8ToWide(msg::kStatusCatalogUnreachable) + catalog->error;
    return nullptr;
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
    const ToolHolds holds = CurrentHolds();
    const FirstSeenTimes remembered = LoadFirstSeen(NowFileTime());
    // Most tools are written as they are read. Kept whole are those whose
    // line needs the whole catalogue: an installed tool's update offer (the
    // rollout's draw, the first sightings), and a release this PC remembers,
    // which the first sightings must go on seeing.
    // Each part's writer changes at every row, on its own thread: apart,
    // they stay out of each other's cache lines.
    struct alignas(64) PartRows {
        JsonWriter rows;
        std::vector<size_t> breaks;
    };
    // One writer per part of the catalogue built side by side; made anew
    // when the catalogue is built again.
    std::vector<PartRows> parts;
    const auto keep = [&](size_t part, size_t count) -> CatalogToolFilter {
        if (part == 0) {
            parts.clear();
            parts.resize(count);
        }
        PartRows& mine = parts[part];
        // Rows take less than twice the catalogue's bytes: room taken once
        // spares copying megabytes as they grow, and room never written
        // costs nothing.
        mine.rows.Reserve(static_cast<size_t>(2 * kCatalogSizeLimit));
        return [&mine, &holds, &remembered](const CatalogApp& app) {
            if (app.installed || (!remembered.empty() && FirstSeenOf(remembered, app.sha256) != 0)) {
                mine.breaks.push_back(mine.rows.text().size());
                return true;
            }
            WriteListedApp(mine.rows, app, {HoldOf(app.id, holds), nullptr});
            return false;
        };
    };
    std::unique_ptr<CatalogLoadResult> catalog = ReadCatalog(request, report, keep);
    if (!catalog) return;
    const std::vector<UpdateOffer> offers = ReckonUpdateOffers(*catalog);
    report.listedStatus.reserve(catalog->apps.size());
    for (size_t i = 0; i < catalog->apps.size(); ++i)
        report.listedStatus.push_back({HoldOf(catalog->apps[i].id, holds), UpdateOfferNote(offers[i])});
    report.listed = std::move(catalog);
    for (PartRows& part : parts) report.listedParts.push_back({part.rows.TakeText(), std::move(part.breaks)});
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
