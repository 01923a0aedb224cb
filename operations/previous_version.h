// The one version of a tool kept back when an update replaces it, so that a
// bad release is undone in one step: hidden in the Apps folder under a name no
// tool can take, swapped back by a rollback, deleted with the tool.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/tool_files.h"
#include "operations/tool_request.h"

// Puts a new file where the installed one is, the installed one becoming the
// kept previous version.
using MoveIntoPlace = std::function<void(const std::wstring& target)>;

// Places a file with `moveIn` at files.installed. An installed file that runs
// is moved aside and goes on running; the new one serves from its next start,
// and the previous version is a copy of the aside one. Returns true in that
// case. When even the move aside is refused, nothing changes and "Fermez " +
// name + " puis réessayez." is raised. `replacedDigest` is the installed
// file's SHA-256, recorded beside the previous version; a file whose digest is
// unknown or withdrawn is replaced without being kept.
bool ReplaceKeepingPrevious(const ToolFiles& files, const std::wstring& name, const MoveIntoPlace& moveIn,
                            const std::wstring& replacedDigest, const std::vector<std::wstring>& withdrawn);

// Swaps the kept previous version and the installed file, under the same
// rules, and remembers the catalogue's SHA-256 that the user turned back from.
// A previous version whose digest is no longer the one recorded when it was
// kept ("Version précédente modifiée"), or that the catalogue withdrew, is
// deleted instead of put back.
void RollBackTool(const ToolRequest& request);

// Forgets which catalogue file the user turned back from (the user installed
// or updated the tool since).
void ForgetRollback(const ToolFiles& files);
// The previous version, its digest and the rollback mark, for an uninstall.
void RemovePreviousVersion(const ToolFiles& files);
