// The program's own update, the worker's side; the window starts it, and the
// install and removal, from ui/jobs/self_commands.h.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "operations/operation_runner.h"
#include "operations/tool_request.h"
#include "operations/verified_fetch.h"

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
