// The card menu's "Ne pas mettre à jour" and "Reprendre les mises à jour".
#pragma once

#include <cstddef>

// Stores the user's choice for the entry's tool and shows it at once: the
// card's badge, the list's count of updates, the open update popup.
void SetToolHeld(size_t appIndex, bool held);
