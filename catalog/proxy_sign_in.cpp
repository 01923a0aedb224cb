#include "catalog/proxy_sign_in.h"

ProxySignInCalls& ProxySignInApi() {
    static ProxySignInCalls calls{WinHttpQueryAuthSchemes, WinHttpSetOption, WinHttpSetCredentials};
    return calls;
}

bool AnswerProxyChallenge(HINTERNET request) {
    const ProxySignInCalls& calls = ProxySignInApi();
    DWORD supported = 0;
    DWORD first = 0;
    DWORD target = 0;
    if (!calls.queryAuthSchemes(request, &supported, &first, &target) || target != WINHTTP_AUTH_TARGET_PROXY)
        return false;
    // Negotiate chooses Kerberos where the domain allows it, else NTLM.
    DWORD scheme = 0;
    if (supported & WINHTTP_AUTH_SCHEME_NEGOTIATE) {
        scheme = WINHTTP_AUTH_SCHEME_NEGOTIATE;
    } else if (supported & WINHTTP_AUTH_SCHEME_NTLM) {
        scheme = WINHTTP_AUTH_SCHEME_NTLM;
    } else {
        return false;
    }
    // The default policy gives the logon only to intranet hosts; a company
    // proxy is often named in a way that does not count as one.
    DWORD policy = WINHTTP_AUTOLOGON_SECURITY_LEVEL_LOW;
    if (!calls.setOption(request, WINHTTP_OPTION_AUTOLOGON_POLICY, &policy, sizeof(policy))) return false;
    // No name and no password: WinHTTP uses the signed-in user's own.
    return calls.setCredentials(request, WINHTTP_AUTH_TARGET_PROXY, scheme, nullptr, nullptr, nullptr) != FALSE;
}
