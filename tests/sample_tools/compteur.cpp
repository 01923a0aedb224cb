// Compteur: counts the clicks on its window.
#include <string>

#include "sample_window.h"

namespace {

int g_clicks = 0;

void Count() { ++g_clicks; }

void PaintCounter(HDC dc, const RECT& client) {
    RECT top = client;
    top.bottom = client.bottom * 2 / 3;
    sample::Text(dc, std::to_wstring(g_clicks).c_str(), top, 64, FW_BOLD, RGB(0x17, 0x7D, 0xDC));
    RECT bottom = client;
    bottom.top = top.bottom - 20;
    sample::Text(dc, L"Cliquez pour compter", bottom, 18, FW_NORMAL, RGB(0x66, 0x79, 0x94));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return sample::Run(instance, {L"Compteur", 360, 260, PaintCounter, Count, false});
}
