// A proxy's sign-in request (407) answered with the signed-in user's own
// Windows logon: Negotiate (Kerberos) or NTLM. No name or password is ever
// stored or asked for, so a proxy that wants one (Basic, Digest) is refused.
// Web servers never get the logon, whatever they ask.
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

// Before a request is first sent: WinHTTP may not log on anywhere by itself.
bool KeepLogonFromServers(HINTERNET request);

// After a 407 from the proxy that the request was sent through, before any
// tunnel to the server exists: readies the request to be sent once more with
// the user's logon, for the proxy alone. False when the proxy accepts none of
// the schemes that allows.
bool AnswerProxyChallenge(HINTERNET request);
