// Fixed names and numbers of the program.
#pragma once

#include <windows.h>

#include "orkvane_version.h"

// The project's version in CMakeLists.txt, as the footer shows it.
inline constexpr wchar_t kVersionText[] = ORKVANE_VERSION_TEXT;
inline constexpr wchar_t kOwnAppId[] = L"Orkvane";
inline constexpr wchar_t kInstallFolderName[] = L"Kest_Tools";
inline constexpr wchar_t kAppsFolderName[] = L"Apps";
inline constexpr wchar_t kInstalledExeName[] = L"Orkvane.exe";

inline constexpr wchar_t kMainWindowClass[] = L"Orkvane_Native_Window";
inline constexpr wchar_t kPopupWindowClass[] = L"Orkvane_UpdatePopup";
inline constexpr wchar_t kMainWindowTitle[] = L"Orkvane";
inline constexpr wchar_t kInstanceMutexName[] = L"Local\\Orkvane_Installed_Instance";
// Held around every change to the tools and to the program's own copy, by the
// window and the command line alike, so that only one runs at a time.
inline constexpr wchar_t kOperationMutexName[] = L"Local\\Orkvane_Operation";
inline constexpr wchar_t kInstalledProperty[] = L"KestInstalled";
inline constexpr wchar_t kMinimizedSwitch[] = L"--minimized";
inline constexpr wchar_t kMessageBoxTitle[] = L"Orkvane";

inline constexpr int kAppIconId = 101;
inline constexpr int kOptionsDialogId = 200;

// Private window messages.
inline constexpr UINT WM_APP_CATALOG_READY = WM_APP + 1;
inline constexpr UINT WM_APP_ICONS_READY = WM_APP + 2;
inline constexpr UINT WM_APP_OPERATION_DONE = WM_APP + 3;
inline constexpr UINT WM_APP_TRAY = WM_APP + 4;
inline constexpr UINT WM_APP_SHOW_MAIN = WM_APP + 5;
inline constexpr UINT WM_APP_UNINSTALL_SELF = WM_APP + 6;
inline constexpr UINT WM_APP_THEME_CHANGED = WM_APP + 7;
// Operation worker → main window: a ProgressReport.
inline constexpr UINT WM_APP_PROGRESS = WM_APP + 8;
// Another process (the command line) changed the Apps folder: the window
// reads the installed states again. Carries nothing.
inline constexpr UINT WM_APP_APPS_CHANGED = WM_APP + 9;

inline constexpr UINT_PTR kUpdateTimerId = 24;
inline constexpr UINT kUpdateTimerPeriodMs = 60000;

// Size limits of what the program reads whole into memory.
inline constexpr unsigned long long kCatalogSizeLimit = 0x400000;  // 4 MiB
inline constexpr unsigned long long kIconSizeLimit = 0x800000;     // 8 MiB

// Windows' list of installed apps ("Applications installées"): the program's
// own entry and one per installed tool, under the current user's Uninstall
// key, and the switches their uninstall commands pass to the installed program.
inline constexpr wchar_t kPublisherName[] = L"Tramweld";
inline constexpr wchar_t kUninstallKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr wchar_t kRemoveSelfSwitch[] = L"--remove-self";
inline constexpr wchar_t kUninstallSwitch[] = L"--uninstall";
inline constexpr wchar_t kConfirmSwitch[] = L"--confirm";
