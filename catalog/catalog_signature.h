// Detached signatures of the catalogue: ECDSA P-256 over the SHA-256 of the
// exact bytes of catalog.json, checked through CNG. The signature file,
// catalog.json.sig, holds r‖s as 128 hexadecimal digits, optionally followed
// by one line break; a public key is X‖Y in the same form.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr wchar_t kSignatureFileName[] = L"catalog.json.sig";
inline constexpr wchar_t kSignatureSuffix[] = L".sig";
// Far above the 130 bytes of a well-formed file, far below anything costly.
inline constexpr unsigned long long kSignatureSizeLimit = 512;

using EcdsaP256Value = std::array<unsigned char, 64>;  // r‖s, or X‖Y

// The text without one final "\n" or "\r\n".
std::string_view WithoutLineBreak(std::string_view text);
// Exactly 2 × `count` hexadecimal digits (either case) into `out`; false for
// anything else.
bool DecodeHex(std::string_view digits, unsigned char* out, size_t count);
// The 64 bytes written as 128 hexadecimal digits (either case), optionally
// followed by "\n" or "\r\n"; nothing for any other text.
std::optional<EcdsaP256Value> ParseHexValue(std::string_view text);

// Returns when `signatureText` is a signature of `catalogBytes` by one of
// `publicKeys` (each in the text form above); throws "Signature du catalogue
// absente ou invalide" otherwise, also when the list is empty.
void VerifyCatalogSignature(std::string_view catalogBytes, std::string_view signatureText,
                            const std::vector<std::string>& publicKeys);
