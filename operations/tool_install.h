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
// Makes the Apps folder hold the catalogue's file; returns its path. The
// installed file is either the old one or the new one, never a mix.
std::wstring InstallTool(const ToolRequest& request, const FetchOptions& options = {});
