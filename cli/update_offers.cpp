#include "cli/update_offers.h"

#include "app/first_seen.h"
#include "app/policies.h"
#include "app/rollout_secret.h"
#include "app/state.h"
#include "base/messages.h"
#include "base/paths.h"

std::vector<UpdateOffer> ReckonUpdateOffers(CatalogLoadResult& catalog) {
    const PolicyValue* ring = g_state.policies.Find(PolicyId::Ring);
    MarkRolloutExclusions(catalog.apps, ring != nullptr && IsPilotRing(ring->text));
    const unsigned long long now = NowFileTime();
    // A command that reads the catalogue has seen its releases as the window
    // would: a PC run by commands alone still sees a delay run out. The
    // program's own release is the window's to record.
    g_state.firstSeen = RecordFirstSeen(catalog.apps, catalog.selfIndex, false, now);
    const UpdateRules rules = CurrentUpdateRules(now);
    std::vector<UpdateOffer> offers;
    offers.reserve(catalog.apps.size());
    for (size_t i = 0; i < catalog.apps.size(); ++i) {
        const bool self = static_cast<long long>(i) == catalog.selfIndex;
        offers.push_back(self ? UpdateOffer::NoUpdate : UpdateOfferOf(catalog.apps[i], rules));
    }
    return offers;
}

const char* UpdateOfferNote(UpdateOffer offer) {
    switch (offer) {
    case UpdateOffer::Held: return msg::kHeldByUser;
    case UpdateOffer::HeldByOrganisation: return msg::kHeldByOrganisation;
    case UpdateOffer::TurnedDown: return msg::kUpdateTurnedDown;
    case UpdateOffer::OutsideRollout: return msg::kUpdateRolloutPending;
    case UpdateOffer::Delayed: return msg::kUpdateDelayed;
    case UpdateOffer::NoUpdate:
    case UpdateOffer::Offered: break;
    }
    return nullptr;
}
