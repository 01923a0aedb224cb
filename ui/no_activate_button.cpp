#include "ui/no_activate_button.h"

#include <windowsx.h>

#include "ui/procedure_edge.h"

// Plain subclassing rather than the common controls' SetWindowSubclass: the
// program then starts without loading comctl32 (5 MiB of working set under
// Wine) for a button it may never show.
namespace {

constexpr wchar_t kButtonProcProperty[] = L"OrkvaneButtonProc";

WNDPROC ButtonProc(HWND button) { return reinterpret_cast<WNDPROC>(GetPropW(button, kButtonProcProperty)); }

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

LRESULT HandleButtonMessage(HWND button, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC original) {
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
    case WM_NCDESTROY:
        SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropW(button, kButtonProcProperty);
        break;
    default: break;
    }
    return CallWindowProcW(original, button, message, wParam, lParam);
}

// Not handled here means handled by the button's own procedure.
LRESULT CALLBACK NoActivateButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC original = ButtonProc(button);
    return StopAtProcedureEdge([&] { return HandleButtonMessage(button, message, wParam, lParam, original); },
                               [&] { return CallWindowProcW(original, button, message, wParam, lParam); });
}

}  // namespace

void MakeNoActivateButton(HWND button) {
    if (ButtonProc(button) != nullptr) return;  // already taken over
    const LONG_PTR original = GetWindowLongPtrW(button, GWLP_WNDPROC);
    if (!SetPropW(button, kButtonProcProperty, reinterpret_cast<HANDLE>(original))) return;
    SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NoActivateButtonProc));
}
