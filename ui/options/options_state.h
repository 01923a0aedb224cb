// What the Options dialog keeps while it is open, and the pieces of the dialog
// that live in their own files.
#pragma once

#include <windows.h>

#include <string>

#include "app/handles.h"
#include "app/settings.h"

struct OptionsDialogState {
    int tab = 0;  // 0 "Général", 1 "Avancé"
    ThemeChoice themeAtOpen = ThemeChoice::System;
    bool saved = false;
    bool modeless = false;
    UniqueFont headerFont;
    UniqueFont sectionFont;
    UniqueFont textFont;
    UniqueFont noteFont;
    UniqueBrush surfaceBrush;
    UniqueBrush windowBrush;
};

OptionsDialogState* GetOptionsState(HWND dialog);
// Ends the dialog with `result`; a modeless one is destroyed at once, so the
// state must not be used afterwards.
void EndOptionsDialog(HWND dialog, int result);

// Fonts, brushes and painting (options_paint.cpp).
void CreateOptionsFonts(HWND dialog, OptionsDialogState& state);
void CreateOptionsBrushes(OptionsDialogState& state);
void PaintOptionsDialog(HWND dialog, const OptionsDialogState& state);
void MeasureOptionsItem(HWND dialog, MEASUREITEMSTRUCT& item);
void DrawOptionsItem(const OptionsDialogState& state, const DRAWITEMSTRUCT& item);
// `control` is the control about to paint: those outside the panels take the
// dialog's background.
INT_PTR ColorOptionsControl(const OptionsDialogState& state, HDC dc, HWND control);

// The save steps of "Enregistrer" (options_save.cpp).
void SaveOptions(HWND dialog, OptionsDialogState& state);

// The folder buttons (options_folders.cpp).
void BrowseOfflineFolder(HWND dialog);
void OpenAppsFolder(HWND dialog);

// What the organisation's policies fix (options_policies.cpp): whether the
// control with this id is locked, and whether tab 0 or 1 shows such a control.
bool PolicyFixesControl(int id);
bool TabHasFixedControl(int tab);

// "Copier les informations de diagnostic" (options_diagnostics.cpp).
void CopyDiagnostics(HWND dialog);
