#include "tests/support/test_proxy.h"

#include <map>
#include <sstream>
#include <stdexcept>

#include "base/handles.h"
#include "base/paths.h"
#include "catalog/utf8.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"

namespace {

// proxy.env, written by test_proxy.py when it started Squid.
std::map<std::string, std::string> ProxyEnvironment() {
    std::map<std::string, std::string> values;
    std::istringstream text(ReadFileBytes(JoinPath(TestServerStateFolder(), L"proxy.env")));
    std::string line;
    while (std::getline(text, line)) {
        size_t equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

std::string ProxyValue(const char* key) {
    std::map<std::string, std::string> values = ProxyEnvironment();
    auto found = values.find(key);
    if (found == values.end() || found->second.empty())
        throw std::runtime_error(std::string("proxy.env has no ") + key + ": is the test proxy running?");
    return found->second;
}

std::wstring AccessLogPath() { return WindowsPathOfLinuxPath(Utf8ToWide(ProxyValue("access_log"))); }

unsigned long long FileSizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int PortOrZero(const std::string& field) { return field == "-" ? 0 : std::stoi(field); }

}  // namespace

int TestProxyPort() { return std::stoi(ProxyValue("open_port")); }

int TestSignInProxyPort() { return std::stoi(ProxyValue("auth_port")); }

std::wstring ProxyAddress(int port) { return L"127.0.0.1:" + std::to_wstring(port); }

ProxyLogWatch::ProxyLogWatch() : start_(FileSizeOf(AccessLogPath())) {}

std::vector<ProxyLogEntry> ProxyLogWatch::Entries() const {
    std::string text = ReadFileBytes(AccessLogPath());
    std::vector<ProxyLogEntry> entries;
    if (text.size() <= start_) return entries;
    std::istringstream lines(text.substr(static_cast<size_t>(start_)));
    std::string line;
    while (std::getline(lines, line)) {
        // "<time> <client port> <method> <URL> <status> <server-side port> <user>"
        std::istringstream fields(line);
        std::string time, client, method, url, status, server, user;
        if (!(fields >> time >> client >> method >> url >> status >> server >> user)) continue;
        // Connections that sent no request (the start script's port checks).
        if (method == "-") continue;
        entries.push_back({PortOrZero(client), method, url, std::stoi(status), PortOrZero(server), user});
    }
    return entries;
}

bool ProxyLogWatch::WaitFor(const std::function<bool(const std::vector<ProxyLogEntry>&)>& done, DWORD timeoutMs) const {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done(Entries())) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
}

bool ProxyLogWatch::WaitForServerPort(int serverPort, DWORD timeoutMs) const {
    return WaitFor(
        [serverPort](const std::vector<ProxyLogEntry>& entries) {
            for (const ProxyLogEntry& entry : entries) {
                if (entry.serverPort == serverPort) return true;
            }
            return false;
        },
        timeoutMs);
}
