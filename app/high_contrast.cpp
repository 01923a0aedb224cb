#include "app/high_contrast.h"

#include <windows.h>

#include <utility>

namespace {

std::function<bool()>& Query() {
    static std::function<bool()> query;
    return query;
}

bool SystemHighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0)) return false;
    return (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

COLORREF System(int index) { return GetSysColor(index); }

}  // namespace

bool HighContrastOn() { return Query() ? Query()() : SystemHighContrastOn(); }

void SetHighContrastQuery(std::function<bool()> query) { Query() = std::move(query); }

// Every text sits on the window colour (or the highlight for the accent), so
// each pair is one that the user's contrast theme chose to go together.
Palette SystemColorPalette() {
    const COLORREF window = System(COLOR_WINDOW);
    const COLORREF text = System(COLOR_WINDOWTEXT);
    const COLORREF highlight = System(COLOR_HIGHLIGHT);
    Palette palette{};
    palette.window = window;
    palette.surface = window;
    palette.buttonDisabled = System(COLOR_BTNFACE);
    palette.footer = window;
    palette.text = text;
    palette.textMuted = text;
    palette.border = text;
    palette.accent = highlight;
    palette.accentHover = highlight;
    palette.onAccent = System(COLOR_HIGHLIGHTTEXT);
    palette.groupHeader = window;
    palette.statusFill = window;
    palette.hover = window;
    palette.selected = window;
    palette.textDisabled = System(COLOR_GRAYTEXT);
    palette.danger = text;
    palette.success = text;
    palette.warning = System(COLOR_HOTLIGHT);
    palette.warningFill = window;
    return palette;
}
