#include "tests/support/process_support.h"

#include <string>
#include <vector>

#include "base/constants.h"
#include "base/handles.h"

namespace {

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchMainWindowOf(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    wchar_t className[64] = {};
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && GetClassNameW(window, className, 64) > 0 &&
        lstrcmpW(className, kMainWindowClass) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

ProcessOutcome NotRun(const char* step) {
    ProcessOutcome outcome;
    outcome.output = std::string("[RunAndCapture] ") + step + " failed, error " + std::to_string(GetLastError());
    return outcome;
}

}  // namespace

StartedProcess StartProcess(const wchar_t* application, const std::wstring& commandLine, DWORD flags,
                            STARTUPINFOW* startup, BOOL inheritHandles, const wchar_t* folder) {
    STARTUPINFOW plain{};
    plain.cb = sizeof(plain);
    StartedProcess started;
    for (int attempt = 0; attempt < 3; ++attempt) {
        // CreateProcessW may write into the command line.
        std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
        buffer.push_back(L'\0');
        PROCESS_INFORMATION info{};
        if (CreateProcessW(application, buffer.data(), nullptr, nullptr, inheritHandles, flags, nullptr, folder,
                           startup != nullptr ? startup : &plain, &info)) {
            started.process.reset(info.hProcess);
            started.thread.reset(info.hThread);
            started.id = info.dwProcessId;
            started.error = 0;
            return started;
        }
        started.error = GetLastError();
        if (started.error != ERROR_INTERNAL_ERROR) break;
    }
    SetLastError(started.error);
    return started;
}

ProcessOutcome RunAndCapture(const std::wstring& commandLine, DWORD timeoutMs) {
    ProcessOutcome outcome;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    UniqueHandle readEnd;
    UniqueHandle writeEnd;
    if (!CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0)) return NotRun("CreatePipe");
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    StartedProcess started = StartProcess(nullptr, commandLine, CREATE_NO_WINDOW, &startup, TRUE);
    if (!started) return NotRun("CreateProcessW");
    const UniqueHandle& process = started.process;
    writeEnd.reset();

    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    char chunk[4096];
    for (;;) {
        DWORD available = 0;
        if (PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            DWORD read = 0;
            if (ReadFile(readEnd.get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
                outcome.output.append(chunk, read);
            continue;
        }
        if (WaitForSingleObject(process.get(), 20) == WAIT_OBJECT_0) {
            // Drain what is left.
            DWORD read = 0;
            while (PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
                   ReadFile(readEnd.get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
                outcome.output.append(chunk, read);
            break;
        }
        if (GetTickCount64() > deadline) {
            TerminateProcess(process.get(), 99);
            outcome.output += "\n[RunAndCapture] still running after " + std::to_string(timeoutMs) + " ms: ended";
            return outcome;
        }
    }
    outcome.finished = true;
    GetExitCodeProcess(process.get(), &outcome.exitCode);
    return outcome;
}

StartedProgram::StartedProgram(const std::wstring& exePath) {
    process_ = std::move(StartProcess(exePath.c_str(), L"\"" + exePath + L"\"").process);
}

bool StartedProgram::Running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

void StartedProgram::End() {
    if (!process_) return;
    TerminateProcess(process_.get(), 0);
    WaitForSingleObject(process_.get(), INFINITE);
    process_.reset();
}

std::wstring WindowsPathFromLinux(const std::string& linuxPath) {
    std::wstring path = L"Z:";
    for (char c : linuxPath) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return path;
}

HWND FindMainWindowOf(DWORD processId) {
    WindowSearch search{processId, nullptr};
    EnumWindows(MatchMainWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
