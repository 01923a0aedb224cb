// Sonde: a few facts about this computer.
#include <string>

#include "sample_window.h"

namespace {

std::wstring Facts() {
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    GetComputerNameW(computer, &size);
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof(memory);
    GlobalMemoryStatusEx(&memory);
    return std::wstring(L"Ordinateur : ") + computer + L"\nProcesseurs : " +
           std::to_wstring(system.dwNumberOfProcessors) + L"\nMémoire : " +
           std::to_wstring(memory.ullTotalPhys / (1024 * 1024)) + L" Mo\nÉcran : " +
           std::to_wstring(GetSystemMetrics(SM_CXSCREEN)) + L" × " + std::to_wstring(GetSystemMetrics(SM_CYSCREEN));
}

void PaintFacts(HDC dc, const RECT& client) {
    RECT area{24, 20, client.right - 24, client.bottom - 20};
    sample::Text(dc, Facts().c_str(), area, 18, FW_NORMAL, RGB(0x17, 0x20, 0x33), DT_LEFT | DT_TOP);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return sample::Run(instance, {L"Sonde", 420, 220, PaintFacts, nullptr, true});
}
