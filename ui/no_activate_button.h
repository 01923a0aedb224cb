// A BUTTON child that a click presses without taking the keyboard focus, for
// windows that must never become active (the update popup).
#pragma once

#include <windows.h>

// Takes over the button's mouse handling: press, capture and release are done
// here and the parent gets the usual WM_COMMAND/BN_CLICKED, but the button
// never calls SetFocus, which would activate its window.
void MakeNoActivateButton(HWND button);
