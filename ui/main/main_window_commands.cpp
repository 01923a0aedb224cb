// The two window classes, and the calls that lower rooms of ui/ make upward.
#include <windows.h>

#include "base/constants.h"
#include "ui/accessibility/accessibility.h"
#include "ui/jobs/tool_operation.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_commands.h"
#include "ui/main/tray_icon.h"
#include "ui/popup/update_popup.h"
#include "ui/upward_calls.h"

bool RegisterWindowClasses(HINSTANCE instance, HICON icon) {
    UpwardCalls calls;
    calls.startToolOperation = StartToolOperation;
    calls.showUpdatePopup = ShowUpdatePopup;
    calls.closeUpdatePopup = CloseUpdatePopup;
    calls.updateTrayTooltip = UpdateTrayTooltip;
    calls.reportAccessibleChanges = ReportAccessibleChanges;
    SetUpwardCalls(calls);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hIconSm = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // No background brush: the window paints its whole client area itself.
    windowClass.lpszClassName = kMainWindowClass;
    if (RegisterClassExW(&windowClass) == 0) return false;

    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DROPSHADOW;
    windowClass.lpfnWndProc = UpdatePopupProc;
    windowClass.lpszClassName = kPopupWindowClass;
    RegisterClassExW(&windowClass);  // the program runs on without its popup
    return true;
}
