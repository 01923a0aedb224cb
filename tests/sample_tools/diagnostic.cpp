// Diagnostic (hidden in the catalogue): how long Windows has been running.
#include <cwchar>

#include "sample_window.h"

namespace {

void PaintUptime(HDC dc, const RECT& client) {
    ULONGLONG seconds = GetTickCount64() / 1000;
    wchar_t text[64];
    std::swprintf(text, 64, L"Démarré depuis %llu h %02llu min %02llu s", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    sample::Text(dc, text, client, 20, FW_SEMIBOLD, RGB(0x9C, 0x62, 0x11));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return sample::Run(instance, {L"Diagnostic", 460, 180, PaintUptime, nullptr, true});
}
