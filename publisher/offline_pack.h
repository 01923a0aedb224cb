// Building a complete OrkvaneOffline folder from a catalogue and a folder of
// executables and icons.
#pragma once

#include <string>

// Returns 0 when DEST was made; prints why and returns 1 otherwise, leaving
// no DEST and no temporary folder behind. With a public-key file, the
// catalogue's signature (CATALOG.sig) must verify with it and is copied too.
int PackOfflineFolder(const std::wstring& catalogPath, const std::wstring& sourceFolder, const std::wstring& dest,
                      const std::wstring& publicKeyPath = L"");
