// SHA-256 through CNG: of a file as 64 upper-case hexadecimal digits, or of
// bytes in memory.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

// Called after each block with the bytes hashed so far and the file size.
using HashProgress = std::function<void(unsigned long long done, unsigned long long total)>;

std::wstring ComputeFileSha256(const std::wstring& path, const HashProgress& progress = {});
// True when `expected` is empty, else when the file's digest equals it
// ignoring case. Hashing errors pass through.
bool FileMatchesSha256(const std::wstring& path, const std::wstring& expected);
// The raw 32-byte SHA-256 digest of bytes in memory.
std::array<unsigned char, 32> ComputeSha256(std::string_view bytes);
