// Files the program itself places (tools, its own copy): restrictive
// attributes carried over from a USB key must not make them impossible to
// replace or delete later. Every replace or delete of such a file goes
// through here, so that the attributes are always cleared first.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Our files are written whole under a side name (<name>.nouveau) and then take
// their own name by one rename: a stop at any moment (logoff, crash) leaves
// the old file or the new one, and at most a side file, never a whole file.
inline constexpr wchar_t kSideFileSuffix[] = L".nouveau";

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
// Copies `source` over one of our files whole: into the side name first,
// written through, then renamed. False when the copy failed (no side file is
// left then).
bool CopyOverOwnFileWhole(const std::wstring& source, const std::wstring& target);
// Writes `bytes` as one of our files, whole, the same way, with `attributes`.
bool WriteOwnFileWhole(const std::wstring& target, std::string_view bytes, DWORD attributes);
