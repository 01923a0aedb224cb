#include "ui/jobs/theme_apply.h"

#include <windows.h>

#include "app/high_contrast.h"
#include "app/settings.h"
#include "app/state.h"
#include "app/theme.h"
#include "base/constants.h"
#include "base/handles.h"
#include "ui/list/card_layout.h"

namespace {

// DwmSetWindowAttribute numbers for the dark title bar: the documented one,
// then the one that Windows 10 builds before 20H1 answer to.
constexpr DWORD kImmersiveDarkMode = 20;
constexpr DWORD kImmersiveDarkModeBefore20H1 = 19;

using DwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

bool WindowExists(HWND window) { return window != nullptr && IsWindow(window); }

bool ThemeWantsDark() {
    switch (g_state.settings.themeMode) {
    case ThemeChoice::Dark: return true;
    case ThemeChoice::System: return SystemPrefersDark();
    case ThemeChoice::Light: break;
    }
    return false;
}

}  // namespace

void ApplyTheme() {
    const bool dark = ThemeWantsDark();
    g_state.isDark = dark;
    g_state.highContrast = HighContrastOn();
    g_state.palette = g_state.highContrast ? SystemColorPalette() : dark ? kDarkPalette : kLightPalette;
    MarkListLayoutStale();

    for (HWND window : {g_state.mainWindow, g_state.optionsDialog, g_state.popupWindow}) {
        if (!WindowExists(window)) continue;
        ApplyDarkTitleBar(window);
        InvalidateRect(window, nullptr, TRUE);
    }
    if (WindowExists(g_state.optionsDialog)) PostMessageW(g_state.optionsDialog, WM_APP_THEME_CHANGED, 0, 0);
}

void RefreshSystemTheme() {
    // In high contrast the system colours themselves may have changed.
    if (HighContrastOn() || g_state.highContrast) return ApplyTheme();
    if (g_state.settings.themeMode != ThemeChoice::System) return;
    if (SystemPrefersDark() != g_state.isDark) ApplyTheme();
}

void ApplyDarkTitleBar(HWND window) {
    if (window == nullptr) return;
    // Loaded at the call and only from the system folder: the program often
    // runs from a USB key or a download folder.
    UniqueModule dwm(LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!dwm) return;
    FARPROC address = GetProcAddress(dwm.get(), "DwmSetWindowAttribute");
    if (address == nullptr) return;
    auto setAttribute = reinterpret_cast<DwmSetWindowAttributeFn>(reinterpret_cast<void*>(address));

    const BOOL value = g_state.isDark ? TRUE : FALSE;
    if (FAILED(setAttribute(window, kImmersiveDarkMode, &value, sizeof(value)))) {
        setAttribute(window, kImmersiveDarkModeBefore20H1, &value, sizeof(value));
    }
}
