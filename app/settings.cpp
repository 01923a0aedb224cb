// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "app/settings.h"

std::atomic<bool> offlineModeShared{false};
void LoadSettings() {}
void SaveSettings() {}
void SaveOfflineSettings() {}
void SaveThemeMode() {}
bool SetAutostart(bool) { return true; }
bool SystemPrefersDark() { return false; }
bool DetectOfflineRoot() { return false; }
bool IsCheckDue(unsigned long long, unsigned long long) { return false; }
