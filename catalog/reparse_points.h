// Symbolic links and junctions on an offline key: followed, they could lead
// the program to a network share and hand it the user's credentials.
#pragma once

#include <string>

// True when the path, or any folder on it below the drive root, is a reparse
// point, or cannot be examined. Each part is examined without following it, so
// nothing behind a link is ever reached.
bool CrossesReparsePoint(const std::wstring& path);
