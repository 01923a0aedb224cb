// Every message box of the program goes through here, titled "Orkvane", so
// that the tests can answer it instead of a person.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

int ShowMessageBox(HWND owner, const std::wstring& text, UINT flags);

// Tests install a responder that records the box and returns the button.
using MessageBoxResponder = std::function<int(HWND owner, const std::wstring& text, UINT flags)>;
void SetMessageBoxResponder(MessageBoxResponder responder);
