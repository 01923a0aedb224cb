// Which way one request goes out: through the proxy that the user's Internet
// settings give for its address, as Windows applies them (automatic
// detection, then the configuration script, then the manual proxy with its
// bypass list, and when they name no way at all the machine's own WinHTTP
// setting), or directly.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>
#include <vector>

struct ProxyRoute {
    // "host:port" of each proxy to try, in order; empty: direct.
    std::vector<std::wstring> proxies;
};

// `scheme` is "http" or "https"; host and port are the URL's own.
ProxyRoute ResolveProxyRoute(const std::wstring& url, const std::wstring& scheme, const std::wstring& host,
                             INTERNET_PORT port);

// The entries of a proxy list ("proxy:8080", "http=a:80;https=b:443", one
// after the other separated by ";" or spaces) that serve `scheme`, each as
// "host:port".
std::vector<std::wstring> ProxiesForScheme(const std::wstring& list, const std::wstring& scheme);
// True when the bypass list ("*.corp.example;10.*;<local>") names the host.
// "<local>" names hosts without a dot, but never an address written as one
// number or an IPv6 literal.
bool BypassesProxy(const std::wstring& bypassList, const std::wstring& scheme, const std::wstring& host,
                   INTERNET_PORT port);
