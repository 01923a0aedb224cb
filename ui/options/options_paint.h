// What the Options dialog keeps while it is open (fonts and brushes among
// it), and how the dialog is painted.
#pragma once

#include <windows.h>

#include "app/settings.h"
#include "base/handles.h"

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

void CreateOptionsFonts(HWND dialog, OptionsDialogState& state);
void CreateOptionsBrushes(OptionsDialogState& state);
void PaintOptionsDialog(HWND dialog, const OptionsDialogState& state);
void MeasureOptionsItem(HWND dialog, MEASUREITEMSTRUCT& item);
void DrawOptionsItem(const OptionsDialogState& state, const DRAWITEMSTRUCT& item);
// `control` is the control about to paint: those outside the panels take the
// dialog's background.
INT_PTR ColorOptionsControl(const OptionsDialogState& state, HDC dc, HWND control);
