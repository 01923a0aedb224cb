// The main window without a mouse: moving the keyboard focus over the header
// buttons, the cards and an expanded card's buttons, pressing them, and the
// focus cues that show it. The credit link's Tab and the Escape key keep their
// own handling in the window procedure; this gets only what that leaves.
#pragma once

#include <windows.h>

#include "app/view_records.h"

// WM_KEYDOWN keys the window procedure did not handle; true when used here.
// `flags` is the message's lParam (bit 30: the key was already down).
bool OnNavigationKey(HWND window, WPARAM key, LPARAM flags);
// WM_SYSKEYDOWN: Shift+F10 opens the focused card's menu.
bool OnNavigationSysKey(HWND window, WPARAM key);
// WM_KEYUP: the menu key acted when pressed, so its release must not ask the
// default handling for a second context menu.
bool SwallowsKeyUp(WPARAM key);
// A mouse press hides the focus cues and moves the focus to a clicked card.
void OnPointerPress(HWND window, POINT point);

// Focus cues, following the window's UI state (hidden until the keyboard is
// used, hidden again by a mouse click).
void OnChangeUiState(HWND window, WPARAM wParam);
void OnUpdateUiState(HWND window, WPARAM wParam);

// Moves the keyboard focus, repaints, and tells screen readers.
void SetKeyboardFocus(HWND window, const KeyboardFocus& focus);

// Presses an element as a click on it would: a button of the window or of a
// card, the credit link, or a card, which expands or collapses.
void PressElement(const ElementId& element);

// Tab moves the focus to the credit link, and back to the element it came
// from (of the header, the list or the status strip).
void TabToOrFromCreditLink();
// Escape, an arrow, a click or the window's loss of the focus give the focus
// back from the credit link; nothing when the link does not have it.
void LeaveCreditLink();
