// The main window procedure: one line per message, each handed to a small
// handler here or in the files beside it (input, tray icon, catalogue).
#include "ui/main/main_window.h"

#include <windowsx.h>

#include "app/settings.h"
#include "app/state.h"
#include "app/theme.h"
#include "base/constants.h"
#include "base/error.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/post_result.h"
#include "catalog/catalog_load.h"
#include "catalog/icon_load.h"
#include "catalog/utf8.h"
#include "operations/operation_runner.h"
#include "operations/progress_post.h"
#include "operations/self_management.h"
#include "ui/accessibility/accessibility.h"
#include "ui/jobs/catalog_apply.h"
#include "ui/jobs/catalog_start.h"
#include "ui/jobs/icon_jobs.h"
#include "ui/jobs/operation_apply.h"
#include "ui/jobs/progress_apply.h"
#include "ui/jobs/self_commands.h"
#include "ui/jobs/theme_apply.h"
#include "ui/keyboard/keyboard_navigation.h"
#include "ui/list/card_layout.h"
#include "ui/list/list_scrolling.h"
#include "ui/main/chrome_paint.h"
#include "ui/main/main_window_commands.h"
#include "ui/main/main_window_handlers.h"
#include "ui/main/tray_icon.h"
#include "ui/popup/update_popup.h"
#include "ui/procedure_edge.h"

bool RunsAsInstalledCopy() {
    try {
        return IsInstalledCopy();
    } catch (const AppError&) {
        // Without its own path or the install folder the program cannot be
        // the installed copy.
        return false;
    }
}

namespace {

void OnCreate(HWND window) {
    g_state.mainWindow = window;
    ApplyDarkTitleBar(window);
    UINT dpi = GetDpiForWindow(window);
    if (dpi != 0) g_state.dpi = static_cast<int>(dpi);
    g_state.installedMode = RunsAsInstalledCopy();
    CreateFonts();
    if (g_state.installedMode) {
        SetPropW(window, kInstalledProperty, reinterpret_cast<HANDLE>(1));
        AddTrayIcon();
        if (!SetAutostart(g_state.settings.startup)) {
            g_state.statusText = Utf8ToWide(msg::kStatusAutostartUnavailable);
        }
        SetTimer(window, kUpdateTimerId, kUpdateTimerPeriodMs, nullptr);
    }
    // Also writes back a lastCheck that start-up pulled back from the future.
    SaveSettings();
    UpdateScrollMetrics();
}

void OnDestroy(HWND window) {
    KillTimer(window, kUpdateTimerId);
    CloseUpdatePopup();
    RemoveTrayIcon(window);
    RemovePropW(window, kInstalledProperty);
    ++g_state.catalogGeneration;
    DeleteFonts();
    PostQuitMessage(0);
}

// Closing never stops a running job: with a tray icon the window only hides,
// without one a busy program only minimises.
void OnClose(HWND window) {
    if (g_state.trayIconAdded) {
        ShowWindow(window, SW_HIDE);
    } else if (g_state.busy) {
        ShowWindow(window, SW_MINIMIZE);
    } else {
        DestroyWindow(window);
    }
}

void OnSize(HWND window) {
    UpdateScrollRange();
    InvalidateMainWindow(window);
}

void OnKillFocus(HWND window) {
    g_state.linkFocused = false;
    InvalidateMainWindow(window);
}

void OnGetMinMaxInfo(LPARAM lParam) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMinTrackSize.x = Scale(780);
    info->ptMinTrackSize.y = Scale(540);
}

void OnTimer(WPARAM timerId) {
    if (timerId == kUpdateTimerId) CheckForUpdatesIfDue();
}

void OnDpiChanged(HWND window, WPARAM wParam, LPARAM lParam) {
    CloseUpdatePopup();
    g_state.dpi = HIWORD(wParam);
    CreateFonts();
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateScrollMetrics();
    // Icons are kept at the size they are drawn: fetch them again for the new one.
    if (IsWindowVisible(window) && !IsIconic(window)) StartIconLoad();
    InvalidateMainWindow(window);
}

// Screen readers hear of what changed at each repaint, just before it: the
// moments when the window shows the change.
void OnPaint(HWND window) {
    ReportAccessibleChanges(window);
    PaintMainWindow(window);
}

POINT PointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

LRESULT HandleMainWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // A registered number, so it cannot be a case label; 0 means not registered.
    if (g_state.taskbarCreatedMessage != 0 && message == g_state.taskbarCreatedMessage) {
        OnTaskbarCreated(window);
        return 0;
    }
    switch (message) {
    case WM_CREATE: OnCreate(window); return 0;
    case WM_DESTROY: OnDestroy(window); return 0;
    case WM_SIZE: OnSize(window); return 0;
    case WM_KILLFOCUS: OnKillFocus(window); break;
    case WM_PAINT: OnPaint(window); return 0;
    case WM_CLOSE: OnClose(window); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED: RefreshSystemTheme(); break;
    case WM_SETCURSOR:
        if (OnSetCursor(window, lParam)) return TRUE;
        break;
    case WM_GETMINMAXINFO: OnGetMinMaxInfo(lParam); return 0;
    case WM_KEYDOWN:
        if (OnKeyDown(window, wParam, lParam)) return 0;
        if (OnNavigationKey(window, wParam, lParam)) return 0;
        break;
    case WM_SYSKEYDOWN:
        if (OnNavigationSysKey(window, wParam)) return 0;
        break;
    case WM_KEYUP:
        if (SwallowsKeyUp(wParam)) return 0;
        break;
    case WM_CHANGEUISTATE: OnChangeUiState(window, wParam); return 0;
    case WM_UPDATEUISTATE: OnUpdateUiState(window, wParam); break;
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_VSCROLL: HandleVerticalScroll(LOWORD(wParam)); return 0;
    case WM_MOUSEMOVE: OnMouseMove(window, PointOf(lParam)); return 0;
    case WM_LBUTTONDOWN:
        OnPointerPress(window, PointOf(lParam));
        OnLeftButtonDown(window, PointOf(lParam));
        return 0;
    case WM_RBUTTONDOWN: OnRightButtonDown(window, PointOf(lParam)); return 0;
    case WM_MOUSEWHEEL: HandleWheel(GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_MOUSELEAVE: OnMouseLeave(window); return 0;
    case WM_DPICHANGED: OnDpiChanged(window, wParam, lParam); return 0;
    case WM_APP_CATALOG_READY: ApplyCatalogResult(window, TakePostedResult<CatalogLoadResult>(lParam)); return 0;
    case WM_APP_ICONS_READY: ApplyIconResult(TakePostedResult<IconResult>(lParam)); return 0;
    case WM_APP_OPERATION_DONE: ApplyOperationResult(TakePostedResult<OperationResult>(lParam)); return 0;
    case WM_APP_PROGRESS: ApplyProgressReport(TakePostedResult<ProgressReport>(lParam)); return 0;
    case WM_APP_TRAY: OnTrayEvent(window, wParam, lParam); return 0;
    case WM_APP_SHOW_MAIN: ShowMainWindow(); return 0;
    case WM_APP_UNINSTALL_SELF: InstallOrRemoveSelf(); return 0;
    case WM_APP_APPS_CHANGED: NoteAppsChangedOutside(); return 0;
    case WM_GETOBJECT: {
        LRESULT object = 0;
        if (OnGetObject(window, wParam, lParam, object)) return object;
        break;
    }
    case WM_APP_ACCESSIBLE_PRESS: OnAccessiblePress(window, wParam); return 0;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return WindowProcedureEdge(window, message, wParam, lParam,
                               [&] { return HandleMainWindowMessage(window, message, wParam, lParam); });
}
