// Folder helpers for the publisher's tool.
#pragma once

#include <string>

bool IsFolder(const std::wstring& path);
// True when `path` is a file, or a folder holding anything.
bool IsNonEmptyFolderOrFile(const std::wstring& path);
// Deletes a file or a folder with all it holds, walking it by handle: every
// entry is opened from its folder's handle and held while it is removed, so a
// folder swapped for a junction meanwhile is never followed; junctions and
// symbolic links are removed without following them.
void RemoveTreeIfPresent(const std::wstring& path);
// Writes the bytes to a new file; throws "Écriture du fichier impossible".
void WriteWholeFile(const std::wstring& path, const std::string& bytes);
