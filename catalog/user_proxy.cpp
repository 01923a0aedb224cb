#include "catalog/user_proxy.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "base/handles.h"
#include "catalog/proxy_route.h"

namespace {

std::wstring TextOf(const UniqueGlobalText& text) { return text ? std::wstring(text.get()) : std::wstring(); }

std::wstring Lower(std::wstring text) {
    for (wchar_t& ch : text) ch = static_cast<wchar_t>(std::towlower(ch));
    return text;
}

// An address as support may see it: no "user:password@" before the host, and
// nothing from the query or fragment on (a token often rides there).
std::wstring WithoutSecrets(const std::wstring& address) {
    const size_t scheme = address.find(L"://");
    const size_t hostStart = scheme == std::wstring::npos ? 0 : scheme + 3;
    const size_t hostEnd = std::min(address.find_first_of(L"/\\?#", hostStart), address.size());
    const size_t at = address.rfind(L'@', hostEnd == 0 ? 0 : hostEnd - 1);
    std::wstring shown = address;
    if (at != std::wstring::npos && at >= hostStart && at < hostEnd) shown.erase(hostStart, at + 1 - hostStart);
    return shown.substr(0, shown.find_first_of(L"?#"));
}

}  // namespace

UserProxySettings ReadUserProxySettings() {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    UserProxySettings settings;
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return settings;
    UniqueGlobalText autoConfigUrl(config.lpszAutoConfigUrl);
    UniqueGlobalText proxy(config.lpszProxy);
    UniqueGlobalText bypass(config.lpszProxyBypass);
    settings.autoDetect = config.fAutoDetect != FALSE;
    settings.autoConfigUrl = TextOf(autoConfigUrl);
    settings.proxy = TextOf(proxy);
    settings.bypass = TextOf(bypass);
    return settings;
}

std::wstring DescribeProxyFor(const UserProxySettings& settings, const std::wstring& host) {
    std::vector<std::wstring> ways;
    if (settings.autoDetect) ways.push_back(L"détection automatique");
    if (!settings.autoConfigUrl.empty())
        ways.push_back(L"script de configuration " + WithoutSecrets(settings.autoConfigUrl));
    // The same reading of the list and of the exceptions as the requests use.
    const std::vector<std::wstring> proxies = ProxiesForScheme(settings.proxy, L"https");
    if (!proxies.empty()) {
        const size_t colon = host.find(L':');
        const std::wstring hostName = Lower(host.substr(0, colon));
        INTERNET_PORT port = INTERNET_DEFAULT_HTTPS_PORT;
        if (colon != std::wstring::npos)
            port = static_cast<INTERNET_PORT>(std::wcstoul(host.c_str() + colon + 1, nullptr, 10));
        const std::wstring proxy = WithoutSecrets(proxies.front());
        ways.push_back(BypassesProxy(settings.bypass, L"https", hostName, port)
                           ? L"aucun (" + hostName + L" exclu du proxy " + proxy + L")"
                           : proxy);
    }
    if (ways.empty()) return L"aucun (connexion directe)";
    // Windows tries automatic configuration first, the named proxy after.
    std::wstring text = ways[0];
    for (size_t i = 1; i < ways.size(); ++i) text += L", sinon " + ways[i];
    return text;
}
