// Loads the settings as the program does at start-up and writes the outcome,
// one UTF-8 line each, to the file named by its first argument:
// offlineMode (0/1), offlineRoot, statusText, offlineModeShared (0/1).
// Exit code 0 when the file was written, 2 otherwise.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/settings.h"
#include "app/state.h"
#include "base/handles.h"
#include "base/worker_shared.h"
#include "catalog/utf8.h"

namespace {

bool WriteReport(const wchar_t* path, const std::string& report) {
    UniqueHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), report.data(), static_cast<DWORD>(report.size()), &written, nullptr) &&
           written == report.size();
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2) return 2;
    std::wstring reportPath = argv[1];
    LocalFree(argv);

    LoadSettings();

    std::string report;
    report += g_state.settings.offlineMode ? "1\n" : "0\n";
    report += WideToUtf8(g_state.settings.offlineRoot) + "\n";
    report += WideToUtf8(g_state.statusText) + "\n";
    report += offlineModeShared.load() ? "1\n" : "0\n";
    return WriteReport(reportPath.c_str(), report) ? 0 : 2;
}
