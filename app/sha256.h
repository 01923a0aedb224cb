// SHA-256 of a file through CNG, as 64 upper-case hexadecimal digits.
#pragma once

#include <functional>
#include <string>

// Called after each block with the bytes hashed so far and the file size.
using HashProgress = std::function<void(unsigned long long done, unsigned long long total)>;

std::wstring ComputeFileSha256(const std::wstring& path, const HashProgress& progress = {});
// True when `expected` is empty, else when the file's digest equals it
// ignoring case. Hashing errors pass through.
bool FileMatchesSha256(const std::wstring& path, const std::wstring& expected);
