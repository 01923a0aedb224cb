// What a tool operation does to its entry: the card's buttons and menu ask for
// one, the operation worker carries it out. RollBack puts the kept previous
// version back in place.
#pragma once

#include <cstdint>

#include "base/messages.h"

enum class ToolAction : int32_t { Install = 0, Uninstall = 1, Launch = 2, RollBack = 3 };

// What the status line says around the tool's name: while the action runs
// (then msg::kProgressEnd), and once it is done.
struct ToolActionText {
    const char* running;
    const char* done;
};
constexpr ToolActionText TextOf(ToolAction action) {
    switch (action) {
    case ToolAction::Install: return {msg::kProgressInstall, msg::kResultInstalled};
    case ToolAction::Uninstall: return {msg::kProgressUninstall, msg::kResultUninstalled};
    case ToolAction::RollBack: return {msg::kProgressRollBack, msg::kResultRolledBack};
    case ToolAction::Launch: break;
    }
    return {msg::kProgressLaunch, msg::kResultLaunched};
}
