// The card's own menu (launch, install or update, uninstall), opened from the
// three-dot button of an expanded card.
#pragma once

#include "ui/list/card_layout.h"

// Tracks the menu under the button of `record` and starts what is chosen,
// unless the catalogue, the entry or the busy flag changed meanwhile.
void ShowCardMenu(const HitRecord& record);
