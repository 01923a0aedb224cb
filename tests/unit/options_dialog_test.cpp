#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/diagnostics.h"
#include "app/policies.h"
#include "app/settings.h"
#include "app/state.h"
#include "app/theme.h"
#include "base/constants.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/worker_shared.h"
#include "catalog/icon_load.h"
#include "resources/resource.h"
#include "tests/support/catalog_entries.h"
#include "tests/support/file_access.h"
#include "tests/support/test_support.h"
#include "tests/support/waiting.h"
#include "tests/support/window_classes.h"
#include "ui/jobs/theme_apply.h"
#include "ui/message_box.h"
#include "ui/options/options_dialog.h"
#include "ui/popup/update_popup.h"

namespace {

struct ShownBox {
    std::wstring text;
    UINT flags;
};

std::optional<DWORD> ReadSettingDword(const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::optional<std::wstring> ReadSettingString(const wchar_t* name) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(buffer);
}

bool SettingsKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

std::wstring ControlText(HWND dialog, int id) {
    wchar_t buffer[1024] = {};
    GetDlgItemTextW(dialog, id, buffer, 1024);
    return buffer;
}

// An offline folder as a user would prepare it: the key with its OrkvaneOffline folder.
std::wstring MakeOfflineKey(const ScratchFolder& folder) {
    std::wstring root = folder / L"OrkvaneOffline";
    CreateFolderPath(root);
    WriteFileBytes(JoinPath(root, L"catalog.json"), "{}");
    return root;
}

class OptionsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAppState();
        g_state.instance = GetModuleHandleW(nullptr);
        // A stand-in for the main window: the dialog's owner and the target of its posts.
        g_state.mainWindow = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW, 100, 100, 900, 700, nullptr,
                                             nullptr, g_state.instance, nullptr);
        ASSERT_NE(g_state.mainWindow, nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
        SetMessageBoxResponder([this](HWND, const std::wstring& text, UINT flags) {
            boxes.push_back({text, flags});
            return IDOK;
        });
    }
    void TearDown() override {
        if (dialog != nullptr && IsWindow(dialog)) DestroyWindow(dialog);
        CloseUpdatePopup();
        DestroyWindow(g_state.mainWindow);
        SetMessageBoxResponder(nullptr);
        SetFolderPicker(nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
        HKEY run = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
            RegDeleteValueW(run, kRunValueName);
            RegCloseKey(run);
        }
    }

    // The dialog stays hidden unless a test looks at its pixels: under Wine
    // without a window manager, destroying a shown captioned window waits 2 s.
    HWND Open(bool show = false) {
        dialog = CreateDialogParamW(g_state.instance, MAKEINTRESOURCEW(IDD_OPTIONS), g_state.mainWindow,
                                    OptionsDialogProc, kOptionsDialogModeless);
        EXPECT_NE(dialog, nullptr);
        if (dialog != nullptr && show) ShowWindow(dialog, SW_SHOW);
        return dialog;
    }
    bool Shown(int id) const { return (GetWindowLongPtrW(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0; }
    void Click(int id) {
        SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
        PumpMessages();
    }
    void ChooseTheme(int index) {
        HWND list = GetDlgItem(dialog, IDC_OPT_THEME);
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPT_THEME, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    }
    void Tick() { SendMessageW(dialog, WM_TIMER, 1, 0); }
    void CheckControl(int id, bool checked) { CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED); }

    HWND dialog = nullptr;
    std::vector<ShownBox> boxes;
};

TEST_F(OptionsDialogTest, OpensWithTheSettingsAndRegistersItself) {
    g_state.settings.themeMode = ThemeChoice::Dark;
    g_state.settings.startup = false;
    g_state.settings.updateChecks = true;
    g_state.settings.desktopShortcut = true;
    g_state.settings.menuShortcut = false;
    g_state.settings.offlineMode = true;
    g_state.settings.offlineRoot = L"F:\\OrkvaneOffline";
    Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(g_state.optionsDialog, dialog);

    wchar_t caption[64] = {};
    GetWindowTextW(dialog, caption, 64);
    EXPECT_EQ(std::wstring(caption), W("Options — Orkvane"));
    HWND list = GetDlgItem(dialog, IDC_OPT_THEME);
    ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 3);
    const char* names[] = {"Système", "Clair", "Sombre"};
    for (int i = 0; i < 3; ++i) {
        wchar_t text[32] = {};
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(std::wstring(text), W(names[i]));
    }
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 2);

    struct Check {
        int id;
        bool checked;
    };
    for (const Check& c :
         {Check{IDC_OPT_STARTUP, false}, Check{IDC_OPT_UPDATE_CHECKS, true}, Check{IDC_OPT_DESKTOP, true},
          Check{IDC_OPT_MENU, false}, Check{IDC_OPT_SOURCE_ONLINE, false}, Check{IDC_OPT_SOURCE_OFFLINE, true}})
        EXPECT_EQ(IsChecked(dialog, c.id), c.checked) << c.id;
    EXPECT_EQ(ControlText(dialog, IDC_OPT_FOLDER), L"F:\\OrkvaneOffline");
    EXPECT_EQ(ControlText(dialog, IDC_OPT_SOURCE_NOTE),
              W("La clé contient OrkvaneOffline : catalog.json, icons et outils.\nInstallation sur le PC après "
                "contrôle SHA-256. Aucun accès Internet, aucune écriture sur la clé."));

    // The dialog lies inside the work area of the main window's monitor.
    RECT placed{};
    GetWindowRect(dialog, &placed);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(g_state.mainWindow, MONITOR_DEFAULTTONEAREST), &monitor);
    EXPECT_GE(placed.left, monitor.rcWork.left);
    EXPECT_GE(placed.top, monitor.rcWork.top);
    EXPECT_LE(placed.right, monitor.rcWork.right);
    EXPECT_LE(placed.bottom, monitor.rcWork.bottom);

    DestroyWindow(dialog);
    EXPECT_EQ(g_state.optionsDialog, nullptr);
}

TEST_F(OptionsDialogTest, ThemePreviewIsUndoneUnlessSaved) {
    enum class End { Cancel, Close, Save };
    struct Case {
        const char* what;
        End end;
        bool darkAfter;
    };
    const Case cases[] = {
        {"Annuler", End::Cancel, false},
        {"close box", End::Close, false},
        {"Enregistrer", End::Save, true},
    };
    for (const Case& c : cases) {
        g_state.settings.themeMode = ThemeChoice::Light;
        ApplyTheme();
        ASSERT_FALSE(g_state.isDark);
        Open();
        ASSERT_NE(dialog, nullptr);

        ChooseTheme(2);  // "Sombre"
        EXPECT_EQ(g_state.settings.themeMode, ThemeChoice::Dark) << c.what;
        EXPECT_TRUE(g_state.isDark) << c.what;
        EXPECT_EQ(g_state.palette.window, kDarkPalette.window) << c.what;

        switch (c.end) {
        case End::Cancel: Click(IDCANCEL); break;
        case End::Close: SendMessageW(dialog, WM_CLOSE, 0, 0); break;
        case End::Save: Click(IDOK); break;
        }
        EXPECT_FALSE(IsWindow(dialog)) << c.what;
        EXPECT_EQ(g_state.optionsDialog, nullptr) << c.what;
        EXPECT_EQ(g_state.isDark, c.darkAfter) << c.what;
        EXPECT_EQ(g_state.settings.themeMode, c.darkAfter ? ThemeChoice::Dark : ThemeChoice::Light) << c.what;
        std::optional<DWORD> stored = ReadSettingDword(L"ThemeMode");
        if (c.darkAfter) {
            EXPECT_EQ(stored, std::optional<DWORD>(2)) << c.what;
        } else {
            EXPECT_FALSE(stored.has_value()) << c.what;
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    }
}

// The dialog paints itself in the palette: the accent bar, the background and
// the panels change colour with the previewed theme.
TEST_F(OptionsDialogTest, PaintsInThePreviewedTheme) {
    g_state.settings.themeMode = ThemeChoice::Light;
    ApplyTheme();
    Open(true);
    ASSERT_NE(dialog, nullptr);
    auto pixelAt = [this](int unitsX, int unitsY) {
        RECT at{unitsX, unitsY, unitsX, unitsY};
        MapDialogRect(dialog, &at);
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PumpMessages();
        HDC dc = GetDC(dialog);
        COLORREF color = GetPixel(dc, at.left, at.top);
        ReleaseDC(dialog, dc);
        return color;
    };
    // A label paints its own background with the brush the dialog hands it.
    auto labelPixelAt = [this](int unitsX, int unitsY) {
        RECT at{unitsX, unitsY, unitsX, unitsY};
        MapDialogRect(dialog, &at);
        HWND label = GetDlgItem(dialog, IDC_OPT_THEME_LABEL);
        POINT point{at.left, at.top};
        MapWindowPoints(dialog, label, &point, 1);
        RedrawWindow(label, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        HDC dc = GetDC(label);
        COLORREF color = GetPixel(dc, point.x, point.y);
        ReleaseDC(label, dc);
        return color;
    };
    struct Case {
        ThemeChoice theme;
        const Palette* palette;
    };
    for (const Case& c : {Case{ThemeChoice::Dark, &kDarkPalette}, Case{ThemeChoice::Light, &kLightPalette}}) {
        ChooseTheme(static_cast<int>(c.theme));
        PumpMessages();
        EXPECT_EQ(pixelAt(200, 0), c.palette->accent);
        EXPECT_EQ(pixelAt(8, 60), c.palette->window);          // left of the tabs
        EXPECT_EQ(pixelAt(20, 150), c.palette->surface);       // inside the first panel
        EXPECT_EQ(pixelAt(200, 252), c.palette->border);       // the separator
        EXPECT_EQ(labelPixelAt(95, 126), c.palette->surface);  // blank end of "Apparence"
    }
}

TEST_F(OptionsDialogTest, TabsShowTheirOwnControls) {
    g_state.installedMode = true;
    Open();
    ASSERT_NE(dialog, nullptr);
    const int general[] = {IDC_OPT_STARTUP, IDC_OPT_UPDATE_CHECKS, IDC_OPT_UPDATE_NOTE,
                           IDC_OPT_DESKTOP, IDC_OPT_MENU,          IDC_OPT_APPS_FOLDER,
                           IDC_OPT_THEME,   IDC_OPT_THEME_LABEL,   IDC_OPT_UNINSTALL};
    const int advanced[] = {IDC_OPT_SOURCE_TITLE, IDC_OPT_SOURCE_NOTE, IDC_OPT_SOURCE_ONLINE, IDC_OPT_SOURCE_OFFLINE,
                            IDC_OPT_FOLDER,       IDC_OPT_BROWSE,      IDC_OPT_AUTO_UPDATE};
    const int always[] = {IDC_OPT_TAB_GENERAL, IDC_OPT_TAB_ADVANCED, IDOK, IDCANCEL};
    for (int tabButton : {IDC_OPT_TAB_ADVANCED, IDC_OPT_TAB_GENERAL, IDC_OPT_TAB_ADVANCED}) {
        Click(tabButton);
        bool onGeneral = tabButton == IDC_OPT_TAB_GENERAL;
        for (int id : general) EXPECT_EQ(Shown(id), onGeneral) << id;
        for (int id : advanced) EXPECT_EQ(Shown(id), !onGeneral) << id;
        for (int id : always) EXPECT_TRUE(Shown(id)) << id;
    }
}

TEST_F(OptionsDialogTest, UninstallOnlyFromTheInstalledCopy) {
    struct Case {
        const char* what;
        bool installed;
        bool busy;
        bool visible;
        bool ends;
    };
    const Case cases[] = {
        {"portable copy", false, false, false, false},
        {"installed copy", true, false, true, true},
        {"installed copy while busy", true, true, true, false},
    };
    for (const Case& c : cases) {
        g_state.installedMode = c.installed;
        g_state.busy = c.busy;
        Open();
        ASSERT_NE(dialog, nullptr);
        HWND button = GetDlgItem(dialog, IDC_OPT_UNINSTALL);
        EXPECT_EQ(Shown(IDC_OPT_UNINSTALL), c.visible) << c.what;
        EXPECT_EQ(IsWindowEnabled(button) != FALSE, !c.busy) << c.what;
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPT_UNINSTALL, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        MSG posted{};
        bool uninstallPosted = PeekMessageW(&posted, g_state.mainWindow, WM_APP_UNINSTALL_SELF, WM_APP_UNINSTALL_SELF,
                                            PM_REMOVE) != 0;
        EXPECT_EQ(uninstallPosted, c.ends) << c.what;
        EXPECT_EQ(IsWindow(dialog) == FALSE, c.ends) << c.what;
        if (IsWindow(dialog)) DestroyWindow(dialog);
    }
}

TEST_F(OptionsDialogTest, SourceControlsFollowBusyEveryHalfSecond) {
    Open();
    ASSERT_NE(dialog, nullptr);
    const int bound[] = {IDC_OPT_SOURCE_ONLINE, IDC_OPT_SOURCE_OFFLINE, IDC_OPT_BROWSE};
    for (bool busy : {true, false, true}) {
        g_state.busy = busy;
        Tick();
        for (int id : bound) EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE, !busy) << id << busy;
    }
    // The timer itself is running: wait for it rather than ticking by hand.
    g_state.busy = false;
    DWORD start = GetTickCount();
    PumpUntil([this] { return IsWindowEnabled(GetDlgItem(dialog, IDC_OPT_BROWSE)) != FALSE; }, 2000);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_OPT_BROWSE)));
    EXPECT_LT(GetTickCount() - start, 1500u);
}

TEST_F(OptionsDialogTest, SourceChangeWhileBusyIsRefused) {
    ScratchFolder key;
    std::wstring root = MakeOfflineKey(key);
    SetFolderPicker([&](HWND) { return key.path(); });
    Open();
    ASSERT_NE(dialog, nullptr);
    Click(IDC_OPT_TAB_ADVANCED);
    Click(IDC_OPT_BROWSE);
    ASSERT_TRUE(IsChecked(dialog, IDC_OPT_SOURCE_OFFLINE));
    Click(IDC_OPT_UPDATE_CHECKS);  // a change that must not be saved either
    g_state.busy = true;           // a tool operation started meanwhile
    Click(IDOK);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, W("Attendez la fin de l’opération avant de changer de source."));
    EXPECT_EQ(boxes[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(g_state.optionsDialog, dialog);
    EXPECT_FALSE(g_state.settings.offlineMode);
    EXPECT_TRUE(g_state.settings.updateChecks);
    EXPECT_FALSE(SettingsKeyExists());
    // The user's choices stay in place.
    EXPECT_TRUE(IsChecked(dialog, IDC_OPT_SOURCE_OFFLINE));
    EXPECT_EQ(ControlText(dialog, IDC_OPT_FOLDER), root);
}

TEST_F(OptionsDialogTest, BrowseAcceptsOnlyAFolderWithACatalogue) {
    ScratchFolder empty;
    ScratchFolder key;
    std::wstring keyRoot = MakeOfflineKey(key);
    ScratchFolder direct;
    WriteFileBytes(direct / L"catalog.json", "{}");
    // Other users may write these: refused on a fixed disk, a USB key's own business.
    ScratchFolder shared;
    WriteFileBytes(shared / L"catalog.json", "{}");
    GrantEveryoneFullControl(shared.path());
    ScratchFolder sharedCatalog;
    WriteFileBytes(sharedCatalog / L"catalog.json", "{}");
    GrantEveryoneFullControl(sharedCatalog / L"catalog.json");
    ScratchFolder sharedKey = ScratchFolder::At(L"E:\\OptShared\\OrkvaneOffline");
    WriteFileBytes(sharedKey / L"catalog.json", "{}");
    GrantEveryoneFullControl(sharedKey.path());
    if (HasFatalFailure()) return;

    struct Case {
        const char* what;
        std::wstring chosen;  // empty: the user cancels
        bool busy;
        std::wstring folderAfter;
        const char* message;  // nullptr: no message
    };
    const std::wstring before = L"F:\\Ancien";
    const Case cases[] = {
        {"folder without catalog.json", empty.path(), false, before,
         "catalog.json introuvable dans OrkvaneOffline sur la clé sélectionnée"},
        {"the key holding OrkvaneOffline", key.path(), false, keyRoot, nullptr},
        {"the OrkvaneOffline folder itself", keyRoot, false, keyRoot, nullptr},
        {"a folder holding catalog.json", direct.path(), false, direct.path(), nullptr},
        {"a fixed-disk folder others can write", shared.path(), false, before,
         "Dossier modifiable par d’autres utilisateurs"},
        {"a fixed-disk catalogue others can write", sharedCatalog.path(), false, before,
         "Dossier modifiable par d’autres utilisateurs"},
        {"a USB key others can write", sharedKey.path(), false, sharedKey.path(), nullptr},
        {"cancelled", L"", false, before, nullptr},
        {"busy: no picker at all", key.path(), true, before, nullptr},
    };
    for (const Case& c : cases) {
        int asked = 0;
        SetFolderPicker([&](HWND owner) {
            ++asked;
            EXPECT_EQ(owner, dialog);
            return c.chosen;
        });
        g_state.settings.offlineMode = false;
        g_state.settings.offlineRoot = before;
        g_state.busy = c.busy;
        boxes.clear();
        Open();
        ASSERT_NE(dialog, nullptr);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPT_BROWSE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_OPT_BROWSE)));
        EXPECT_EQ(asked, c.busy ? 0 : 1) << c.what;
        EXPECT_EQ(ControlText(dialog, IDC_OPT_FOLDER), c.folderAfter) << c.what;
        bool accepted = c.folderAfter != before;
        EXPECT_EQ(IsChecked(dialog, IDC_OPT_SOURCE_OFFLINE), accepted) << c.what;
        EXPECT_EQ(IsChecked(dialog, IDC_OPT_SOURCE_ONLINE), !accepted) << c.what;
        if (c.message != nullptr) {
            ASSERT_EQ(boxes.size(), 1u) << c.what;
            EXPECT_EQ(boxes[0].text, W(c.message)) << c.what;
            EXPECT_EQ(boxes[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR)) << c.what;
        } else {
            EXPECT_TRUE(boxes.empty()) << c.what;
        }
        EXPECT_TRUE(IsWindow(dialog)) << c.what;
        DestroyWindow(dialog);
    }
}

// A folder typed in rather than picked meets the same refusal when saved.
TEST_F(OptionsDialogTest, SaveRefusesAFixedDiskFolderOthersCanWrite) {
    ScratchFolder shared;
    std::wstring root = MakeOfflineKey(shared);
    GrantEveryoneFullControl(root);
    if (HasFatalFailure()) return;
    g_state.settings.offlineMode = false;
    g_state.settings.offlineRoot = L"";
    Open();
    ASSERT_NE(dialog, nullptr);
    Click(IDC_OPT_TAB_ADVANCED);
    SetDlgItemTextW(dialog, IDC_OPT_FOLDER, root.c_str());
    CheckRadioButton(dialog, IDC_OPT_SOURCE_ONLINE, IDC_OPT_SOURCE_OFFLINE, IDC_OPT_SOURCE_OFFLINE);
    Click(IDOK);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, W("Dossier modifiable par d’autres utilisateurs"));
    EXPECT_EQ(boxes[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_FALSE(g_state.settings.offlineMode);
    EXPECT_EQ(g_state.settings.offlineRoot, L"");
}

// A policy's value as LoadSettings leaves it: in force, and in the settings.
void Impose(PolicyId id, DWORD number, const std::wstring& text = L"") {
    g_state.policies.Set(id, PolicyValue{PolicyScope::Machine, number, text, {}});
    Settings& settings = g_state.settings;
    switch (id) {
    case PolicyId::Startup: settings.startup = number != 0; break;
    case PolicyId::UpdateChecks: settings.updateChecks = number != 0; break;
    case PolicyId::DesktopShortcut: settings.desktopShortcut = number != 0; break;
    case PolicyId::MenuShortcut: settings.menuShortcut = number != 0; break;
    case PolicyId::ThemeMode: settings.themeMode = static_cast<ThemeChoice>(number); break;
    case PolicyId::OfflineMode: settings.offlineMode = number == 1; break;
    case PolicyId::OfflineRoot: settings.offlineRoot = text; break;
    case PolicyId::AutoUpdate: settings.autoUpdate = number != 0; break;
    default: break;
    }
}

void PutUserSetting(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

// Every control a policy fixes is disabled and shows the forced value, the
// tab that holds one says so, the busy timer leaves them disabled, and saving
// writes none of them: the user's own values stay in the registry.
TEST_F(OptionsDialogTest, PoliciesLockTheirControlsAndAreNeverSaved) {
    const std::wstring userRoot = L"F:\\ancien";
    const std::wstring imposedRoot = L"E:\\OrkvaneOffline";
    struct Imposed {
        PolicyId id;
        DWORD number;
    };
    struct Case {
        const char* what;
        std::vector<Imposed> policies;
        bool rootImposed;
        bool installed;
        std::vector<int> locked;
        bool noteOnGeneral;
        bool noteOnAdvanced;
    };
    const Case cases[] = {
        {"settings of the first tab",
         {{PolicyId::Startup, 0}, {PolicyId::MenuShortcut, 0}, {PolicyId::ThemeMode, 2}},
         false,
         false,
         {IDC_OPT_STARTUP, IDC_OPT_MENU, IDC_OPT_THEME},
         true,
         false},
        {"the offline folder imposed",
         {{PolicyId::OfflineMode, 1}},
         true,
         false,
         {IDC_OPT_SOURCE_ONLINE, IDC_OPT_SOURCE_OFFLINE, IDC_OPT_FOLDER, IDC_OPT_BROWSE},
         false,
         true},
        {"offline mode imposed, the folder left free",
         {{PolicyId::OfflineMode, 1}},
         false,
         false,
         {IDC_OPT_SOURCE_ONLINE, IDC_OPT_SOURCE_OFFLINE},
         false,
         true},
        {"the web host imposed",
         {{PolicyId::OfflineMode, 0}},
         false,
         false,
         {IDC_OPT_SOURCE_ONLINE, IDC_OPT_SOURCE_OFFLINE, IDC_OPT_BROWSE},
         false,
         true},
        {"no removal, installed copy", {{PolicyId::SelfRemoval, 0}}, false, true, {IDC_OPT_UNINSTALL}, true, false},
        {"automatic updates imposed", {{PolicyId::AutoUpdate, 1}}, false, false, {IDC_OPT_AUTO_UPDATE}, false, true},
        {"no removal, portable copy", {{PolicyId::SelfRemoval, 0}}, false, false, {IDC_OPT_UNINSTALL}, false, false},
        {"removal allowed, policies without controls",
         {{PolicyId::SelfRemoval, 1}, {PolicyId::SelfUpdate, 0}, {PolicyId::AllowFixedDiskOffline, 0}},
         false,
         true,
         {},
         false,
         false},
    };
    const int controls[] = {IDC_OPT_STARTUP, IDC_OPT_UPDATE_CHECKS, IDC_OPT_DESKTOP,        IDC_OPT_MENU,
                            IDC_OPT_THEME,   IDC_OPT_SOURCE_ONLINE, IDC_OPT_SOURCE_OFFLINE, IDC_OPT_FOLDER,
                            IDC_OPT_BROWSE,  IDC_OPT_UNINSTALL,     IDC_OPT_AUTO_UPDATE};
    // The six values the dialog saves, and the policy that may fix each.
    struct Saved {
        const wchar_t* name;
        PolicyId policy;
    };
    const Saved saved[] = {{L"Startup", PolicyId::Startup},
                           {L"UpdateChecks", PolicyId::UpdateChecks},
                           {L"DesktopShortcut", PolicyId::DesktopShortcut},
                           {L"MenuShortcut", PolicyId::MenuShortcut},
                           {L"ThemeMode", PolicyId::ThemeMode},
                           {L"AutoUpdate", PolicyId::AutoUpdate}};
    const HWND main = g_state.mainWindow;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetAppState();
        g_state.instance = GetModuleHandleW(nullptr);
        g_state.mainWindow = main;
        g_state.installedMode = c.installed;
        g_state.settings.lastCheck = NowFileTime();  // no check due: saving starts nothing
        g_state.settings.offlineRoot = userRoot;
        // The user's own values: 1 each, unlike both the imposed ones and what
        // this dialog saves where nothing is imposed (0, see below).
        const DWORD one = 1;
        for (const Saved& value : saved) PutUserSetting(value.name, REG_DWORD, &one, sizeof(one));
        for (const Imposed& policy : c.policies) Impose(policy.id, policy.number);
        if (c.rootImposed) Impose(PolicyId::OfflineRoot, 0, imposedRoot);

        Open();
        ASSERT_NE(dialog, nullptr);
        Tick();  // the busy timer must not free them
        auto locked = [&](int id) { return std::find(c.locked.begin(), c.locked.end(), id) != c.locked.end(); };
        for (int id : controls) EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, id)) == FALSE, locked(id)) << id;
        // What the dialog shows is what the program uses, forced or not.
        const Settings& settings = g_state.settings;
        EXPECT_EQ(IsChecked(dialog, IDC_OPT_STARTUP), settings.startup);
        EXPECT_EQ(IsChecked(dialog, IDC_OPT_MENU), settings.menuShortcut);
        EXPECT_EQ(IsChecked(dialog, IDC_OPT_AUTO_UPDATE), settings.autoUpdate);
        EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_OPT_THEME, CB_GETCURSEL, 0, 0),
                  static_cast<LRESULT>(settings.themeMode));
        EXPECT_EQ(IsChecked(dialog, IDC_OPT_SOURCE_OFFLINE), settings.offlineMode);
        EXPECT_EQ(ControlText(dialog, IDC_OPT_FOLDER), c.rootImposed ? imposedRoot : userRoot);

        EXPECT_EQ(ControlText(dialog, IDC_OPT_MANAGED_NOTE), W("Certains réglages sont gérés par votre organisation."));
        EXPECT_EQ(Shown(IDC_OPT_MANAGED_NOTE), c.noteOnGeneral);
        Click(IDC_OPT_TAB_ADVANCED);
        EXPECT_EQ(Shown(IDC_OPT_MANAGED_NOTE), c.noteOnAdvanced);
        Click(IDC_OPT_TAB_GENERAL);
        EXPECT_EQ(Shown(IDC_OPT_MANAGED_NOTE), c.noteOnGeneral);

        // A refused removal does nothing, even asked for by message.
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPT_UNINSTALL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_OPT_UNINSTALL)));
        MSG posted{};
        bool removal = PeekMessageW(&posted, g_state.mainWindow, WM_APP_UNINSTALL_SELF, WM_APP_UNINSTALL_SELF,
                                    PM_REMOVE) != 0;
        EXPECT_EQ(removal, c.installed && !locked(IDC_OPT_UNINSTALL));
        if (removal) continue;  // the dialog has ended

        // Everything that can be set to 0 is; a locked box turned behind the
        // policy's back counts for nothing.
        for (int id : {IDC_OPT_STARTUP, IDC_OPT_UPDATE_CHECKS, IDC_OPT_DESKTOP, IDC_OPT_MENU, IDC_OPT_AUTO_UPDATE})
            CheckControl(id, false);
        Click(IDOK);
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_TRUE(boxes.empty());
        for (const Saved& value : saved) {
            bool forced = g_state.policies.Forces(value.policy);
            EXPECT_EQ(ReadSettingDword(value.name), std::optional<DWORD>(forced ? 1 : 0)) << WideToUtf8(value.name);
        }
        EXPECT_FALSE(ReadSettingString(L"OfflineRoot").has_value());
        EXPECT_FALSE(ReadSettingDword(L"OfflineMode").has_value());
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    }
}

// With fixed disks refused, only a folder on a removable drive can be chosen.
TEST_F(OptionsDialogTest, PolicyRefusingFixedDisksRefusesTheirFolders) {
    ScratchFolder fixed;
    std::wstring fixedRoot = MakeOfflineKey(fixed);
    ScratchFolder usb = ScratchFolder::At(L"E:\\OptPolicy\\OrkvaneOffline");
    WriteFileBytes(usb / L"catalog.json", "{}");
    Impose(PolicyId::AllowFixedDiskOffline, 0);
    struct Case {
        const char* what;
        std::wstring chosen;
        bool accepted;
    };
    const Case cases[] = {{"a folder on a fixed disk", fixed.path(), false}, {"a USB key", usb.path(), true}};
    for (const Case& c : cases) {
        SetFolderPicker([&](HWND) { return c.chosen; });
        boxes.clear();
        Open();
        ASSERT_NE(dialog, nullptr);
        Click(IDC_OPT_TAB_ADVANCED);
        Click(IDC_OPT_BROWSE);
        EXPECT_EQ(IsChecked(dialog, IDC_OPT_SOURCE_OFFLINE), c.accepted) << c.what;
        EXPECT_EQ(ControlText(dialog, IDC_OPT_FOLDER), c.accepted ? usb.path() : L"") << c.what;
        if (c.accepted) {
            EXPECT_TRUE(boxes.empty()) << c.what;
        } else {
            ASSERT_EQ(boxes.size(), 1u) << c.what;
            EXPECT_EQ(boxes[0].text, W(msg::kOfflineFixedDiskRefused)) << c.what;
            EXPECT_EQ(boxes[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR)) << c.what;
        }
        DestroyWindow(dialog);
    }
    // Typed in rather than picked, the save refuses it as well.
    Open();
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextW(dialog, IDC_OPT_FOLDER, fixedRoot.c_str());
    CheckRadioButton(dialog, IDC_OPT_SOURCE_ONLINE, IDC_OPT_SOURCE_OFFLINE, IDC_OPT_SOURCE_OFFLINE);
    boxes.clear();
    Click(IDOK);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, W(msg::kOfflineFixedDiskRefused));
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_FALSE(g_state.settings.offlineMode);
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return L"<clipboard busy>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// "Copier les informations de diagnostic" on "Avancé": the text goes to the
// clipboard and "Informations copiées." says so until the tab changes.
TEST_F(OptionsDialogTest, DiagnosticsGoToTheClipboard) {
    Impose(PolicyId::SelfUpdate, 0);
    g_state.lastCatalogLoad = CatalogLoadRecord{NowFileTime(), false, false, false, L"Connexion OVH impossible", 0};
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(Shown(IDC_OPT_DIAGNOSTICS));
    Click(IDC_OPT_TAB_ADVANCED);
    EXPECT_TRUE(Shown(IDC_OPT_DIAGNOSTICS));
    EXPECT_EQ(ControlText(dialog, IDC_OPT_DIAGNOSTICS), W("Copier les informations de diagnostic"));
    EXPECT_FALSE(Shown(IDC_OPT_DIAGNOSTICS_DONE));

    Click(IDC_OPT_DIAGNOSTICS);
    std::wstring copied = ClipboardText();
    EXPECT_EQ(copied, ComposeDiagnosticText(GatherDiagnosticFacts()));
    EXPECT_NE(copied.find(L"  SelfUpdate = 0 (ordinateur)\r\n"), std::wstring::npos) << WideToUtf8(copied);
    EXPECT_NE(copied.find(W(", échec : Connexion OVH impossible\r\n")), std::wstring::npos) << WideToUtf8(copied);
    EXPECT_TRUE(Shown(IDC_OPT_DIAGNOSTICS_DONE));
    EXPECT_EQ(ControlText(dialog, IDC_OPT_DIAGNOSTICS_DONE), W("Informations copiées."));
    Click(IDC_OPT_TAB_GENERAL);
    EXPECT_FALSE(Shown(IDC_OPT_DIAGNOSTICS_DONE));
    EXPECT_FALSE(Shown(IDC_OPT_DIAGNOSTICS));
}

TEST_F(OptionsDialogTest, SaveWithTheSameSourceOnlyRunsTheDueCheck) {
    ScratchFolder key;
    std::wstring root = MakeOfflineKey(key);
    std::wstring shouted = root;
    for (wchar_t& ch : shouted) ch = static_cast<wchar_t>(towupper(ch));
    ASSERT_NE(shouted, root);

    struct Case {
        const char* what;
        bool due;
    };
    for (const Case& c : {Case{"check due", true}, Case{"checked an hour ago", false}}) {
        g_state.installedMode = true;  // the 24-hour check runs only in the installed copy
        g_state.busy = false;
        g_state.settings.startup = false;  // nothing written to the Run key
        g_state.settings.updateChecks = true;
        g_state.settings.offlineMode = true;
        g_state.settings.offlineRoot = root;
        unsigned long long lastCheck = c.due ? 0 : NowFileTime() - 36000000000ULL;
        g_state.settings.lastCheck = lastCheck;
        g_state.apps.clear();
        g_state.apps.push_back(MakeApp(L"Alpha", false));
        g_state.apps.push_back(MakeApp(L"Beta", false));
        g_state.catalogLoaded = true;
        g_state.catalogGeneration = 5;
        g_state.statusText = L"avant";
        uint32_t epoch = iconLoadEpoch.load();

        Open();
        ASSERT_NE(dialog, nullptr);
        SetDlgItemTextW(dialog, IDC_OPT_FOLDER, shouted.c_str());
        Click(IDOK);

        EXPECT_FALSE(IsWindow(dialog)) << c.what;
        EXPECT_TRUE(boxes.empty()) << c.what;
        EXPECT_EQ(g_state.apps.size(), 2u) << c.what;
        EXPECT_TRUE(g_state.catalogLoaded) << c.what;
        EXPECT_EQ(g_state.catalogGeneration, 5) << c.what;
        EXPECT_EQ(iconLoadEpoch.load(), epoch) << c.what;
        EXPECT_EQ(g_state.settings.offlineRoot, root) << c.what;
        EXPECT_EQ(g_state.statusText, L"avant") << c.what;  // an automatic check keeps the status line
        EXPECT_EQ(g_state.busy, c.due) << c.what;
        if (c.due) {
            EXPECT_NE(g_state.settings.lastCheck, 0u) << c.what;
        } else {
            EXPECT_EQ(g_state.settings.lastCheck, lastCheck) << c.what;
        }
        EXPECT_EQ(ReadSettingDword(L"Startup"), std::optional<DWORD>(0)) << c.what;
    }
}

TEST_F(OptionsDialogTest, SwitchingTheSourceClearsTheListAndStartsALoad) {
    ScratchFolder key;
    std::wstring root = MakeOfflineKey(key);
    struct Case {
        const char* what;
        bool fromOffline;
    };
    for (const Case& c : {Case{"online to offline", false}, Case{"offline to online", true}}) {
        g_state.busy = false;
        g_state.settings.offlineMode = c.fromOffline;
        g_state.settings.offlineRoot = c.fromOffline ? root : L"";
        offlineModeShared.store(c.fromOffline);
        g_state.settings.lastCheck = 123;
        g_state.apps.clear();
        g_state.apps.push_back(MakeApp(L"Alpha", true));
        g_state.apps.push_back(MakeApp(kOwnAppId, false));
        g_state.selfIndex = 1;
        g_state.catalogLoaded = true;
        g_state.selfUpdateAvailable = true;
        g_state.expandedId = L"Alpha";
        g_state.scrollPos = 40;
        g_state.hitRecords.push_back(HitRecord{});
        g_state.cardRects.push_back(CardSlot{{0, 0, 10, 10}, 0});
        g_state.catalogGeneration = 3;
        uint32_t epoch = iconLoadEpoch.load();

        SetFolderPicker([&](HWND) { return key.path(); });
        Open();
        ASSERT_NE(dialog, nullptr);
        Click(IDC_OPT_TAB_ADVANCED);
        if (c.fromOffline)
            Click(IDC_OPT_SOURCE_ONLINE);
        else
            Click(IDC_OPT_BROWSE);
        Click(IDOK);

        bool offline = !c.fromOffline;
        EXPECT_FALSE(IsWindow(dialog)) << c.what;
        EXPECT_TRUE(boxes.empty()) << c.what;
        EXPECT_EQ(g_state.settings.offlineMode, offline) << c.what;
        EXPECT_EQ(offlineModeShared.load(), offline) << c.what;
        // Going online keeps the folder text for a later return.
        EXPECT_EQ(g_state.settings.offlineRoot, root) << c.what;
        EXPECT_EQ(ReadSettingDword(L"OfflineMode"), std::optional<DWORD>(offline ? 1 : 0)) << c.what;
        EXPECT_EQ(ReadSettingString(L"OfflineRoot"), std::optional<std::wstring>(root)) << c.what;
        EXPECT_TRUE(g_state.apps.empty()) << c.what;
        EXPECT_TRUE(g_state.hitRecords.empty()) << c.what;
        EXPECT_TRUE(g_state.cardRects.empty()) << c.what;
        EXPECT_EQ(g_state.selfIndex, -1) << c.what;
        EXPECT_FALSE(g_state.catalogLoaded) << c.what;
        EXPECT_FALSE(g_state.selfUpdateAvailable) << c.what;
        EXPECT_TRUE(g_state.expandedId.empty()) << c.what;
        EXPECT_EQ(g_state.scrollPos, 0) << c.what;
        EXPECT_EQ(g_state.catalogGeneration, 4) << c.what;
        EXPECT_EQ(iconLoadEpoch.load(), epoch + 1) << c.what;
        // The fresh load has started: busy, the status line, and lastCheck moved to now.
        EXPECT_TRUE(g_state.busy) << c.what;
        EXPECT_EQ(g_state.statusText, W("Chargement du catalogue…")) << c.what;
        EXPECT_GT(g_state.settings.lastCheck, 123u) << c.what;
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    }
}

TEST_F(OptionsDialogTest, SwitchingUpdateChecksOffClosesThePopup) {
    RegisterPopupClass();
    for (bool switchOff : {false, true}) {
        g_state.installedMode = true;
        g_state.settings.startup = false;
        g_state.settings.updateChecks = true;
        g_state.settings.lastCheck = NowFileTime();  // no check due: nothing starts
        g_state.apps.clear();
        g_state.apps.push_back(MakeApp(L"Alpha", true));
        ShowUpdatePopup();
        HWND popup = g_state.popupWindow;
        ASSERT_NE(popup, nullptr);

        Open();
        ASSERT_NE(dialog, nullptr);
        if (switchOff) Click(IDC_OPT_UPDATE_CHECKS);
        Click(IDOK);
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_EQ(g_state.settings.updateChecks, !switchOff);
        EXPECT_EQ(ReadSettingDword(L"UpdateChecks"), std::optional<DWORD>(switchOff ? 0 : 1));
        EXPECT_EQ(IsWindow(popup) != FALSE, !switchOff);
        EXPECT_EQ(g_state.popupWindow, switchOff ? nullptr : popup);
        CloseUpdatePopup();
    }
}

// Write access to the Run key is taken away for the life of the object, so
// that registering autostart fails as on a locked-down machine.
class LockedRunKey {
public:
    LockedRunKey() {
        HKEY run = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, READ_CONTROL | WRITE_DAC, nullptr, &run,
                            nullptr) != ERROR_SUCCESS)
            return;
        key_ = run;
        DWORD size = 0;
        RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
        original_.resize(size);
        if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, original_.data(), &size) != ERROR_SUCCESS)
            original_.clear();
        PSECURITY_DESCRIPTOR readOnly = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly,
                                                                  nullptr))
            return;
        RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, readOnly);
        LocalFree(readOnly);
    }
    ~LockedRunKey() {
        if (key_ == nullptr) return;
        if (!original_.empty()) RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, original_.data());
        RegCloseKey(key_);
    }
    LockedRunKey(const LockedRunKey&) = delete;
    LockedRunKey& operator=(const LockedRunKey&) = delete;

    // Whether a write-open is really refused now.
    static bool Refuses() {
        HKEY probe = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_SET_VALUE, &probe) != ERROR_SUCCESS) return true;
        RegCloseKey(probe);
        return false;
    }

private:
    HKEY key_ = nullptr;
    std::vector<BYTE> original_;
};

TEST_F(OptionsDialogTest, FailedAutostartKeepsTheDialogAndEverySetting) {
    ScratchFolder key;
    MakeOfflineKey(key);
    g_state.installedMode = true;  // only the installed copy registers autostart
    g_state.settings.startup = true;
    g_state.settings.updateChecks = true;
    LockedRunKey locked;
    if (!LockedRunKey::Refuses()) GTEST_SKIP() << "this registry does not enforce key permissions";

    SetFolderPicker([&](HWND) { return key.path(); });
    Open();
    ASSERT_NE(dialog, nullptr);
    Click(IDC_OPT_UPDATE_CHECKS);
    Click(IDC_OPT_TAB_ADVANCED);
    Click(IDC_OPT_BROWSE);
    ChooseTheme(2);
    Click(IDOK);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, W("Windows n’a pas pu enregistrer le démarrage automatique."));
    EXPECT_EQ(boxes[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(g_state.settings.updateChecks);
    EXPECT_FALSE(g_state.settings.offlineMode);
    EXPECT_FALSE(g_state.busy);
    EXPECT_FALSE(SettingsKeyExists());
    // Still open, the preview stays until the dialog ends without saving.
    EXPECT_TRUE(g_state.isDark);
    Click(IDCANCEL);
    EXPECT_FALSE(g_state.isDark);
}

// The same procedure also runs modal, as the main window opens it.
WPARAM g_scriptCommand = 0;

void CALLBACK AnswerModalDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    if (g_state.optionsDialog == nullptr) return;
    KillTimer(nullptr, timer);
    if (g_scriptCommand == 0)
        PostMessageW(g_state.optionsDialog, WM_CLOSE, 0, 0);
    else
        PostMessageW(g_state.optionsDialog, WM_COMMAND, g_scriptCommand, 0);
}

TEST_F(OptionsDialogTest, ModalDialogReturnsHowItEnded) {
    struct Case {
        const char* what;
        WPARAM command;
        INT_PTR result;
    };
    const Case cases[] = {{"Enregistrer", IDOK, IDOK}, {"Annuler", IDCANCEL, IDCANCEL}, {"close box", 0, IDCANCEL}};
    for (const Case& c : cases) {
        g_scriptCommand = c.command;
        SetTimer(nullptr, 0, 20, AnswerModalDialog);
        INT_PTR result = DialogBoxParamW(g_state.instance, MAKEINTRESOURCEW(IDD_OPTIONS), g_state.mainWindow,
                                         OptionsDialogProc, 0);
        EXPECT_EQ(result, c.result) << c.what;
        EXPECT_EQ(g_state.optionsDialog, nullptr) << c.what;
        EXPECT_EQ(ReadSettingDword(L"UpdateChecks").has_value(), c.result == IDOK) << c.what;
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    }
}

// Enter through the modal dialog's own loop: the focused owner-drawn button
// acts, as in any dialog; from a check box Enter still means "Enregistrer".
struct EnterScript {
    int focusId = 0;
    int step = 0;
    bool openAfterEnter = false;
    int tabAfterEnter = -1;
};
EnterScript g_enter;

void CALLBACK PressEnterOnFocus(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = g_state.optionsDialog;
    if (g_enter.step == 0) {
        if (dialog == nullptr) return;
        g_enter.step = 1;
        HWND list = GetDlgItem(dialog, IDC_OPT_THEME);
        SendMessageW(list, CB_SETCURSEL, 2, 0);  // "Sombre", previewed at once
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPT_THEME, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        HWND target = GetDlgItem(dialog, g_enter.focusId);
        SetFocus(target);
        PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        PostMessageW(target, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC01C0001));
        return;
    }
    KillTimer(nullptr, timer);
    g_enter.openAfterEnter = dialog != nullptr;
    if (dialog == nullptr) return;
    bool advancedShown = (GetWindowLongPtrW(GetDlgItem(dialog, IDC_OPT_FOLDER), GWL_STYLE) & WS_VISIBLE) != 0;
    g_enter.tabAfterEnter = advancedShown ? 1 : 0;
    PostMessageW(dialog, WM_CLOSE, 0, 0);
}

TEST_F(OptionsDialogTest, EnterActivatesTheFocusedButton) {
    struct Case {
        const char* what;
        int focus;
        bool stays;
        int tab;
        INT_PTR result;
        bool saved;
    };
    const Case cases[] = {
        {"Annuler", IDCANCEL, false, -1, IDCANCEL, false},
        {"Avancé", IDC_OPT_TAB_ADVANCED, true, 1, IDCANCEL, false},
        {"a check box", IDC_OPT_DESKTOP, false, -1, IDOK, true},
    };
    for (const Case& c : cases) {
        g_state.settings.themeMode = ThemeChoice::Light;
        ApplyTheme();
        g_enter = EnterScript{};
        g_enter.focusId = c.focus;
        UINT_PTR timer = SetTimer(nullptr, 0, 30, PressEnterOnFocus);
        INT_PTR result = DialogBoxParamW(g_state.instance, MAKEINTRESOURCEW(IDD_OPTIONS), g_state.mainWindow,
                                         OptionsDialogProc, 0);
        KillTimer(nullptr, timer);
        EXPECT_EQ(g_enter.step, 1) << c.what;
        EXPECT_EQ(result, c.result) << c.what;
        EXPECT_EQ(g_enter.openAfterEnter, c.stays) << c.what;
        EXPECT_EQ(g_enter.tabAfterEnter, c.tab) << c.what;
        EXPECT_EQ(ReadSettingDword(L"ThemeMode").has_value(), c.saved) << c.what;
        EXPECT_EQ(g_state.isDark, c.saved) << c.what;
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    }
}

// A locked Run key blocks only a change of autostart: an entry that already
// matches the check box is left alone and the other settings save.
TEST_F(OptionsDialogTest, LockedRunKeyBlocksOnlyAChangeOfAutostart) {
    g_state.installedMode = true;
    const std::wstring command = L"\"" + GetInstalledExePath() + L"\" --minimized";
    struct Case {
        const char* what;
        bool registered;
        bool startup;
        bool toggle;
        bool saves;
    };
    const Case cases[] = {
        {"registered, kept on", true, true, false, true},
        {"not registered, kept off", false, false, false, true},
        {"registered, switched off", true, true, true, false},
        {"not registered, switched on", false, false, true, false},
    };
    for (const Case& c : cases) {
        HKEY run = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &run, nullptr),
                  ERROR_SUCCESS);
        if (c.registered)
            RegSetValueExW(run, kRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                           static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
        else
            RegDeleteValueW(run, kRunValueName);
        RegCloseKey(run);
        g_state.settings.startup = c.startup;
        g_state.settings.updateChecks = true;
        boxes.clear();
        {
            LockedRunKey locked;
            if (!LockedRunKey::Refuses()) GTEST_SKIP() << "this registry does not enforce key permissions";
            Open();
            ASSERT_NE(dialog, nullptr);
            Click(IDC_OPT_UPDATE_CHECKS);
            if (c.toggle) Click(IDC_OPT_STARTUP);
            Click(IDOK);
        }
        EXPECT_EQ(IsWindow(dialog) == FALSE, c.saves) << c.what;
        EXPECT_EQ(boxes.empty(), c.saves) << c.what;
        EXPECT_EQ(g_state.settings.updateChecks, !c.saves) << c.what;
        EXPECT_EQ(ReadSettingDword(L"UpdateChecks"), c.saves ? std::optional<DWORD>(0) : std::nullopt) << c.what;
        if (IsWindow(dialog)) DestroyWindow(dialog);
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    }
}

}  // namespace
