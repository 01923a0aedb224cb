// Key pairs and catalogue signatures for the publisher's tool. A private-key
// file holds X‖Y‖d of an ECDSA P-256 key as 192 hexadecimal digits, a public-
// key file X‖Y as 128, each followed by a line break.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "publisher/catalog_check.h"

// Key files are a line of hexadecimal digits: anything larger is not one.
inline constexpr unsigned long long kKeyFileSizeLimit = 1024;

struct SigningKeyPair {
    std::string privateKeyText;
    std::string publicKeyText;
};

// A new key pair from CNG; throws.
SigningKeyPair GenerateSigningKeyPair();
// The signature file's text (r‖s, 128 hexadecimal digits and a line break)
// for the catalogue's bytes; throws when the private key cannot be used.
std::string SignCatalogBytes(std::string_view catalogBytes, std::string_view privateKeyText);
// The public-key text (128 digits) of a private-key file's text.
std::optional<std::string> PublicKeyOfPrivateKey(std::string_view privateKeyText);
// A public-key file's key, or nothing when the file cannot be read or is not
// one; says why on the error stream.
std::optional<std::string> ReadPublicKeyFile(const std::wstring& path);
// The signature beside the catalogue (CATALOG.sig, read with the program's
// size limit) when it is the key's signature of `catalogBytes`; else throws
// the program's signature message.
std::string VerifySignatureBeside(const std::wstring& catalogPath, std::string_view catalogBytes,
                                  const std::string& publicKey);
// Adds a problem unless CATALOG.sig is the key's signature of `catalogBytes`.
void CheckSignatureBeside(const std::wstring& catalogPath, const std::string& catalogBytes,
                          const std::string& publicKey, CatalogCheck& check);
