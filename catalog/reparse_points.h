// Symbolic links and junctions on an offline key or share: followed, they
// could lead the program to another share and hand it the user's credentials.
#pragma once

#include <string>

// True when the path, or any folder on it below the drive root or the share
// (\\server\share), is a reparse point, or cannot be examined. Each part is
// examined without following it, so nothing behind a link is ever reached. On
// a share, the links of a DFS namespace are the administrators' own and pass.
bool CrossesReparsePoint(const std::wstring& path);
