// What the current user may do to a file or folder, as Windows decides it:
// the object's security descriptor weighed against the user's own token.
#pragma once

#include <windows.h>

#include <string>

// Rights that let their holder change what a file or folder holds, or who may:
// write or add to it, delete it or what it holds, rewrite its permissions or
// take it over.
inline constexpr ACCESS_MASK kChangeRights =
    FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER;

// True when the descriptor grants the current user any of `rights`, or when
// that cannot be told (an unreadable or incomplete descriptor, no token).
bool CurrentUserHoldsAny(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK rights);
// The same for a file or folder named by its path.
bool CurrentUserHoldsAnyOn(const std::wstring& path, ACCESS_MASK rights);
// The same for an open file or folder (opened with READ_CONTROL): the object
// weighed is the one the handle holds, whatever its name meanwhile.
bool CurrentUserHoldsAnyOn(HANDLE object, ACCESS_MASK rights);
