#include "publisher/console.h"

#include <windows.h>

#include "catalog/utf8.h"

namespace {

bool g_progressShown = false;

void Write(DWORD which, const std::wstring& text) {
    HANDLE out = GetStdHandle(which);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    std::string bytes = WideToUtf8(text);
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool ErrIsConsole() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace

void PrintOut(const std::wstring& line) {
    EndProgress();
    Write(STD_OUTPUT_HANDLE, line + L"\n");
}

void PrintErr(const std::wstring& line) {
    EndProgress();
    Write(STD_ERROR_HANDLE, line + L"\n");
}

void PrintProgress(const std::wstring& label, unsigned long long done, long long expected) {
    // Only a person at a console needs it; a log file would fill with lines.
    if (!ErrIsConsole() || expected <= 0) return;
    const auto total = static_cast<unsigned long long>(expected);
    unsigned long long percent = done >= total ? 100 : done * 100 / total;
    Write(STD_ERROR_HANDLE, L"\r" + label + L" " + std::to_wstring(percent) + L" %   ");
    g_progressShown = true;
}

void EndProgress() {
    if (!g_progressShown) return;
    g_progressShown = false;
    Write(STD_ERROR_HANDLE, L"\n");
}
