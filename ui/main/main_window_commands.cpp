// Commands of the main window that other windows use too: showing it, the
// Options dialog, the maker's site, and the two window classes.
#include <windows.h>
#include <shellapi.h>

#include "app/state.h"
#include "base/constants.h"
#include "base/messages.h"
#include "catalog/catalog_load.h"
#include "catalog/icon_load.h"
#include "catalog/utf8.h"
#include "catalog/web_host.h"
#include "ui/jobs/catalog_start.h"
#include "ui/jobs/icon_jobs.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_commands.h"
#include "ui/main/main_window_handlers.h"
#include "ui/options/options_dialog.h"
#include "ui/popup/update_popup.h"

void ShowMainWindow() {
    ShowWindow(g_state.mainWindow, SW_RESTORE);
    SetForegroundWindow(g_state.mainWindow);
    if (g_state.catalogLoaded) {
        StartIconLoad();
    } else if (!g_state.busy) {
        StartCatalogLoad(false);
    }
}

void ShowOptionsDialog() {
    // The tray menu still works while the dialog holds the main window: bring
    // the open dialog forward rather than stacking a second one over it.
    if (g_state.optionsDialog != nullptr) {
        SetForegroundWindow(g_state.optionsDialog);
        return;
    }
    DialogBoxParamW(g_state.instance, MAKEINTRESOURCEW(kOptionsDialogId), g_state.mainWindow, OptionsDialogProc, 0);
}

void OpenSiteLink() {
    if (g_state.settings.offlineMode) {
        g_state.statusText = Utf8ToWide(msg::kStatusSiteLinkOffline);
        InvalidateMainWindow(g_state.mainWindow);
        return;
    }
    ShellExecuteW(g_state.mainWindow, L"open", SiteRoot().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool RegisterWindowClasses(HINSTANCE instance, HICON icon) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hIconSm = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // No background brush: the window paints its whole client area itself.
    windowClass.lpszClassName = kMainWindowClass;
    if (RegisterClassExW(&windowClass) == 0) return false;

    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DROPSHADOW;
    windowClass.lpfnWndProc = UpdatePopupProc;
    windowClass.lpszClassName = kPopupWindowClass;
    RegisterClassExW(&windowClass);  // the program runs on without its popup
    return true;
}
