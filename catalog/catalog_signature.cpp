#include "catalog/catalog_signature.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>

#include "base/cng_handles.h"
#include "base/error.h"
#include "base/messages.h"
#include "base/sha256.h"

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// BCRYPT_ECCPUBLIC_BLOB of a P-256 key: the header, then X and Y.
std::vector<unsigned char> PublicKeyBlob(const EcdsaP256Value& xy) {
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::vector<unsigned char> blob(sizeof(header) + xy.size());
    std::memcpy(blob.data(), &header, sizeof(header));
    std::memcpy(blob.data() + sizeof(header), xy.data(), xy.size());
    return blob;
}

bool VerifiesWith(BCRYPT_ALG_HANDLE algorithm, const EcdsaP256Value& publicKey, std::array<unsigned char, 32>& digest,
                  EcdsaP256Value& signature) {
    std::vector<unsigned char> blob = PublicKeyBlob(publicKey);
    UniqueCngKey key;
    if (!CngSucceeded(BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPUBLIC_BLOB, key.put(), blob.data(),
                                          static_cast<ULONG>(blob.size()), 0)))
        return false;
    return CngSucceeded(BCryptVerifySignature(key.get(), nullptr, digest.data(), static_cast<ULONG>(digest.size()),
                                              signature.data(), static_cast<ULONG>(signature.size()), 0));
}

}  // namespace

std::string_view WithoutLineBreak(std::string_view text) {
    if (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n") {
        text.remove_suffix(2);
    } else if (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
    }
    return text;
}

bool DecodeHex(std::string_view digits, unsigned char* out, size_t count) {
    if (digits.size() != count * 2) return false;
    for (size_t i = 0; i < count; ++i) {
        int high = HexDigitValue(digits[2 * i]);
        int low = HexDigitValue(digits[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        out[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return true;
}

std::optional<EcdsaP256Value> ParseHexValue(std::string_view text) {
    EcdsaP256Value value{};
    if (!DecodeHex(WithoutLineBreak(text), value.data(), value.size())) return std::nullopt;
    return value;
}

void VerifyCatalogSignature(std::string_view catalogBytes, std::string_view signatureText,
                            const std::vector<std::string>& publicKeys) {
    std::optional<EcdsaP256Value> signature = ParseHexValue(signatureText);
    if (!signature || publicKeys.empty()) Fail(msg::kCatalogSignatureInvalid);

    UniqueCngAlgorithm algorithm;
    if (!CngSucceeded(BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)))
        Fail(msg::kCatalogSignatureInvalid);
    std::array<unsigned char, 32> digest = ComputeSha256(catalogBytes);
    for (const std::string& keyText : publicKeys) {
        std::optional<EcdsaP256Value> key = ParseHexValue(keyText);
        if (key && VerifiesWith(algorithm.get(), *key, digest, *signature)) return;
    }
    Fail(msg::kCatalogSignatureInvalid);
}
