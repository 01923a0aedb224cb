// Starting real programs from the tests.
#pragma once

#include <windows.h>

#include <string>

struct ProcessOutcome {
    DWORD exitCode = 0;
    bool finished = false;
    std::string output;  // standard output and error, as written (UTF-8 here)
};

// Runs a command line, capturing its output, waiting at most timeoutMs.
ProcessOutcome RunAndCapture(const std::wstring& commandLine, DWORD timeoutMs = 60000);
// A built file's Linux path as Wine sees it (Z: drive).
std::wstring WindowsPathFromLinux(const std::string& linuxPath);
