// The program's and the tools' entries in Windows' list of installed apps
// ("Applications installées"), kept true by every step that changes the
// installed files. Writing them never fails an operation: the results say
// what happened for a caller that reports it, and the window ignores them.
#pragma once

#include <string>

#include "base/constants.h"
#include "operations/tool_request.h"
#include "operations/uninstall_key.h"

// "Orkvane.<id>", the key of a tool's entry.
std::wstring ToolEntryName(const std::wstring& id);

// The program's own entry, for the installed Orkvane.exe of `version`: written
// by the program's install, by its update when it replaces the file at once,
// and by the installed copy at each start (an update finished by the deferred
// script then shows the new version).
EntryWrite RegisterSelfEntry(const std::wstring& version = kVersionText);
// Whether the program's entry exists and is ours: the removal script then
// deletes it, once the installed file is gone.
bool OwnsSelfEntry();
// After a removal done in this process: deletes the program's entry, if ours,
// when the installed file is gone; an installed file left in place keeps it.
void ForgetSelfEntryIfRemoved();

// After an install or update put the catalogue's file in place: the entry of
// that version. `replacedKept`: the file it replaced became the kept previous
// version, whose version is then the one the entry showed until now.
EntryWrite RecordToolInstalled(const ToolRequest& request, bool replacedKept);
// After a rollback: the entry shows the version put back; `replacedKept`: the
// file it replaced is now the kept previous version.
EntryWrite RecordToolRolledBack(const ToolRequest& request, bool replacedKept);
// After an uninstall: the tool's entry goes, if ours.
void RemoveToolEntry(const std::wstring& id);
// With the program's removal: every tool entry of ours goes, since each one
// runs the program that is going.
void RemoveToolEntries();
