// The diagnostic information that support asks for, as a short plain text
// (the program keeps no log): version, source, signature, policies, the last
// catalogue load, the Apps folder, the proxy and Windows. Never the user's
// name: folders under the profile are written %LOCALAPPDATA% and %USERPROFILE%.
#pragma once

#include <string>
#include <vector>

#include "app/policies.h"
#include "app/state.h"

struct DiagnosticFacts {
    std::wstring version;
    bool installedCopy = false;
    std::wstring exePath;
    bool offline = false;
    std::wstring offlineRoot;
    std::wstring webHost;
    std::vector<std::wstring> keyFingerprints;  // empty in an unsigned build
    unsigned long long onlineSerial = 0;        // highest accepted, 0 for none
    unsigned long long offlineSerial = 0;
    Policies policies;
    CatalogLoadRecord lastLoad;
    std::vector<std::wstring> missingRequiredTools;  // required, absent from the last catalogue
    std::wstring appsFolder;
    int appsToolCount = 0;
    std::wstring proxy;  // online only
    std::wstring windowsVersion;
    // Written %LOCALAPPDATA% and %USERPROFILE% in whatever form they appear
    // (any case, forward slashes, file:// URLs, their 8.3 short forms).
    std::wstring localAppData;
    std::wstring userProfile;
    std::wstring localAppDataShort;  // empty when the same as the long form
    std::wstring userProfileShort;
};

// From the state, the build and the system. User-interface thread.
DiagnosticFacts GatherDiagnosticFacts();
// The text, lines ended by "\r\n".
std::wstring ComposeDiagnosticText(const DiagnosticFacts& facts);
// The first 16 hexadecimal digits of the SHA-256 of a public key's 64 bytes
// (X‖Y), as `xxd -r -p key.public | sha256sum` shows them.
std::wstring KeyFingerprint(const std::string& publicKey);
