#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/state.h"
#include "base/constants.h"
#include "tests/support/catalog_entries.h"
#include "tests/support/test_support.h"
#include "tests/support/waiting.h"
#include "tests/support/window_classes.h"
#include "ui/popup/update_popup.h"

namespace {

const std::wstring kShaA(64, L'a');
const std::wstring kShaB(64, L'b');
const std::wstring kShaC(64, L'c');
const std::wstring kShaSelf(64, L'f');

std::wstring TextOf(HWND window) {
    wchar_t buffer[256] = {};
    GetWindowTextW(window, buffer, 256);
    return buffer;
}

// A click on one of the popup's buttons, through the button itself.
void ClickButton(int id) {
    HWND button = GetDlgItem(g_state.popupWindow, id);
    ASSERT_NE(button, nullptr) << "button " << id;
    SendMessageW(button, BM_CLICK, 0, 0);
    PumpMessages();
}

class UpdatePopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAppState();
        g_state.instance = GetModuleHandleW(nullptr);
        g_state.installedMode = true;
        g_state.settings.updateChecks = true;
        RegisterPopupClass(g_state.instance);
    }
    void TearDown() override { CloseUpdatePopup(); }
};

TEST_F(UpdatePopupTest, OneUpdateHasNoNextButtonAndNamesTheTool) {
    g_state.apps.push_back(MakeApp(L"Beta", kShaB, true, false));
    g_state.apps.push_back(MakeApp(L"Alpha", kShaA, true, true));
    g_state.apps.push_back(MakeApp(L"Gamma", kShaC, false, true));  // not installed: nothing to update

    ShowUpdatePopup();
    HWND popup = g_state.popupWindow;
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(IsWindowVisible(popup));
    ASSERT_EQ(g_state.popupEntries.size(), 1u);
    EXPECT_EQ(g_state.popupEntries[0].id, L"Alpha");
    EXPECT_EQ(g_state.popupEntries[0].sha256, kShaA);

    wchar_t className[64] = {};
    GetClassNameW(popup, className, 64);
    EXPECT_STREQ(className, kPopupWindowClass);
    EXPECT_EQ(TextOf(popup), W("Mises à jour Orkvane"));
    LONG_PTR exStyle = GetWindowLongPtrW(popup, GWL_EXSTYLE);
    EXPECT_EQ(exStyle & (WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST),
              WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    LONG_PTR style = GetWindowLongPtrW(popup, GWL_STYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_BORDER | WS_DLGFRAME), WS_POPUP | WS_BORDER);

    EXPECT_EQ(GetDlgItem(popup, 3), nullptr);
    struct Child {
        int id;
        const char* text;
    };
    for (const Child& child : {Child{1, "Mettre à jour"}, Child{2, "Fermer"}}) {
        HWND button = GetDlgItem(popup, child.id);
        ASSERT_NE(button, nullptr) << child.id;
        EXPECT_EQ(TextOf(button), W(child.text));
        EXPECT_EQ(GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    }

    PopupLines lines = ComposePopupLines();
    EXPECT_EQ(lines.headline, W("1 mise à jour disponible"));
    EXPECT_EQ(lines.name, L"Alpha Tool");
    EXPECT_EQ(lines.position, L"Orkvane");
}

TEST_F(UpdatePopupTest, SitsInTheBottomRightCornerAtEveryDpi) {
    g_state.apps.push_back(MakeApp(L"Alpha", kShaA, true, true));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(nullptr, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT work = monitor.rcWork;

    struct Case {
        int dpi;
        int width;
        int height;
        int margin;
        int buttonLeft;
        int buttonTop;
    };
    const Case cases[] = {{96, 390, 160, 16, 222, 108}, {144, 585, 240, 24, 333, 162}};
    for (const Case& c : cases) {
        g_state.dpi = c.dpi;
        ShowUpdatePopup();
        ASSERT_NE(g_state.popupWindow, nullptr) << c.dpi;
        RECT placed{};
        GetWindowRect(g_state.popupWindow, &placed);
        EXPECT_EQ(placed.right - placed.left, c.width) << c.dpi;
        EXPECT_EQ(placed.bottom - placed.top, c.height) << c.dpi;
        EXPECT_EQ(placed.right, work.right - c.margin) << c.dpi;
        EXPECT_EQ(placed.bottom, work.bottom - c.margin) << c.dpi;

        RECT button{};
        GetWindowRect(GetDlgItem(g_state.popupWindow, 1), &button);
        MapWindowPoints(nullptr, g_state.popupWindow, reinterpret_cast<POINT*>(&button), 2);
        EXPECT_EQ(button.left, c.buttonLeft) << c.dpi;
        EXPECT_EQ(button.top, c.buttonTop) << c.dpi;
    }
}

TEST_F(UpdatePopupTest, NextWalksThroughToolsThenTheProgramAndWraps) {
    g_state.apps.push_back(MakeApp(kOwnAppId, kShaSelf, true, false));
    g_state.apps.push_back(MakeApp(L"Alpha", kShaA, true, true));
    g_state.apps.push_back(MakeApp(L"Beta", kShaB, true, true));
    g_state.apps[0].name = L"Orkvane";
    g_state.selfIndex = 0;
    g_state.selfUpdateAvailable = true;

    ShowUpdatePopup();
    ASSERT_NE(g_state.popupWindow, nullptr);
    ASSERT_EQ(g_state.popupEntries.size(), 3u);
    HWND next = GetDlgItem(g_state.popupWindow, 3);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(TextOf(next), L"Suivante");
    EXPECT_EQ(ComposePopupLines().headline, W("3 mises à jour disponibles"));

    struct Shown {
        const wchar_t* name;
        const char* position;
    };
    const Shown sequence[] = {
        {L"Alpha Tool", "1 / 3 · Orkvane"},
        {L"Beta Tool", "2 / 3 · Orkvane"},
        {L"Orkvane", "3 / 3 · Orkvane"},
        {L"Alpha Tool", "1 / 3 · Orkvane"},
    };
    for (size_t step = 0; step < std::size(sequence); ++step) {
        if (step > 0) ClickButton(3);
        PopupLines lines = ComposePopupLines();
        EXPECT_EQ(lines.name, sequence[step].name) << step;
        EXPECT_EQ(lines.position, W(sequence[step].position)) << step;
    }
    EXPECT_EQ(g_state.popupIndex, 0u);
    EXPECT_NE(g_state.popupWindow, nullptr);
}

TEST_F(UpdatePopupTest, AnnouncesOnlyWhatTheUserMayUpdate) {
    struct Case {
        const char* what;
        bool installedMode;
        bool updateChecks;
        bool secretMode;
        bool hidden;
        bool selfUpdate;
        size_t items;  // 0: no window
    };
    const Case cases[] = {
        {"two hidden updates, secret mode off", true, true, false, true, false, 0},
        {"two hidden updates, secret mode on", true, true, true, true, false, 2},
        {"two visible updates", true, true, false, false, false, 2},
        {"portable copy", false, true, false, false, true, 0},
        {"update checks off", true, false, false, false, true, 0},
        {"visible updates and the program's own", true, true, false, false, true, 3},
        {"only the program's own update", true, true, false, true, true, 1},
    };
    for (const Case& c : cases) {
        ResetAppState();
        g_state.instance = GetModuleHandleW(nullptr);
        g_state.installedMode = c.installedMode;
        g_state.settings.updateChecks = c.updateChecks;
        g_state.secretMode = c.secretMode;
        g_state.apps.push_back(MakeApp(L"Alpha", kShaA, true, true, c.hidden));
        g_state.apps.push_back(MakeApp(L"Beta", kShaB, true, true, c.hidden));
        g_state.apps.push_back(MakeApp(kOwnAppId, kShaSelf, true, false));
        g_state.selfIndex = 2;
        g_state.selfUpdateAvailable = c.selfUpdate;

        ShowUpdatePopup();
        if (c.items == 0) {
            EXPECT_EQ(g_state.popupWindow, nullptr) << c.what;
        } else {
            EXPECT_NE(g_state.popupWindow, nullptr) << c.what;
            ASSERT_EQ(g_state.popupEntries.size(), c.items) << c.what;
            if (c.selfUpdate) {
                EXPECT_EQ(g_state.popupEntries.back().id, kOwnAppId) << c.what;
            }
            EXPECT_EQ(GetDlgItem(g_state.popupWindow, 3) != nullptr, c.items >= 2) << c.what;
        }
        CloseUpdatePopup();
    }
}

TEST_F(UpdatePopupTest, FindPopupEntryFollowsTheCurrentCatalogue) {
    struct Case {
        const char* what;
        PopupItem item;
        bool installed;
        bool update;
        bool hidden;
        bool secretMode;
        bool selfUpdate;
        int expected;
    };
    const Case cases[] = {
        {"still an update", {L"Beta", kShaB}, true, true, false, false, false, 1},
        {"id differs in case", {L"beta", kShaB}, true, true, false, false, false, -1},
        {"file replaced in the catalogue", {L"Beta", kShaC}, true, true, false, false, false, -1},
        {"updated meanwhile", {L"Beta", kShaB}, true, false, false, false, false, -1},
        {"uninstalled meanwhile", {L"Beta", kShaB}, false, true, false, false, false, -1},
        {"hidden, secret mode off", {L"Beta", kShaB}, true, true, true, false, false, -1},
        {"hidden, secret mode on", {L"Beta", kShaB}, true, true, true, true, false, 1},
        {"removed from the catalogue", {L"Delta", kShaB}, true, true, false, false, false, -1},
        {"own entry with its update", {kOwnAppId, kShaSelf}, true, true, false, false, true, 2},
        {"own entry, no update any more", {kOwnAppId, kShaSelf}, true, true, false, false, false, -1},
    };
    for (const Case& c : cases) {
        g_state.apps.clear();
        g_state.apps.push_back(MakeApp(L"Alpha", kShaA, true, true));
        g_state.apps.push_back(MakeApp(L"Beta", kShaB, c.installed, c.update, c.hidden));
        // The own entry's flags do not matter: only selfUpdateAvailable does.
        g_state.apps.push_back(MakeApp(kOwnAppId, kShaSelf, false, false));
        g_state.selfIndex = 2;
        g_state.selfUpdateAvailable = c.selfUpdate;
        g_state.secretMode = c.secretMode;
        EXPECT_EQ(FindPopupEntry(c.item), c.expected) << c.what;
    }
}

TEST_F(UpdatePopupTest, RebuildDropsTheToolJustUpdated) {
    g_state.apps.push_back(MakeApp(L"Alpha", kShaA, true, true));
    g_state.apps.push_back(MakeApp(L"Beta", kShaB, true, true));
    ShowUpdatePopup();
    HWND first = g_state.popupWindow;
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(g_state.popupEntries.size(), 2u);

    // The install of Alpha finished: its file now matches the catalogue.
    g_state.apps[0].updateAvailable = false;
    ShowUpdatePopup();
    EXPECT_FALSE(IsWindow(first));
    ASSERT_NE(g_state.popupWindow, nullptr);
    ASSERT_EQ(g_state.popupEntries.size(), 1u);
    EXPECT_EQ(g_state.popupEntries[0].id, L"Beta");
    EXPECT_EQ(GetDlgItem(g_state.popupWindow, 3), nullptr);
    EXPECT_EQ(ComposePopupLines().headline, W("1 mise à jour disponible"));
    EXPECT_EQ(ComposePopupLines().name, L"Beta Tool");

    // And once Beta is current too, the popup is gone for good.
    g_state.apps[1].updateAvailable = false;
    ShowUpdatePopup();
    EXPECT_EQ(g_state.popupWindow, nullptr);
}

TEST_F(UpdatePopupTest, StaleItemShowsAlreadyCurrentAndUpdateOnlyCloses) {
    g_state.apps.push_back(MakeApp(L"Alpha", kShaA, true, true));
    ShowUpdatePopup();
    ASSERT_NE(g_state.popupWindow, nullptr);
    HWND popup = g_state.popupWindow;

    g_state.apps[0].sha256 = kShaC;  // a new catalogue replaced the file
    EXPECT_EQ(ComposePopupLines().name, W("Application déjà à jour"));
    ClickButton(1);
    EXPECT_EQ(g_state.popupWindow, nullptr);
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_FALSE(g_state.busy);
    EXPECT_EQ(g_state.statusText, L"Chargement du catalogue OVH...");
}

TEST_F(UpdatePopupTest, UpdateWhileBusyBringsTheMainWindowAndLeavesThePopupOpen) {
    // A hidden stand-in for the main window, as after a start in the notification area.
    g_state.mainWindow = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW, 50, 50, 300, 200, nullptr, nullptr,
                                         g_state.instance, nullptr);
    ASSERT_NE(g_state.mainWindow, nullptr);
    g_state.apps.push_back(MakeApp(L"Alpha", kShaA, true, true));
    ShowUpdatePopup();
    HWND popup = g_state.popupWindow;
    ASSERT_NE(popup, nullptr);
    g_state.busy = true;
    ClickButton(1);
    EXPECT_EQ(g_state.popupWindow, popup);
    EXPECT_TRUE(IsWindowVisible(popup));
    EXPECT_TRUE(IsWindowVisible(g_state.mainWindow));
    DestroyWindow(g_state.mainWindow);
}

TEST_F(UpdatePopupTest, CloseBoxAndWmCloseCloseIt) {
    g_state.apps.push_back(MakeApp(L"Alpha", kShaA, true, true));
    for (bool useCloseBox : {true, false}) {
        ShowUpdatePopup();
        HWND popup = g_state.popupWindow;
        ASSERT_NE(popup, nullptr);
        if (useCloseBox)
            ClickButton(2);
        else
            SendMessageW(popup, WM_CLOSE, 0, 0);
        EXPECT_EQ(g_state.popupWindow, nullptr) << useCloseBox;
        EXPECT_FALSE(IsWindow(popup)) << useCloseBox;
        // The list stays for the next ShowUpdatePopup.
        EXPECT_EQ(g_state.popupEntries.size(), 1u) << useCloseBox;
    }
}

TEST_F(UpdatePopupTest, ClickingItLeavesTheForegroundWindowAlone) {
    ASSERT_TRUE(RegisterTestWindowClass(L"PopupTestForeground"));
    HWND front = CreateWindowExW(0, L"PopupTestForeground", L"front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400,
                                 300, nullptr, nullptr, g_state.instance, nullptr);
    ASSERT_NE(front, nullptr);
    SetForegroundWindow(front);
    PumpMessages();
    ASSERT_EQ(GetForegroundWindow(), front);

    g_state.apps.push_back(MakeApp(L"Alpha", kShaA, true, true));
    ShowUpdatePopup();
    HWND popup = g_state.popupWindow;
    ASSERT_NE(popup, nullptr);
    PumpMessages();
    EXPECT_EQ(GetForegroundWindow(), front);

    EXPECT_EQ(SendMessageW(popup, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(popup),
                           MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATE);

    // A real click on the text area of the popup.
    RECT placed{};
    GetWindowRect(popup, &placed);
    SetCursorPos(placed.left + 200, placed.top + 60);
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
    for (int i = 0; i < 20; ++i) {
        PumpMessages();
        Sleep(10);
    }
    EXPECT_EQ(GetForegroundWindow(), front);
    EXPECT_NE(GetActiveWindow(), popup);
    EXPECT_EQ(g_state.popupWindow, popup);
    DestroyWindow(front);
}

// A real left click at a point on the screen, through the system's input queue.
void ClickAt(POINT point) {
    SetCursorPos(point.x, point.y);
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
}

POINT ButtonCentre(int id) {
    RECT rect{};
    GetWindowRect(GetDlgItem(g_state.popupWindow, id), &rect);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// Real clicks on the popup's buttons act while the application in front keeps
// the foreground and the keyboard focus.
TEST_F(UpdatePopupTest, ButtonsWorkWithoutTakingTheFocus) {
    ASSERT_TRUE(RegisterTestWindowClass(L"PopupTestFront"));
    HWND front = CreateWindowExW(0, L"PopupTestFront", L"front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                                 nullptr, nullptr, g_state.instance, nullptr);
    ASSERT_NE(front, nullptr);
    SetForegroundWindow(front);
    SetFocus(front);
    PumpMessages();
    ASSERT_EQ(GetForegroundWindow(), front);

    g_state.apps.push_back(MakeApp(L"Alpha", kShaA, true, true));
    g_state.apps.push_back(MakeApp(L"Beta", kShaB, true, true));
    ShowUpdatePopup();
    HWND popup = g_state.popupWindow;
    ASSERT_NE(popup, nullptr);
    PumpMessages();

    ClickAt(ButtonCentre(3));  // "Suivante"
    EXPECT_TRUE(PumpUntil([] { return g_state.popupIndex == 1; })) << "the click did not step the popup";
    EXPECT_EQ(GetForegroundWindow(), front);
    EXPECT_EQ(GetFocus(), front);
    EXPECT_NE(GetActiveWindow(), popup);

    ClickAt(ButtonCentre(2));  // "×"
    EXPECT_TRUE(PumpUntil([] { return g_state.popupWindow == nullptr; })) << "the click did not close the popup";
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(GetForegroundWindow(), front);
    EXPECT_EQ(GetFocus(), front);
    DestroyWindow(front);
}

}  // namespace
