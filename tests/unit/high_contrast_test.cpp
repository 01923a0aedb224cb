// High contrast: with the mode on, the main window, the update popup and the
// Options dialog paint in the system colours, and a settings change switches
// them live. Wine never reports the mode, so the test answers the query.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "app/high_contrast.h"
#include "app/settings.h"
#include "app/state.h"
#include "app/theme.h"
#include "base/constants.h"
#include "resources/resource.h"
#include "tests/support/ui_test_canvas.h"
#include "ui/jobs/theme_apply.h"
#include "ui/list/list_scrolling.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_commands.h"
#include "ui/options/options_dialog.h"
#include "ui/popup/update_popup.h"

namespace {

bool g_highContrast = false;

COLORREF PixelOf(HWND window, int x, int y) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ScopedWindowDc dc(window);
    return GetPixel(dc.get(), x, y);
}

class HighContrastTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAppState();
        g_state.instance = GetModuleHandleW(nullptr);
        g_highContrast = false;
        SetHighContrastQuery([] { return g_highContrast; });
        ASSERT_TRUE(RegisterWindowClasses(g_state.instance, nullptr));
        window_ = CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_POPUP | WS_VSCROLL, 0, 0, 1180, 780,
                                  nullptr, nullptr, g_state.instance, nullptr);
        ASSERT_NE(window_, nullptr);
        ShowWindow(window_, SW_SHOWNOACTIVATE);
        g_state.settings.themeMode = ThemeChoice::Light;
        ApplyTheme();
    }
    void TearDown() override {
        SetHighContrastQuery(nullptr);
        CloseUpdatePopup();
        if (IsWindow(window_)) DestroyWindow(window_);
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    }

    // Windows announces a change of the mode with WM_SETTINGCHANGE.
    void SwitchHighContrast(bool on) {
        g_highContrast = on;
        SendMessageW(window_, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    }

    HWND window_ = nullptr;
};

TEST_F(HighContrastTest, MainWindowPaintsInSystemColoursAndSwitchesLive) {
    SetApps(AppShape{L"outil", L"Outils"});
    g_state.expandedId = L"outil";
    g_state.busy = true;  // "Actualiser" drawn disabled
    g_state.catalogLoaded = true;
    UpdateScrollMetrics();

    // Pixels away from any text: the accent bar, the header's background,
    // the disabled "Actualiser", the status strip's left end.
    const auto probes = [&] {
        PixelOf(window_, 0, 0);
        const RECT refresh = g_state.refreshButtonRect;
        const RECT strip = g_state.statusStripRect;
        return std::vector<COLORREF>{PixelOf(window_, 5, 1), PixelOf(window_, 5, Scale(50)),
                                     PixelOf(window_, refresh.left + 3, (refresh.top + refresh.bottom) / 2),
                                     PixelOf(window_, strip.left + 3, (strip.top + strip.bottom) / 2)};
    };
    struct Case {
        bool on;
        std::vector<COLORREF> expected;
    };
    const Case cases[] = {
        {true,
         {GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_BTNFACE),
          GetSysColor(COLOR_WINDOW)}},
        {false, {kLightPalette.accent, kLightPalette.window, kLightPalette.buttonDisabled, kLightPalette.statusFill}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.on ? "on" : "off");
        SwitchHighContrast(c.on);
        EXPECT_EQ(g_state.highContrast, c.on);
        const std::vector<COLORREF> seen = probes();
        for (size_t i = 0; i < seen.size(); ++i) EXPECT_COLOR(seen[i], c.expected[i]) << "probe " << i;
    }
    // The light palette and the system colours must differ where probed, or
    // this test would prove nothing.
    EXPECT_NE(kLightPalette.accent, GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_NE(kLightPalette.window, GetSysColor(COLOR_WINDOW));
}

TEST_F(HighContrastTest, PopupAndOptionsDialogFollow) {
    SwitchHighContrast(true);
    ASSERT_TRUE(g_state.highContrast);

    // The popup: its warning stripe and its surface.
    g_state.installedMode = true;
    g_state.settings.updateChecks = true;
    SetApps(AppShape{L"outil", L"Outils", true, true});
    ShowUpdatePopup();
    ASSERT_NE(g_state.popupWindow, nullptr);
    EXPECT_COLOR(PixelOf(g_state.popupWindow, 1, Scale(60)), GetSysColor(COLOR_HOTLIGHT));
    EXPECT_COLOR(PixelOf(g_state.popupWindow, Scale(10), Scale(150)), GetSysColor(COLOR_WINDOW));
    CloseUpdatePopup();

    // The dialog: its accent bar and its background left of the tabs.
    HWND dialog = CreateDialogParamW(g_state.instance, MAKEINTRESOURCEW(IDD_OPTIONS), window_, OptionsDialogProc,
                                     kOptionsDialogModeless);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOW);
    RECT leftOfTabs{8, 60, 8, 60};
    MapDialogRect(dialog, &leftOfTabs);
    EXPECT_COLOR(PixelOf(dialog, 200, 0), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_COLOR(PixelOf(dialog, leftOfTabs.left, leftOfTabs.top), GetSysColor(COLOR_WINDOW));
    DestroyWindow(dialog);
}

}  // namespace
