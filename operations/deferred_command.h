// A PowerShell script started to run once this process has ended: the
// program's own removal, and the replacement of its installed file.
#pragma once

#include <string>

void RunDeferredCommand(const std::wstring& script);
std::wstring QuoteForPowerShell(const std::wstring& text);
// With `withEntry`, the script also deletes the program's entry in Windows'
// list of installed apps, once the installed file is gone.
std::wstring BuildRemovalScript(unsigned long processId, bool withEntry = false);
std::wstring BuildReplacementScript(unsigned long processId, const std::wstring& sideExe,
                                    const std::wstring& installedExe);
// The whole command line that RunDeferredCommand starts for a script.
std::wstring BuildDeferredCommandLine(const std::wstring& script);
// <system folder>\WindowsPowerShell\v1.0\powershell.exe, the program RunDeferredCommand starts.
std::wstring PowerShellPath();
