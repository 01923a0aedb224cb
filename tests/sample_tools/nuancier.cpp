// Nuancier: a colour chart with each swatch's hexadecimal code.
#include <cwchar>

#include "sample_window.h"

namespace {

constexpr COLORREF kSwatches[] = {
    RGB(0x17, 0x7D, 0xDC), RGB(0x27, 0x78, 0x55), RGB(0x9C, 0x62, 0x11), RGB(0xB9, 0x25, 0x35),
    RGB(0x6A, 0x4C, 0xC2), RGB(0x1B, 0x9A, 0xA8), RGB(0xE0, 0x8A, 0x1E), RGB(0x17, 0x20, 0x33),
};

void PaintChart(HDC dc, const RECT& client) {
    const int columns = 4;
    const int margin = 16;
    const int cellWidth = (client.right - margin * (columns + 1)) / columns;
    const int cellHeight = (client.bottom - margin * 3) / 2;
    for (int i = 0; i < 8; ++i) {
        int x = margin + (i % columns) * (cellWidth + margin);
        int y = margin + (i / columns) * (cellHeight + margin);
        RECT swatch{x, y, x + cellWidth, y + cellHeight - 24};
        sample::FillRect(dc, swatch, kSwatches[i]);
        wchar_t code[8];
        std::swprintf(code, 8, L"#%02X%02X%02X", GetRValue(kSwatches[i]), GetGValue(kSwatches[i]),
                      GetBValue(kSwatches[i]));
        RECT label{x, y + cellHeight - 24, x + cellWidth, y + cellHeight};
        sample::Text(dc, code, label, 14, FW_NORMAL, RGB(0x17, 0x20, 0x33));
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return sample::Run(instance, {L"Nuancier", 520, 300, PaintChart, nullptr, false});
}
