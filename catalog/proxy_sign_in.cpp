#include "catalog/proxy_sign_in.h"

ProxySignInCalls& ProxySignInApi() {
    static ProxySignInCalls calls{WinHttpQueryAuthSchemes, WinHttpSetOption, WinHttpSetCredentials};
    return calls;
}

bool KeepLogonFromServers(HINTERNET request) {
    // The default policy hands the logon to any server that counts as
    // intranet and asks for it; the high level hands it to none.
    DWORD policy = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
    return ProxySignInApi().setOption(request, WINHTTP_OPTION_AUTOLOGON_POLICY, &policy, sizeof(policy)) != FALSE;
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
    // No name and no password: WinHTTP uses the signed-in user's own, given
    // explicitly and for the proxy target only; the automatic logon policy
    // stays at its high level, so a server that asks later gets nothing.
    return calls.setCredentials(request, WINHTTP_AUTH_TARGET_PROXY, scheme, nullptr, nullptr, nullptr) != FALSE;
}
