#include "app/state.h"

AppState g_state;

void ResetAppState() { g_state = AppState(); }

ToolHolds CurrentHolds() { return {&g_state.settings.heldTools, g_state.policies.Listed(PolicyId::HeldTools)}; }

UpdateRules CurrentUpdateRules(unsigned long long now) {
    UpdateRules rules;
    rules.holds = CurrentHolds();
    if (const PolicyValue* delay = g_state.policies.Find(PolicyId::UpdateDelayDays)) rules.delayDays = delay->number;
    rules.now = now;
    rules.firstSeen = &g_state.firstSeen;
    return rules;
}

std::optional<UpdateHours> ImposedUpdateHours() {
    const PolicyValue* hours = g_state.policies.Find(PolicyId::UpdateHours);
    if (hours == nullptr) return std::nullopt;
    return ParseUpdateHours(hours->text);
}
