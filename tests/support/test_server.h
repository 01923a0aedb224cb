// The loopback test web server (tests/server/https_server.py), as the test
// programs see it: its addresses, the folder it serves, and its request log.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// "https://localhost:<port>" (ORKVANE_TEST_HTTPS_PORT, default 47443).
std::wstring TestServerUrl();
// "http://localhost:<port + 1>": the same files without TLS.
std::wstring TestServerPlainUrl();
// The port the loopback server listens on with TLS.
int TestServerPort();
// Windows path of the served folder: "Z:" + the Linux path with "\" for "/".
std::wstring TestServerRoot();
// Writes bytes to root/<relativePath> ("/" or "\" separators), making folders.
void PublishFile(const std::wstring& relativePath, std::string_view bytes);
// Removes root/<relativePath> when it exists.
void UnpublishFile(const std::wstring& relativePath);
// Empties requests.log and exchanges.log.
void ClearRequestLog();
// The lines of requests.log, each "<method> <path with query>".
std::vector<std::string> RequestLog();

// One request as the server saw it (exchanges.log).
struct ServerExchange {
    int clientPort = 0;  // the port of the connection the request came on
    std::string method;
    std::string path;     // with the query
    std::string range;    // "-" when not sent
    std::string ifRange;  // "-" when not sent
    // The scheme of the sign-in headers ("Negotiate", "Basic"); "-" when not sent.
    std::string authorization;
    std::string proxyAuthorization;
};
// Every request since the log was last cleared, in arrival order.
std::vector<ServerExchange> ServerExchanges();
// The server's state folder (ORKVANE_TEST_SERVER_DIR) as a Windows path.
std::wstring TestServerStateFolder();
// A Linux path as the test prefix sees it: "Z:" + the path with "\".
std::wstring WindowsPathOfLinuxPath(std::wstring linuxPath);
// Byte i of the server's generated bodies (/fault/size, /fault/cut, ...).
char TestServerPatternByte(unsigned long long index);
