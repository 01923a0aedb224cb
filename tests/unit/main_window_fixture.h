// A real main window for the tests that drive it with messages: created
// through the program's own class, shown without activation, and given a
// catalogue in one line.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "app/settings.h"
#include "app/state.h"
#include "tests/operations/operation_test_support.h"
#include "tests/unit/ui_test_canvas.h"
#include "ui/list/list_scrolling.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_commands.h"

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAppState();
        g_state.instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(RegisterWindowClasses(g_state.instance, nullptr));
        window_ = CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_POPUP | WS_VSCROLL, 0, 0, 1180, 780,
                                  nullptr, nullptr, g_state.instance, nullptr);
        ASSERT_NE(window_, nullptr);
        ShowWindow(window_, SW_SHOWNOACTIVATE);
    }
    void TearDown() override {
        if (IsWindow(window_)) DestroyWindow(window_);
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    }

    template <typename... Specs>
    void Show(const Specs&... specs) {
        SetApps(specs...);
        g_state.catalogLoaded = true;
        UpdateScrollMetrics();
        Paint();
    }
    void Paint() { SendMessageW(window_, WM_PAINT, 0, 0); }

    HWND window_ = nullptr;
};
