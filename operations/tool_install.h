// Bringing a tool's executable onto the machine: fetch into a hidden side
// name of the Apps folder while hashing it, check the SHA-256, then replace
// the installed file in one step.
#pragma once

#include <string>

#include "operations/tool_request.h"
#include "operations/verified_fetch.h"

// The verified file's path (the caller deletes it); nothing is left behind on failure.
std::wstring FetchToolExecutable(const ToolRequest& request, const std::wstring& folder,
                                 const FetchOptions& options = {});
struct InstalledTool {
    std::wstring path;
    // The replaced file was running: it runs on from an aside copy, and the
    // new file serves from the tool's next start.
    bool replacedWhileRunning = false;
};

// Makes the Apps folder hold the catalogue's file. The installed file is
// either the old one or the new one, never a mix; a replaced file is kept as
// the previous version.
InstalledTool InstallTool(const ToolRequest& request, const FetchOptions& options = {});
