// A proxy's sign-in request (407) answered with the signed-in user's own
// Windows logon: Negotiate (Kerberos) or NTLM. No name or password is ever
// stored or asked for, so a proxy that wants one (Basic, Digest) is refused.
#pragma once

#include <windows.h>
#include <winhttp.h>

// The WinHTTP calls of a sign-in, in one table that tests replace: no domain
// and no Negotiate proxy exist on a test machine.
struct ProxySignInCalls {
    BOOL(WINAPI* queryAuthSchemes)(HINTERNET, LPDWORD, LPDWORD, LPDWORD);
    BOOL(WINAPI* setOption)(HINTERNET, DWORD, LPVOID, DWORD);
    BOOL(WINAPI* setCredentials)(HINTERNET, DWORD, DWORD, LPCWSTR, LPCWSTR, LPVOID);
};
ProxySignInCalls& ProxySignInApi();

// After a 407: readies the request to be sent once more with the user's
// logon. False when the proxy accepts none of the schemes that allows.
bool AnswerProxyChallenge(HINTERNET request);
