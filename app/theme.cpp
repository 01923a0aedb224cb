#include "app/theme.h"

#include <windows.h>

#include "app/handles.h"
#include "app/state.h"

namespace {

HFONT MakeFont(int pixelHeight, int weight) {
    return CreateFontW(-pixelHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
}

int PointsToPixels(int points) { return MulDiv(points, g_state.dpi, 72); }

void DeleteFont(HFONT& font) {
    if (font != nullptr) DeleteObject(font);
    font = nullptr;
}

}  // namespace

int Scale(int v) { return MulDiv(v, g_state.dpi, 96); }

void CreateFonts() {
    DeleteFonts();
    g_state.titleFont = MakeFont(Scale(26), FW_BOLD);
    g_state.headingFont = MakeFont(PointsToPixels(11), FW_BOLD);
    g_state.strongFont = MakeFont(PointsToPixels(9), FW_BOLD);
    g_state.bodyFont = MakeFont(PointsToPixels(9), FW_NORMAL);
    g_state.smallFont = MakeFont(PointsToPixels(8), FW_NORMAL);
}

void DeleteFonts() {
    DeleteFont(g_state.titleFont);
    DeleteFont(g_state.headingFont);
    DeleteFont(g_state.strongFont);
    DeleteFont(g_state.bodyFont);
    DeleteFont(g_state.smallFont);
}
