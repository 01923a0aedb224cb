// SHA-256 of a file through CNG, as 64 upper-case hexadecimal digits.
#pragma once

#include <string>

std::wstring ComputeFileSha256(const std::wstring& path);
// True when `expected` is empty, else when the file's digest equals it
// ignoring case. Hashing errors pass through.
bool FileMatchesSha256(const std::wstring& path, const std::wstring& expected);
