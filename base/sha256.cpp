#include "base/sha256.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "base/cng_handles.h"
#include "base/error.h"
#include "base/file_blocks.h"
#include "base/messages.h"

namespace {

constexpr DWORD kReadBlockBytes = 131072;

DWORD ReadDwordProperty(BCRYPT_ALG_HANDLE algorithm, LPCWSTR name) {
    DWORD value = 0;
    ULONG written = 0;
    if (!CngSucceeded(BCryptGetProperty(algorithm, name, reinterpret_cast<PUCHAR>(&value), sizeof(value), &written, 0)))
        Fail(msg::kShaUnavailable);
    return value;
}

std::wstring ToUpperHex(const std::array<unsigned char, 32>& bytes) {
    const std::string text = HexOf(bytes.data(), bytes.size());
    return std::wstring(text.begin(), text.end());
}

}  // namespace

std::string HexOf(const unsigned char* bytes, size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}

std::wstring ComputeFileSha256(const std::wstring& path, const ByteProgress& progress) {
    Sha256Stream hash;
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) Fail(msg::kFileReadFailed);

    long long expected = -1;
    if (progress) {
        LARGE_INTEGER size{};
        if (GetFileSizeEx(file.get(), &size)) expected = size.QuadPart;
    }
    unsigned long long done = 0;
    ForEachFileBlock(file.get(), msg::kFileReadFailed, [&](const char* data, DWORD size) {
        hash.Add(data, size);
        done += size;
        if (progress) progress(done, expected);
    });
    file.reset();
    return hash.Finish();
}

std::array<unsigned char, 32> ComputeSha256(std::string_view bytes) {
    Sha256Stream hash;
    // Fed in blocks: BCryptHashData takes a 32-bit length.
    for (size_t done = 0; done < bytes.size(); done += kReadBlockBytes) {
        size_t length = bytes.size() - done < kReadBlockBytes ? bytes.size() - done : kReadBlockBytes;
        hash.Add(bytes.data() + done, static_cast<unsigned long>(length));
    }
    return hash.FinishBytes();
}

bool Sha256Matches(const std::wstring& digest, const std::wstring& expected) {
    return _wcsicmp(digest.c_str(), expected.c_str()) == 0;
}

bool IsSha256Text(std::wstring_view text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](wchar_t c) {
               return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f');
           });
}

bool FileMatchesSha256(const std::wstring& path, const std::wstring& expected, const ByteProgress& progress) {
    if (expected.empty()) return true;
    return Sha256Matches(ComputeFileSha256(path, progress), expected);
}

Sha256Stream::Sha256Stream() {
    if (!CngSucceeded(BCryptOpenAlgorithmProvider(algorithm_.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        Fail(msg::kShaUnavailable);
    hashObject_.resize(ReadDwordProperty(algorithm_.get(), BCRYPT_OBJECT_LENGTH));
    if (ReadDwordProperty(algorithm_.get(), BCRYPT_HASH_LENGTH) != 32) Fail(msg::kShaUnavailable);
    if (!CngSucceeded(BCryptCreateHash(algorithm_.get(), hash_.put(), hashObject_.data(),
                                       static_cast<ULONG>(hashObject_.size()), nullptr, 0, 0)))
        Fail(msg::kShaFailed);
}

void Sha256Stream::Restart() {
    hash_.reset();
    if (!CngSucceeded(BCryptCreateHash(algorithm_.get(), hash_.put(), hashObject_.data(),
                                       static_cast<ULONG>(hashObject_.size()), nullptr, 0, 0)))
        Fail(msg::kShaFailed);
}

void Sha256Stream::Add(const void* data, unsigned long size) {
    if (!CngSucceeded(BCryptHashData(hash_.get(), static_cast<PUCHAR>(const_cast<void*>(data)), size, 0)))
        Fail(msg::kShaFailed);
}

std::array<unsigned char, 32> Sha256Stream::FinishBytes() {
    std::array<unsigned char, 32> digest{};
    if (!CngSucceeded(BCryptFinishHash(hash_.get(), digest.data(), static_cast<ULONG>(digest.size()), 0)))
        Fail(msg::kShaFailed);
    return digest;
}

std::wstring Sha256Stream::Finish() { return ToUpperHex(FinishBytes()); }
