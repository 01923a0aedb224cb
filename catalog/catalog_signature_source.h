// The catalogue's signature read from where the catalogue came from: the
// catalogue's address followed by ".sig" online, catalog.json.sig in the
// offline folder.
#pragma once

#include <string>
#include <vector>

// False, reading nothing, when `keys` is empty (an unsigned build). Otherwise
// true when the signature verifies with one of the keys; throws "Signature du
// catalogue absente ou invalide" when it is missing, unreadable, too large,
// malformed or not matching.
bool VerifyCatalogSourceSignature(const std::string& catalogBytes, bool offline, const std::wstring& offlineRoot,
                                  const std::vector<std::string>& keys);
