// Bringing a tool's executable onto the machine: fetch into a free temporary
// name, verify its SHA-256, then replace the installed file.
#pragma once

#include <string>

#include "operations/tool_request.h"

// The verified file's path (the caller deletes it); nothing is left behind on failure.
std::wstring FetchToolExecutable(const ToolRequest& request, const std::wstring& folder);
// Makes the Apps folder hold the catalogue's file; returns its path.
std::wstring InstallTool(const ToolRequest& request);
// A name in `folder` for `fileName` that no file uses yet (name_1.ext, ...).
std::wstring FreeFileName(const std::wstring& folder, const std::wstring& fileName);
