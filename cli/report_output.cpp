#include "cli/report_output.h"

#include <windows.h>

#include <algorithm>

#include "base/handles.h"
#include "catalog/utf8.h"

namespace {

bool WriteAll(HANDLE file, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != FALSE;
}

bool WriteAll(HANDLE file, const ReportPieces& pieces) {
    for (std::string_view piece : pieces) {
        if (!WriteAll(file, piece)) return false;
    }
    return true;
}

// A console shows UTF-16 whatever its code page; a pipe or a file gets UTF-8.
// Pieces end between values, never inside a character.
void WriteTo(HANDLE handle, const ReportPieces& utf8) {
    if (IsConsole(handle)) {
        for (std::string_view piece : utf8) {
            std::wstring text = Utf8ToWide(piece);
            DWORD written = 0;
            WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        }
        return;
    }
    WriteAll(handle, utf8);
}

}  // namespace

void WriteToStandardOutput(const ReportPieces& utf8) {
    // A GUI program gets standard handles only when its parent hands them
    // over (a redirection, a pipe); otherwise it joins the parent's console.
    HANDLE given = GetStdHandle(STD_OUTPUT_HANDLE);
    if (given != nullptr && given != INVALID_HANDLE_VALUE && GetFileType(given) != FILE_TYPE_UNKNOWN) {
        WriteTo(given, utf8);
        return;
    }
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    UniqueHandle console(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    if (console) WriteTo(console.get(), utf8);
    FreeConsole();
}

bool WriteReportFile(const std::wstring& path, const ReportPieces& utf8) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file) return false;
    return WriteAll(file.get(), utf8);
}
