#include "catalog/user_proxy.h"

#include <windows.h>
#include <winhttp.h>

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
    if (!settings.autoConfigUrl.empty()) ways.push_back(L"script de configuration " + settings.autoConfigUrl);
    // The same reading of the list and of the exceptions as the requests use.
    const std::vector<std::wstring> proxies = ProxiesForScheme(settings.proxy, L"https");
    if (!proxies.empty()) {
        const size_t colon = host.find(L':');
        const std::wstring hostName = Lower(host.substr(0, colon));
        INTERNET_PORT port = INTERNET_DEFAULT_HTTPS_PORT;
        if (colon != std::wstring::npos)
            port = static_cast<INTERNET_PORT>(std::wcstoul(host.c_str() + colon + 1, nullptr, 10));
        const std::wstring& proxy = proxies.front();
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
