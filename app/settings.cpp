#include "app/settings.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <optional>
#include <vector>

#include "app/policies.h"
#include "app/state.h"
#include "app/tool_holds.h"
#include "base/error.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/worker_shared.h"
#include "catalog/offline_source.h"
#include "catalog/offline_trust.h"
#include "catalog/utf8.h"


namespace {

constexpr wchar_t kStartupValue[] = L"Startup";
constexpr wchar_t kUpdateChecksValue[] = L"UpdateChecks";
constexpr wchar_t kDesktopShortcutValue[] = L"DesktopShortcut";
constexpr wchar_t kMenuShortcutValue[] = L"MenuShortcut";
constexpr wchar_t kLastCheckValue[] = L"LastCheck";
constexpr wchar_t kOfflineModeValue[] = L"OfflineMode";
constexpr wchar_t kOfflineRootValue[] = L"OfflineRoot";
constexpr wchar_t kThemeModeValue[] = L"ThemeMode";
constexpr wchar_t kAutoUpdateValue[] = L"AutoUpdate";
constexpr wchar_t kOnlineCatalogSerialValue[] = L"OnlineCatalogSerial";
constexpr wchar_t kOfflineCatalogSerialValue[] = L"OfflineCatalogSerial";

constexpr wchar_t kPersonalizeKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kAppsUseLightThemeValue[] = L"AppsUseLightTheme";

// 32,768 UTF-16 units including the terminator; a longer OfflineRoot does not fit.
constexpr DWORD kRootBufferUnits = 32768;

// 24 hours in file-time units (100 ns), minus one: a check is due past this.
constexpr unsigned long long kCheckIntervalMinusOne = 863999999999ULL;

// A DWORD read restricted to REG_DWORD. The size is checked as well: Wine hands
// back a 2-byte REG_DWORD with success.
std::optional<DWORD> ReadDword(const wchar_t* keyPath, const wchar_t* name, DWORD preset = 0) {
    DWORD value = preset;
    DWORD size = sizeof(value);
    LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, keyPath, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    if (status != ERROR_SUCCESS || size != sizeof(value)) return std::nullopt;
    return value;
}

std::optional<unsigned long long> ReadQword(const wchar_t* name) {
    unsigned long long value = 0;
    DWORD size = sizeof(value);
    LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, name, RRF_RT_REG_QWORD, nullptr, &value, &size);
    if (status != ERROR_SUCCESS || size != sizeof(value)) return std::nullopt;
    return value;
}

std::optional<std::wstring> ReadString(const wchar_t* keyPath, const wchar_t* name) {
    std::vector<wchar_t> buffer(kRootBufferUnits, L'\0');
    DWORD size = kRootBufferUnits * sizeof(wchar_t);
    LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, keyPath, name, RRF_RT_REG_SZ, nullptr, buffer.data(), &size);
    if (status != ERROR_SUCCESS) return std::nullopt;
    size_t units = std::min<size_t>(size / sizeof(wchar_t), kRootBufferUnits);
    return std::wstring(buffer.data(), wcsnlen(buffer.data(), units));
}

bool ValueExists(const wchar_t* keyPath, const wchar_t* name) {
    return RegGetValueW(HKEY_CURRENT_USER, keyPath, name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void ReadFlag(const wchar_t* name, bool& field) {
    if (std::optional<DWORD> value = ReadDword(kSettingsKeyPath, name)) field = *value != 0;
}

// A forced value replaces the user's in memory only: the user's own stays in
// the registry, so that removing the policy gives the choice back.
void ApplyForcedFlag(const Policies& policies, PolicyId id, bool& field) {
    if (std::optional<bool> forced = policies.Flag(id)) field = *forced;
}

void ApplyForcedSettings(const Policies& policies, Settings& settings) {
    ApplyForcedFlag(policies, PolicyId::Startup, settings.startup);
    ApplyForcedFlag(policies, PolicyId::UpdateChecks, settings.updateChecks);
    ApplyForcedFlag(policies, PolicyId::DesktopShortcut, settings.desktopShortcut);
    ApplyForcedFlag(policies, PolicyId::MenuShortcut, settings.menuShortcut);
    ApplyForcedFlag(policies, PolicyId::AutoUpdate, settings.autoUpdate);
    if (const PolicyValue* theme = policies.Find(PolicyId::ThemeMode))
        settings.themeMode = static_cast<ThemeChoice>(theme->number);
}

// Saving never writes a forced value.
bool Forced(PolicyId id) { return g_state.policies.Forces(id); }

// A key of the current user opened for writing, created when missing; empty on failure.
UniqueRegKey OpenKeyForWrite(const wchar_t* keyPath) {
    UniqueRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
        key.release();  // nothing was opened; never close what a failed call left there
    return key;
}

// Registry writes are fire-and-forget: a failed value is not reported.
void WriteDword(HKEY key, const wchar_t* name, DWORD value) {
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

void WriteFlag(HKEY key, const wchar_t* name, bool value) { WriteDword(key, name, value ? 1 : 0); }

void WriteUnforcedFlag(HKEY key, PolicyId id, const wchar_t* name, bool value) {
    if (!Forced(id)) WriteFlag(key, name, value);
}

void WriteQword(HKEY key, const wchar_t* name, unsigned long long value) {
    RegSetValueExW(key, name, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

// REG_SZ with the terminating NUL counted in the size.
LSTATUS WriteString(HKEY key, const wchar_t* name, const std::wstring& text) {
    DWORD size = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), size);
}

}  // namespace

// The offline folder found beside the program, as far as the policies allow:
// only the organisation's folder may be found when one is imposed.
bool DetectOfflineRootBesideProgram(Settings& settings, const Policies& policies) {
    const PolicyValue* forcedRoot = policies.Find(PolicyId::OfflineRoot);
    std::wstring root;
    try {
        root = DetectOfflineRoot(GetOwnExePath(), policies.Allows(PolicyId::AllowFixedDiskOffline),
                                 forcedRoot != nullptr ? forcedRoot->text : std::wstring());
    } catch (const AppError&) {
        return false;
    }
    if (root.empty()) return false;
    if (forcedRoot == nullptr) settings.offlineRoot = root;
    return true;
}

void LoadSettings() {
    Settings& settings = g_state.settings;
    g_state.policies = ReadPolicies();
    const Policies& policies = g_state.policies;

    ReadFlag(kStartupValue, settings.startup);
    ReadFlag(kUpdateChecksValue, settings.updateChecks);
    ReadFlag(kDesktopShortcutValue, settings.desktopShortcut);
    ReadFlag(kMenuShortcutValue, settings.menuShortcut);
    ReadFlag(kAutoUpdateValue, settings.autoUpdate);

    if (std::optional<unsigned long long> lastCheck = ReadQword(kLastCheckValue)) settings.lastCheck = *lastCheck;
    unsigned long long now = NowFileTime();
    if (now < settings.lastCheck) settings.lastCheck = now;

    std::optional<DWORD> offlineMode = ReadDword(kSettingsKeyPath, kOfflineModeValue);
    if (std::optional<std::wstring> root = ReadString(kSettingsKeyPath, kOfflineRootValue))
        settings.offlineRoot = *root;
    if (const PolicyValue* forcedRoot = policies.Find(PolicyId::OfflineRoot)) settings.offlineRoot = forcedRoot->text;

    if (std::optional<bool> forcedMode = policies.Flag(PolicyId::OfflineMode))
        settings.offlineMode = *forcedMode;
    else if (offlineMode)
        settings.offlineMode = *offlineMode == 1;
    else
        settings.offlineMode = policies.Allows(PolicyId::DetectOfflineFolder) &&
                               DetectOfflineRootBesideProgram(settings, policies);

    offlineModeShared.exchange(settings.offlineMode);
    // Remembers a detected folder, and makes "OfflineMode" exist from now on.
    SaveOfflineSettings();

    if (settings.offlineMode) g_state.statusText = Utf8ToWide(msg::kStatusLoadingUsb);

    std::optional<DWORD> theme = ReadDword(kSettingsKeyPath, kThemeModeValue);
    if (theme && *theme <= static_cast<DWORD>(ThemeChoice::Dark)) settings.themeMode = static_cast<ThemeChoice>(*theme);
    ApplyForcedSettings(policies, settings);

    if (std::optional<unsigned long long> serial = ReadQword(kOnlineCatalogSerialValue))
        settings.onlineCatalogSerial = *serial;
    if (std::optional<unsigned long long> serial = ReadQword(kOfflineCatalogSerialValue))
        settings.offlineCatalogSerial = *serial;
    settings.heldTools = ReadHeldTools();
}

void SaveSettings() {
    UniqueRegKey key = OpenKeyForWrite(kSettingsKeyPath);
    if (!key) return;
    const Settings& settings = g_state.settings;
    WriteUnforcedFlag(key.get(), PolicyId::Startup, kStartupValue, settings.startup);
    WriteUnforcedFlag(key.get(), PolicyId::UpdateChecks, kUpdateChecksValue, settings.updateChecks);
    WriteUnforcedFlag(key.get(), PolicyId::DesktopShortcut, kDesktopShortcutValue, settings.desktopShortcut);
    WriteUnforcedFlag(key.get(), PolicyId::MenuShortcut, kMenuShortcutValue, settings.menuShortcut);
    WriteQword(key.get(), kLastCheckValue, settings.lastCheck);
}

void SaveOfflineSettings() {
    UniqueRegKey key = OpenKeyForWrite(kSettingsKeyPath);
    if (!key) return;
    WriteUnforcedFlag(key.get(), PolicyId::OfflineMode, kOfflineModeValue, g_state.settings.offlineMode);
    if (!Forced(PolicyId::OfflineRoot)) WriteString(key.get(), kOfflineRootValue, g_state.settings.offlineRoot);
}

void SaveThemeMode() {
    if (Forced(PolicyId::ThemeMode)) return;
    UniqueRegKey key = OpenKeyForWrite(kSettingsKeyPath);
    if (!key) return;
    WriteDword(key.get(), kThemeModeValue, static_cast<DWORD>(g_state.settings.themeMode));
}

void SaveAutoUpdate() {
    if (Forced(PolicyId::AutoUpdate)) return;
    UniqueRegKey key = OpenKeyForWrite(kSettingsKeyPath);
    if (!key) return;
    WriteFlag(key.get(), kAutoUpdateValue, g_state.settings.autoUpdate);
}

void SaveCatalogSerials() {
    UniqueRegKey key = OpenKeyForWrite(kSettingsKeyPath);
    if (!key) return;
    WriteQword(key.get(), kOnlineCatalogSerialValue, g_state.settings.onlineCatalogSerial);
    WriteQword(key.get(), kOfflineCatalogSerialValue, g_state.settings.offlineCatalogSerial);
}

bool SetAutostart(bool enable) {
    // A portable copy never registers itself, nor removes the installed copy's entry.
    if (!g_state.installedMode) return true;
    return WriteAutostart(enable);
}

bool WriteAutostart(bool enable) {
    std::wstring command;
    if (enable) {
        try {
            command = L"\"" + GetInstalledExePath() + L"\" --minimized";
        } catch (const AppError&) {
            return false;
        }
    }
    // The Run key is written only to change it: where it cannot be written
    // (locked by policy), an entry already right is no failure.
    bool alreadyRight = enable ? ReadString(kRunKeyPath, kRunValueName) == command
                               : !ValueExists(kRunKeyPath, kRunValueName);
    if (alreadyRight) return true;

    UniqueRegKey key = OpenKeyForWrite(kRunKeyPath);
    if (!key) return false;
    if (enable) return WriteString(key.get(), kRunValueName, command) == ERROR_SUCCESS;
    LSTATUS status = RegDeleteValueW(key.get(), kRunValueName);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool SystemPrefersDark() {
    std::optional<DWORD> light = ReadDword(kPersonalizeKeyPath, kAppsUseLightThemeValue, 1);
    return light && *light == 0;
}

bool IsCheckDue(unsigned long long lastCheck, unsigned long long now) {
    return lastCheck == 0 || (now >= lastCheck && now - lastCheck > kCheckIntervalMinusOne);
}
