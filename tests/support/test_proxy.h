// The tests' Squid proxy (tests/server/test_proxy.py) as the test programs
// see it: its two ports and its access log.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The port that lets every loopback client through.
int TestProxyPort();
// The port that wants a Basic sign-in first.
int TestSignInProxyPort();
// The one account of that port (tests/server/test_proxy.py writes it).
inline constexpr wchar_t kTestProxyUser[] = L"orkvane";
inline constexpr wchar_t kTestProxyPassword[] = L"orkvane-test";
// "127.0.0.1:<port>", as a proxy setting names it.
std::wstring ProxyAddress(int port);

// One line of the proxy's access log.
struct ProxyLogEntry {
    int clientPort = 0;
    std::string method;
    std::string url;  // "host:port" for CONNECT, the whole URL otherwise
    int status = 0;
    int serverPort = 0;  // the proxy's own port towards the server; 0: none
    std::string user;    // "-" without a sign-in
};

// The access log from the moment this object was made.
class ProxyLogWatch {
public:
    ProxyLogWatch();
    std::vector<ProxyLogEntry> Entries() const;
    // Squid writes a tunnel's line when it closes, a moment after the request
    // has ended: waits until `done` holds for the entries, or the time is up.
    bool WaitFor(const std::function<bool(const std::vector<ProxyLogEntry>&)>& done, DWORD timeoutMs) const;
    // True once the request that reached the server on `serverPort` (the
    // server's ServerExchange::clientPort) shows in the log; false after
    // `timeoutMs` without it.
    bool WaitForServerPort(int serverPort, DWORD timeoutMs) const;

private:
    unsigned long long start_ = 0;
};
