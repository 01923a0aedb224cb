// The random value from which this PC draws its place in each staged
// rollout: made once, with the system's random source, kept under the user's
// settings key ("RolloutSeed", REG_BINARY) and never sent anywhere.
#pragma once

#include <optional>
#include <vector>

#include "catalog/catalog_model.h"
#include "catalog/rollout.h"

// The kept value, made and kept on first use; nothing when none can be made.
std::optional<RolloutSecret> LoadOrMakeRolloutSecret();
// Marks the installed entries whose staged rollout has not reached this PC.
// The value is asked for only when such an entry is offered to fewer than
// every PC and the PC is not in the pilot ring; without a value (the system
// gave no random bytes), the PC is in every rollout.
void MarkRolloutExclusions(std::vector<CatalogApp>& apps, bool pilotRing);
