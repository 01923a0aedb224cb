#include "ui/options/options_dialog.h"

#include <algorithm>
#include <memory>

#include "app/state.h"
#include "app/theme.h"
#include "base/constants.h"
#include "resources/resource.h"
#include "ui/jobs/theme_apply.h"
#include "ui/options/options_diagnostics.h"
#include "ui/options/options_folders.h"
#include "ui/options/options_paint.h"
#include "ui/options/options_policies.h"
#include "ui/options/options_save.h"
#include "ui/procedure_edge.h"

namespace {

constexpr UINT_PTR kBusyTimerId = 1;
constexpr UINT kBusyTimerPeriodMs = 500;

constexpr int kGeneralControls[] = {IDC_OPT_STARTUP, IDC_OPT_UPDATE_CHECKS, IDC_OPT_UPDATE_NOTE, IDC_OPT_DESKTOP,
                                    IDC_OPT_MENU,    IDC_OPT_APPS_FOLDER,   IDC_OPT_THEME,       IDC_OPT_THEME_LABEL};
constexpr int kAdvancedControls[] = {IDC_OPT_SOURCE_TITLE,   IDC_OPT_SOURCE_NOTE, IDC_OPT_SOURCE_ONLINE,
                                     IDC_OPT_SOURCE_OFFLINE, IDC_OPT_FOLDER,      IDC_OPT_BROWSE,
                                     IDC_OPT_AUTO_UPDATE,    IDC_OPT_DIAGNOSTICS};
// The controls that follow `busy`: no change of source, no uninstall while a job runs.
constexpr int kBusyBoundControls[] = {IDC_OPT_SOURCE_ONLINE, IDC_OPT_SOURCE_OFFLINE, IDC_OPT_BROWSE, IDC_OPT_UNINSTALL};
// The controls that a policy may fix (options_policies.cpp).
constexpr int kPolicyBoundControls[] = {IDC_OPT_THEME, IDC_OPT_STARTUP, IDC_OPT_UPDATE_CHECKS, IDC_OPT_DESKTOP,
                                        IDC_OPT_MENU,  IDC_OPT_FOLDER,  IDC_OPT_AUTO_UPDATE};
// Check boxes and radio buttons lose their visual style so that the dialog's
// colours apply to them.
constexpr int kUnstyledControls[] = {IDC_OPT_STARTUP,       IDC_OPT_UPDATE_CHECKS,  IDC_OPT_DESKTOP,    IDC_OPT_MENU,
                                     IDC_OPT_SOURCE_ONLINE, IDC_OPT_SOURCE_OFFLINE, IDC_OPT_AUTO_UPDATE};
constexpr const wchar_t* kThemeNames[] = {L"Système", L"Clair", L"Sombre"};

void ShowControl(HWND dialog, int id, bool show) { ShowWindow(GetDlgItem(dialog, id), show ? SW_SHOW : SW_HIDE); }

void EnableControl(HWND dialog, int id, bool enable) { EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE); }

void CheckControl(HWND dialog, int id, bool checked) {
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void SwitchTab(HWND dialog, OptionsDialogState& state, int tab) {
    state.tab = tab;
    bool general = tab == 0;
    for (int id : kGeneralControls) ShowControl(dialog, id, general);
    ShowControl(dialog, IDC_OPT_UNINSTALL, general && g_state.installedMode);
    for (int id : kAdvancedControls) ShowControl(dialog, id, !general);
    ShowControl(dialog, IDC_OPT_MANAGED_NOTE, TabHasFixedControl(tab));
    ShowControl(dialog, IDC_OPT_DIAGNOSTICS_DONE, false);
    InvalidateRect(dialog, nullptr, TRUE);
}

// A control that a policy fixes stays disabled, busy or not.
void FollowBusy(HWND dialog) {
    for (int id : kBusyBoundControls) EnableControl(dialog, id, !g_state.busy && !PolicyFixesControl(id));
}

void DisableFixedControls(HWND dialog) {
    for (int id : kPolicyBoundControls) EnableControl(dialog, id, !PolicyFixesControl(id));
}

// uxtheme.dll is loaded from System32 when needed, like dwmapi.dll for the title bar.
void TurnOffVisualStyles(HWND dialog) {
    UniqueModule uxtheme(LoadLibraryExW(L"uxtheme.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!uxtheme) return;
    using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    FARPROC proc = GetProcAddress(uxtheme.get(), "SetWindowTheme");
    if (proc == nullptr) return;
    auto setWindowTheme = reinterpret_cast<SetWindowThemeFn>(reinterpret_cast<void (*)()>(proc));
    // Wine answers with an error here; the colours then come from its own drawing.
    for (int id : kUnstyledControls) setWindowTheme(GetDlgItem(dialog, id), L"", L"");
}

void FillThemeList(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_OPT_THEME);
    for (const wchar_t* name : kThemeNames) SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(g_state.settings.themeMode), 0);
}

// Centred on the main window, then pulled inside the work area of its monitor.
void PlaceDialog(HWND dialog) {
    RECT owner{};
    GetWindowRect(g_state.mainWindow, &owner);
    RECT own{};
    GetWindowRect(dialog, &own);
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(g_state.mainWindow, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    int centreX = owner.left + ((owner.right - owner.left) - width) / 2;
    int centreY = owner.top + ((owner.bottom - owner.top) - height) / 2;
    int x = std::max(static_cast<int>(work.left), std::min(centreX, static_cast<int>(work.right) - width));
    int y = std::max(static_cast<int>(work.top), std::min(centreY, static_cast<int>(work.bottom) - height));
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR OnInitDialog(HWND dialog, LPARAM parameter) {
    auto owned = std::make_unique<OptionsDialogState>();
    owned->themeAtOpen = g_state.settings.themeMode;
    owned->modeless = parameter == kOptionsDialogModeless;
    OptionsDialogState& state = *owned;
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(owned.release()));
    g_state.optionsDialog = dialog;

    ApplyDarkTitleBar(dialog);
    CreateOptionsBrushes(state);
    CreateOptionsFonts(dialog, state);
    TurnOffVisualStyles(dialog);
    FillThemeList(dialog);

    const Settings& settings = g_state.settings;
    CheckControl(dialog, IDC_OPT_SOURCE_ONLINE, !settings.offlineMode);
    CheckControl(dialog, IDC_OPT_SOURCE_OFFLINE, settings.offlineMode);
    SetDlgItemTextW(dialog, IDC_OPT_FOLDER, settings.offlineRoot.c_str());
    FollowBusy(dialog);
    CheckControl(dialog, IDC_OPT_STARTUP, settings.startup);
    CheckControl(dialog, IDC_OPT_UPDATE_CHECKS, settings.updateChecks);
    CheckControl(dialog, IDC_OPT_DESKTOP, settings.desktopShortcut);
    CheckControl(dialog, IDC_OPT_MENU, settings.menuShortcut);
    CheckControl(dialog, IDC_OPT_AUTO_UPDATE, settings.autoUpdate);
    DisableFixedControls(dialog);
    SwitchTab(dialog, state, 0);
    SetTimer(dialog, kBusyTimerId, kBusyTimerPeriodMs, nullptr);
    PlaceDialog(dialog);
    return TRUE;
}

// Live preview: the whole program takes the chosen theme at once.
void OnThemeSelected(HWND dialog) {
    if (PolicyFixesControl(IDC_OPT_THEME)) return;
    LRESULT selection = SendDlgItemMessageW(dialog, IDC_OPT_THEME, CB_GETCURSEL, 0, 0);
    if (selection < 0 || selection > 2) return;
    g_state.settings.themeMode = static_cast<ThemeChoice>(selection);
    ApplyTheme();
}

void RequestUninstall(HWND dialog) {
    if (g_state.busy || !g_state.installedMode || PolicyFixesControl(IDC_OPT_UNINSTALL)) return;
    EndOptionsDialog(dialog, IDC_OPT_UNINSTALL);
    PostMessageW(g_state.mainWindow, WM_APP_UNINSTALL_SELF, 0, 0);
}

INT_PTR OnCommand(HWND dialog, OptionsDialogState& state, int id, int notification) {
    switch (id) {
    case IDC_OPT_THEME:
        if (notification != CBN_SELCHANGE) return FALSE;
        OnThemeSelected(dialog);
        return TRUE;
    case IDC_OPT_TAB_GENERAL: SwitchTab(dialog, state, 0); return TRUE;
    case IDC_OPT_TAB_ADVANCED: SwitchTab(dialog, state, 1); return TRUE;
    case IDC_OPT_APPS_FOLDER: OpenAppsFolder(dialog); return TRUE;
    case IDC_OPT_BROWSE: BrowseOfflineFolder(dialog); return TRUE;
    case IDC_OPT_DIAGNOSTICS: CopyDiagnostics(dialog); return TRUE;
    case IDC_OPT_UNINSTALL: RequestUninstall(dialog); return TRUE;
    case IDCANCEL: EndOptionsDialog(dialog, IDCANCEL); return TRUE;
    case IDOK: SaveOptions(dialog, state); return TRUE;
    default: return FALSE;
    }
}

void OnTimer(HWND dialog, UINT_PTR timerId) {
    if (timerId == kBusyTimerId) FollowBusy(dialog);
}

void OnDestroy(HWND dialog) {
    KillTimer(dialog, kBusyTimerId);
    if (g_state.optionsDialog == dialog) g_state.optionsDialog = nullptr;
    std::unique_ptr<OptionsDialogState> state(GetOptionsState(dialog));
    SetWindowLongPtrW(dialog, DWLP_USER, 0);
    if (state == nullptr) return;
    if (!state->saved) {
        // Undo the preview: "Annuler", the close box and Escape keep the old theme.
        g_state.settings.themeMode = state->themeAtOpen;
        ApplyTheme();
    }
}

void OnThemeChanged(HWND dialog, OptionsDialogState& state) {
    CreateOptionsBrushes(state);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void OnDpiChanged(HWND dialog, OptionsDialogState& state) {
    CreateOptionsFonts(dialog, state);
    InvalidateRect(dialog, nullptr, TRUE);
}

// The dialog procedure's answer for a message whose result is not TRUE/FALSE.
INT_PTR Answer(HWND dialog, LRESULT result) {
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

// Enter presses the focused button, as in any dialog: owner-drawn buttons never
// become the dialog's default on their own, so the default follows the focus
// here; elsewhere Enter means "Enregistrer".
LRESULT DefaultButton(HWND dialog) {
    HWND focus = GetFocus();
    int id = IDOK;
    if (focus != nullptr && GetParent(focus) == dialog && IsWindowEnabled(focus) &&
        (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON) != 0 &&
        (GetWindowLongPtrW(focus, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW)
        id = GetDlgCtrlID(focus);
    return MAKELRESULT(id, DC_HASDEFID);
}

INT_PTR HandleWithState(HWND dialog, OptionsDialogState& state, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: return OnCommand(dialog, state, LOWORD(wParam), HIWORD(wParam));
    case DM_GETDEFID: return Answer(dialog, DefaultButton(dialog));
    case WM_CLOSE: EndOptionsDialog(dialog, IDCANCEL); return TRUE;
    case WM_TIMER: OnTimer(dialog, wParam); return TRUE;
    case WM_ERASEBKGND: return Answer(dialog, 1);
    case WM_PAINT: PaintOptionsDialog(dialog, state); return TRUE;
    case WM_DRAWITEM: DrawOptionsItem(state, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        return ColorOptionsControl(state, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORDLG: return reinterpret_cast<INT_PTR>(state.windowBrush.get());
    case WM_APP_THEME_CHANGED: OnThemeChanged(dialog, state); return TRUE;
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED: RefreshSystemTheme(); return FALSE;
    case WM_DPICHANGED: OnDpiChanged(dialog, state); return FALSE;
    default: return FALSE;
    }
}

}  // namespace

OptionsDialogState* GetOptionsState(HWND dialog) {
    return reinterpret_cast<OptionsDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void EndOptionsDialog(HWND dialog, int result) {
    OptionsDialogState* state = GetOptionsState(dialog);
    if (state != nullptr && state->modeless)
        DestroyWindow(dialog);
    else
        EndDialog(dialog, result);
}

namespace {

INT_PTR HandleOptionsMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, lParam);
    // Item heights are asked for while the controls are made, before WM_INITDIALOG.
    case WM_MEASUREITEM: MeasureOptionsItem(dialog, *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)); return TRUE;
    case WM_DESTROY: OnDestroy(dialog); return TRUE;
    default: break;
    }
    OptionsDialogState* state = GetOptionsState(dialog);
    if (state == nullptr) return FALSE;
    return HandleWithState(dialog, *state, message, wParam, lParam);
}

}  // namespace

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return DialogProcedureEdge([&] { return HandleOptionsMessage(dialog, message, wParam, lParam); });
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
