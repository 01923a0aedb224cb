// The publisher's signing commands: making a key pair and signing a catalogue.
#pragma once

#include <string>

// keygen PRIVATE PUBLIC: writes a new key pair, never over existing files.
int MakeKeyPair(const std::wstring& privatePath, const std::wstring& publicPath);
// sign CATALOG --key PRIVATE: writes CATALOG.sig and verifies what it wrote.
int SignCatalog(const std::wstring& catalogPath, const std::wstring& privateKeyPath);
