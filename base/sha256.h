// SHA-256 through CNG: of a file as 64 upper-case hexadecimal digits, or of
// bytes in memory.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_progress.h"
#include "base/cng_handles.h"

// `progress` hears after each block the bytes hashed so far and the file size.
std::wstring ComputeFileSha256(const std::wstring& path, const ByteProgress& progress = {});
// True when `expected` is empty, else when the file's digest equals it
// ignoring case. Hashing errors pass through.
bool FileMatchesSha256(const std::wstring& path, const std::wstring& expected, const ByteProgress& progress = {});
// The same comparison for a digest already computed: all 64 digits, any case.
bool Sha256Matches(const std::wstring& digest, const std::wstring& expected);
// The raw 32-byte SHA-256 digest of bytes in memory.
std::array<unsigned char, 32> ComputeSha256(std::string_view bytes);

// A digest as a catalogue writes it: exactly 64 hexadecimal digits, any case.
bool IsSha256Text(std::wstring_view text);

// A digest fed block by block, for bytes hashed as they are copied.
// Two upper-case hexadecimal digits per byte.
std::string HexOf(const unsigned char* bytes, size_t count);

class Sha256Stream {
public:
    Sha256Stream();
    Sha256Stream(const Sha256Stream&) = delete;
    Sha256Stream& operator=(const Sha256Stream&) = delete;

    void Add(const void* data, unsigned long size);
    // Forgets every byte added: the digest starts again from nothing.
    void Restart();
    // The digest as 64 upper-case digits; the stream is spent afterwards.
    std::wstring Finish();
    // The digest's 32 bytes; the stream is spent afterwards.
    std::array<unsigned char, 32> FinishBytes();

private:
    // Declared in this order so the hash is destroyed before its provider.
    UniqueCngAlgorithm algorithm_;
    std::vector<unsigned char> hashObject_;
    UniqueCngHash hash_;
};
