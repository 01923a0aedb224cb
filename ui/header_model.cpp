#include "ui/header_model.h"

#include "app/state.h"

SelfButtonState GetSelfButtonState() {
    if (!g_state.installedMode) return SelfButtonState::Portable;
    return g_state.selfUpdateAvailable ? SelfButtonState::UpdateAvailable : SelfButtonState::Current;
}
