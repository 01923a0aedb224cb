#include "bench/process_launch.h"

#include <vector>

#include "app/settings.h"

Launched Launch(const std::wstring& exePath) {
    Launched launched;
    std::wstring commandLine = L"\"" + exePath + L"\"";
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    // The program's own folder as working folder, as when it is started from Explorer.
    const size_t cut = exePath.find_last_of(L'\\');
    const std::wstring folder = cut == std::wstring::npos ? std::wstring() : exePath.substr(0, cut);
    if (CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        launched.process.reset(info.hProcess);
        CloseHandle(info.hThread);
        launched.processId = info.dwProcessId;
    }
    return launched;
}

namespace {
struct Search {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};
BOOL CALLBACK Visit(HWND window, LPARAM param) {
    Search* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    if (owner == search->processId && IsWindowVisible(window) && wcscmp(name, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND FindProcessWindow(DWORD processId, const wchar_t* className) {
    Search search{processId, className, nullptr};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void EndProcess(Launched& launched) {
    if (!launched.process) return;
    TerminateProcess(launched.process.get(), 0);
    WaitForSingleObject(launched.process.get(), 10000);
    launched.process.reset();
}

void ForgetSettings() { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath); }
