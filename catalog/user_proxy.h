// The proxy that the user's Internet settings name for the web host, as the
// diagnostic information reports it. The HTTPS client resolves its own.
#pragma once

#include <string>

// The current user's Internet settings, as WinHTTP reads them.
struct UserProxySettings {
    bool autoDetect = false;
    std::wstring autoConfigUrl;
    std::wstring proxy;   // "host:port", or "scheme=host:port" entries separated by ';' or spaces
    std::wstring bypass;  // host patterns separated by ';' or spaces; "<local>": names without a dot
};

UserProxySettings ReadUserProxySettings();
// In French, what the settings mean for `host` (a name, optionally with
// ":port"): "aucun (connexion directe)", the proxy's address, an excluded
// host, automatic detection or a configuration script.
std::wstring DescribeProxyFor(const UserProxySettings& settings, const std::wstring& host);
