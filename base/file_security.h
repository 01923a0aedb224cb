// Who besides the current user may change a file or folder, read from its
// security descriptor. SYSTEM and the Administrators can change anything on
// the machine anyway, so they never count as others.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The current user's SID, from the process token; empty when it cannot be read.
std::vector<BYTE> CurrentUserSid();

// True when the descriptor lets anyone but `user`, SYSTEM or the Administrators
// write the object, change its permissions or take it over: a missing DACL, an
// owner outside those three, or an allow entry with such a right for anyone else.
bool DescriptorLetsOthersWrite(PSECURITY_DESCRIPTOR descriptor, PSID user);

// DescriptorLetsOthersWrite for a file or folder on disk; true as well when its
// descriptor cannot be read.
bool OthersCanWrite(const std::wstring& path);
