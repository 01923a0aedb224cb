// The Options dialog's folder buttons.
#pragma once

#include <windows.h>

void BrowseOfflineFolder(HWND dialog);
void OpenAppsFolder(HWND dialog);
