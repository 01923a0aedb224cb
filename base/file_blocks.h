// Reading an open file to its end in large blocks: the one loop behind
// hashing a file, copying a tool from a USB key and copying it into place.
#pragma once

#include <windows.h>

#include <functional>

// Hands each block read from `file`, from its current position to its end,
// to `use` (never an empty one). A failed read fails with `failure`; what
// `use` throws passes through.
void ForEachFileBlock(HANDLE file, const char* failure, const std::function<void(const char* data, DWORD size)>& use);
