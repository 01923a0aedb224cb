// The program's real main window for the tests that drive it with messages,
// created through the program's own class:
// - TestMainWindow, hidden, for tests that need the window to receive the
//   workers' results;
// - MainWindowFixture, shown without activation and given a catalogue in one
//   line, for tests that look at what it paints and how it answers.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "app/settings.h"
#include "app/state.h"
#include "base/constants.h"
#include "tests/support/catalog_entries.h"
#include "tests/support/ui_test_canvas.h"
#include "tests/support/waiting.h"
#include "ui/list/list_scrolling.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_commands.h"

// The program's main window, hidden, with g_state.mainWindow pointing at it.
class TestMainWindow {
public:
    TestMainWindow();
    ~TestMainWindow();
    TestMainWindow(const TestMainWindow&) = delete;
    TestMainWindow& operator=(const TestMainWindow&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

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

    template <typename... Shapes>
    void Show(const Shapes&... shapes) {
        SetApps(shapes...);
        g_state.catalogLoaded = true;
        UpdateScrollMetrics();
        Paint();
    }
    void Paint() { SendMessageW(window_, WM_PAINT, 0, 0); }

    HWND window_ = nullptr;
};
