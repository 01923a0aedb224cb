// File permissions for the tests: what other users may do with a file.
#pragma once

#include <string>

// Adds an entry giving Everyone full control to the file's or folder's DACL, as
// on a folder shared with every local user. Under Wine this opens the Unix mode
// to all (Wine keeps no DACL of its own for files).
void GrantEveryoneFullControl(const std::wstring& path);
