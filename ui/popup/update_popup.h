// The update notification popup in the bottom-right corner.
#pragma once

#include <windows.h>

#include <string>

#include "app/view_records.h"

void ShowUpdatePopup();
void CloseUpdatePopup();
int FindPopupEntry(const PopupItem& item);
LRESULT CALLBACK UpdatePopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The three lines the popup paints for the item shown: the count of updates,
// the entry's name and its position. name and position are empty when
// popupIndex is past the end of the list.
struct PopupLines {
    std::wstring headline;
    std::wstring name;
    std::wstring position;
};
PopupLines ComposePopupLines();
