// The large tool file that the download and install benchmarks serve.
#pragma once

#include <cstddef>
#include <string>

// Writes `size` bytes of a fixed pattern that does not compress; false when
// the file cannot be written whole.
bool WriteBenchFile(const std::wstring& path, size_t size);
