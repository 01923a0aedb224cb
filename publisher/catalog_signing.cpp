#include "publisher/catalog_signing.h"

#include <windows.h>
#include <bcrypt.h>

#include <array>
#include <cstring>
#include <vector>

#include "base/cng_handles.h"
#include "base/error.h"
#include "base/messages.h"
#include "base/sha256.h"
#include "catalog/catalog_signature.h"
#include "catalog/offline_source.h"
#include "catalog/utf8.h"
#include "publisher/console.h"

namespace {

constexpr char kCngUnavailable[] = "ECDSA P-256 indisponible (CNG)";
constexpr char kKeyGenerationFailed[] = "Création de la paire de clés impossible";
constexpr char kPrivateKeyInvalid[] =
    "Clé privée illisible : 192 chiffres hexadécimaux attendus (fichier écrit par keygen)";
constexpr char kSigningFailed[] = "Signature impossible avec cette clé privée";
constexpr size_t kCoordinateBytes = 32;

using PrivateKeyBytes = std::array<unsigned char, 3 * kCoordinateBytes>;  // X‖Y‖d

UniqueCngAlgorithm OpenEcdsaP256() {
    UniqueCngAlgorithm algorithm;
    if (!CngSucceeded(BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)))
        Fail(kCngUnavailable);
    return algorithm;
}

std::optional<PrivateKeyBytes> ParsePrivateKey(std::string_view text) {
    PrivateKeyBytes key{};
    if (!DecodeHex(WithoutLineBreak(text), key.data(), key.size())) return std::nullopt;
    return key;
}

}  // namespace

SigningKeyPair GenerateSigningKeyPair() {
    UniqueCngAlgorithm algorithm = OpenEcdsaP256();
    UniqueCngKey key;
    if (!CngSucceeded(BCryptGenerateKeyPair(algorithm.get(), key.put(), 256, 0)) ||
        !CngSucceeded(BCryptFinalizeKeyPair(key.get(), 0)))
        Fail(kKeyGenerationFailed);
    std::vector<unsigned char> blob(sizeof(BCRYPT_ECCKEY_BLOB) + sizeof(PrivateKeyBytes));
    ULONG written = 0;
    if (!CngSucceeded(BCryptExportKey(key.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, blob.data(),
                                      static_cast<ULONG>(blob.size()), &written, 0)) ||
        written != blob.size())
        Fail(kKeyGenerationFailed);
    const unsigned char* values = blob.data() + sizeof(BCRYPT_ECCKEY_BLOB);
    SigningKeyPair pair;
    pair.privateKeyText = HexOf(values, sizeof(PrivateKeyBytes)) + "\n";
    pair.publicKeyText = HexOf(values, 2 * kCoordinateBytes) + "\n";
    SecureZeroMemory(blob.data(), blob.size());
    return pair;
}

std::string SignCatalogBytes(std::string_view catalogBytes, std::string_view privateKeyText) {
    std::optional<PrivateKeyBytes> privateKey = ParsePrivateKey(privateKeyText);
    if (!privateKey) Fail(kPrivateKeyInvalid);
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PRIVATE_P256_MAGIC, kCoordinateBytes};
    std::vector<unsigned char> blob(sizeof(header) + privateKey->size());
    std::memcpy(blob.data(), &header, sizeof(header));
    std::memcpy(blob.data() + sizeof(header), privateKey->data(), privateKey->size());
    SecureZeroMemory(privateKey->data(), privateKey->size());

    UniqueCngAlgorithm algorithm = OpenEcdsaP256();
    UniqueCngKey key;
    NTSTATUS imported = BCryptImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, key.put(), blob.data(),
                                            static_cast<ULONG>(blob.size()), 0);
    SecureZeroMemory(blob.data(), blob.size());
    if (!CngSucceeded(imported)) Fail(kPrivateKeyInvalid);

    std::array<unsigned char, 32> digest = ComputeSha256(catalogBytes);
    EcdsaP256Value signature{};
    ULONG written = 0;
    if (!CngSucceeded(BCryptSignHash(key.get(), nullptr, digest.data(), static_cast<ULONG>(digest.size()),
                                     signature.data(), static_cast<ULONG>(signature.size()), &written, 0)) ||
        written != signature.size())
        Fail(kSigningFailed);
    return HexOf(signature.data(), signature.size()) + "\n";
}

std::optional<std::string> PublicKeyOfPrivateKey(std::string_view privateKeyText) {
    std::optional<PrivateKeyBytes> privateKey = ParsePrivateKey(privateKeyText);
    if (!privateKey) return std::nullopt;
    std::string text = HexOf(privateKey->data(), 2 * kCoordinateBytes);
    SecureZeroMemory(privateKey->data(), privateKey->size());
    return text;
}

std::optional<std::string> ReadPublicKeyFile(const std::wstring& path) {
    std::string text;
    try {
        text = ReadOfflineFile(path, kKeyFileSizeLimit);
    } catch (const AppError& e) {
        PrintErr(path + L" : " + Utf8ToWide(e.what()));
        return std::nullopt;
    }
    std::optional<EcdsaP256Value> key = ParseHexValue(text);
    if (!key) {
        PrintErr(path + L" : clé publique illisible : 128 chiffres hexadécimaux attendus (fichier écrit par keygen)");
        return std::nullopt;
    }
    return HexOf(key->data(), key->size());
}

std::string VerifySignatureBeside(const std::wstring& catalogPath, std::string_view catalogBytes,
                                  const std::string& publicKey) {
    std::string signature;
    try {
        signature = ReadOfflineFile(catalogPath + kSignatureSuffix, kSignatureSizeLimit);
    } catch (const AppError&) {
        Fail(msg::kCatalogSignatureInvalid);
    }
    VerifyCatalogSignature(catalogBytes, signature, {publicKey});
    return signature;
}

void CheckSignatureBeside(const std::wstring& catalogPath, const std::string& catalogBytes,
                          const std::string& publicKey, CatalogCheck& check) {
    try {
        VerifySignatureBeside(catalogPath, catalogBytes, publicKey);
    } catch (const AppError& e) {
        check.problems.push_back({0, L"", Utf8ToWide(e.what()) + L" (" + catalogPath + kSignatureSuffix + L")"});
    }
}
