// The Options dialog (resource 200).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/options/options_paint.h"

// Opens the dialog over the main window, or brings the open one forward.
void ShowOptionsDialog();
INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Init parameter for a dialog made with CreateDialogParamW instead of
// DialogBoxParamW: with no modal loop of its own, it destroys itself when it
// ends instead of calling EndDialog.
inline constexpr LPARAM kOptionsDialogModeless = 1;

// Asks for the offline folder ("Parcourir…"); returns an empty path when the
// user cancels. Without a picker of its own, the dialog asks the shell.
using FolderPicker = std::function<std::wstring(HWND owner)>;
void SetFolderPicker(FolderPicker picker);

OptionsDialogState* GetOptionsState(HWND dialog);
// Ends the dialog with `result`; a modeless one is destroyed at once, so the
// state must not be used afterwards.
void EndOptionsDialog(HWND dialog, int result);
