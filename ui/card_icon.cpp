#include "ui/card_icon.h"

#include <windows.h>

#include <algorithm>

// The GDI+ headers of some SDKs use min and max unqualified.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <objidl.h>
#include <gdiplus.h>

#include "app/state.h"
#include "catalog/catalog_model.h"

void DrawCardIcon(HDC dc, const CatalogApp& app, const RECT& box) {
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    if (app.iconBitmap) {
        Gdiplus::Graphics graphics(dc);
        graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        graphics.DrawImage(app.iconBitmap.get(), Gdiplus::Rect(box.left, box.top, width, height));
    } else if (g_state.appIcon != nullptr) {
        DrawIconEx(dc, box.left, box.top, g_state.appIcon, width, height, 0, nullptr, DI_NORMAL);
    }
}
