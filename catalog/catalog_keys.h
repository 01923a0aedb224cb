// The public keys that a catalogue must be signed with. Empty in an unsigned
// build, which reads no signature at all.
#pragma once

#include <string>
#include <vector>

// Read on the user-interface thread; each load takes a copy.
const std::vector<std::string>& CatalogSigningKeys();
// Replaces the build's keys for the rest of the process: the tests' way of
// running this program as a signed build.
void ReplaceCatalogSigningKeys(std::vector<std::string> keys);
