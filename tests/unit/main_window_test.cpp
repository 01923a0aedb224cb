// The main window procedure driven with real messages: a real window of the
// program's class, the state it changes, and what it posts.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "app/policies.h"
#include "app/settings.h"
#include "app/state.h"
#include "base/constants.h"
#include "base/messages.h"
#include "base/paths.h"
#include "catalog/catalog_model.h"
#include "tests/support/catalog_entries.h"
#include "tests/support/test_support.h"
#include "ui/jobs/self_commands.h"
#include "ui/main/chrome_paint.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_commands.h"
#include "ui/main/main_window_handlers.h"
#include "ui/main/tray_icon.h"
#include "ui/popup/update_popup.h"

namespace {

std::wstring Msg(const char* utf8) { return W(utf8); }

POINT Centre(const RECT& rect) { return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

LPARAM PointParam(POINT point) { return MAKELPARAM(point.x, point.y); }

std::unique_ptr<CatalogLoadResult> SuccessResult(bool automatic, std::vector<const wchar_t*> ids, int selfIndex = -1,
                                                 const wchar_t* selfVersion = kVersionText) {
    auto result = std::make_unique<CatalogLoadResult>();
    result->automatic = automatic;
    result->ok = true;
    for (const wchar_t* id : ids) result->apps.push_back(MakeApp(id, L"1.0", L"Outils"));
    if (selfIndex >= 0) result->apps[static_cast<size_t>(selfIndex)].version = selfVersion;
    result->selfIndex = selfIndex;
    return result;
}

std::unique_ptr<CatalogLoadResult> FailedResult(bool automatic, const wchar_t* error) {
    auto result = std::make_unique<CatalogLoadResult>();
    result->automatic = automatic;
    result->ok = false;
    result->error = error;
    return result;
}

// Hands a heap result to the window as a worker's post would, synchronously.
void Deliver(HWND window, std::unique_ptr<CatalogLoadResult> result) {
    SendMessageW(window, WM_APP_CATALOG_READY, 0, reinterpret_cast<LPARAM>(result.release()));
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAppState();
        g_state.instance = GetModuleHandleW(nullptr);
        g_state.taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
        ASSERT_TRUE(RegisterWindowClasses(g_state.instance, nullptr));
        window_ = CreateMain();
        ASSERT_NE(window_, nullptr);
    }

    void TearDown() override {
        if (IsWindow(window_)) DestroyWindow(window_);
        // The window's creation writes the settings back; leave no trace.
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    }

    static HWND CreateMain() {
        return CreateWindowExW(0, kMainWindowClass, kMainWindowTitle,
                               WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_CLIPCHILDREN, 0, 0, 1180, 780, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }

    // The clickable rectangles exist only once the window has painted.
    void Paint() {
        SendMessageW(window_, WM_PAINT, 0, 0);
        ASSERT_FALSE(IsRectEmpty(&g_state.logoRect)) << "the paint recorded no logo";
        ASSERT_FALSE(IsRectEmpty(&g_state.siteLinkRect)) << "the paint recorded no credit link";
    }

    void Left(POINT point) { SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(point)); }
    void Right(POINT point) { SendMessageW(window_, WM_RBUTTONDOWN, MK_RBUTTON, PointParam(point)); }
    LRESULT Key(WPARAM key) { return SendMessageW(window_, WM_KEYDOWN, key, 0); }
    static bool LinkFocused() { return g_state.keyboardFocus.element == WindowElement::CreditLink; }
    static void FocusLink(bool focused) {
        g_state.keyboardFocus = focused ? KeyboardFocus{WindowElement::CreditLink, {}} : KeyboardFocus{};
    }

    bool HasPendingRepaint() {
        RECT dirty{};
        return GetUpdateRect(window_, &dirty, FALSE) != FALSE;
    }

    HWND window_ = nullptr;
};

TEST_F(MainWindowTest, CreationSetsUpPortableWindow) {
    EXPECT_EQ(g_state.mainWindow, window_);
    EXPECT_FALSE(g_state.installedMode);  // the test program is not the installed copy
    EXPECT_NE(g_state.bodyFont.get(), nullptr);
    // Portable: no installed-instance mark and no tray icon.
    EXPECT_EQ(GetPropW(window_, kInstalledProperty), nullptr);
    EXPECT_FALSE(g_state.trayIconAdded);
    // The settings were written back at creation.
    DWORD startup = 7, size = sizeof(startup);
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, L"Startup", RRF_RT_REG_DWORD, nullptr, &startup, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(startup, 1u);
}

TEST_F(MainWindowTest, SecretModeClickPattern) {
    ASSERT_NO_FATAL_FAILURE(Paint());
    const POINT logo = Centre(g_state.logoRect);
    // In the header, left of and below the logo: no button, no card.
    const POINT elsewhere{g_state.logoRect.left / 2, g_state.logoRect.bottom + 10};
    ASSERT_FALSE(PtInRect(&g_state.logoRect, elsewhere));

    struct Case {
        const char* clicks;  // L/R on the logo, l/r elsewhere
        bool secretMode;
        int left;
        int right;
        const char* status;  // null: unchanged
    };
    const Case cases[] = {
        {"LLLLRRR", true, 0, 0, msg::kStatusSecretOn},
        {"LLLLRRRLLLLRRR", false, 0, 0, msg::kStatusSecretOff},
        {"LLLR", false, 0, 0, nullptr},                     // too few lefts: the right resets
        {"LLLRLLLLRRR", true, 0, 0, msg::kStatusSecretOn},  // and the pattern works again
        {"LLLLLLLRRR", true, 0, 0, msg::kStatusSecretOn},   // extra lefts change nothing
        {"LLLLLLL", false, 4, 0, nullptr},
        {"LLLLRRL", false, 1, 0, nullptr},                 // a left after rights restarts at one
        {"LLLLRRLRRR", false, 0, 0, nullptr},              // ... so three rights now reset
        {"LLllLLrRRR", true, 0, 0, msg::kStatusSecretOn},  // clicks elsewhere neither count nor reset
        {"LLLLRR", false, 4, 2, nullptr},
    };
    const std::wstring before = L"avant";
    for (const Case& c : cases) {
        g_state.secretMode = false;
        g_state.secretLeftClicks = 0;
        g_state.secretRightClicks = 0;
        g_state.statusText = before;
        g_state.scrollPos = 40;
        for (const char* p = c.clicks; *p != '\0'; ++p) {
            switch (*p) {
            case 'L': Left(logo); break;
            case 'R': Right(logo); break;
            case 'l': Left(elsewhere); break;
            case 'r': Right(elsewhere); break;
            }
        }
        EXPECT_EQ(g_state.secretMode, c.secretMode) << c.clicks;
        EXPECT_EQ(g_state.secretLeftClicks, c.left) << c.clicks;
        EXPECT_EQ(g_state.secretRightClicks, c.right) << c.clicks;
        EXPECT_EQ(g_state.statusText, c.status ? Msg(c.status) : before) << c.clicks;
        if (c.status != nullptr) {
            EXPECT_EQ(g_state.scrollPos, 0) << c.clicks;
        }
    }
}

TEST_F(MainWindowTest, KeyboardOnCreditLink) {
    ASSERT_NO_FATAL_FAILURE(Paint());
    g_state.settings.offlineMode = true;  // Enter must not open a browser here

    EXPECT_EQ(Key(VK_TAB), 0);
    EXPECT_TRUE(LinkFocused());
    Key(VK_TAB);
    EXPECT_FALSE(LinkFocused());

    // A held key arrives again with bit 30 set: only its first press acts.
    constexpr LPARAM kRepeat = 1 | (LPARAM{1} << 30);
    struct Case {
        WPARAM key;
        LPARAM flags;
        bool focusedAfter;
        bool offlineStatus;
    };
    const Case cases[] = {
        {VK_RETURN, 0, true, true},       {VK_SPACE, 0, true, true},    {VK_RETURN, kRepeat, true, false},
        {VK_SPACE, kRepeat, true, false}, {VK_ESCAPE, 0, false, false},
    };
    for (const Case& c : cases) {
        g_state.statusText = L"avant";
        FocusLink(false);
        Key(VK_TAB);
        EXPECT_EQ(SendMessageW(window_, WM_KEYDOWN, c.key, c.flags), 0) << c.key;
        EXPECT_EQ(LinkFocused(), c.focusedAfter) << c.key << " " << c.flags;
        EXPECT_EQ(g_state.statusText, c.offlineStatus ? Msg(msg::kStatusSiteLinkOffline) : L"avant")
            << c.key << " " << c.flags;
    }

    // Any click and the loss of the keyboard focus hide the cue.
    FocusLink(true);
    Left(POINT{g_state.logoRect.left / 2, g_state.logoRect.bottom + 10});
    EXPECT_FALSE(LinkFocused());
    FocusLink(true);
    SendMessageW(window_, WM_KILLFOCUS, 0, 0);
    EXPECT_FALSE(LinkFocused());

    // A click on the credit link itself opens it (offline: the message).
    g_state.statusText = L"avant";
    Left(Centre(g_state.siteLinkRect));
    EXPECT_EQ(g_state.statusText, Msg(msg::kStatusSiteLinkOffline));
}

TEST_F(MainWindowTest, EscapeCollapsesExpandedCard) {
    struct Case {
        bool linkFocused;
        const wchar_t* expanded;
        const wchar_t* expandedAfter;
        bool linkFocusedAfter;
    };
    const Case cases[] = {
        {false, L"Outil", L"", false},
        {false, L"", L"", false},
        {true, L"Outil", L"Outil", false},  // the link cue goes first
    };
    for (const Case& c : cases) {
        FocusLink(c.linkFocused);
        g_state.expandedId = c.expanded;
        Key(VK_ESCAPE);
        EXPECT_EQ(g_state.expandedId, c.expandedAfter) << c.expanded << L" " << c.linkFocused;
        EXPECT_EQ(LinkFocused(), c.linkFocusedAfter);
    }
}

TEST_F(MainWindowTest, CloseHidesMinimisesOrDestroys) {
    // With the tray icon: hide. Without it and busy: minimise. Else: destroy.
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    ASSERT_TRUE(AddTrayIcon());
    EXPECT_TRUE(g_state.trayIconAdded);
    SendMessageW(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_FALSE(IsWindowVisible(window_));

    g_state.trayIconAdded = false;
    g_state.busy = true;
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    SendMessageW(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_TRUE(IsIconic(window_));

    g_state.busy = false;
    const int generation = g_state.catalogGeneration;
    SendMessageW(window_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(g_state.catalogGeneration, generation + 1);
    EXPECT_EQ(g_state.bodyFont.get(), nullptr);
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}

// What the window still carries right after its WM_DESTROY handler returned.
struct AfterDestroy {
    bool seen = false;
    bool marked = true;
    bool iconModifiable = true;
};
AfterDestroy g_afterDestroy;
LRESULT CALLBACK WatchDestroy(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_DESTROY && call->hwnd == g_state.mainWindow) {
        g_afterDestroy.seen = true;
        g_afterDestroy.marked = GetPropW(call->hwnd, kInstalledProperty) != nullptr;
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof(data);
        data.hWnd = call->hwnd;
        data.uID = 1;
        g_afterDestroy.iconModifiable = Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(MainWindowTest, DestroyRemovesTrayIconAndMark) {
    ASSERT_TRUE(AddTrayIcon());
    SetPropW(window_, kInstalledProperty, reinterpret_cast<HANDLE>(1));
    SetTimer(window_, kUpdateTimerId, kUpdateTimerPeriodMs, nullptr);
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, WatchDestroy, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    DestroyWindow(window_);
    UnhookWindowsHookEx(hook);
    ASSERT_TRUE(g_afterDestroy.seen);
    EXPECT_FALSE(g_afterDestroy.marked);
    EXPECT_FALSE(g_afterDestroy.iconModifiable);
    EXPECT_FALSE(g_state.trayIconAdded);
}

TEST_F(MainWindowTest, CatalogueResults) {
    struct Case {
        const char* name;
        bool installed;
        bool offline;
        std::unique_ptr<CatalogLoadResult> result;
        bool replaced;        // apps come from this result
        std::wstring status;  // expected status text
    };
    std::vector<Case> cases;
    cases.push_back({"portable success", false, false, SuccessResult(false, {L"Alpha", L"Beta"}), true,
                     Msg(msg::kStatusPortableCatalogLoaded)});
    cases.push_back(
        {"installed online", true, false, SuccessResult(false, {L"Gamma"}), true, Msg(msg::kStatusOvhCatalogLoaded)});
    cases.push_back({"installed offline", true, true, SuccessResult(true, {L"Delta", L"Orkvane", L"Eps"}, 1), true,
                     Msg(msg::kStatusUsbCatalogLoaded)});
    cases.push_back({"manual failure", false, false, FailedResult(false, L"Connexion OVH impossible"), false,
                     Msg(msg::kStatusCatalogUnreachable) + L"Connexion OVH impossible"});
    cases.push_back(
        {"automatic failure", true, false, FailedResult(true, L"Connexion OVH impossible"), false, L"avant"});
    cases.push_back({"missing result", false, false, nullptr, false,
                     Msg(msg::kStatusCatalogUnreachable) + Msg(msg::kUnknownErrorLower)});

    for (Case& c : cases) {
        // A previous catalogue that a failure must leave in place.
        g_state.apps.clear();
        g_state.apps.push_back(MakeApp(L"Ancien", L"1.0", L"Outils"));
        g_state.selfIndex = -1;
        g_state.catalogLoaded = false;
        g_state.busy = true;
        g_state.statusText = L"avant";
        g_state.installedMode = c.installed;
        g_state.settings.offlineMode = c.offline;
        g_state.settings.updateChecks = false;  // no popup here
        const int generation = g_state.catalogGeneration;
        std::vector<std::wstring> expectedIds;
        int expectedSelf = -1;
        if (c.replaced) {
            for (const CatalogApp& app : c.result->apps) expectedIds.push_back(app.id);
            expectedSelf = c.result->selfIndex;
        } else {
            expectedIds.push_back(L"Ancien");
        }

        Deliver(window_, std::move(c.result));

        EXPECT_FALSE(g_state.busy) << c.name;
        EXPECT_EQ(g_state.statusText, c.status) << c.name;
        std::vector<std::wstring> ids;
        for (const CatalogApp& app : g_state.apps) ids.push_back(app.id);
        EXPECT_EQ(ids, expectedIds) << c.name;
        EXPECT_EQ(g_state.selfIndex, expectedSelf) << c.name;
        EXPECT_EQ(g_state.catalogLoaded, c.replaced) << c.name;
        EXPECT_EQ(g_state.catalogGeneration, generation + (c.replaced ? 1 : 0)) << c.name;
    }
}

TEST_F(MainWindowTest, SelfUpdateOfferedOnlyForNewerVersionWithInstalledCopy) {
    const std::wstring installed = GetInstalledExePath();
    ASSERT_FALSE(FileExists(installed)) << "a previous test left the installed copy behind";
    const bool folderExisted = GetFileAttributesW(GetInstallFolder().c_str()) != INVALID_FILE_ATTRIBUTES;

    struct Case {
        const wchar_t* version;
        bool installedCopy;
        bool offered;
    };
    const Case cases[] = {
        {L"1.12", true, true},   {L"1.11.0", true, false}, {L"1.11", true, false},
        {L"1.9.9", true, false}, {L"V1.11.1", true, true}, {L"1.12", false, false},
    };
    for (const Case& c : cases) {
        if (c.installedCopy) {
            CreateFolderPath(GetInstallFolder());
            WriteFileBytes(installed, "MZ");
        } else {
            DeleteFileW(installed.c_str());
        }
        g_state.selfUpdateAvailable = !c.offered;
        Deliver(window_, SuccessResult(false, {L"Outil", L"Orkvane"}, 1, c.version));
        EXPECT_EQ(g_state.selfUpdateAvailable, c.offered) << c.version << L" " << c.installedCopy;
    }
    DeleteFileW(installed.c_str());
    if (!folderExisted) RemoveDirectoryW(GetInstallFolder().c_str());
}

// An organisation that keeps the program at the version it deployed: no
// update in the header, none in the popup, none started by hand.
TEST_F(MainWindowTest, SelfUpdatePolicyKeepsTheProgramsUpdateAway) {
    const std::wstring installed = GetInstalledExePath();
    ASSERT_FALSE(FileExists(installed)) << "a previous test left the installed copy behind";
    const bool folderExisted = GetFileAttributesW(GetInstallFolder().c_str()) != INVALID_FILE_ATTRIBUTES;
    CreateFolderPath(GetInstallFolder());
    WriteFileBytes(installed, "MZ");
    g_state.installedMode = true;
    g_state.settings.updateChecks = true;
    for (bool allowed : {true, false}) {
        g_state.policies = Policies();
        if (!allowed) g_state.policies.Set(PolicyId::SelfUpdate, PolicyValue{});
        // A silent check finds a newer program and nothing else.
        Deliver(window_, SuccessResult(true, {L"Outil", L"Orkvane"}, 1, L"1.12"));
        EXPECT_EQ(g_state.selfUpdateAvailable, allowed);
        EXPECT_EQ(GetSelfButtonState(), allowed ? SelfButtonState::UpdateAvailable : SelfButtonState::Current);
        EXPECT_EQ(g_state.popupWindow != nullptr, allowed);
        EXPECT_EQ(g_state.popupEntries.size(), allowed ? 1u : 0u);
        CloseUpdatePopup();
    }
    StartToolboxUpdate();
    EXPECT_FALSE(g_state.busy) << "the update started despite the policy";
    DeleteFileW(installed.c_str());
    if (!folderExisted) RemoveDirectoryW(GetInstallFolder().c_str());
}

TEST_F(MainWindowTest, TrayMenuItems) {
    struct Case {
        bool busy;
        bool quitGreyed;
    };
    for (const Case& c : {Case{false, false}, Case{true, true}}) {
        UniqueMenu menu = BuildTrayMenu(c.busy);
        ASSERT_TRUE(menu);
        ASSERT_EQ(GetMenuItemCount(menu.get()), 4);
        const struct {
            UINT id;
            const char* text;
        } items[] = {{kTrayOpen, msg::kTrayMenuOpen},
                     {kTrayOptions, msg::kTrayMenuOptions},
                     {0, nullptr},
                     {kTrayQuit, msg::kTrayMenuQuit}};
        for (int i = 0; i < 4; ++i) {
            wchar_t text[64] = {};
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
            info.dwTypeData = text;
            info.cch = 64;
            ASSERT_TRUE(GetMenuItemInfoW(menu.get(), static_cast<UINT>(i), TRUE, &info));
            if (items[i].text == nullptr) {
                EXPECT_TRUE(info.fType & MFT_SEPARATOR);
                continue;
            }
            EXPECT_EQ(info.wID, items[i].id);
            EXPECT_EQ(std::wstring(text), Msg(items[i].text));
            const bool greyed = (info.fState & MFS_GRAYED) != 0;
            EXPECT_EQ(greyed, items[i].id == kTrayQuit && c.quitGreyed) << i << " busy " << c.busy;
        }
    }
}

TEST_F(MainWindowTest, TrayCommandsAndEvents) {
    g_state.catalogLoaded = true;  // showing the window then loads icons, not the catalogue

    SendMessageW(window_, WM_APP_TRAY, 0, MAKELPARAM(NIN_SELECT, 0));
    EXPECT_TRUE(IsWindowVisible(window_));
    ShowWindow(window_, SW_HIDE);
    SendMessageW(window_, WM_APP_TRAY, 0, MAKELPARAM(WM_LBUTTONDBLCLK, 0));
    EXPECT_TRUE(IsWindowVisible(window_));
    ShowWindow(window_, SW_HIDE);
    SendMessageW(window_, WM_APP_TRAY, 0, MAKELPARAM(WM_MOUSEMOVE, 0));  // other events: nothing
    EXPECT_FALSE(IsWindowVisible(window_));
    SendMessageW(window_, WM_APP_SHOW_MAIN, 0, 0);
    EXPECT_TRUE(IsWindowVisible(window_));

    // "Quitter Orkvane" does nothing while a job runs, and destroys otherwise.
    g_state.busy = true;
    RunTrayCommand(window_, kTrayQuit);
    EXPECT_TRUE(IsWindow(window_));
    g_state.busy = false;
    RunTrayCommand(window_, kTrayQuit);
    EXPECT_FALSE(IsWindow(window_));
}

// Reads the open tray menu from inside its modal loop, then closes it.
std::vector<std::pair<std::wstring, bool>> g_shownMenu;
void CALLBACK ReadAndCloseMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (popup == nullptr) return;  // not open yet: next tick
    KillTimer(nullptr, timer);
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    for (int i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        bool greyed = (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED) != 0;
        g_shownMenu.emplace_back(text, greyed);
    }
    EndMenu();
}

TEST_F(MainWindowTest, TrayRightClickShowsMenu) {
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    g_state.busy = true;
    SetTimer(nullptr, 0, 100, ReadAndCloseMenu);
    SendMessageW(window_, WM_APP_TRAY, 0, MAKELPARAM(WM_CONTEXTMENU, 0));
    // The menu was dismissed without a choice: the window lives on.
    EXPECT_TRUE(IsWindow(window_));
    ASSERT_EQ(g_shownMenu.size(), 4u);
    EXPECT_EQ(g_shownMenu[0].first, Msg(msg::kTrayMenuOpen));
    EXPECT_EQ(g_shownMenu[1].first, Msg(msg::kTrayMenuOptions));
    EXPECT_EQ(g_shownMenu[3].first, Msg(msg::kTrayMenuQuit));
    EXPECT_FALSE(g_shownMenu[0].second);
    EXPECT_TRUE(g_shownMenu[3].second);  // greyed while busy
    // The menu loop is followed by a WM_NULL to the window.
    MSG posted{};
    EXPECT_TRUE(PeekMessageW(&posted, window_, WM_NULL, WM_NULL, PM_REMOVE));
}

// "Options…" from the tray while the dialog is open, from inside its modal loop.
struct SecondOptionsScript {
    HWND mainWindow = nullptr;
    HWND first = nullptr;
    int step = 0;
    int dialogsOpen = 0;
    HWND foreground = nullptr;
};
SecondOptionsScript g_second;

BOOL CALLBACK CountDialog(HWND window, LPARAM count) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring(className) == L"#32770" && IsWindowVisible(window)) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

void CALLBACK AskForOptionsAgain(HWND, UINT, UINT_PTR timer, DWORD) {
    if (g_second.step == 0) {
        if (g_state.optionsDialog == nullptr) return;
        g_second.step = 1;
        g_second.first = g_state.optionsDialog;
        RunTrayCommand(g_second.mainWindow, kTrayOptions);  // a second dialog here would nest its own loop
        return;
    }
    if (g_second.step != 1) return;
    g_second.step = 2;
    KillTimer(nullptr, timer);
    EnumThreadWindows(GetCurrentThreadId(), CountDialog, reinterpret_cast<LPARAM>(&g_second.dialogsOpen));
    g_second.foreground = GetForegroundWindow();
    // A second dialog, if any, ends first; then the first.
    if (g_state.optionsDialog != g_second.first) SendMessageW(g_state.optionsDialog, WM_CLOSE, 0, 0);
    PostMessageW(g_second.first, WM_CLOSE, 0, 0);
}

TEST_F(MainWindowTest, OptionsFromTheTrayBringsTheOpenDialogForward) {
    g_state.catalogLoaded = true;  // showing the window then loads no catalogue
    ShowWindow(window_, SW_SHOW);
    g_second = SecondOptionsScript{};
    g_second.mainWindow = window_;
    SetTimer(nullptr, 0, 30, AskForOptionsAgain);
    RunTrayCommand(window_, kTrayOptions);
    EXPECT_EQ(g_second.step, 2);
    EXPECT_EQ(g_second.dialogsOpen, 1);
    EXPECT_EQ(g_second.foreground, g_second.first);
    EXPECT_EQ(g_state.optionsDialog, nullptr);
    EXPECT_TRUE(IsWindowEnabled(window_));
}

RECT g_shownMenuRect{};
void CALLBACK MeasureAndCloseMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (popup == nullptr || !IsWindowVisible(popup)) return;
    KillTimer(nullptr, timer);
    GetWindowRect(popup, &g_shownMenuRect);
    EndMenu();
}

// The menu opens at the point the notification carries (the icon, when asked
// for from the keyboard), wherever the mouse pointer is.
TEST_F(MainWindowTest, TrayMenuOpensAtTheAnchorPoint) {
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    struct Case {
        POINT anchor;
        POINT pointer;
    };
    const Case cases[] = {{{200, 150}, {600, 400}}, {{520, 330}, {40, 30}}};
    for (const Case& c : cases) {
        ASSERT_TRUE(SetCursorPos(c.pointer.x, c.pointer.y));
        g_shownMenuRect = RECT{};
        SetTimer(nullptr, 0, 50, MeasureAndCloseMenu);
        SendMessageW(window_, WM_APP_TRAY, MAKEWPARAM(c.anchor.x, c.anchor.y), MAKELPARAM(WM_CONTEXTMENU, 1));
        EXPECT_EQ(g_shownMenuRect.left, c.anchor.x);
        EXPECT_EQ(g_shownMenuRect.top, c.anchor.y);
    }
}

TEST_F(MainWindowTest, TaskbarCreatedRestoresIconOrTaskbarButton) {
    // Portable: no icon is added, a hidden window shows minimised instead.
    SendMessageW(window_, g_state.taskbarCreatedMessage, 0, 0);
    EXPECT_FALSE(g_state.trayIconAdded);
    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_TRUE(IsIconic(window_));

    // Installed: the icon comes back and the hidden window stays hidden.
    ShowWindow(window_, SW_HIDE);
    g_state.installedMode = true;
    SendMessageW(window_, g_state.taskbarCreatedMessage, 0, 0);
    EXPECT_TRUE(g_state.trayIconAdded);
    EXPECT_FALSE(IsWindowVisible(window_));
}

TEST_F(MainWindowTest, CursorFollowsRecordedTargets) {
    g_state.siteLinkRect = RECT{10, 700, 110, 720};
    g_state.optionsButtonRect = RECT{1000, 30, 1096, 64};
    g_state.selfButtonRect = RECT{470, 30, 710, 64};
    g_state.refreshButtonRect = RECT{878, 30, 990, 64};
    g_state.hitRecords.push_back(
        {RECT{100, 200, 300, 238}, 0, ToolAction::Install, true, WindowElement::PrimaryButton});
    g_state.hitRecords.push_back(
        {RECT{100, 300, 300, 338}, 0, ToolAction::Install, false, WindowElement::PrimaryButton});

    struct Case {
        POINT point;
        bool busy;
        LPCWSTR cursor;
    };
    const Case cases[] = {
        {{50, 710}, false, IDC_ARROW},  // credit link
        {{1050, 40}, true, IDC_HAND},   // Options, even while busy
        {{600, 40}, false, IDC_HAND},   // self button, portable: "Installer Orkvane"
        {{600, 40}, true, nullptr},     // ... but not while busy
        {{900, 40}, true, IDC_HAND},    // "Actualiser" keeps the hand while busy
        {{150, 220}, false, IDC_HAND},  // enabled card button
        {{150, 320}, false, nullptr},   // disabled card button
        {{5, 5}, false, nullptr},       // nothing
    };
    for (const Case& c : cases) {
        g_state.busy = c.busy;
        EXPECT_EQ(CursorForPoint(c.point), c.cursor) << c.point.x << "," << c.point.y << " busy " << c.busy;
    }
}

TEST_F(MainWindowTest, MouseMoveRepaintsOnlyWhenHotElementChanges) {
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    ASSERT_NO_FATAL_FAILURE(Paint());
    const POINT options = Centre(g_state.optionsButtonRect);
    const POINT empty{g_state.logoRect.left / 2, g_state.logoRect.bottom + 10};
    const POINT emptyToo{empty.x, empty.y + 2};

    ValidateRect(window_, nullptr);
    SendMessageW(window_, WM_MOUSEMOVE, 0, PointParam(empty));
    EXPECT_EQ(g_state.mousePos.x, empty.x);
    EXPECT_EQ(g_state.mousePos.y, empty.y);
    EXPECT_TRUE(g_state.mouseInside);
    EXPECT_FALSE(HasPendingRepaint());

    SendMessageW(window_, WM_MOUSEMOVE, 0, PointParam(emptyToo));
    EXPECT_FALSE(HasPendingRepaint());

    SendMessageW(window_, WM_MOUSEMOVE, 0, PointParam(options));
    EXPECT_TRUE(HasPendingRepaint());
    ValidateRect(window_, nullptr);
    SendMessageW(window_, WM_MOUSEMOVE, 0, PointParam(POINT{options.x + 1, options.y}));
    EXPECT_FALSE(HasPendingRepaint());
    SendMessageW(window_, WM_MOUSEMOVE, 0, PointParam(empty));
    EXPECT_TRUE(HasPendingRepaint());

    // Negative coordinates (a capture outside the window) stay signed.
    SendMessageW(window_, WM_MOUSEMOVE, 0, MAKELPARAM(-5, -7));
    EXPECT_EQ(g_state.mousePos.x, -5);
    EXPECT_EQ(g_state.mousePos.y, -7);

    SendMessageW(window_, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(g_state.mousePos.x, -1);
    EXPECT_EQ(g_state.mousePos.y, -1);
    EXPECT_FALSE(g_state.mouseInside);
}

TEST_F(MainWindowTest, MinimumSizeAndDpiChange) {
    struct Case {
        int dpi;
        LONG minWidth;
        LONG minHeight;
    };
    for (const Case& c : {Case{96, 780, 540}, Case{144, 1170, 810}}) {
        g_state.dpi = c.dpi;
        MINMAXINFO info{};
        EXPECT_EQ(SendMessageW(window_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info)), 0);
        EXPECT_EQ(info.ptMinTrackSize.x, c.minWidth) << c.dpi;
        EXPECT_EQ(info.ptMinTrackSize.y, c.minHeight) << c.dpi;
    }

    g_state.dpi = 96;
    HFONT oldFont = g_state.bodyFont.get();
    RECT suggested{40, 30, 40 + 1300, 30 + 900};
    SendMessageW(window_, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(g_state.dpi, 144);
    EXPECT_NE(g_state.bodyFont.get(), nullptr);
    EXPECT_NE(g_state.bodyFont.get(), oldFont);  // rebuilt at the new size
    RECT now{};
    GetWindowRect(window_, &now);
    EXPECT_EQ(now.left, 40);
    EXPECT_EQ(now.top, 30);
    EXPECT_EQ(now.right - now.left, 1300);
    EXPECT_EQ(now.bottom - now.top, 900);
}

TEST_F(MainWindowTest, EraseBackgroundIsSuppressed) { EXPECT_EQ(SendMessageW(window_, WM_ERASEBKGND, 0, 0), 1); }

}  // namespace
