// Whether this PC is offered the update the catalogue has for an installed
// tool, and if not, why: the one answer that the card's badge, the update
// popup, the automatic updates and the command line all follow. An explicit
// "Mettre à jour" of a card goes through RefusalOf instead (app/tool_refusal.h).
#pragma once

#include <string>

#include "app/first_seen.h"
#include "base/id_set.h"
#include "catalog/catalog_model.h"

// Who keeps a tool at its installed version. The organisation's hold wins:
// the user cannot lift it.
enum class HoldKind { None, User, Organisation };

struct ToolHolds {
    const IdSet* byUser = nullptr;          // "Ne pas mettre à jour" in the card's menu
    const IdSet* byOrganisation = nullptr;  // policy "HeldTools"; null when not in force
};

HoldKind HoldOf(const std::wstring& id, const ToolHolds& holds);

enum class UpdateOffer {
    NoUpdate,            // not installed, or its file is the catalogue's
    Offered,             // announced by the popup, applied by automatic updates
    HeldByOrganisation,  // the organisation keeps the installed version
    Held,                // the user keeps the installed version
    TurnedDown,          // the user went back to the previous version from this very file
    OutsideRollout,      // a staged rollout has not reached this PC yet ("déploiement progressif")
    Delayed,             // the organisation's delay since the release was first offered is still running
};

// What the answer depends on besides the entry.
struct UpdateRules {
    unsigned delayDays = 0;                     // "UpdateDelayDays"
    unsigned long long now = 0;                 // file time (UTC)
    const FirstSeenTimes* firstSeen = nullptr;  // null: nothing remembered yet
    ToolHolds holds;
};

// Whether `delayDays` whole days have passed since `firstSeen` (a file time;
// 0 for a release never seen, which only a delay of 0 lets through).
bool DelayElapsed(unsigned long long firstSeen, unsigned long long now, unsigned delayDays);
// The file differs and the release's rollout has reached this PC. The card
// shows the update (badge, "Mettre à jour") unless the tool is held; the
// organisation's delay holds back what happens by itself, not what the user
// asks for.
bool UpdateShown(const CatalogApp& app);
// For a tool's entry (not the program's own, whose update the version decides).
UpdateOffer UpdateOfferOf(const CatalogApp& app, const UpdateRules& rules);
