#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <vector>

#include "app/policies.h"
#include "app/settings.h"
#include "app/state.h"
#include "base/handles.h"
#include "base/paths.h"
#include "base/worker_shared.h"
#include "tests/support/file_access.h"
#include "tests/support/process_support.h"
#include "tests/support/test_support.h"

namespace {

constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr unsigned long long kDay = 864000000000ULL;  // 24 h in 100-ns units
constexpr wchar_t kUsbRoot[] = L"E:\\OrkvaneOffline";

// One value as the registry holds it.
struct RawValue {
    DWORD type = REG_NONE;
    std::string bytes;
};

std::string DwordBytes(DWORD value) { return std::string(reinterpret_cast<const char*>(&value), sizeof(value)); }
std::string QwordBytes(unsigned long long value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof(value));
}
// REG_SZ bytes with the terminating NUL, as the program writes them.
std::string StringBytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}

RawValue Dword(DWORD value) { return {REG_DWORD, DwordBytes(value)}; }
RawValue Qword(unsigned long long value) { return {REG_QWORD, QwordBytes(value)}; }
RawValue String(const std::wstring& text) { return {REG_SZ, StringBytes(text)}; }

void PutValue(const wchar_t* keyPath, const wchar_t* name, const RawValue& value) {
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), name, 0, value.type, reinterpret_cast<const BYTE*>(value.bytes.data()),
                             static_cast<DWORD>(value.bytes.size())),
              ERROR_SUCCESS);
}

void PutSetting(const wchar_t* name, const RawValue& value) { PutValue(kSettingsKeyPath, name, value); }

// A policy as Group Policy writes it, under the machine's or the user's key.
void PutPolicy(HKEY hive, const wchar_t* name, const RawValue& value) {
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(hive, kPolicyKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), name, 0, value.type, reinterpret_cast<const BYTE*>(value.bytes.data()),
                             static_cast<DWORD>(value.bytes.size())),
              ERROR_SUCCESS);
}

void ClearPolicies() {
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        RegDeleteTreeW(hive, kPolicyKeyPath);
        RegDeleteKeyW(hive, kPolicyKeyPath);
    }
}

class PolicyCleaner {
public:
    PolicyCleaner() { ClearPolicies(); }
    ~PolicyCleaner() { ClearPolicies(); }
    PolicyCleaner(const PolicyCleaner&) = delete;
    PolicyCleaner& operator=(const PolicyCleaner&) = delete;
};

// The value read back without any type restriction; nullopt when absent.
std::optional<RawValue> GetValue(const wchar_t* keyPath, const wchar_t* name) {
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
        key.release();
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    RawValue value{type, std::string(size, '\0')};
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value.bytes.data()), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    value.bytes.resize(size);
    return value;
}

std::optional<RawValue> GetSetting(const wchar_t* name) { return GetValue(kSettingsKeyPath, name); }

void DeleteValue(const wchar_t* keyPath, const wchar_t* name) {
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS) {
        key.release();
        return;
    }
    RegDeleteValueW(key.get(), name);
}

// Every test that touches the registry starts from a machine that never ran the program.
void ClearRegistry() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKeyPath);
    DeleteValue(kRunKeyPath, kRunValueName);
}

class RegistryCleaner {
public:
    RegistryCleaner() { ClearRegistry(); }
    ~RegistryCleaner() { ClearRegistry(); }
    RegistryCleaner(const RegistryCleaner&) = delete;
    RegistryCleaner& operator=(const RegistryCleaner&) = delete;
};

bool RawEquals(const std::optional<RawValue>& actual, const RawValue& expected) {
    return actual && actual->type == expected.type && actual->bytes == expected.bytes;
}

std::string Describe(const std::optional<RawValue>& value) {
    if (!value) return "<absent>";
    std::string text = "type ";
    text += std::to_string(value->type);
    text += ", bytes:";
    for (unsigned char c : value->bytes) {
        text += ' ';
        text += std::to_string(c);
    }
    return text;
}

TEST(Settings, FirstStartKeepsDefaultsAndWritesOnlyTheSource) {
    RegistryCleaner cleaner;
    offlineModeShared = true;  // proves LoadSettings sets it rather than leaving it
    LoadSettings();

    const Settings& s = g_state.settings;
    EXPECT_TRUE(s.startup);
    EXPECT_TRUE(s.updateChecks);
    EXPECT_FALSE(s.desktopShortcut);
    EXPECT_TRUE(s.menuShortcut);
    EXPECT_EQ(s.lastCheck, 0u);
    // The test program lives on a fixed drive without an OrkvaneOffline folder.
    EXPECT_FALSE(s.offlineMode);
    EXPECT_EQ(s.offlineRoot, L"");
    EXPECT_EQ(s.themeMode, ThemeChoice::System);
    EXPECT_FALSE(offlineModeShared.load());
    EXPECT_EQ(g_state.statusText, L"Chargement du catalogue OVH...");

    EXPECT_TRUE(RawEquals(GetSetting(L"OfflineMode"), Dword(0))) << Describe(GetSetting(L"OfflineMode"));
    EXPECT_TRUE(RawEquals(GetSetting(L"OfflineRoot"), String(L""))) << Describe(GetSetting(L"OfflineRoot"));
    for (const wchar_t* absent :
         {L"ThemeMode", L"Startup", L"UpdateChecks", L"DesktopShortcut", L"MenuShortcut", L"LastCheck"})
        EXPECT_FALSE(GetSetting(absent)) << absent;

    // What the main window's creation then writes: five more values, still no ThemeMode.
    SaveSettings();
    EXPECT_TRUE(RawEquals(GetSetting(L"Startup"), Dword(1)));
    EXPECT_TRUE(RawEquals(GetSetting(L"UpdateChecks"), Dword(1)));
    EXPECT_TRUE(RawEquals(GetSetting(L"DesktopShortcut"), Dword(0)));
    EXPECT_TRUE(RawEquals(GetSetting(L"MenuShortcut"), Dword(1)));
    EXPECT_TRUE(RawEquals(GetSetting(L"LastCheck"), Qword(0))) << Describe(GetSetting(L"LastCheck"));
    EXPECT_FALSE(GetSetting(L"ThemeMode"));
}

// What LoadSettings makes of values stored in the registry.
TEST(Settings, ReadsStoredValuesAndIgnoresWrongOnes) {
    struct Stored {
        const wchar_t* name;
        RawValue value;
    };
    struct Expected {
        bool startup = true;
        bool updateChecks = true;
        bool desktopShortcut = false;
        bool menuShortcut = true;
        unsigned long long lastCheck = 0;
        bool offlineMode = false;
        std::wstring offlineRoot;
        ThemeChoice themeMode = ThemeChoice::System;
        DWORD offlineModeWritten = 0;
    };
    // Each case changes the defaults only where it expects something else.
    struct Case {
        const char* what;
        std::vector<Stored> stored;
        void (*expect)(Expected&);
    };
    const std::wstring usbRoot = kUsbRoot;
    const Case cases[] = {
        {"every value set",
         {{L"Startup", Dword(0)},
          {L"UpdateChecks", Dword(0)},
          {L"DesktopShortcut", Dword(1)},
          {L"MenuShortcut", Dword(0)},
          {L"LastCheck", Qword(130000000000000000ULL)},
          {L"OfflineMode", Dword(1)},
          {L"OfflineRoot", String(usbRoot)},
          {L"ThemeMode", Dword(2)}},
         [](Expected& e) {
             e.startup = false;
             e.updateChecks = false;
             e.desktopShortcut = true;
             e.menuShortcut = false;
             e.lastCheck = 130000000000000000ULL;
             e.offlineMode = true;
             e.offlineRoot = kUsbRoot;
             e.themeMode = ThemeChoice::Dark;
             e.offlineModeWritten = 1;
         }},
        {"any non-zero DWORD is true",
         {{L"DesktopShortcut", Dword(7)}, {L"Startup", Dword(0x80000000)}},
         [](Expected& e) { e.desktopShortcut = true; }},
        {"OfflineMode 2 means online, the root is kept",
         {{L"OfflineMode", Dword(2)}, {L"OfflineRoot", String(usbRoot)}},
         [](Expected& e) { e.offlineRoot = kUsbRoot; }},
        {"OfflineMode 1 without a root",
         {{L"OfflineMode", Dword(1)}},
         [](Expected& e) {
             e.offlineMode = true;
             e.offlineModeWritten = 1;
         }},
        {"OfflineMode 0 skips detection",
         {{L"OfflineMode", Dword(0)}, {L"OfflineRoot", String(L"F:\\x")}},
         [](Expected& e) { e.offlineRoot = L"F:\\x"; }},
        {"Startup stored as the string 0 is absent", {{L"Startup", String(L"0")}}, [](Expected&) {}},
        {"MenuShortcut stored as a QWORD is absent", {{L"MenuShortcut", Qword(0)}}, [](Expected&) {}},
        {"ThemeMode 1 is light", {{L"ThemeMode", Dword(1)}}, [](Expected& e) { e.themeMode = ThemeChoice::Light; }},
        {"ThemeMode 2 is dark", {{L"ThemeMode", Dword(2)}}, [](Expected& e) { e.themeMode = ThemeChoice::Dark; }},
        {"ThemeMode 0 is system", {{L"ThemeMode", Dword(0)}}, [](Expected&) {}},
        {"ThemeMode 3 is ignored", {{L"ThemeMode", Dword(3)}}, [](Expected&) {}},
        {"ThemeMode 4294967295 is ignored", {{L"ThemeMode", Dword(4294967295u)}}, [](Expected&) {}},
        {"ThemeMode as a string is ignored", {{L"ThemeMode", String(L"2")}}, [](Expected&) {}},
        {"2-byte DWORDs are ignored",
         {{L"DesktopShortcut", {REG_DWORD, std::string("\x01\x00", 2)}},
          {L"UpdateChecks", {REG_DWORD, std::string("\x00\x00", 2)}},
          {L"ThemeMode", {REG_DWORD, std::string("\x02\x00", 2)}},
          {L"OfflineMode", {REG_DWORD, std::string("\x01\x00", 2)}}},
         [](Expected&) {}},
        {"LastCheck stored as a DWORD is absent", {{L"LastCheck", Dword(12345)}}, [](Expected&) {}},
        {"LastCheck of 4 bytes typed QWORD is absent",
         {{L"LastCheck", {REG_QWORD, DwordBytes(12345)}}},
         [](Expected&) {}},
        {"OfflineRoot stored as a DWORD is absent",
         {{L"OfflineMode", Dword(1)}, {L"OfflineRoot", Dword(5)}},
         [](Expected& e) {
             e.offlineMode = true;
             e.offlineModeWritten = 1;
         }},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryCleaner cleaner;
        ResetAppState();
        for (const Stored& value : c.stored) PutSetting(value.name, value.value);
        LoadSettings();

        const Settings& s = g_state.settings;
        Expected e;
        c.expect(e);
        EXPECT_EQ(s.startup, e.startup);
        EXPECT_EQ(s.updateChecks, e.updateChecks);
        EXPECT_EQ(s.desktopShortcut, e.desktopShortcut);
        EXPECT_EQ(s.menuShortcut, e.menuShortcut);
        EXPECT_EQ(s.lastCheck, e.lastCheck);
        EXPECT_EQ(s.offlineMode, e.offlineMode);
        EXPECT_EQ(s.offlineRoot, e.offlineRoot);
        EXPECT_EQ(s.themeMode, e.themeMode);
        EXPECT_EQ(offlineModeShared.load(), e.offlineMode);
        EXPECT_EQ(g_state.statusText,
                  e.offlineMode ? W("Chargement du catalogue USB…") : L"Chargement du catalogue OVH...");
        // Both source values are written back whatever was stored.
        EXPECT_TRUE(RawEquals(GetSetting(L"OfflineMode"), Dword(e.offlineModeWritten)))
            << Describe(GetSetting(L"OfflineMode"));
        EXPECT_TRUE(RawEquals(GetSetting(L"OfflineRoot"), String(e.offlineRoot)))
            << Describe(GetSetting(L"OfflineRoot"));
    }
}

TEST(Settings, LastCheckInTheFutureIsPulledBackToNow) {
    RegistryCleaner cleaner;
    const unsigned long long before = NowFileTime();
    PutSetting(L"LastCheck", Qword(before + 30 * kDay));
    LoadSettings();
    const unsigned long long after = NowFileTime();
    EXPECT_GE(g_state.settings.lastCheck, before);
    EXPECT_LE(g_state.settings.lastCheck, after);
    // The registry keeps the future value until the settings are saved.
    EXPECT_TRUE(RawEquals(GetSetting(L"LastCheck"), Qword(before + 30 * kDay)));
    SaveSettings();
    EXPECT_TRUE(RawEquals(GetSetting(L"LastCheck"), Qword(g_state.settings.lastCheck)));

    // A time in the past is kept as it is.
    ResetAppState();
    PutSetting(L"LastCheck", Qword(before - kDay));
    LoadSettings();
    EXPECT_EQ(g_state.settings.lastCheck, before - kDay);
}

TEST(Settings, OfflineRootFitsInThirtyTwoThousandSevenHundredSixtySevenUnits) {
    RegistryCleaner cleaner;
    PutSetting(L"OfflineMode", Dword(1));

    const std::wstring longest(32767, L'r');
    PutSetting(L"OfflineRoot", String(longest));
    LoadSettings();
    EXPECT_EQ(g_state.settings.offlineRoot.size(), longest.size());
    EXPECT_EQ(g_state.settings.offlineRoot, longest);

    ResetAppState();
    PutSetting(L"OfflineRoot", String(std::wstring(32768, L'r')));
    LoadSettings();
    EXPECT_EQ(g_state.settings.offlineRoot, L"");
    EXPECT_TRUE(g_state.settings.offlineMode);
    // The unreadable value is replaced by the (empty) one in memory.
    EXPECT_TRUE(RawEquals(GetSetting(L"OfflineRoot"), String(L"")));
}

TEST(Settings, SavesWriteTheirOwnValuesWithExactTypesAndSizes) {
    RegistryCleaner cleaner;
    Settings& s = g_state.settings;
    s.startup = false;
    s.updateChecks = true;
    s.desktopShortcut = true;
    s.menuShortcut = false;
    s.lastCheck = 0x0123456789ABCDEFULL;
    s.offlineMode = true;
    s.offlineRoot = W("F:\\Clé\\OrkvaneOffline");
    s.themeMode = ThemeChoice::Light;

    SaveSettings();
    EXPECT_TRUE(RawEquals(GetSetting(L"Startup"), Dword(0)));
    EXPECT_TRUE(RawEquals(GetSetting(L"UpdateChecks"), Dword(1)));
    EXPECT_TRUE(RawEquals(GetSetting(L"DesktopShortcut"), Dword(1)));
    EXPECT_TRUE(RawEquals(GetSetting(L"MenuShortcut"), Dword(0)));
    EXPECT_TRUE(RawEquals(GetSetting(L"LastCheck"), Qword(0x0123456789ABCDEFULL)));
    EXPECT_FALSE(GetSetting(L"OfflineMode"));
    EXPECT_FALSE(GetSetting(L"OfflineRoot"));
    EXPECT_FALSE(GetSetting(L"ThemeMode"));

    SaveOfflineSettings();
    EXPECT_TRUE(RawEquals(GetSetting(L"OfflineMode"), Dword(1)));
    std::optional<RawValue> root = GetSetting(L"OfflineRoot");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(root->bytes.size(), 2 * s.offlineRoot.size() + 2);  // the NUL is counted
    EXPECT_TRUE(RawEquals(root, String(s.offlineRoot)));
    EXPECT_FALSE(GetSetting(L"ThemeMode"));

    SaveThemeMode();
    EXPECT_TRUE(RawEquals(GetSetting(L"ThemeMode"), Dword(1)));

    // What was saved reads back the same.
    Settings saved = s;
    ResetAppState();
    LoadSettings();
    EXPECT_EQ(g_state.settings.startup, saved.startup);
    EXPECT_EQ(g_state.settings.updateChecks, saved.updateChecks);
    EXPECT_EQ(g_state.settings.desktopShortcut, saved.desktopShortcut);
    EXPECT_EQ(g_state.settings.menuShortcut, saved.menuShortcut);
    EXPECT_EQ(g_state.settings.offlineMode, saved.offlineMode);
    EXPECT_EQ(g_state.settings.offlineRoot, saved.offlineRoot);
    EXPECT_EQ(g_state.settings.themeMode, saved.themeMode);
}

// Both keys against the registry: the machine's value first, and a value of
// the wrong type, size or range counts as absent in either.
TEST(Policies, MachineKeyWinsAndWrongValuesCountAsAbsent) {
    struct Stored {
        HKEY hive;
        const wchar_t* name;
        RawValue value;
    };
    struct Expected {
        PolicyId id;
        bool forced;
        DWORD number;
        std::wstring text;
        PolicyScope scope;
    };
    struct Case {
        const char* what;
        std::vector<Stored> stored;
        std::vector<Expected> expected;
    };
    const HKEY machine = HKEY_LOCAL_MACHINE;
    const HKEY user = HKEY_CURRENT_USER;
    const Case cases[] = {
        {"the machine's value wins",
         {{machine, L"Startup", Dword(0)}, {user, L"Startup", Dword(1)}},
         {{PolicyId::Startup, true, 0, L"", PolicyScope::Machine}}},
        {"the user's value alone",
         {{user, L"UpdateChecks", Dword(0)}},
         {{PolicyId::UpdateChecks, true, 0, L"", PolicyScope::User}}},
        {"a machine value of the wrong type leaves the user's",
         {{machine, L"ThemeMode", String(L"2")}, {user, L"ThemeMode", Dword(1)}},
         {{PolicyId::ThemeMode, true, 1, L"", PolicyScope::User}}},
        {"out of range",
         {{machine, L"ThemeMode", Dword(3)}, {machine, L"OfflineMode", Dword(2)}, {user, L"DesktopShortcut", Dword(7)}},
         {{PolicyId::ThemeMode, false, 0, L"", PolicyScope::Machine},
          {PolicyId::OfflineMode, false, 0, L"", PolicyScope::Machine},
          {PolicyId::DesktopShortcut, false, 0, L"", PolicyScope::Machine}}},
        {"2-byte DWORDs and QWORDs",
         {{machine, L"SelfUpdate", {REG_DWORD, std::string("\x00\x00", 2)}}, {user, L"SelfRemoval", Qword(0)}},
         {{PolicyId::SelfUpdate, false, 0, L"", PolicyScope::Machine},
          {PolicyId::SelfRemoval, false, 0, L"", PolicyScope::Machine}}},
        {"the folder is text",
         {{machine, L"OfflineRoot", String(W("E:\\Clé"))},
          {user, L"OfflineRoot", String(L"F:\\x")},
          {user, L"AllowFixedDiskOffline", String(L"0")}},
         {{PolicyId::OfflineRoot, true, 0, W("E:\\Clé"), PolicyScope::Machine},
          {PolicyId::AllowFixedDiskOffline, false, 0, L"", PolicyScope::Machine}}},
        {"a folder stored as a number",
         {{machine, L"OfflineRoot", Dword(1)}, {user, L"OfflineRoot", {REG_BINARY, StringBytes(L"E:\\")}}},
         {{PolicyId::OfflineRoot, false, 0, L"", PolicyScope::Machine}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PolicyCleaner cleaner;
        for (const Stored& value : c.stored) PutPolicy(value.hive, value.name, value.value);
        Policies policies = ReadPolicies();
        for (const Expected& e : c.expected) {
            const PolicyValue* value = policies.Find(e.id);
            ASSERT_EQ(value != nullptr, e.forced) << static_cast<int>(e.id);
            if (value == nullptr) continue;
            EXPECT_EQ(value->number, e.number);
            EXPECT_EQ(value->text, e.text);
            EXPECT_EQ(value->scope, e.scope);
        }
    }
}

// A forced value is what the program uses; the user's own stays in the
// registry, no save writes over it, and it is back once the policy goes.
TEST(Policies, ForcedValuesWinAndTheUsersOwnStay) {
    RegistryCleaner cleaner;
    PolicyCleaner policyCleaner;
    const std::wstring userRoot = L"F:\\ancien";
    PutSetting(L"Startup", Dword(1));
    PutSetting(L"UpdateChecks", Dword(1));
    PutSetting(L"DesktopShortcut", Dword(0));
    PutSetting(L"ThemeMode", Dword(2));
    PutSetting(L"OfflineMode", Dword(0));
    PutSetting(L"OfflineRoot", String(userRoot));
    PutPolicy(HKEY_LOCAL_MACHINE, L"Startup", Dword(0));
    PutPolicy(HKEY_CURRENT_USER, L"DesktopShortcut", Dword(1));
    PutPolicy(HKEY_LOCAL_MACHINE, L"ThemeMode", Dword(1));
    PutPolicy(HKEY_LOCAL_MACHINE, L"OfflineMode", Dword(1));
    PutPolicy(HKEY_CURRENT_USER, L"OfflineRoot", String(kUsbRoot));

    offlineModeShared = false;
    LoadSettings();
    const Settings& s = g_state.settings;
    EXPECT_FALSE(s.startup);
    EXPECT_TRUE(s.updateChecks);
    EXPECT_TRUE(s.desktopShortcut);
    EXPECT_EQ(s.themeMode, ThemeChoice::Light);
    EXPECT_TRUE(s.offlineMode);
    EXPECT_EQ(s.offlineRoot, kUsbRoot);
    EXPECT_TRUE(offlineModeShared.load());
    EXPECT_EQ(g_state.statusText, W("Chargement du catalogue USB…"));

    // Every save, with the settings changed in memory meanwhile.
    g_state.settings.updateChecks = false;
    SaveSettings();
    SaveOfflineSettings();
    SaveThemeMode();
    EXPECT_TRUE(RawEquals(GetSetting(L"Startup"), Dword(1)));
    EXPECT_TRUE(RawEquals(GetSetting(L"DesktopShortcut"), Dword(0)));
    EXPECT_TRUE(RawEquals(GetSetting(L"ThemeMode"), Dword(2)));
    EXPECT_TRUE(RawEquals(GetSetting(L"OfflineMode"), Dword(0)));
    EXPECT_TRUE(RawEquals(GetSetting(L"OfflineRoot"), String(userRoot))) << Describe(GetSetting(L"OfflineRoot"));
    EXPECT_TRUE(RawEquals(GetSetting(L"UpdateChecks"), Dword(0))) << "a value no policy forces is saved";

    ClearPolicies();
    ResetAppState();
    LoadSettings();
    EXPECT_TRUE(g_state.settings.startup);
    EXPECT_FALSE(g_state.settings.desktopShortcut);
    EXPECT_EQ(g_state.settings.themeMode, ThemeChoice::Dark);
    EXPECT_FALSE(g_state.settings.offlineMode);
    EXPECT_EQ(g_state.settings.offlineRoot, userRoot);
    EXPECT_FALSE(g_state.policies.Any());
}

TEST(Autostart, PortableCopyTouchesNothingAndSucceeds) {
    RegistryCleaner cleaner;
    ASSERT_FALSE(g_state.installedMode);

    EXPECT_TRUE(SetAutostart(true));
    EXPECT_FALSE(GetValue(kRunKeyPath, kRunValueName));

    const RawValue installedEntry = String(L"\"C:\\elsewhere\\Orkvane.exe\" --minimized");
    PutValue(kRunKeyPath, kRunValueName, installedEntry);
    EXPECT_TRUE(SetAutostart(false));
    EXPECT_TRUE(RawEquals(GetValue(kRunKeyPath, kRunValueName), installedEntry));
    EXPECT_TRUE(SetAutostart(true));
    EXPECT_TRUE(RawEquals(GetValue(kRunKeyPath, kRunValueName), installedEntry));
}

TEST(Autostart, InstalledCopyWritesAndRemovesTheRunValue) {
    RegistryCleaner cleaner;
    g_state.installedMode = true;

    // Removing an entry that does not exist is a success.
    EXPECT_TRUE(SetAutostart(false));
    EXPECT_FALSE(GetValue(kRunKeyPath, kRunValueName));

    ASSERT_TRUE(SetAutostart(true));
    const std::wstring expected = L"\"" + GetKnownFolder(FOLDERID_LocalAppData) +
                                  L"\\Kest_Tools\\Orkvane.exe\" --minimized";
    std::optional<RawValue> value = GetValue(kRunKeyPath, kRunValueName);
    EXPECT_TRUE(RawEquals(value, String(expected))) << Describe(value);
    // The path is the installed copy's, never the running test program's.
    EXPECT_EQ(expected.find(GetOwnExePath()), std::wstring::npos);

    EXPECT_TRUE(SetAutostart(false));
    EXPECT_FALSE(GetValue(kRunKeyPath, kRunValueName));
    EXPECT_TRUE(SetAutostart(false));
}

TEST(SettingsTheme, SystemPrefersDarkOnlyWhenAppsUseLightThemeIsZero) {
    const std::optional<RawValue> original = GetValue(kPersonalizeKey, L"AppsUseLightTheme");
    struct Case {
        const char* what;
        std::optional<RawValue> stored;
        bool dark;
    };
    const Case cases[] = {
        {"0 asks for dark", Dword(0), true},
        {"1 asks for light", Dword(1), false},
        {"missing means light", std::nullopt, false},
        {"another number means light", Dword(2), false},
        {"a string 0 is not a DWORD", String(L"0"), false},
        {"a 2-byte DWORD 0 is not read", RawValue{REG_DWORD, std::string("\x00\x00", 2)}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteValue(kPersonalizeKey, L"AppsUseLightTheme");
        if (c.stored) PutValue(kPersonalizeKey, L"AppsUseLightTheme", *c.stored);
        EXPECT_EQ(SystemPrefersDark(), c.dark);
    }
    DeleteValue(kPersonalizeKey, L"AppsUseLightTheme");
    if (original) PutValue(kPersonalizeKey, L"AppsUseLightTheme", *original);
}

TEST(IsCheckDue, TwentyFourHoursToTheHundredNanoseconds) {
    const unsigned long long last = 133000000000000000ULL;
    struct Case {
        unsigned long long lastCheck;
        unsigned long long now;
        bool due;
    };
    const Case cases[] = {
        {0, 0, true},
        {0, last, true},
        {last, last, false},
        {last, last + kDay - 1, false},
        {last, last + kDay, true},
        {last, last + kDay + 1, true},
        {last, last - 1, false},  // clock set back
        {last, last - kDay - 1, false},
        {1, kDay, false},
        {1, kDay + 1, true},
        {last, ~0ULL, true},
        {~0ULL, 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsCheckDue(c.lastCheck, c.now), c.due) << "last " << c.lastCheck << ", now " << c.now;
}

// The offline-folder detection, seen from a real executable started on the
// test drives: E: removable, F: fixed, G: network.
std::wstring ProbePath() { return JoinPath(ParentFolder(GetOwnExePath()), L"settings_probe.exe"); }

struct ProbeReport {
    bool offlineMode = false;
    std::wstring offlineRoot;
    std::wstring statusText;
    bool offlineModeShared = false;
};

// Copies the probe to exePath, runs it there and reads back what LoadSettings found.
void RunProbeAt(const std::wstring& exePath, ProbeReport& report) {
    ScratchFolder reportDir(L"probe");
    const std::wstring reportPath = reportDir / L"report.txt";
    CreateFolderPath(ParentFolder(exePath));
    ASSERT_TRUE(CopyFileW(ProbePath().c_str(), exePath.c_str(), FALSE)) << "copy to " << exePath;

    std::wstring command = L"\"" + exePath + L"\" \"" + reportPath + L"\"";
    // Started from C:\ so that the drive's own current folder plays no part.
    StartedProcess started = StartProcess(exePath.c_str(), command, CREATE_NO_WINDOW, nullptr, FALSE, L"C:\\");
    ASSERT_TRUE(started) << "error " << started.error;
    const UniqueHandle& processHandle = started.process;
    ASSERT_EQ(WaitForSingleObject(processHandle.get(), 60000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    ASSERT_TRUE(GetExitCodeProcess(processHandle.get(), &exitCode));
    ASSERT_EQ(exitCode, 0u);

    std::wstring text = W(ReadFileBytes(reportPath));
    std::vector<std::wstring> lines;
    for (size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    ASSERT_EQ(lines.size(), 4u) << text;
    report.offlineMode = lines[0] == L"1";
    report.offlineRoot = lines[1];
    report.statusText = lines[2];
    report.offlineModeShared = lines[3] == L"1";
}

void RemoveDriveFolders() {
    for (const wchar_t* path : {L"E:\\OrkvaneOffline", L"E:\\a", L"E:\\Orkvane.exe", L"E:\\catalog.json",
                                L"F:\\OrkvaneOffline", L"F:\\a", L"F:\\Orkvane.exe", L"G:\\OrkvaneOffline"})
        RemoveTree(path);
}

TEST(OfflineDetection, StartedBesideAnOfflineFolder) {
    struct Case {
        const char* what;
        const wchar_t* exePath;
        std::vector<const wchar_t*> catalogFolders;
        std::vector<std::pair<const wchar_t*, RawValue>> stored;
        bool offline;
        std::wstring root;
    };
    const Case cases[] = {
        {"first candidate: the executable's folder",
         L"E:\\OrkvaneOffline\\Orkvane.exe",
         {L"E:\\OrkvaneOffline"},
         {},
         true,
         L"E:\\OrkvaneOffline"},
        {"second candidate: its parent",
         L"E:\\OrkvaneOffline\\outils\\Orkvane.exe",
         {L"E:\\OrkvaneOffline"},
         {},
         true,
         L"E:\\OrkvaneOffline"},
        {"third candidate: the drive root's OrkvaneOffline",
         L"E:\\a\\b\\Orkvane.exe",
         {L"E:\\OrkvaneOffline"},
         {},
         true,
         L"E:\\OrkvaneOffline"},
        {"the executable's folder wins over the others",
         L"E:\\a\\b\\Orkvane.exe",
         {L"E:\\a\\b", L"E:\\a", L"E:\\OrkvaneOffline"},
         {},
         true,
         L"E:\\a\\b"},
        {"the parent's OrkvaneOffline wins over the drive root's",
         L"E:\\a\\b\\Orkvane.exe",
         {L"E:\\a\\OrkvaneOffline", L"E:\\OrkvaneOffline"},
         {},
         true,
         L"E:\\a\\OrkvaneOffline"},
        {"executable at the root of the key",
         L"E:\\Orkvane.exe",
         {L"E:\\OrkvaneOffline"},
         {},
         true,
         L"E:\\OrkvaneOffline"},
        {"a fixed drive is accepted",
         L"F:\\OrkvaneOffline\\Orkvane.exe",
         {L"F:\\OrkvaneOffline"},
         {},
         true,
         L"F:\\OrkvaneOffline"},
        {"the parent on a fixed drive",
         L"F:\\OrkvaneOffline\\outils\\Orkvane.exe",
         {L"F:\\OrkvaneOffline"},
         {},
         true,
         L"F:\\OrkvaneOffline"},
        // Anyone may create a folder at the root of a fixed disk: it is never looked at.
        {"a fixed drive's root OrkvaneOffline, started deeper",
         L"F:\\a\\b\\Orkvane.exe",
         {L"F:\\OrkvaneOffline"},
         {},
         false,
         L""},
        {"a fixed drive's root OrkvaneOffline, started one level down",
         L"F:\\a\\Orkvane.exe",
         {L"F:\\OrkvaneOffline"},
         {},
         false,
         L""},
        {"a fixed drive's root OrkvaneOffline, started at the root",
         L"F:\\Orkvane.exe",
         {L"F:\\OrkvaneOffline"},
         {},
         false,
         L""},
        {"a removable drive's root, started one level down",
         L"E:\\a\\Orkvane.exe",
         {L"E:\\OrkvaneOffline"},
         {},
         true,
         L"E:\\OrkvaneOffline"},
        {"no catalogue on the key", L"E:\\a\\b\\Orkvane.exe", {}, {}, false, L""},
        {"a network drive is never offline",
         L"G:\\OrkvaneOffline\\Orkvane.exe",
         {L"G:\\OrkvaneOffline"},
         {},
         false,
         L""},
        {"a failed detection keeps the stored root",
         L"G:\\OrkvaneOffline\\Orkvane.exe",
         {L"G:\\OrkvaneOffline"},
         {{L"OfflineRoot", String(L"F:\\ancien")}},
         false,
         L"F:\\ancien"},
        {"a stored OfflineMode skips the detection",
         L"E:\\OrkvaneOffline\\Orkvane.exe",
         {L"E:\\OrkvaneOffline"},
         {{L"OfflineMode", Dword(0)}},
         false,
         L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryCleaner cleaner;
        RemoveDriveFolders();
        for (const wchar_t* folder : c.catalogFolders) {
            CreateFolderPath(folder);
            WriteFileBytes(JoinPath(folder, L"catalog.json"), "{}");
        }
        for (const auto& [name, value] : c.stored) PutSetting(name, value);

        ProbeReport report;
        RunProbeAt(c.exePath, report);
        RemoveDriveFolders();
        if (HasFatalFailure()) return;

        EXPECT_EQ(report.offlineMode, c.offline);
        EXPECT_EQ(report.offlineModeShared, c.offline);
        EXPECT_EQ(report.offlineRoot, c.root);
        EXPECT_EQ(report.statusText, c.offline ? W("Chargement du catalogue USB…") : L"Chargement du catalogue OVH...");
        // The outcome is remembered at once.
        EXPECT_TRUE(RawEquals(GetSetting(L"OfflineMode"), Dword(c.offline ? 1 : 0)))
            << Describe(GetSetting(L"OfflineMode"));
        EXPECT_TRUE(RawEquals(GetSetting(L"OfflineRoot"), String(c.root))) << Describe(GetSetting(L"OfflineRoot"));
    }
}

// On a fixed disk another user may have made the folder, or may change its
// catalogue: it is taken only when the program lies in it and only the user
// (with SYSTEM and the Administrators) can write it. A USB key is the user's.
TEST(OfflineDetection, FixedDiskFolderMustHoldTheProgramAndBeTheUsersOwn) {
    struct Case {
        const char* what;
        const wchar_t* exePath;
        const wchar_t* catalogFolder;
        std::vector<const wchar_t*> openToEveryone;
        bool offline;
    };
    const Case cases[] = {
        {"a shared folder's OrkvaneOffline, started from a folder beside it",
         L"F:\\Public\\Downloads\\Orkvane.exe",
         L"F:\\Public\\OrkvaneOffline",
         {},
         false},
        {"an OrkvaneOffline beside the program", L"F:\\a\\Orkvane.exe", L"F:\\a\\OrkvaneOffline", {}, false},
        {"the program in the folder", L"F:\\OrkvaneOffline\\Orkvane.exe", L"F:\\OrkvaneOffline", {}, true},
        {"the program in its outils folder",
         L"F:\\OrkvaneOffline\\outils\\Orkvane.exe",
         L"F:\\OrkvaneOffline",
         {},
         true},
        {"the folder writable by others",
         L"F:\\OrkvaneOffline\\Orkvane.exe",
         L"F:\\OrkvaneOffline",
         {L"F:\\OrkvaneOffline"},
         false},
        {"the catalogue writable by others",
         L"F:\\OrkvaneOffline\\outils\\Orkvane.exe",
         L"F:\\OrkvaneOffline",
         {L"F:\\OrkvaneOffline\\catalog.json"},
         false},
        {"a USB key keeps its rules",
         L"E:\\a\\b\\Orkvane.exe",
         L"E:\\OrkvaneOffline",
         {L"E:\\OrkvaneOffline", L"E:\\OrkvaneOffline\\catalog.json"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryCleaner cleaner;
        RemoveDriveFolders();
        RemoveTree(L"F:\\Public");
        CreateFolderPath(c.catalogFolder);
        WriteFileBytes(JoinPath(c.catalogFolder, L"catalog.json"), "{}");
        CreateFolderPath(ParentFolder(c.exePath));
        for (const wchar_t* path : c.openToEveryone) GrantEveryoneFullControl(path);

        ProbeReport report;
        RunProbeAt(c.exePath, report);
        RemoveDriveFolders();
        RemoveTree(L"F:\\Public");
        if (HasFatalFailure()) return;

        EXPECT_EQ(report.offlineMode, c.offline);
        EXPECT_EQ(report.offlineRoot, c.offline ? std::wstring(c.catalogFolder) : L"");
        EXPECT_TRUE(RawEquals(GetSetting(L"OfflineMode"), Dword(c.offline ? 1 : 0)))
            << Describe(GetSetting(L"OfflineMode"));
    }
}

// What the organisation's policies leave to the detection at the first start.
TEST(OfflineDetection, FollowsThePolicies) {
    struct Case {
        const char* what;
        const wchar_t* exePath;
        std::vector<const wchar_t*> catalogFolders;
        std::vector<std::pair<const wchar_t*, RawValue>> policies;
        bool offline;
        std::wstring root;
        std::optional<RawValue> offlineModeWritten;
    };
    const Case cases[] = {
        {"detection switched off",
         L"E:\\OrkvaneOffline\\Orkvane.exe",
         {L"E:\\OrkvaneOffline"},
         {{L"DetectOfflineFolder", Dword(0)}},
         false,
         L"",
         Dword(0)},
        {"detection allowed",
         L"E:\\OrkvaneOffline\\Orkvane.exe",
         {L"E:\\OrkvaneOffline"},
         {{L"DetectOfflineFolder", Dword(1)}},
         true,
         L"E:\\OrkvaneOffline",
         Dword(1)},
        {"fixed disks refused",
         L"F:\\OrkvaneOffline\\Orkvane.exe",
         {L"F:\\OrkvaneOffline"},
         {{L"AllowFixedDiskOffline", Dword(0)}},
         false,
         L"",
         Dword(0)},
        {"a USB key with fixed disks refused",
         L"E:\\a\\Orkvane.exe",
         {L"E:\\OrkvaneOffline"},
         {{L"AllowFixedDiskOffline", Dword(0)}},
         true,
         L"E:\\OrkvaneOffline",
         Dword(1)},
        {"a folder other than the imposed one",
         L"E:\\OrkvaneOffline\\Orkvane.exe",
         {L"E:\\OrkvaneOffline", L"E:\\a"},
         {{L"OfflineRoot", String(L"E:\\a")}},
         false,
         L"E:\\a",
         Dword(0)},
        {"the imposed folder itself",
         L"E:\\OrkvaneOffline\\Orkvane.exe",
         {L"E:\\OrkvaneOffline"},
         {{L"OfflineRoot", String(L"E:\\")}},
         true,
         L"E:\\",
         Dword(1)},
        {"an imposed source",
         L"E:\\OrkvaneOffline\\Orkvane.exe",
         {L"E:\\OrkvaneOffline"},
         {{L"OfflineMode", Dword(0)}},
         false,
         L"",
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryCleaner cleaner;
        PolicyCleaner policyCleaner;
        RemoveDriveFolders();
        for (const wchar_t* folder : c.catalogFolders) {
            CreateFolderPath(folder);
            WriteFileBytes(JoinPath(folder, L"catalog.json"), "{}");
        }
        for (const auto& [name, value] : c.policies) PutPolicy(HKEY_LOCAL_MACHINE, name, value);

        ProbeReport report;
        RunProbeAt(c.exePath, report);
        RemoveDriveFolders();
        if (HasFatalFailure()) return;

        EXPECT_EQ(report.offlineMode, c.offline);
        EXPECT_EQ(report.offlineRoot, c.root);
        std::optional<RawValue> written = GetSetting(L"OfflineMode");
        if (c.offlineModeWritten) {
            EXPECT_TRUE(RawEquals(written, *c.offlineModeWritten)) << Describe(written);
        } else {
            EXPECT_FALSE(written) << "a forced value was saved";
        }
        // An imposed folder is never written as the user's.
        bool rootImposed = false;
        for (const auto& policy : c.policies) rootImposed |= std::wstring(policy.first) == L"OfflineRoot";
        if (rootImposed) {
            EXPECT_FALSE(GetSetting(L"OfflineRoot")) << Describe(GetSetting(L"OfflineRoot"));
        }
    }
}

}  // namespace
