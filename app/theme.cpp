#include "app/theme.h"

#include <windows.h>

#include "app/state.h"
#include "base/handles.h"

namespace {

HFONT MakeFont(int pixelHeight, int weight) {
    return CreateFontW(-pixelHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
}

int PointsToPixels(int points) { return MulDiv(points, g_state.dpi, 72); }

}  // namespace

int Scale(int v) { return MulDiv(v, g_state.dpi, 96); }

void CreateFonts() {
    DeleteFonts();
    g_state.titleFont.reset(MakeFont(Scale(26), FW_BOLD));
    g_state.headingFont.reset(MakeFont(PointsToPixels(11), FW_BOLD));
    g_state.strongFont.reset(MakeFont(PointsToPixels(9), FW_BOLD));
    g_state.bodyFont.reset(MakeFont(PointsToPixels(9), FW_NORMAL));
    g_state.smallFont.reset(MakeFont(PointsToPixels(8), FW_NORMAL));
}

void DeleteFonts() {
    g_state.titleFont.reset();
    g_state.headingFont.reset();
    g_state.strongFont.reset();
    g_state.bodyFont.reset();
    g_state.smallFont.reset();
}
