// What a tool operation does to its entry: the card's buttons and menu ask for
// one, the operation worker carries it out. RollBack puts the kept previous
// version back in place.
#pragma once

#include <cstdint>

enum class ToolAction : int32_t { Install = 0, Uninstall = 1, Launch = 2, RollBack = 3 };
