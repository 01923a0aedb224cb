// Files the program itself places (tools, its own copy): restrictive
// attributes carried over from a USB key must not make them impossible to
// replace or delete later. Every replace or delete of such a file goes
// through here, so that the attributes are always cleared first.
#pragma once

#include <string>

// Clears read-only, hidden and system on `path`, if it exists; the other
// attributes stay. Errors are ignored: the replace or delete that follows
// reports its own failure.
void ClearRestrictiveAttributes(const std::wstring& path);
// Deletes one of our files; true when no file is left at `path` (a missing
// one counts as deleted).
bool DeleteOwnFile(const std::wstring& path);
// Renames `source` over one of our files in one step, written through before
// it returns; false when the rename failed.
bool MoveOverOwnFile(const std::wstring& source, const std::wstring& target);
// Copies `source` over one of our files; the copy keeps none of the source's
// restrictive attributes either. False when the copy failed.
bool CopyOverOwnFile(const std::wstring& source, const std::wstring& target);
