#include "ui/main/chrome_paint.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/state.h"
#include "app/theme.h"
#include "base/handles.h"
#include "catalog/catalog_model.h"
#include "ui/draw.h"
#include "ui/header_model.h"
#include "ui/keyboard/focus_paint.h"
#include "ui/list/card_layout.h"
#include "ui/list/card_paint.h"
#include "ui/main/chrome_footer.h"

namespace {

constexpr UINT kLineLeft = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
constexpr UINT kLineCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

// The off-screen band, kept from one paint to the next and made anew only
// when the window outgrows it: a DIB section made at every paint costs more
// than painting a band under Wine.
class BandBuffer {
public:
    // A memory context holding a bitmap of at least width x height; null when
    // none can be made.
    HDC Get(HDC reference, int width, int height) {
        if (!dc_) dc_.reset(CreateCompatibleDC(reference));
        if (!dc_) return nullptr;
        if (width > width_ || height > height_) {
            const int newWidth = std::max(width, width_);
            const int newHeight = std::max(height, height_);
            void* bits = nullptr;
            UniqueBitmap bigger(CreateTopDownDib(reference, newWidth, newHeight, &bits));
            if (!bigger) return nullptr;
            // Selecting the new bitmap lets go of the old one, which goes with bitmap_.
            SelectObject(dc_.get(), bigger.get());
            bitmap_ = std::move(bigger);
            width_ = newWidth;
            height_ = newHeight;
        }
        return dc_.get();
    }

private:
    UniqueBitmap bitmap_;  // before dc_, so that the context is deleted first and frees it
    UniqueMemoryDc dc_;
    int width_ = 0;
    int height_ = 0;
};

void PaintLogo(HDC dc, const RECT& logo) {
    FillSolid(dc, logo, g_state.palette.accent);
    RECT inner = logo;
    InflateRect(&inner, -Scale(2), -Scale(2));
    FillSolid(dc, inner, g_state.palette.surface);
    if (g_state.appIcon != nullptr) {
        DrawIconEx(dc, logo.left + Scale(4), logo.top + Scale(4), g_state.appIcon, Scale(42), Scale(42), 0, nullptr,
                   DI_NORMAL);
    }
}

void PaintSelfButton(HDC dc, const RECT& box) {
    const Palette& palette = g_state.palette;
    const HeaderButtonFace face = HeaderButtonNow(HeaderButton::Self);
    switch (GetSelfButtonState()) {
    case SelfButtonState::Portable: PaintButton(dc, box, face.label, face.enabled, false); break;
    case SelfButtonState::UpdateAvailable:
        FillRounded(dc, box, palette.warningFill, palette.warning);
        DrawLabel(dc, face.label, box, g_state.strongFont.get(), palette.warning, kLineCentred);
        break;
    case SelfButtonState::Current:
        DrawLabel(dc, face.label, box, g_state.smallFont.get(), palette.success, kLineCentred);
        break;
    }
}

void PaintHeader(HDC dc, const HeaderLayout& header, const CardListLayout& layout, int width) {
    const Palette& palette = g_state.palette;
    const int headerHeight = header.headerHeight;
    // The header and the list heading below it, for the bands that reach them.
    const RECT area{0, 0, width, headerHeight + Scale(40)};
    if (!RectVisible(dc, &area)) return;

    FillSolid(dc, {0, 0, width, Scale(3)}, palette.accent);
    PaintLogo(dc, header.logo);
    DrawLabel(dc, L"Orkvane", header.title, g_state.titleFont.get(), palette.text, kLineLeft);
    DrawLabel(dc, L"Votre collection d’applications", {header.title.left, Scale(47), header.title.right, Scale(70)},
              g_state.bodyFont.get(), palette.textMuted, kLineLeft);
    for (const auto& [button, box] : {std::pair{HeaderButton::Refresh, header.refreshButton},
                                      std::pair{HeaderButton::Options, header.optionsButton}}) {
        const HeaderButtonFace face = HeaderButtonNow(button);
        PaintButton(dc, box, face.label, face.enabled, false);
    }
    PaintSelfButton(dc, header.selfButton);
    FillSolid(dc, {Scale(20), headerHeight - 1, width - Scale(20), headerHeight}, palette.border);
    DrawLabel(dc, L"Mes applications",
              {Scale(20), headerHeight + Scale(6), width - Scale(360), headerHeight + Scale(40)},
              g_state.headingFont.get(), palette.text, DT_SINGLELINE | DT_VCENTER);
    DrawLabel(dc, SummaryText(layout),
              {width - Scale(360), headerHeight + Scale(6), width - Scale(20), headerHeight + Scale(40)},
              g_state.smallFont.get(), palette.textMuted, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

}  // namespace

void PaintMainWindowTo(HDC dc, int width, int height) {
    if (width <= 0 || height <= 0) return;
    SetBkMode(dc, TRANSPARENT);
    FillSolid(dc, {0, 0, width, height}, g_state.palette.window);
    g_state.hitRecords.clear();
    g_state.cardRects.clear();

    const HeaderLayout header = ComputeHeaderLayout(width);
    const CardListLayout& layout = CurrentCardLayout(width);
    g_state.selfButtonRect = header.selfButton;
    g_state.optionsButtonRect = header.optionsButton;
    g_state.refreshButtonRect = header.refreshButton;
    g_state.logoRect = header.logo;

    PaintHeader(dc, header, layout, width);
    PaintCardList(dc, layout, width);
    PaintFooter(dc, width, height);
    // After the footer: "Annuler" in the status strip can have the focus.
    PaintKeyboardFocus(dc, layout, width);
}

void PaintMainWindow(HWND window) {
    ScopedPaint paint(window);
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0) return;

    // Drawn off screen a band at a time, each copied at once, so that nothing
    // flickers; a buffer for the whole window would add its size to the
    // working set, and would have left the cache before it is copied. Every
    // pass records the whole picture's hit areas, and draws only the elements
    // that reach into its band of the update rectangle: a band outside it
    // only records.
    RECT area{};  // the update region's bounds; none when there is no context
    GetClipBox(paint.hdc(), &area);
    const int band = std::min(height, PaintBandRows(width));
    static BandBuffer buffer;
    HDC memory = buffer.Get(paint.hdc(), width, band);
    if (memory == nullptr) return;
    const CardListLayout& layout = CurrentCardLayout(width);
    for (int top = 0, rows = 0; top < height; top += rows) {
        // The band's top row becomes the buffer's first; what falls outside
        // the band or the update rectangle is clipped away, and so is the
        // rest of a bigger buffer. A band ends above a card it would cut,
        // unless that leaves it less than half its rows.
        rows = std::min(band, height - top);
        if (top + rows < height) rows = BandEdgeBefore(layout, width, top + rows, top + band / 2) - top;
        SetWindowOrgEx(memory, 0, top, nullptr);
        SelectClipRgn(memory, nullptr);
        IntersectClipRect(memory, 0, top, width, top + rows);
        IntersectClipRect(memory, area.left, area.top, area.right, area.bottom);
        PaintMainWindowTo(memory, width, height);
        BitBlt(paint.hdc(), 0, top, width, rows, memory, 0, top, SRCCOPY);
    }
    SetWindowOrgEx(memory, 0, 0, nullptr);
    SelectClipRgn(memory, nullptr);
}
