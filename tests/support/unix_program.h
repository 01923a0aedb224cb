// Linux programs started from a test under Wine, for what Windows calls cannot
// do there: links of the Linux kind, file owners and modes.
#pragma once

#include <string>

// Wine's Linux path for a Windows path; empty outside Wine.
std::string UnixPathOf(const std::wstring& path);

// Starts a Linux program (`program` is its Windows path, such as Z:\bin\ln).
// Wine hands back no handle that can be waited for: callers look for the
// program's effect.
bool StartUnixProgram(const wchar_t* program, const std::string& commandLine);

// Runs a shell command and waits until it has finished; false when it could
// not be started or did not finish within the tests' wait.
bool RunShellCommand(const std::string& command);
