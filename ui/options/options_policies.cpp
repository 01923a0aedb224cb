// The controls whose value the organisation's policies fix: shown disabled
// with the forced value, and the tab that holds one says so.
#include "ui/options/options_policies.h"

#include "app/policies.h"
#include "app/state.h"
#include "resources/resource.h"

namespace {

struct ManagedControl {
    int id;
    int tab;  // 0 "Général", 1 "Avancé"
    PolicyId policy;
};

constexpr ManagedControl kManagedControls[] = {
    {IDC_OPT_THEME, 0, PolicyId::ThemeMode},
    {IDC_OPT_STARTUP, 0, PolicyId::Startup},
    {IDC_OPT_UPDATE_CHECKS, 0, PolicyId::UpdateChecks},
    {IDC_OPT_DESKTOP, 0, PolicyId::DesktopShortcut},
    {IDC_OPT_MENU, 0, PolicyId::MenuShortcut},
    {IDC_OPT_UNINSTALL, 0, PolicyId::SelfRemoval},
    {IDC_OPT_SOURCE_ONLINE, 1, PolicyId::OfflineMode},
    {IDC_OPT_SOURCE_OFFLINE, 1, PolicyId::OfflineMode},
    {IDC_OPT_FOLDER, 1, PolicyId::OfflineRoot},
    {IDC_OPT_BROWSE, 1, PolicyId::OfflineRoot},
    {IDC_OPT_AUTO_UPDATE, 1, PolicyId::AutoUpdate},
};

bool Fixes(const ManagedControl& control) {
    const Policies& policies = g_state.policies;
    switch (control.id) {
    // Only a refusal fixes the button; a policy that allows removal leaves it as it is.
    case IDC_OPT_UNINSTALL: return !policies.Allows(PolicyId::SelfRemoval);
    // With the web host imposed, there is no folder to choose.
    case IDC_OPT_BROWSE: return policies.Forces(PolicyId::OfflineRoot) || policies.Flag(PolicyId::OfflineMode) == false;
    default: return policies.Forces(control.policy);
    }
}

// A hidden button fixes nothing the user could see.
bool Shows(const ManagedControl& control) { return control.id != IDC_OPT_UNINSTALL || g_state.installedMode; }

}  // namespace

bool PolicyFixesControl(int id) {
    for (const ManagedControl& control : kManagedControls)
        if (control.id == id) return Fixes(control);
    return false;
}

bool TabHasFixedControl(int tab) {
    for (const ManagedControl& control : kManagedControls)
        if (control.tab == tab && Shows(control) && Fixes(control)) return true;
    return false;
}
