// Theme choice, title bar, fonts and dpi scaling.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "app/settings.h"
#include "app/state.h"
#include "app/theme.h"
#include "base/constants.h"
#include "base/handles.h"
#include "tests/support/ui_test_canvas.h"
#include "ui/jobs/theme_apply.h"

namespace {

constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kLightThemeValue[] = L"AppsUseLightTheme";

// Sets or removes the user's "apps use the light theme" value for the life of
// the object, then puts back what was there.
class SystemThemeValue {
public:
    SystemThemeValue() {
        DWORD value = 0;
        DWORD size = sizeof(value);
        if (RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, kLightThemeValue, RRF_RT_REG_DWORD, nullptr, &value,
                         &size) == ERROR_SUCCESS) {
            original_ = value;
        }
    }
    ~SystemThemeValue() { Set(original_); }
    SystemThemeValue(const SystemThemeValue&) = delete;
    SystemThemeValue& operator=(const SystemThemeValue&) = delete;

    void Set(std::optional<DWORD> value) {
        if (value) {
            RegSetKeyValueW(HKEY_CURRENT_USER, kPersonalizeKey, kLightThemeValue, REG_DWORD, &*value, sizeof(DWORD));
        } else {
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalizeKey, kLightThemeValue);
        }
    }

private:
    std::optional<DWORD> original_;
};

bool SamePalette(const Palette& a, const Palette& b) { return std::memcmp(&a, &b, sizeof(Palette)) == 0; }

const char* ChoiceName(ThemeChoice choice) {
    switch (choice) {
    case ThemeChoice::System: return "System";
    case ThemeChoice::Light: return "Light";
    case ThemeChoice::Dark: return "Dark";
    }
    return "?";
}

LOGFONTW FontInfo(HFONT font) {
    LOGFONTW info{};
    EXPECT_EQ(GetObjectW(font, sizeof(info), &info), static_cast<int>(sizeof(info)));
    return info;
}

bool MessageWaiting(HWND window, UINT message) {
    MSG msg{};
    return PeekMessageW(&msg, window, message, message, PM_REMOVE) != 0;
}

}  // namespace

TEST(Theme, ChoiceAndSystemPreferenceSelectThePalette) {
    struct Case {
        ThemeChoice choice;
        std::optional<DWORD> appsUseLightTheme;
        bool dark;
    };
    const Case cases[] = {
        {ThemeChoice::System, 0, true},
        {ThemeChoice::System, 1, false},
        {ThemeChoice::System, std::nullopt, false},
        {ThemeChoice::Light, 0, false},
        {ThemeChoice::Light, 1, false},
        {ThemeChoice::Dark, 1, true},
        {ThemeChoice::Dark, std::nullopt, true},
    };
    SystemThemeValue system;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(ChoiceName(c.choice)) + " with AppsUseLightTheme " +
                     (c.appsUseLightTheme ? std::to_string(*c.appsUseLightTheme) : "missing"));
        system.Set(c.appsUseLightTheme);
        // Start from the opposite so that a palette left alone is caught.
        g_state.isDark = !c.dark;
        g_state.palette = c.dark ? kLightPalette : kDarkPalette;
        g_state.settings.themeMode = c.choice;

        ApplyTheme();

        EXPECT_EQ(g_state.isDark, c.dark);
        EXPECT_TRUE(SamePalette(g_state.palette, c.dark ? kDarkPalette : kLightPalette));
    }
}

TEST(Theme, RefreshFollowsTheSystemOnlyInSystemMode) {
    struct Case {
        ThemeChoice choice;
        DWORD appsUseLightTheme;
        bool darkBefore;
        bool darkAfter;
    };
    const Case cases[] = {
        {ThemeChoice::System, 0, false, true},  {ThemeChoice::System, 1, true, false},
        {ThemeChoice::System, 1, false, false}, {ThemeChoice::Light, 0, false, false},
        {ThemeChoice::Dark, 1, true, true},
    };
    SystemThemeValue system;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(ChoiceName(c.choice)) + " with AppsUseLightTheme " +
                     std::to_string(c.appsUseLightTheme));
        system.Set(c.appsUseLightTheme);
        g_state.settings.themeMode = c.choice;
        g_state.isDark = c.darkBefore;
        g_state.palette = c.darkBefore ? kDarkPalette : kLightPalette;

        RefreshSystemTheme();

        EXPECT_EQ(g_state.isDark, c.darkAfter);
        EXPECT_TRUE(SamePalette(g_state.palette, c.darkAfter ? kDarkPalette : kLightPalette));
    }
}

TEST(Theme, ApplyRepaintsOpenWindowsAndTellsTheOptionsDialog) {
    ListWindow main(400, 300);
    ListWindow options(200, 200);
    g_state.mainWindow = main.get();
    g_state.optionsDialog = options.get();
    ValidateRect(main.get(), nullptr);
    ValidateRect(options.get(), nullptr);
    while (MessageWaiting(options.get(), WM_APP_THEME_CHANGED)) {
    }
    g_state.settings.themeMode = ThemeChoice::Dark;

    ApplyTheme();

    RECT dirty{};
    EXPECT_TRUE(GetUpdateRect(main.get(), &dirty, FALSE));
    EXPECT_EQ(dirty.right - dirty.left, 400);
    EXPECT_TRUE(GetUpdateRect(options.get(), &dirty, FALSE));
    EXPECT_TRUE(MessageWaiting(options.get(), WM_APP_THEME_CHANGED));

    // Without an Options dialog nothing is posted to anybody.
    g_state.optionsDialog = nullptr;
    ApplyTheme();
    EXPECT_FALSE(MessageWaiting(nullptr, WM_APP_THEME_CHANGED));
    g_state.optionsDialog = nullptr;
}

TEST(Theme, DarkTitleBarLeavesTheWindowManagerLibraryUnloaded) {
    const bool loadedBefore = GetModuleHandleW(L"dwmapi.dll") != nullptr;
    ListWindow window(200, 100);
    for (bool dark : {true, false}) {
        g_state.isDark = dark;
        ApplyDarkTitleBar(window.get());
        ApplyDarkTitleBar(nullptr);
        EXPECT_EQ(GetModuleHandleW(L"dwmapi.dll") != nullptr, loadedBefore);
    }
}

TEST(Theme, ScaleRoundsToTheNearestPixel) {
    struct Case {
        int dpi;
        int value;
        int expected;
    };
    const Case cases[] = {
        {144, 38, 57}, {144, 1, 2}, {144, 940, 1410}, {144, -3, -5}, {96, 38, 38},
        {96, 1, 1},    {120, 3, 4}, {120, 2, 3},      {192, 7, 14},  {144, 0, 0},
    };
    for (const Case& c : cases) {
        g_state.dpi = c.dpi;
        EXPECT_EQ(Scale(c.value), c.expected) << c.value << " at " << c.dpi << " dpi";
    }
}

TEST(Theme, FontsFollowTheDpiAndAreReplacedWhenRecreated) {
    struct Case {
        UniqueFont AppState::*font;
        const char* name;
        LONG height96;
        LONG height144;
        LONG weight;
    };
    const Case cases[] = {
        {&AppState::titleFont, "title", -26, -39, FW_BOLD},   {&AppState::headingFont, "heading", -15, -22, FW_BOLD},
        {&AppState::strongFont, "strong", -12, -18, FW_BOLD}, {&AppState::bodyFont, "body", -12, -18, FW_NORMAL},
        {&AppState::smallFont, "small", -11, -16, FW_NORMAL},
    };

    g_state.dpi = 96;
    CreateFonts();
    HFONT first[5];
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(cases[i].name);
        first[i] = (g_state.*cases[i].font).get();
        ASSERT_NE(first[i], nullptr);
        const LOGFONTW info = FontInfo(first[i]);
        EXPECT_EQ(info.lfHeight, cases[i].height96);
        EXPECT_EQ(info.lfWeight, cases[i].weight);
        EXPECT_EQ(info.lfQuality, CLEARTYPE_QUALITY);
        EXPECT_EQ(info.lfCharSet, DEFAULT_CHARSET);
        EXPECT_FALSE(info.lfItalic);
        EXPECT_STREQ(info.lfFaceName, L"Segoe UI");
    }

    g_state.dpi = 144;
    CreateFonts();
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(GetObjectType(first[i]), 0u) << "the previous font was not deleted";
        ASSERT_NE((g_state.*cases[i].font).get(), nullptr);
        EXPECT_EQ(FontInfo((g_state.*cases[i].font).get()).lfHeight, cases[i].height144);
    }

    HFONT second[5];
    for (size_t i = 0; i < 5; ++i) second[i] = (g_state.*cases[i].font).get();
    DeleteFonts();
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ((g_state.*cases[i].font).get(), nullptr);
        EXPECT_EQ(GetObjectType(second[i]), 0u);
    }
    DeleteFonts();  // a second call finds nothing to delete
}
