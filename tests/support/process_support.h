// Starting real programs from the tests.
#pragma once

#include <windows.h>

#include <string>

#include "base/handles.h"

// The exit code of a program that did not run to its end: never 0, so that a
// test checking only for success cannot take it for one.
inline constexpr DWORD kNoExitCode = 0xFFFFFFFF;

struct ProcessOutcome {
    DWORD exitCode = kNoExitCode;
    bool finished = false;
    // Standard output and error, as written (UTF-8 here); when the program
    // could not be started or did not end in time, a line saying so.
    std::string output;
};

// A program started by StartProcess; `error` is GetLastError() when it did not
// start. A Linux program started from Wine has no handles even when it started.
struct StartedProcess {
    UniqueHandle process;
    UniqueHandle thread;
    DWORD id = 0;
    DWORD error = ERROR_INVALID_FUNCTION;
    explicit operator bool() const { return error == 0; }
};

// CreateProcessW for the tests. Under Wine a new process whose Unix start
// fails (before any of its own code runs) comes back as ERROR_INTERNAL_ERROR;
// nothing has happened then, so it is started again, at most three times.
StartedProcess StartProcess(const wchar_t* application, const std::wstring& commandLine, DWORD flags = 0,
                            STARTUPINFOW* startup = nullptr, BOOL inheritHandles = FALSE,
                            const wchar_t* folder = nullptr);

// A program that a test starts and keeps running: its file stays in use, as
// the loader holds it, until End() or the object's end.
class StartedProgram {
public:
    explicit StartedProgram(const std::wstring& exePath);
    ~StartedProgram() { End(); }
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    bool Running() const;
    // Ends the program and returns once it is gone.
    void End();

private:
    UniqueHandle process_;
};

// The program's main window owned by the process `processId`, or null.
HWND FindMainWindowOf(DWORD processId);

// Runs a command line, capturing its output, waiting at most timeoutMs.
ProcessOutcome RunAndCapture(const std::wstring& commandLine, DWORD timeoutMs = 60000);
// A built file's Linux path as Wine sees it (Z: drive).
std::wstring WindowsPathFromLinux(const std::string& linuxPath);
