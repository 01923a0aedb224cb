// "Enregistrer": check the wanted source, register autostart, store the
// settings, and either switch the catalogue source or run the 24-hour check.
#include "ui/options/options_save.h"

#include <string>
#include <vector>

#include "app/policies.h"
#include "app/state.h"
#include "base/error.h"
#include "base/messages.h"
#include "base/worker_shared.h"
#include "catalog/catalog_load.h"
#include "catalog/icon_load.h"
#include "catalog/offline_trust.h"
#include "catalog/utf8.h"
#include "resources/resource.h"
#include "ui/jobs/catalog_start.h"
#include "ui/list/card_layout.h"
#include "ui/list/list_scrolling.h"
#include "ui/message_box.h"
#include "ui/options/options_dialog.h"
#include "ui/options/options_policies.h"
#include "ui/popup/update_popup.h"

namespace {

constexpr int kFolderBufferUnits = 32768;

struct WantedSource {
    bool offline = false;
    std::wstring root;
};

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

WantedSource ReadWantedSource(HWND dialog) {
    WantedSource wanted;
    wanted.offline = PolicyFixesControl(IDC_OPT_SOURCE_OFFLINE) ? g_state.settings.offlineMode
                                                                : IsChecked(dialog, IDC_OPT_SOURCE_OFFLINE);
    std::vector<wchar_t> buffer(kFolderBufferUnits);
    GetDlgItemTextW(dialog, IDC_OPT_FOLDER, buffer.data(), kFolderBufferUnits);
    wanted.root = PolicyFixesControl(IDC_OPT_FOLDER) ? g_state.settings.offlineRoot : std::wstring(buffer.data());
    return wanted;
}

bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

bool IsCurrentSource(const WantedSource& wanted) {
    const Settings& settings = g_state.settings;
    return wanted.offline == settings.offlineMode && SameTextIgnoringCase(wanted.root, settings.offlineRoot);
}

void ShowFailure(HWND dialog, const char* utf8Message, UINT icon) {
    ShowMessageBox(dialog, Utf8ToWide(utf8Message), icon);
}

// A new source is refused while a job runs, and an offline one must hold a
// catalogue; false (after telling the user) when the dialog has to stay open.
bool AcceptNewSource(HWND dialog, WantedSource& wanted) {
    if (g_state.busy) {
        ShowFailure(dialog, msg::kWaitBeforeSourceChange, MB_ICONINFORMATION);
        return false;
    }
    if (!wanted.offline) return true;
    try {
        wanted.root = ValidateChosenOfflineRoot(wanted.root, g_state.policies.Allows(PolicyId::AllowFixedDiskOffline));
    } catch (const AppError& error) {
        ShowFailure(dialog, error.what(), MB_ICONERROR);
        return false;
    }
    return true;
}

// A check box that a policy fixes keeps the forced value, whatever it shows.
bool WantedFlag(HWND dialog, int id, bool current) { return PolicyFixesControl(id) ? current : IsChecked(dialog, id); }

void StoreCheckBoxes(HWND dialog) {
    Settings& settings = g_state.settings;
    settings.startup = WantedFlag(dialog, IDC_OPT_STARTUP, settings.startup);
    settings.updateChecks = WantedFlag(dialog, IDC_OPT_UPDATE_CHECKS, settings.updateChecks);
    settings.desktopShortcut = WantedFlag(dialog, IDC_OPT_DESKTOP, settings.desktopShortcut);
    settings.menuShortcut = WantedFlag(dialog, IDC_OPT_MENU, settings.menuShortcut);
    settings.autoUpdate = WantedFlag(dialog, IDC_OPT_AUTO_UPDATE, settings.autoUpdate);
    // None writes a value that a policy forces.
    SaveSettings();
    SaveThemeMode();
    SaveAutoUpdate();
}

// Everything that described the old catalogue goes; results still in flight
// for it become stale, icon workers stop, and a fresh load starts.
void SwitchCatalogSource(const WantedSource& wanted) {
    offlineModeShared.exchange(wanted.offline);
    iconLoadEpoch.fetch_add(1);
    ++g_state.catalogGeneration;
    CloseUpdatePopup();
    g_state.settings.offlineMode = wanted.offline;
    g_state.settings.offlineRoot = wanted.root;
    SaveOfflineSettings();
    g_state.apps.clear();
    g_state.hitRecords.clear();
    g_state.cardRects.clear();
    g_state.selfIndex = -1;
    g_state.catalogLoaded = false;
    g_state.selfUpdateAvailable = false;
    g_state.expandedId.clear();
    g_state.scrollPos = 0;
    g_state.settings.lastCheck = 0;
    UpdateScrollMetrics();
    StartCatalogLoad(false);
}

}  // namespace

void SaveOptions(HWND dialog, OptionsDialogState& state) {
    WantedSource wanted = ReadWantedSource(dialog);
    bool sourceChanged = !IsCurrentSource(wanted);
    if (sourceChanged && !AcceptNewSource(dialog, wanted)) return;
    if (!SetAutostart(WantedFlag(dialog, IDC_OPT_STARTUP, g_state.settings.startup))) {
        ShowFailure(dialog, msg::kAutostartRegisterFailed, MB_ICONERROR);
        return;
    }
    StoreCheckBoxes(dialog);
    state.saved = true;
    if (!g_state.settings.updateChecks) CloseUpdatePopup();
    EndOptionsDialog(dialog, IDOK);  // `state` may be gone from here on
    if (sourceChanged)
        SwitchCatalogSource(wanted);
    else
        CheckForUpdatesIfDue();
}
