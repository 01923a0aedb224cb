// The update notification popup in the bottom-right corner.
#pragma once

#include <windows.h>

#include "ui/popup_item.h"

void ShowUpdatePopup();
void CloseUpdatePopup();
int FindPopupEntry(const PopupItem& item);
LRESULT CALLBACK UpdatePopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
