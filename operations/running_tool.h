// A tool that runs while it is updated or removed. Windows lets a running
// program's file be renamed but neither replaced nor deleted: an update moves
// the running file aside in the Apps folder and puts the new one under its
// name; the aside copy goes as soon as nothing runs it.
#pragma once

#include <string>

#include "base/tool_files.h"

// Raises "Fermez " + name + ending (msg::kCloseThenRetry, msg::kCloseBeforeUninstall).
[[noreturn]] void FailToolRunning(const std::wstring& name, const char* ending);

// Renames the installed file to a free aside name; returns that name, or
// empty when even the rename is refused (nothing changed then).
std::wstring MoveInstalledAside(const ToolFiles& files);

// Deletes the aside copies that nothing runs any more, of the tool `id` or,
// with an empty id, of every tool in the Apps folder. Returns how many are
// still in use. Never raises.
size_t RemoveUnusedAsideFiles(const std::wstring& appsFolder, const std::wstring& id);

// Raises "Fermez " + name + " avant de le désinstaller." when the tool's file,
// its kept previous version or an aside copy is in use.
void RefuseUninstallWhileRunning(const ToolFiles& files, const std::wstring& name);
