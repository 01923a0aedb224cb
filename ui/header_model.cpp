#include "ui/header_model.h"

#include "app/state.h"

SelfButtonState GetSelfButtonState() {
    if (!g_state.installedMode) return SelfButtonState::Portable;
    return g_state.selfUpdateAvailable ? SelfButtonState::UpdateAvailable : SelfButtonState::Current;
}

HeaderButtonFace HeaderButtonNow(HeaderButton button) {
    switch (button) {
    case HeaderButton::Refresh: return {L"Actualiser", !g_state.busy};  // a load never starts while busy
    case HeaderButton::Options: return {L"Options", true};
    case HeaderButton::Self: break;
    }
    switch (GetSelfButtonState()) {
    case SelfButtonState::Portable: return {L"Installer Orkvane", !g_state.busy};
    case SelfButtonState::UpdateAvailable: return {L"Mettre à jour Orkvane", !g_state.busy};
    case SelfButtonState::Current: break;
    }
    // A mark that the program is current, not a button to press.
    return {g_state.catalogLoaded ? L"✓ Orkvane à jour" : L"✓ Orkvane installé", false};
}

std::vector<WindowElement> HeaderFocusStops() {
    std::vector<WindowElement> stops;
    if (GetSelfButtonState() != SelfButtonState::Current) stops.push_back(WindowElement::SelfButton);
    stops.push_back(WindowElement::RefreshButton);
    stops.push_back(WindowElement::OptionsButton);
    return stops;
}
