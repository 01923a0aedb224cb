// Starting and removing installed tools, and their shortcuts.
#pragma once

#include <string>

#include "operations/tool_request.h"

inline constexpr wchar_t kStartMenuFolderName[] = L"Kest Tools";

void LaunchFile(const std::wstring& path);
// The installed executable of a tool, once its name is known to be harmless.
std::wstring InstalledToolPath(const ToolRequest& request);
void LaunchTool(const ToolRequest& request);
void UninstallTool(const ToolRequest& request);
// Makes or rewrites <name>.lnk leading to `target`; a file of that name that
// leads elsewhere, or is no shortcut, is the user's and stays as it is.
void CreateShortcut(const std::wstring& name, const std::wstring& target, const std::wstring& description,
                    bool toDesktop);
// Deletes <name>.lnk if it is there and leads to `target`.
void RemoveShortcut(const std::wstring& name, const std::wstring& target, bool toDesktop);
// Where a shortcut of that name lives (desktop or the Start-menu folder).
std::wstring ShortcutPath(const std::wstring& name, bool toDesktop);
