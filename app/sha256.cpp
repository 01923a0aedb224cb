#include "app/sha256.h"

#include <windows.h>
#include <bcrypt.h>

#include <array>
#include <string_view>
#include <vector>

#include "app/cng_handles.h"
#include "app/error.h"
#include "app/messages.h"

namespace {

constexpr DWORD kReadBlockBytes = 131072;

using AlgorithmTraits = CngAlgorithmTraits;
using HashTraits = CngHashTraits;

bool Succeeded(NTSTATUS status) { return CngSucceeded(status); }

DWORD ReadDwordProperty(BCRYPT_ALG_HANDLE algorithm, LPCWSTR name) {
    DWORD value = 0;
    ULONG written = 0;
    if (!Succeeded(BCryptGetProperty(algorithm, name, reinterpret_cast<PUCHAR>(&value), sizeof(value),
                                     &written, 0)))
        Fail(msg::kShaUnavailable);
    return value;
}

std::wstring ToUpperHex(const std::vector<unsigned char>& bytes) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
    }
    return text;
}

}  // namespace

std::wstring ComputeFileSha256(const std::wstring& path, const HashProgress& progress) {
    Unique<AlgorithmTraits> algorithm;
    if (!Succeeded(BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        Fail(msg::kShaUnavailable);

    std::vector<unsigned char> hashObject(ReadDwordProperty(algorithm.get(), BCRYPT_OBJECT_LENGTH));
    std::vector<unsigned char> digest(ReadDwordProperty(algorithm.get(), BCRYPT_HASH_LENGTH));

    Unique<HashTraits> hash;
    if (!Succeeded(BCryptCreateHash(algorithm.get(), hash.put(), hashObject.data(),
                                    static_cast<ULONG>(hashObject.size()), nullptr, 0, 0)))
        Fail(msg::kShaFailed);

    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) Fail(msg::kFileReadFailed);

    unsigned long long total = 0;
    if (progress) {
        LARGE_INTEGER size{};
        if (GetFileSizeEx(file.get(), &size)) total = static_cast<unsigned long long>(size.QuadPart);
    }
    unsigned long long done = 0;
    std::vector<unsigned char> block(kReadBlockBytes);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), block.data(), kReadBlockBytes, &read, nullptr)) Fail(msg::kFileReadFailed);
        if (read == 0) break;
        if (!Succeeded(BCryptHashData(hash.get(), block.data(), read, 0))) Fail(msg::kShaFailed);
        done += read;
        if (progress) progress(done, total);
    }
    file.reset();

    if (!Succeeded(BCryptFinishHash(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0)))
        Fail(msg::kShaFailed);
    return ToUpperHex(digest);
}

std::array<unsigned char, 32> ComputeSha256(std::string_view bytes) {
    Unique<AlgorithmTraits> algorithm;
    if (!Succeeded(BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        Fail(msg::kShaUnavailable);
    std::vector<unsigned char> hashObject(ReadDwordProperty(algorithm.get(), BCRYPT_OBJECT_LENGTH));
    Unique<HashTraits> hash;
    if (!Succeeded(BCryptCreateHash(algorithm.get(), hash.put(), hashObject.data(),
                                    static_cast<ULONG>(hashObject.size()), nullptr, 0, 0)))
        Fail(msg::kShaFailed);
    // Fed in blocks: BCryptHashData takes a 32-bit length.
    for (size_t done = 0; done < bytes.size(); done += kReadBlockBytes) {
        size_t length = bytes.size() - done < kReadBlockBytes ? bytes.size() - done : kReadBlockBytes;
        auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + done));
        if (!Succeeded(BCryptHashData(hash.get(), data, static_cast<ULONG>(length), 0))) Fail(msg::kShaFailed);
    }
    std::array<unsigned char, 32> digest{};
    if (!Succeeded(BCryptFinishHash(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0)))
        Fail(msg::kShaFailed);
    return digest;
}

bool Sha256Matches(const std::wstring& digest, const std::wstring& expected) {
    return _wcsicmp(digest.c_str(), expected.c_str()) == 0;
}

bool FileMatchesSha256(const std::wstring& path, const std::wstring& expected, const HashProgress& progress) {
    if (expected.empty()) return true;
    return Sha256Matches(ComputeFileSha256(path, progress), expected);
}

Sha256Stream::Sha256Stream() {
    if (!Succeeded(BCryptOpenAlgorithmProvider(algorithm_.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        Fail(msg::kShaUnavailable);
    hashObject_.resize(ReadDwordProperty(algorithm_.get(), BCRYPT_OBJECT_LENGTH));
    digest_.resize(ReadDwordProperty(algorithm_.get(), BCRYPT_HASH_LENGTH));
    if (!Succeeded(BCryptCreateHash(algorithm_.get(), hash_.put(), hashObject_.data(),
                                    static_cast<ULONG>(hashObject_.size()), nullptr, 0, 0)))
        Fail(msg::kShaFailed);
}

void Sha256Stream::Add(const void* data, unsigned long size) {
    if (!Succeeded(BCryptHashData(hash_.get(), static_cast<PUCHAR>(const_cast<void*>(data)), size, 0)))
        Fail(msg::kShaFailed);
}

std::wstring Sha256Stream::Finish() {
    if (!Succeeded(BCryptFinishHash(hash_.get(), digest_.data(), static_cast<ULONG>(digest_.size()), 0)))
        Fail(msg::kShaFailed);
    return ToUpperHex(digest_);
}
