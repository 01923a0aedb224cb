#include "ui/list/card_icon.h"

#include <windows.h>

#include <algorithm>

#include "app/state.h"
#include "app/theme.h"
#include "base/gdiplus_session.h"
#include "catalog/catalog_model.h"

namespace {

void DrawScaled(Gdiplus::Graphics& graphics, Gdiplus::Bitmap* image, int x, int y, int width, int height) {
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.DrawImage(image, Gdiplus::Rect(x, y, width, height));
}

}  // namespace

RECT CardIconBox(LONG left, LONG top) { return {left + Scale(10), top + Scale(8), left + Scale(32), top + Scale(30)}; }

SIZE CardIconSize() {
    const RECT box = CardIconBox(0, 0);
    return {box.right - box.left, box.bottom - box.top};
}

BitmapPtr FitIconToCard(BitmapPtr decoded) {
    if (!decoded) return nullptr;
    const SIZE size = CardIconSize();
    if (decoded->GetWidth() == static_cast<UINT>(size.cx) && decoded->GetHeight() == static_cast<UINT>(size.cy))
        return decoded;
    // GDI+ objects come from its own allocator, which gives null when out of memory.
    BitmapPtr fitted(new Gdiplus::Bitmap(size.cx, size.cy, PixelFormat32bppPARGB));
    if (!fitted || fitted->GetLastStatus() != Gdiplus::Ok) return nullptr;
    {
        Gdiplus::Graphics graphics(fitted.get());
        if (graphics.GetLastStatus() != Gdiplus::Ok) return nullptr;
        DrawScaled(graphics, decoded.get(), 0, 0, size.cx, size.cy);
    }
    return fitted;
}

void DrawCardIcon(HDC dc, const CatalogApp& app, const RECT& box) {
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    if (app.iconBitmap) {
        Gdiplus::Graphics graphics(dc);
        DrawScaled(graphics, app.iconBitmap.get(), box.left, box.top, width, height);
    } else if (g_state.appIcon != nullptr) {
        DrawIconEx(dc, box.left, box.top, g_state.appIcon, width, height, 0, nullptr, DI_NORMAL);
    }
}
