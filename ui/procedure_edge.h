// Where our window and dialog procedures meet user32. A C++ exception must
// not unwind through user32's frames, which are not ours and may be left half
// way (a lock held, a message half sent): every procedure runs its body
// through one of these. An unexpected exception stops here, nothing is shown,
// and the message counts as not handled.
#pragma once

#include <windows.h>

// Returns what `body` returns, or what `notDone` returns when `body` throws.
template <typename Body, typename NotDone>
auto StopAtProcedureEdge(Body&& body, NotDone&& notDone) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        return notDone();
    }
}

// A window procedure: when `body` throws, the answer is DefWindowProc's.
template <typename Body>
LRESULT WindowProcedureEdge(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Body&& body) noexcept {
    return StopAtProcedureEdge(body, [&] { return DefWindowProcW(window, message, wParam, lParam); });
}

// A dialog procedure: when `body` throws, the answer is FALSE, not handled,
// and the dialog manager does its default.
template <typename Body>
INT_PTR DialogProcedureEdge(Body&& body) noexcept {
    return StopAtProcedureEdge(body, [] { return static_cast<INT_PTR>(FALSE); });
}
