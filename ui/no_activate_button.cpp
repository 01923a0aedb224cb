#include "ui/no_activate_button.h"

#include <commctrl.h>
#include <windowsx.h>

namespace {

constexpr UINT_PTR kSubclassId = 1;

bool PointerInside(HWND button, LPARAM lParam) {
    RECT client{};
    GetClientRect(button, &client);
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return PtInRect(&client, point) != FALSE;
}

void Press(HWND button, bool pressed) { SendMessageW(button, BM_SETSTATE, pressed ? TRUE : FALSE, 0); }

void Release(HWND button, LPARAM lParam) {
    if (GetCapture() != button) return;
    bool inside = PointerInside(button, lParam);
    ReleaseCapture();  // WM_CAPTURECHANGED draws the button released
    if (!inside) return;
    // The parent may destroy the button here: nothing touches it afterwards.
    SendMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

LRESULT CALLBACK NoActivateButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR) {
    switch (message) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetCapture(button);
        Press(button, true);
        return 0;
    case WM_MOUSEMOVE:
        if (GetCapture() == button) Press(button, PointerInside(button, lParam));
        return 0;
    case WM_LBUTTONUP: Release(button, lParam); return 0;
    case WM_CAPTURECHANGED: Press(button, false); return 0;
    case WM_NCDESTROY: RemoveWindowSubclass(button, NoActivateButtonProc, kSubclassId); break;
    default: break;
    }
    return DefSubclassProc(button, message, wParam, lParam);
}

}  // namespace

void MakeNoActivateButton(HWND button) { SetWindowSubclass(button, NoActivateButtonProc, kSubclassId, 0); }
