// The user's settings, kept under HKCU\Software\Tramweld\Orkvane, read once at
// start-up (with the policies of app/policies.h, whose values win) and only
// written afterwards, never where a policy forces the value; the autostart Run
// value; the Windows light/dark preference.
#pragma once

#include <atomic>
#include <string>

#include "base/id_set.h"

enum class ThemeChoice : unsigned long { System = 0, Light = 1, Dark = 2 };

struct Settings {
    bool startup = true;
    bool updateChecks = true;
    bool desktopShortcut = false;
    bool menuShortcut = true;
    unsigned long long lastCheck = 0;
    bool offlineMode = false;
    std::wstring offlineRoot;
    ThemeChoice themeMode = ThemeChoice::System;
    // The 24-hour check installs the updates itself instead of announcing them.
    bool autoUpdate = false;
    // The highest catalogue serial a signed build verified, per source: a USB
    // key may rightly lag behind the web host, but not behind itself.
    unsigned long long onlineCatalogSerial = 0;
    unsigned long long offlineCatalogSerial = 0;
    // Tools kept at their installed version by the user (app/tool_holds.h).
    IdSet heldTools;
};

inline constexpr wchar_t kSettingsKeyPath[] = L"Software\\Tramweld\\Orkvane";
inline constexpr wchar_t kRunKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunValueName[] = L"Orkvane";

void LoadSettings();
void SaveSettings();
void SaveOfflineSettings();
void SaveThemeMode();
// Writes "AutoUpdate" alone, as the Options dialog saves it (never when a
// policy forces it): the value exists only once the user has chosen.
void SaveAutoUpdate();
// Writes "OnlineCatalogSerial" and "OfflineCatalogSerial".
void SaveCatalogSerials();
bool SetAutostart(bool enable);
// The same for the installed copy whichever copy runs: the command line's
// install and removal of the program.
bool WriteAutostart(bool enable);
bool SystemPrefersDark();

// The 24-hour rule: due when lastCheck is 0, or when `now` is not earlier than
// it and at least 864,000,000,000 units (24 h) have passed.
bool IsCheckDue(unsigned long long lastCheck, unsigned long long now);
