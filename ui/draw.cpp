#include "ui/draw.h"

#include <windows.h>

#include "app/state.h"
#include "app/theme.h"
#include "base/handles.h"

void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
    // The DC's own brush: no brush made and deleted for each fill.
    SetDCBrushColor(dc, color);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void FillRounded(HDC dc, const RECT& rect, COLORREF fill, COLORREF border) {
    // The DC's own brush and one-pixel pen, coloured for this shape.
    ScopedSelect selectBrush(dc, GetStockObject(DC_BRUSH));
    ScopedSelect selectPen(dc, GetStockObject(DC_PEN));
    SetDCBrushColor(dc, fill);
    SetDCPenColor(dc, border);
    RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, Scale(4), Scale(4));
}

int TextWidth(HDC dc, HFONT font, const std::wstring& text) {
    ScopedSelect select(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void DrawLabel(HDC dc, std::wstring_view text, const RECT& rect, HFONT font, COLORREF color, UINT format) {
    SelectObject(dc, font);
    SetTextColor(dc, color);
    SetBkMode(dc, TRANSPARENT);
    RECT box = rect;
    // The text is clipped to its box: a box outside the clip region shows nothing.
    if (!RectVisible(dc, &box)) return;
    // Names come from the catalogue: an ampersand is text, not a mnemonic.
    // Without DT_MODIFYSTRING the text is only read: a view will do.
    DrawTextW(dc, text.data(), static_cast<int>(text.size()), &box, format | DT_NOPREFIX);
}

bool IsHovered(const RECT& rect) { return g_state.mouseInside && PtInRect(&rect, g_state.mousePos); }

void PaintButton(HDC dc, const RECT& rect, const std::wstring& text, bool enabled, bool primary) {
    const Palette& palette = g_state.palette;
    const bool hovered = IsHovered(rect);

    COLORREF fill = palette.buttonDisabled;
    COLORREF textColor = palette.textDisabled;
    if (enabled && primary) {
        fill = hovered ? palette.accentHover : palette.accent;
        textColor = palette.onAccent;
    } else if (enabled) {
        fill = hovered ? palette.hover : palette.surface;
        textColor = palette.text;
    }
    const COLORREF border = (enabled && primary) ? fill : palette.border;

    FillRounded(dc, rect, fill, border);
    DrawLabel(dc, text, rect, g_state.strongFont.get(), textColor,
              DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_END_ELLIPSIS);
}

HBITMAP CreateTopDownDib(HDC dc, int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}
