#include "app/sha256.h"

#include <windows.h>
#include <bcrypt.h>

#include <vector>

#include "app/error.h"
#include "app/handles.h"
#include "app/messages.h"

namespace {

constexpr DWORD kReadBlockBytes = 131072;

struct AlgorithmTraits {
    using Type = BCRYPT_ALG_HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { BCryptCloseAlgorithmProvider(h, 0); }
};
struct HashTraits {
    using Type = BCRYPT_HASH_HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { BCryptDestroyHash(h); }
};

bool Succeeded(NTSTATUS status) { return status >= 0; }

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

bool FileMatchesSha256(const std::wstring& path, const std::wstring& expected) {
    if (expected.empty()) return true;
    return _wcsicmp(ComputeFileSha256(path).c_str(), expected.c_str()) == 0;
}
