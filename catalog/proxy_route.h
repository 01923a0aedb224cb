// Which way one request goes out: through the proxy that the user's Internet
// settings give for its address, as Windows applies them (automatic
// detection, then the configuration script, then the manual proxy with its
// bypass list), or directly.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>
#include <vector>

struct ProxyRoute {
    // "host:port" of each proxy to try, in order; empty: no proxy.
    std::vector<std::wstring> proxies;
    // The user's settings name no way at all: the machine's own WinHTTP
    // setting applies (netsh winhttp, usually direct).
    bool machineDefault = false;
};

// `scheme` is "http" or "https"; host and port are the URL's own.
ProxyRoute ResolveProxyRoute(const std::wstring& url, const std::wstring& scheme, const std::wstring& host,
                             INTERNET_PORT port);

// The entries of a proxy list ("proxy:8080", "http=a:80;https=b:443", one
// after the other separated by ";" or spaces) that serve `scheme`, each as
// "host:port".
std::vector<std::wstring> ProxiesForScheme(const std::wstring& list, const std::wstring& scheme);
// True when the bypass list ("*.corp.example;10.*;<local>") names the host.
bool BypassesProxy(const std::wstring& bypassList, const std::wstring& scheme, const std::wstring& host,
                   INTERNET_PORT port);
