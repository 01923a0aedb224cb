#include "tests/support/window_classes.h"

#include <gtest/gtest.h>

#include "base/constants.h"
#include "ui/popup/update_popup.h"

bool RegisterTestWindowClass(const wchar_t* name, WNDPROC procedure, UINT style) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    if (GetClassInfoExW(instance, name, &windowClass)) return true;
    windowClass = WNDCLASSEXW{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass) != 0;
}

void RegisterPopupClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    if (GetClassInfoExW(instance, kPopupWindowClass, &windowClass)) return;
    windowClass = WNDCLASSEXW{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DROPSHADOW;
    windowClass.lpfnWndProc = UpdatePopupProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kPopupWindowClass;
    if (RegisterClassExW(&windowClass) == 0) ADD_FAILURE() << "the popup's class, error " << GetLastError();
}
