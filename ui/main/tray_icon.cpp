// The notification-area icon of the main window and its menu.
#include <windows.h>
#include <shellapi.h>
#include <windowsx.h>

#include <iterator>
#include <string>

#include "app/state.h"
#include "base/constants.h"
#include "base/messages.h"
#include "catalog/utf8.h"
#include "ui/jobs/catalog_start.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_handlers.h"
#include "ui/main/tray_icon.h"
#include "ui/options/options_dialog.h"
#include "ui/progress_text.h"

namespace {

// One icon per process, identified by number.
constexpr UINT kTrayIconId = 1;

#if defined(_WIN64)
// The full current structure, as Windows Vista and later expect.
static_assert(sizeof(NOTIFYICONDATAW) == 976);
#endif

NOTIFYICONDATAW TrayIconData(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = kTrayIconId;
    return data;
}

void AppendItem(HMENU menu, int command, const char* utf8Label, UINT flags) {
    AppendMenuW(menu, MF_STRING | flags, static_cast<UINT_PTR>(command), Utf8ToWide(utf8Label).c_str());
}

// `anchor` is where the shell asks for the menu: the pointer after a click, the
// icon itself when the menu was asked for from the keyboard.
void ShowTrayMenu(HWND window, POINT anchor) {
    UniqueMenu menu = BuildTrayMenu(g_state.busy);
    // Without the foreground the menu would not close when clicking elsewhere.
    SetForegroundWindow(window);
    int command = static_cast<int>(
        TrackPopupMenuEx(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, anchor.x, anchor.y, window, nullptr));
    menu.reset();
    PostMessageW(window, WM_NULL, 0, 0);
    RunTrayCommand(window, command);
}

}  // namespace

bool AddTrayIcon() {
    NOTIFYICONDATAW data = TrayIconData(g_state.mainWindow);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    data.uCallbackMessage = WM_APP_TRAY;
    data.hIcon = g_state.appIcon;
    std::wstring tip = TrayTooltipText();
    tip.copy(data.szTip, std::size(data.szTip) - 1);
    g_state.trayIconAdded = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
    if (g_state.trayIconAdded) {
        // Version 4: events arrive as NIN_SELECT, NIN_KEYSELECT, WM_CONTEXTMENU.
        data.uVersion = NOTIFYICON_VERSION_4;
        Shell_NotifyIconW(NIM_SETVERSION, &data);
    }
    return g_state.trayIconAdded;
}

void UpdateTrayTooltip() {
    if (!g_state.trayIconAdded) return;
    NOTIFYICONDATAW data = TrayIconData(g_state.mainWindow);
    data.uFlags = NIF_TIP | NIF_SHOWTIP;
    std::wstring tip = TrayTooltipText();
    tip.copy(data.szTip, std::size(data.szTip) - 1);
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

void RemoveTrayIcon(HWND window) {
    NOTIFYICONDATAW data = TrayIconData(window);
    Shell_NotifyIconW(NIM_DELETE, &data);
    g_state.trayIconAdded = false;
}

UniqueMenu BuildTrayMenu(bool busy) {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return menu;
    AppendItem(menu.get(), kTrayOpen, msg::kTrayMenuOpen, 0);
    AppendItem(menu.get(), kTrayOptions, msg::kTrayMenuOptions, 0);
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendItem(menu.get(), kTrayQuit, msg::kTrayMenuQuit, busy ? MF_GRAYED : 0);
    return menu;
}

void RunTrayCommand(HWND window, int command) {
    switch (command) {
    case kTrayOpen: ShowMainWindow(); break;
    case kTrayOptions:
        ShowMainWindow();
        ShowOptionsDialog();
        break;
    case kTrayQuit:
        // A job may have started while the menu was open.
        if (!g_state.busy) DestroyWindow(window);
        break;
    default: break;
    }
}

void OnTrayEvent(HWND window, WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(lParam)) {
    case NIN_SELECT:
    case NIN_KEYSELECT:
    case WM_LBUTTONDBLCLK: ShowMainWindow(); break;
    case WM_CONTEXTMENU: ShowTrayMenu(window, POINT{GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)}); break;
    default: break;
    }
}

void OnTaskbarCreated(HWND window) {
    if (g_state.installedMode && AddTrayIcon()) return;
    // Without an icon the window must stay reachable from the taskbar.
    if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOWMINNOACTIVE);
}
