// Files the program itself places (tools, its own copy): restrictive
// attributes carried over from a USB key must not make them impossible to
// replace or delete later.
#pragma once

#include <string>

// Clears read-only, hidden and system on `path`, if it exists; the other
// attributes stay. Errors are ignored: the replace or delete that follows
// reports its own failure.
void ClearRestrictiveAttributes(const std::wstring& path);
