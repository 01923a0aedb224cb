#include "ui/main/chrome_footer.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "app/state.h"
#include "app/theme.h"
#include "base/constants.h"
#include "catalog/web_host.h"
#include "ui/draw.h"
#include "ui/main/chrome_paint.h"
#include "ui/status_progress.h"

std::wstring ThemeSourceText() {
    std::wstring text = g_state.settings.offlineMode ? L"USB · " : L"";
    if (g_state.settings.themeMode == ThemeChoice::System) {
        text += g_state.isDark ? L"Système · sombre" : L"Système · clair";
    } else {
        text += g_state.isDark ? L"Sombre" : L"Clair";
    }
    return text;
}

void PaintFooter(HDC dc, int width, int height) {
    const Palette& palette = g_state.palette;
    const HFONT font = g_state.smallFont.get();
    const int footerTop = height - Scale(30);
    const int lineBottom = footerTop + Scale(2);
    const RECT strip = StatusStripRect(width, height);
    const bool cancelShown = CancelButtonShown();
    const RECT cancelButton = cancelShown ? CancelButtonRect(strip) : RECT{};
    const RECT statusTextArea = {strip.left + Scale(10), strip.top,
                                 cancelShown ? cancelButton.left - Scale(8) : strip.right - Scale(10), strip.bottom};

    // Version and credit are centred together; their widths are needed first.
    const std::wstring version = std::wstring(L"Version ") + kVersionText + L" - ";
    const std::wstring credit = CreditText();
    const int w1 = TextWidth(dc, g_state.smallFont.get(), version);
    const int w2 = TextWidth(dc, g_state.smallFont.get(), credit);
    const int x0 = (width - w1 - w2) / 2;

    // Recorded at every pass; drawn by the bands of the window that it reaches.
    g_state.statusStripRect = strip;
    g_state.cancelButtonRect = cancelButton;
    g_state.siteLinkRect = {x0 + w1, lineBottom, x0 + w1 + w2, height};
    const RECT area{0, std::min<LONG>(g_state.listBottom, strip.top), width, height};
    if (!RectVisible(dc, &area)) return;

    FillSolid(dc, {0, g_state.listBottom, width, height}, palette.window);
    FillSolid(dc, strip, palette.statusFill);
    DrawLabel(dc, g_state.statusText, statusTextArea, font, palette.text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    PaintStatusProgress(dc, strip, statusTextArea);
    if (cancelShown) PaintButton(dc, cancelButton, L"Annuler", !g_state.cancelRequested, false);

    FillSolid(dc, {0, footerTop, width, height}, palette.footer);
    FillSolid(dc, {0, footerTop, width, lineBottom}, palette.accent);
    DrawLabel(dc, g_state.busy ? L"Opération en cours…" : L"Prêt.", {Scale(20), lineBottom, x0 - Scale(12), height},
              font, palette.textMuted, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    DrawLabel(dc, version, {x0, lineBottom, x0 + w1, height}, font, palette.textMuted, DT_SINGLELINE | DT_VCENTER);
    DrawLabel(dc, credit, g_state.siteLinkRect, font, palette.textMuted, DT_SINGLELINE | DT_VCENTER);
    DrawLabel(dc, ThemeSourceText(), {x0 + w1 + w2 + Scale(12), lineBottom, width - Scale(20), height}, font,
              palette.textMuted, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);

    if (g_state.keyboardFocus.element == WindowElement::CreditLink) {
        RECT cue = g_state.siteLinkRect;
        cue.left -= 2;
        cue.right += 2;
        cue.top += Scale(4);
        cue.bottom -= Scale(4);
        // The dotted cue inverts the pixels under its pattern's set bits.
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        DrawFocusRect(dc, &cue);
    }
}
