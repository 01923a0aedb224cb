#include "catalog/proxy_route.h"

#include <atomic>
#include <cwchar>
#include <cwctype>

#include "base/handles.h"
#include "base/winhttp_handles.h"
#include "base/worker_shared.h"

namespace {

std::wstring TextOf(const UniqueGlobalText& text) { return text ? std::wstring(text.get()) : std::wstring(); }

constexpr ULONGLONG kAutoDetectRetryMs = 5 * 60 * 1000;

bool AutoDetectRecentlyFailed() {
    const ULONGLONG failedAt = autoDetectFailedAt.load();
    return failedAt != 0 && GetTickCount64() - failedAt < kAutoDetectRetryMs;
}

bool IsSeparator(wchar_t c) { return c == L';' || c == L',' || std::iswspace(c) != 0; }

std::vector<std::wstring> SplitList(const std::wstring& list) {
    std::vector<std::wstring> entries;
    size_t start = 0;
    while (start < list.size()) {
        while (start < list.size() && IsSeparator(list[start])) ++start;
        size_t end = start;
        while (end < list.size() && !IsSeparator(list[end])) ++end;
        if (end > start) entries.push_back(list.substr(start, end - start));
        start = end;
    }
    return entries;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

// "host:port" and "[v6]:port" have a port; "host" and "[v6]" do not.
bool HasPort(const std::wstring& server) {
    size_t colon = server.rfind(L':');
    size_t bracket = server.rfind(L']');
    return colon != std::wstring::npos && (bracket == std::wstring::npos || colon > bracket);
}

// '*' stands for any run of characters; letters compare without case.
bool WildcardMatches(const wchar_t* pattern, const wchar_t* text) {
    const wchar_t* star = nullptr;
    const wchar_t* resume = nullptr;
    while (*text != L'\0') {
        if (*pattern == L'*') {
            star = pattern++;
            resume = text;
        } else if (std::towlower(*pattern) == std::towlower(*text)) {
            ++pattern;
            ++text;
        } else if (star != nullptr) {
            pattern = star + 1;
            text = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == L'*') ++pattern;
    return *pattern == L'\0';
}

bool IsHexDigit(wchar_t c) { return std::iswxdigit(c) != 0; }

// An address written without dots is still an address, not an intranet name:
// an IPv6 literal, or a whole IPv4 address as one number ("1249766179",
// "0x4a7d2b63", "017237225543").
bool IsDotlessAddress(const std::wstring& host) {
    if (host.find(L':') != std::wstring::npos || host.find(L'[') != std::wstring::npos) return true;
    if (host.empty()) return false;
    size_t start = 0;
    bool hex = host.size() > 2 && host[0] == L'0' && (host[1] == L'x' || host[1] == L'X');
    if (hex) start = 2;
    for (size_t i = start; i < host.size(); ++i) {
        if (hex ? !IsHexDigit(host[i]) : (host[i] < L'0' || host[i] > L'9')) return false;
    }
    return true;
}

bool BypassEntryMatches(std::wstring entry, const std::wstring& scheme, const std::wstring& host, INTERNET_PORT port) {
    if (EqualsNoCase(entry, L"<local>")) return host.find(L'.') == std::wstring::npos && !IsDotlessAddress(host);
    if (entry.front() == L'<') return false;  // "<-loopback>" and the like name no host
    size_t schemeEnd = entry.find(L"://");
    if (schemeEnd != std::wstring::npos) {
        if (!EqualsNoCase(entry.substr(0, schemeEnd), scheme)) return false;
        entry.erase(0, schemeEnd + 3);
    }
    if (HasPort(entry)) {
        size_t colon = entry.rfind(L':');
        std::wstring portText = entry.substr(colon + 1);
        entry.erase(colon);
        if (portText != L"*" && portText != std::to_wstring(port)) return false;
    }
    if (entry.size() > 2 && entry.front() == L'[' && entry.back() == L']') entry = entry.substr(1, entry.size() - 2);
    return WildcardMatches(entry.c_str(), host.c_str());
}

// What automatic detection or a configuration script says for the URL.
enum class AutoProxyAnswer { None, Direct, Proxies };

AutoProxyAnswer RunAutoProxy(const std::wstring& url, DWORD flags, const std::wstring& scriptUrl,
                             const std::wstring& scheme, const std::wstring& host, INTERNET_PORT port,
                             ProxyRoute& route) {
    UniqueInternet session(
        WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return AutoProxyAnswer::None;
    WinHttpSetTimeouts(session.get(), kHttpTimeoutMs, kHttpTimeoutMs, kHttpTimeoutMs, kHttpTimeoutMs);

    WINHTTP_AUTOPROXY_OPTIONS options{};
    options.dwFlags = flags;
    if (flags & WINHTTP_AUTOPROXY_AUTO_DETECT)
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    options.lpszAutoConfigUrl = scriptUrl.empty() ? nullptr : scriptUrl.c_str();
    WINHTTP_PROXY_INFO info{};
    BOOL found = WinHttpGetProxyForUrl(session.get(), url.c_str(), &options, &info);
    // The script's server may want the user signed in: ask again with the
    // logon credentials allowed, as Microsoft's guidance says.
    if (!found && GetLastError() == ERROR_WINHTTP_LOGIN_FAILURE) {
        options.fAutoLogonIfChallenged = TRUE;
        found = WinHttpGetProxyForUrl(session.get(), url.c_str(), &options, &info);
    }
    if (!found) return AutoProxyAnswer::None;
    UniqueGlobalText proxy(info.lpszProxy);
    UniqueGlobalText bypass(info.lpszProxyBypass);
    if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY || !proxy) return AutoProxyAnswer::Direct;
    if (BypassesProxy(TextOf(bypass), scheme, host, port)) return AutoProxyAnswer::Direct;
    route.proxies = ProxiesForScheme(TextOf(proxy), scheme);
    return route.proxies.empty() ? AutoProxyAnswer::Direct : AutoProxyAnswer::Proxies;
}

// The machine's own WinHTTP setting (netsh winhttp), read here rather than
// left to WinHTTP, so that the program always knows whether a request goes
// through a proxy: only that proxy may ask for the user's logon.
ProxyRoute MachineRoute(const std::wstring& scheme, const std::wstring& host, INTERNET_PORT port) {
    ProxyRoute route;
    WINHTTP_PROXY_INFO info{};
    if (!WinHttpGetDefaultProxyConfiguration(&info)) return route;
    UniqueGlobalText proxy(info.lpszProxy);
    UniqueGlobalText bypass(info.lpszProxyBypass);
    if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && proxy &&
        !BypassesProxy(TextOf(bypass), scheme, host, port))
        route.proxies = ProxiesForScheme(TextOf(proxy), scheme);
    return route;
}

}  // namespace

std::vector<std::wstring> ProxiesForScheme(const std::wstring& list, const std::wstring& scheme) {
    std::vector<std::wstring> proxies;
    for (std::wstring entry : SplitList(list)) {
        size_t equals = entry.find(L'=');
        if (equals != std::wstring::npos) {
            if (!EqualsNoCase(entry.substr(0, equals), scheme)) continue;
            entry.erase(0, equals + 1);
        }
        // WinHTTP speaks plain HTTP to a proxy; a proxy reached otherwise
        // (SOCKS, TLS) is not one it can use.
        size_t schemeEnd = entry.find(L"://");
        if (schemeEnd != std::wstring::npos) {
            if (!EqualsNoCase(entry.substr(0, schemeEnd), L"http")) continue;
            entry.erase(0, schemeEnd + 3);
        }
        while (!entry.empty() && entry.back() == L'/') entry.pop_back();
        if (entry.empty()) continue;
        if (!HasPort(entry)) entry += L":80";
        proxies.push_back(entry);
    }
    return proxies;
}

bool BypassesProxy(const std::wstring& bypassList, const std::wstring& scheme, const std::wstring& host,
                   INTERNET_PORT port) {
    for (const std::wstring& entry : SplitList(bypassList)) {
        if (BypassEntryMatches(entry, scheme, host, port)) return true;
    }
    return false;
}

ProxyRoute ResolveProxyRoute(const std::wstring& url, const std::wstring& scheme, const std::wstring& host,
                             INTERNET_PORT port) {
    ProxyRoute route;
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return MachineRoute(scheme, host, port);
    UniqueGlobalText scriptUrl(config.lpszAutoConfigUrl);
    UniqueGlobalText manualProxy(config.lpszProxy);
    UniqueGlobalText manualBypass(config.lpszProxyBypass);

    // Windows' order: detection first, then the script, then the manual
    // proxy. A way that finds or reads nothing hands over to the next one.
    if (config.fAutoDetect && !AutoDetectRecentlyFailed()) {
        AutoProxyAnswer answer = RunAutoProxy(url, WINHTTP_AUTOPROXY_AUTO_DETECT, L"", scheme, host, port, route);
        if (answer != AutoProxyAnswer::None) return route;
        autoDetectFailedAt.store(GetTickCount64() | 1);
    }
    if (scriptUrl) {
        AutoProxyAnswer answer = RunAutoProxy(url, WINHTTP_AUTOPROXY_CONFIG_URL, TextOf(scriptUrl), scheme, host, port,
                                              route);
        if (answer != AutoProxyAnswer::None) return route;
    }
    if (manualProxy) {
        if (!BypassesProxy(TextOf(manualBypass), scheme, host, port))
            route.proxies = ProxiesForScheme(TextOf(manualProxy), scheme);
        return route;
    }
    return MachineRoute(scheme, host, port);
}
