// Horloge: the time and date, large, refreshed every second.
#include <cwchar>

#include "sample_window.h"

namespace {

void PaintClock(HDC dc, const RECT& client) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t time[16];
    std::swprintf(time, 16, L"%02u:%02u:%02u", now.wHour, now.wMinute, now.wSecond);
    wchar_t date[16];
    std::swprintf(date, 16, L"%02u/%02u/%04u", now.wDay, now.wMonth, now.wYear);
    RECT top = client;
    top.bottom = client.bottom * 2 / 3;
    sample::Text(dc, time, top, 56, FW_BOLD, RGB(0x17, 0x20, 0x33));
    RECT bottom = client;
    bottom.top = top.bottom - 20;
    sample::Text(dc, date, bottom, 20, FW_NORMAL, RGB(0x66, 0x79, 0x94));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return sample::Run(instance, {L"Horloge", 420, 240, PaintClock, nullptr, true});
}
