// The program's own install, update and removal.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "operations/operation_runner.h"
#include "operations/tool_request.h"
#include "operations/verified_fetch.h"

void InstallOrRemoveSelf();
void StartToolboxUpdate();
// A non-zero progressSerial also posts the download's progress to `window`.
void RunToolboxUpdate(HWND window, const ToolRequest& request, unsigned progressSerial = 0);
// The same with the download's limits and progress report given.
void RunToolboxUpdate(HWND window, const ToolRequest& request, const FetchOptions& options);
// <install folder>\Orkvane.exe.nouveau: the verified update until the deferred
// script renames it over the installed file.
std::wstring SelfUpdateSidePath();
// At the start of the installed copy: a side file that an update could not
// rename into place is removed.
void RemoveLeftoverSelfUpdate();
void RunDeferredCommand(const std::wstring& script);
std::wstring QuoteForPowerShell(const std::wstring& text);
std::wstring BuildRemovalScript(unsigned long processId);
std::wstring BuildReplacementScript(unsigned long processId, const std::wstring& sideExe,
                                    const std::wstring& installedExe);
// The whole command line that RunDeferredCommand starts for a script.
std::wstring BuildDeferredCommandLine(const std::wstring& script);
// <system folder>\WindowsPowerShell\v1.0\powershell.exe, the program RunDeferredCommand starts.
std::wstring PowerShellPath();
