// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "app/theme.h"
#include "app/state.h"

int Scale(int v) { return MulDiv(v, g_state.dpi, 96); }
void ApplyTheme() {}
void RefreshSystemTheme() {}
void ApplyDarkTitleBar(HWND) {}
void CreateFonts() {}
void DeleteFonts() {}
