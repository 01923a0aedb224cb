// The program run as a command: no window, no hand-over to a running copy,
// one JSON report, an exit code from cli/exit_codes.h.
#pragma once

#include <windows.h>

// Whether the command line asks for a command rather than the window.
bool IsCommandLine(PCWSTR commandLine);
// Runs the command and returns the process's exit code.
int RunCommandLine(PCWSTR commandLine);
