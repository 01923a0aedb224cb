// The one version of a tool kept back when an update replaces it, so that a
// bad release is undone in one step: hidden in the Apps folder under a name no
// tool can take, swapped back by a rollback, deleted with the tool.
#pragma once

#include <functional>
#include <string>

#include "base/tool_files.h"
#include "operations/tool_request.h"

// Puts a new file where the installed one is, the installed one becoming the
// kept previous version.
using MoveIntoPlace = std::function<void(const std::wstring& target)>;

// Places a file with `moveIn` at files.installed. An installed file that runs
// is moved aside and goes on running; the new one serves from its next start,
// and the previous version is a copy of the aside one. Returns true in that
// case. When even the move aside is refused, nothing changes and "Fermez " +
// name + " puis réessayez." is raised.
bool ReplaceKeepingPrevious(const ToolFiles& files, const std::wstring& name, const MoveIntoPlace& moveIn);

// Swaps the kept previous version and the installed file, under the same
// rules, and remembers the catalogue's SHA-256 that the user turned back from.
void RollBackTool(const ToolRequest& request);

// Forgets which catalogue file the user turned back from (the user installed
// or updated the tool since).
void ForgetRollback(const ToolFiles& files);
// The previous version and the rollback mark, for an uninstall.
void RemovePreviousVersion(const ToolFiles& files);
