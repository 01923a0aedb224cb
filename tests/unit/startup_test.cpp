// Start-up run inside the test process: the window's first rectangle, the
// exit codes when the window cannot be set up, and a whole short run.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include "app/settings.h"
#include "app/startup.h"
#include "app/state.h"
#include "base/constants.h"
#include "catalog/catalog_model.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_commands.h"

namespace {

TEST(StartupGeometry, CentredInWorkAreaAndClampedToIt) {
    struct Case {
        int dpi;
        RECT work;
        WindowPlacement expected;
    };
    const Case cases[] = {
        {96, {0, 0, 1366, 728}, {93, 25, 1180, 678}},
        {144, {0, 0, 2560, 1400}, {395, 115, 1770, 1170}},
        {96, {0, 0, 1920, 1040}, {370, 130, 1180, 780}},
        // A work area that does not start at the origin (taskbar on the left or top).
        {96, {62, 40, 1428, 768}, {155, 65, 1180, 678}},
        // Odd remainders are truncated.
        {96, {0, 0, 1181, 781}, {30, 25, 1121, 731}},
        // Smaller than the margins allow: the window still centres.
        {120, {0, 0, 800, 600}, {37, 31, 725, 537}},
    };
    for (const Case& c : cases) {
        WindowPlacement p = ComputeMainWindowPlacement(c.dpi, c.work);
        EXPECT_EQ(p.x, c.expected.x) << c.dpi << " " << c.work.right;
        EXPECT_EQ(p.y, c.expected.y) << c.dpi << " " << c.work.right;
        EXPECT_EQ(p.width, c.expected.width) << c.dpi << " " << c.work.right;
        EXPECT_EQ(p.height, c.expected.height) << c.dpi << " " << c.work.right;
    }
}

class StartupRun : public ::testing::Test {
protected:
    void SetUp() override { ResetAppState(); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath); }
};

TEST_F(StartupRun, ClassThatCannotBeRegisteredGivesExitCodeOne) {
    // The class already exists in this module, so start-up cannot register it.
    ASSERT_TRUE(RegisterWindowClasses(GetModuleHandleW(nullptr), nullptr));
    EXPECT_EQ(RunOrkvane(GetModuleHandleW(nullptr), L"", SW_HIDE), 1);
    EXPECT_EQ(g_state.mainWindow, nullptr);
    EXPECT_EQ(g_state.appIcon, nullptr);  // released on the way out
}

TEST_F(StartupRun, ComThatCannotStartGivesExitCodeOne) {
    // A thread already in the multithreaded apartment cannot become a
    // single-threaded one.
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    int code = RunOrkvane(GetModuleHandleW(nullptr), L"", SW_HIDE);
    CoUninitialize();
    EXPECT_EQ(code, 1);
    EXPECT_EQ(g_state.mainWindow, nullptr);
    EXPECT_EQ(FindWindowW(kMainWindowClass, nullptr), nullptr);
}

LRESULT CALLBACK RefuseMainWindow(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        if (!IS_INTRESOURCE(create->lpcs->lpszClass) && lstrcmpW(create->lpcs->lpszClass, kMainWindowClass) == 0) {
            return 1;  // creation refused
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(StartupRun, WindowThatCannotBeCreatedGivesExitCodeOne) {
    HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseMainWindow, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    int code = RunOrkvane(GetModuleHandleW(nullptr), L"", SW_HIDE);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(g_state.mainWindow, nullptr);
    EXPECT_EQ(g_state.appIcon, nullptr);
}

// What the running program looked like, seen from inside its message loop.
struct SeenWhileRunning {
    bool seen = false;
    bool visible = false;
    bool hasIcon = false;
    bool classIcon = false;
    RECT rect{};
    wchar_t title[32] = {};
};
SeenWhileRunning g_seen;

void CALLBACK InspectAndQuit(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND window = g_state.mainWindow;
    if (window == nullptr) return;
    KillTimer(nullptr, timer);
    g_seen.seen = true;
    g_seen.visible = IsWindowVisible(window) != FALSE;
    g_seen.hasIcon = g_state.appIcon != nullptr;
    g_seen.classIcon = GetClassLongPtrW(window, GCLP_HICON) == reinterpret_cast<ULONG_PTR>(g_state.appIcon);
    GetWindowRect(window, &g_seen.rect);
    GetWindowTextW(window, g_seen.title, 32);
    // A catalogue entry with a bitmap: the run must release it before GDI+ goes.
    CatalogApp app;
    app.id = L"Outil";
    g_state.apps.push_back(std::move(app));
    DestroyWindow(window);
}

TEST_F(StartupRun, PortableRunShowsCentredWindowAndEndsWithQuitCode) {
    // "--minimized" is ignored outside the install folder.
    for (const wchar_t* commandLine : {L"", L"--minimized", L"x --minimized y"}) {
        ResetAppState();
        g_seen = SeenWhileRunning();
        UINT_PTR timer = SetTimer(nullptr, 0, 50, InspectAndQuit);
        ASSERT_NE(timer, 0u);
        int code = RunOrkvane(GetModuleHandleW(nullptr), commandLine, SW_SHOWNOACTIVATE);
        EXPECT_EQ(code, 0) << commandLine;
        ASSERT_TRUE(g_seen.seen) << commandLine;
        EXPECT_TRUE(g_seen.visible) << commandLine;
        EXPECT_TRUE(g_seen.hasIcon) << commandLine;
        EXPECT_TRUE(g_seen.classIcon) << commandLine;
        EXPECT_STREQ(g_seen.title, L"Orkvane");

        RECT work{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        HDC screen = GetDC(nullptr);
        int dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        WindowPlacement expected = ComputeMainWindowPlacement(dpi, work);
        EXPECT_EQ(g_seen.rect.left, expected.x);
        EXPECT_EQ(g_seen.rect.top, expected.y);
        EXPECT_EQ(g_seen.rect.right - g_seen.rect.left, expected.width);
        EXPECT_EQ(g_seen.rect.bottom - g_seen.rect.top, expected.height);

        EXPECT_TRUE(g_state.apps.empty()) << commandLine;
        EXPECT_EQ(g_state.appIcon, nullptr);
        // The class stays registered in this process; the next run must not
        // fail because of it.
        UnregisterClassW(kMainWindowClass, GetModuleHandleW(nullptr));
        UnregisterClassW(kPopupWindowClass, GetModuleHandleW(nullptr));
    }
}

}  // namespace
