// The user's proxy settings in the test prefix's registry, where Windows
// keeps them: the Connections blob that WinHTTP reads and the values beside
// it (ProxyEnable, ProxyServer, ProxyOverride, AutoConfigURL). What was there
// before comes back at the end.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct UserProxySettings {
    bool autoDetect = false;
    std::wstring proxy;      // "host:port" or a per-scheme list; empty: none
    std::wstring bypass;     // "a.example;10.*;<local>"
    std::wstring scriptUrl;  // configuration script (PAC) address; empty: none
};

class ScopedUserProxy {
public:
    explicit ScopedUserProxy(const UserProxySettings& settings);
    ~ScopedUserProxy();
    ScopedUserProxy(const ScopedUserProxy&) = delete;
    ScopedUserProxy& operator=(const ScopedUserProxy&) = delete;

    struct SavedValue {
        std::wstring key;
        std::wstring name;
        bool present = false;
        DWORD type = 0;
        std::vector<BYTE> data;
    };

private:
    std::vector<SavedValue> saved_;
};
