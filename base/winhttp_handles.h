// The WinHTTP handle, owned like every other handle, and what every session
// of the program says and how long it waits: the HTTPS client and the proxy
// detection both open sessions.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include "base/handles.h"

struct WinHttpHandleTraits {
    using Type = HINTERNET;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { WinHttpCloseHandle(h); }
};
using UniqueInternet = Unique<WinHttpHandleTraits>;

inline constexpr wchar_t kUserAgent[] = L"Orkvane/1.4";
inline constexpr DWORD kHttpTimeoutMs = 12000;
