// Colours, fonts and dpi scaling shared by every window (ui/jobs/theme_apply.h
// picks the palette and applies it).
#pragma once

#include <windows.h>

struct Palette {
    COLORREF window;
    COLORREF surface;
    COLORREF buttonDisabled;
    COLORREF footer;
    COLORREF text;
    COLORREF textMuted;
    COLORREF border;
    COLORREF accent;
    COLORREF accentHover;
    COLORREF onAccent;
    COLORREF groupHeader;
    COLORREF statusFill;
    COLORREF hover;
    COLORREF selected;
    COLORREF textDisabled;
    COLORREF danger;
    COLORREF success;
    COLORREF warning;
    COLORREF warningFill;
};

extern const Palette kLightPalette;
extern const Palette kDarkPalette;

// Design units (pixels at 96 dpi) to device pixels at the main window's dpi.
int Scale(int v);

void CreateFonts();
void DeleteFonts();
