#include "catalog/user_proxy.h"

#include <windows.h>
#include <winhttp.h>

#include <cwctype>
#include <vector>

namespace {

// The strings WinHTTP allocates for the caller, freed with GlobalFree.
class GlobalText {
public:
    GlobalText() = default;
    ~GlobalText() {
        if (text_ != nullptr) GlobalFree(text_);
    }
    GlobalText(const GlobalText&) = delete;
    GlobalText& operator=(const GlobalText&) = delete;
    LPWSTR* put() { return &text_; }
    std::wstring str() const { return text_ != nullptr ? std::wstring(text_) : std::wstring(); }

private:
    LPWSTR text_ = nullptr;
};

std::vector<std::wstring> SplitList(const std::wstring& list) {
    std::vector<std::wstring> items;
    std::wstring item;
    for (wchar_t ch : list) {
        if (ch == L';' || std::iswspace(ch)) {
            if (!item.empty()) items.push_back(item);
            item.clear();
        } else {
            item += ch;
        }
    }
    if (!item.empty()) items.push_back(item);
    return items;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& ch : text) ch = static_cast<wchar_t>(std::towlower(ch));
    return text;
}

// "*" and "?" as in the bypass list of the Internet settings.
bool Matches(const wchar_t* pattern, const wchar_t* text) {
    if (*pattern == L'\0') return *text == L'\0';
    if (*pattern == L'*') return Matches(pattern + 1, text) || (*text != L'\0' && Matches(pattern, text + 1));
    if (*text == L'\0') return false;
    return (*pattern == L'?' || *pattern == *text) && Matches(pattern + 1, text + 1);
}

bool Bypassed(const std::wstring& bypass, const std::wstring& hostName) {
    for (const std::wstring& entry : SplitList(Lower(bypass))) {
        if (entry == L"<local>") {
            if (hostName.find(L'.') == std::wstring::npos) return true;
        } else if (Matches(entry.c_str(), hostName.c_str())) {
            return true;
        }
    }
    return false;
}

// The entry for HTTPS, else the one for every scheme; empty when none applies.
std::wstring ProxyForHttps(const std::wstring& proxy) {
    std::wstring common;
    for (const std::wstring& entry : SplitList(proxy)) {
        size_t equals = entry.find(L'=');
        if (equals == std::wstring::npos) {
            if (common.empty()) common = entry;
        } else if (Lower(entry.substr(0, equals)) == L"https") {
            return entry.substr(equals + 1);
        }
    }
    return common;
}

}  // namespace

UserProxySettings ReadUserProxySettings() {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    UserProxySettings settings;
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return settings;
    GlobalText autoConfigUrl, proxy, bypass;
    *autoConfigUrl.put() = config.lpszAutoConfigUrl;
    *proxy.put() = config.lpszProxy;
    *bypass.put() = config.lpszProxyBypass;
    settings.autoDetect = config.fAutoDetect != FALSE;
    settings.autoConfigUrl = autoConfigUrl.str();
    settings.proxy = proxy.str();
    settings.bypass = bypass.str();
    return settings;
}

std::wstring DescribeProxyFor(const UserProxySettings& settings, const std::wstring& host) {
    std::vector<std::wstring> ways;
    if (settings.autoDetect) ways.push_back(L"détection automatique");
    if (!settings.autoConfigUrl.empty()) ways.push_back(L"script de configuration " + settings.autoConfigUrl);
    const std::wstring proxy = ProxyForHttps(settings.proxy);
    if (!proxy.empty()) {
        const std::wstring hostName = Lower(host.substr(0, host.find(L':')));
        ways.push_back(Bypassed(settings.bypass, hostName) ? L"aucun (" + hostName + L" exclu du proxy " + proxy + L")"
                                                           : proxy);
    }
    if (ways.empty()) return L"aucun (connexion directe)";
    // Windows tries automatic configuration first, the named proxy after.
    std::wstring text = ways[0];
    for (size_t i = 1; i < ways.size(); ++i) text += L", sinon " + ways[i];
    return text;
}
