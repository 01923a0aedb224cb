// Which updates a command finds offered, as the window reckons them: the
// staged rollouts marked, the releases' first sightings remembered, the holds
// and the organisation's delay applied (app/update_offer.h).
#pragma once

#include <vector>

#include "app/update_offer.h"
#include "catalog/catalog_model.h"

// One answer per entry of the catalogue, NoUpdate for the program's own.
std::vector<UpdateOffer> ReckonUpdateOffers(CatalogLoadResult& catalog);
// Why an update is left aside, in French; null when it is not (NoUpdate, Offered).
const char* UpdateOfferNote(UpdateOffer offer);
