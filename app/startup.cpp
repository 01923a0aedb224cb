#include "app/startup.h"

#include <algorithm>
#include <cwchar>

#include "app/settings.h"
#include "app/state.h"
#include "app/theme.h"
#include "base/constants.h"
#include "base/gdiplus_session.h"
#include "base/handles.h"
#include "catalog/catalog_load.h"
#include "cli/run_command_line.h"
#include "operations/apps_folder_tidy.h"
#include "operations/installed_apps_entries.h"
#include "operations/self_management.h"
#include "ui/jobs/catalog_start.h"
#include "ui/jobs/theme_apply.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_commands.h"
#include "ui/main/main_window_handlers.h"

namespace {

constexpr int kDefaultWidth = 1180;
constexpr int kDefaultHeight = 780;
constexpr int kScreenMarginX = 60;
constexpr int kScreenMarginY = 50;

// The program icon in the state, destroyed (before GDI+ goes) at the end.
class AppIconHolder {
public:
    explicit AppIconHolder(HINSTANCE instance)
        : icon_(static_cast<HICON>(
              LoadImageW(instance, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE))) {
        g_state.appIcon = icon_.get();
    }
    ~AppIconHolder() { g_state.appIcon = nullptr; }
    AppIconHolder(const AppIconHolder&) = delete;
    AppIconHolder& operator=(const AppIconHolder&) = delete;

private:
    UniqueIcon icon_;
};

// The window of a running installed copy: one of the class that carries the
// property. Every window of the class is looked at, so that a portable copy
// found first does not hide the installed one.
HWND FindInstalledInstance() {
    for (HWND window = FindWindowExW(nullptr, nullptr, kMainWindowClass, nullptr); window != nullptr;
         window = FindWindowExW(nullptr, window, kMainWindowClass, nullptr)) {
        if (GetPropW(window, kInstalledProperty) != nullptr) return window;
    }
    return nullptr;
}

void AskToShow(HWND window) {
    if (window != nullptr) PostMessageW(window, WM_APP_SHOW_MAIN, 0, 0);
}

int ScreenDpi() {
    ScopedWindowDc screen(nullptr);
    int dpi = screen.get() != nullptr ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
    return dpi > 0 ? dpi : 96;
}

RECT PrimaryWorkArea() {
    RECT area{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
        area = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return area;
}

void ShowAtStart(HWND window, bool minimized, int showCommand) {
    if (minimized && g_state.installedMode) {
        // Hidden in the notification area; without an icon, on the taskbar.
        if (!g_state.trayIconAdded) ShowWindow(window, SW_SHOWMINNOACTIVE);
        CheckForUpdatesIfDue();
        return;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    StartCatalogLoad(false);
}

int RunMessageLoop() {
    MSG message{};
    int result = 0;
    while ((result = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return result == 0 ? static_cast<int>(message.wParam) : 0;
}

// Steps that need COM and GDI+; returns before either is shut down, with the
// catalogue (whose icons are GDI+ bitmaps) and the icon already released.
int RunWithGraphics(HINSTANCE instance, bool minimized, int showCommand) {
    g_state.instance = instance;
    AppIconHolder icon(instance);
    if (!RegisterWindowClasses(instance, g_state.appIcon)) return 1;

    WindowPlacement place = ComputeMainWindowPlacement(ScreenDpi(), PrimaryWorkArea());
    HWND window = CreateWindowExW(0, kMainWindowClass, kMainWindowTitle,
                                  WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_CLIPCHILDREN, place.x, place.y, place.width,
                                  place.height, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    g_state.mainWindow = window;

    ShowAtStart(window, minimized, showCommand);
    int exitCode = RunMessageLoop();
    g_state.apps.clear();
    return exitCode;
}

}  // namespace

WindowPlacement ComputeMainWindowPlacement(int sysDpi, const RECT& workArea) {
    int workWidth = workArea.right - workArea.left;
    int workHeight = workArea.bottom - workArea.top;
    WindowPlacement place;
    place.width = std::min(MulDiv(kDefaultWidth, sysDpi, 96), workWidth - MulDiv(kScreenMarginX, sysDpi, 96));
    place.height = std::min(MulDiv(kDefaultHeight, sysDpi, 96), workHeight - MulDiv(kScreenMarginY, sysDpi, 96));
    place.x = workArea.left + (workWidth - place.width) / 2;
    place.y = workArea.top + (workHeight - place.height) / 2;
    return place;
}

int RunOrkvane(HINSTANCE instance, PCWSTR commandLine, int showCommand) {
    // A command never hands over to a running copy and never shows a window.
    if (IsCommandLine(commandLine)) return RunCommandLine(commandLine);
    // The manifest asks for the same; Windows versions without V2 keep it.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    const bool minimized = commandLine != nullptr && std::wcsstr(commandLine, kMinimizedSwitch) != nullptr;

    if (HWND running = FindInstalledInstance()) {
        if (!minimized) AskToShow(running);
        return 0;
    }
    UniqueHandle instanceMutex;
    if (RunsAsInstalledCopy()) {
        // Portable copies take no mutex: any number of them may run.
        HANDLE created = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
        const DWORD mutexError = GetLastError();
        instanceMutex.reset(created);
        if (instanceMutex && mutexError == ERROR_ALREADY_EXISTS) {
            if (!minimized) AskToShow(FindInstalledInstance());
            return 0;
        }
        RemoveLeftoverSelfUpdate();
        // This copy's version, also after an update that the deferred script
        // finished, and the entry of a copy installed before there was one.
        RegisterSelfEntry();
        // What a stop halfway left, and copies left running by updates, as
        // far as nothing runs them now.
        TidyAppsFolderAtStart();
    }

    LoadSettings();
    ApplyTheme();
    g_state.taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");

    ScopedComApartment com;
    if (!com.ok()) return 1;
    GdiplusSession gdiplus;
    if (!gdiplus.ok()) return 1;
    return RunWithGraphics(instance, minimized, showCommand);
}
