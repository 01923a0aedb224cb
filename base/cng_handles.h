// Owners for CNG (BCrypt) handles: algorithm providers, hashes and keys.
#pragma once

#include <windows.h>
#include <bcrypt.h>

#include "base/handles.h"

struct CngAlgorithmTraits {
    using Type = BCRYPT_ALG_HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { BCryptCloseAlgorithmProvider(h, 0); }
};
struct CngHashTraits {
    using Type = BCRYPT_HASH_HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { BCryptDestroyHash(h); }
};
struct CngKeyTraits {
    using Type = BCRYPT_KEY_HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { BCryptDestroyKey(h); }
};

using UniqueCngAlgorithm = Unique<CngAlgorithmTraits>;
using UniqueCngHash = Unique<CngHashTraits>;
using UniqueCngKey = Unique<CngKeyTraits>;

inline bool CngSucceeded(NTSTATUS status) { return status >= 0; }
