#include "app/update_offer.h"

#include "base/sha256.h"

namespace {

constexpr unsigned long long kFileTimeDay = 864000000000ULL;  // 24 hours in 100-ns units

}  // namespace

HoldKind HoldOf(const std::wstring& id, const ToolHolds& holds) {
    if (holds.byOrganisation != nullptr && holds.byOrganisation->Contains(id)) return HoldKind::Organisation;
    if (holds.byUser != nullptr && holds.byUser->Contains(id)) return HoldKind::User;
    return HoldKind::None;
}

bool DelayElapsed(unsigned long long firstSeen, unsigned long long now, unsigned delayDays) {
    if (delayDays == 0) return true;
    if (firstSeen == 0 || now < firstSeen) return false;
    return (now - firstSeen) / kFileTimeDay >= delayDays;
}

bool UpdateShown(const CatalogApp& app) { return app.installed && app.updateAvailable && !app.rolloutExcluded; }

UpdateOffer UpdateOfferOf(const CatalogApp& app, const UpdateRules& rules) {
    if (!app.installed || !app.updateAvailable) return UpdateOffer::NoUpdate;
    switch (HoldOf(app.id, rules.holds)) {
    case HoldKind::Organisation: return UpdateOffer::HeldByOrganisation;
    case HoldKind::User: return UpdateOffer::Held;
    case HoldKind::None: break;
    }
    // A version the user went back from is not offered again until the catalogue changes.
    if (!app.kept.rolledBackFrom.empty() && Sha256Matches(app.kept.rolledBackFrom, app.sha256))
        return UpdateOffer::TurnedDown;
    if (app.rolloutExcluded) return UpdateOffer::OutsideRollout;
    const unsigned long long firstSeen = rules.firstSeen != nullptr ? FirstSeenOf(*rules.firstSeen, app.sha256) : 0;
    if (!DelayElapsed(firstSeen, rules.now, rules.delayDays)) return UpdateOffer::Delayed;
    return UpdateOffer::Offered;
}
