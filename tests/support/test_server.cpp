#include "tests/support/test_server.h"

#include <windows.h>

#include <stdexcept>

#include "base/handles.h"
#include "base/paths.h"
#include "tests/support/test_support.h"

namespace {

constexpr int kDefaultPort = 47443;

std::wstring ServerFolder() { return TestServerStateFolder(); }

std::wstring RequestLogPath() { return JoinPath(ServerFolder(), L"requests.log"); }
std::wstring ExchangesLogPath() { return JoinPath(ServerFolder(), L"exchanges.log"); }

void Truncate(const std::wstring& path) {
    // In place: the server appends to the same file.
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannot empty a server log");
}

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> FieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

std::wstring RootPathOf(const std::wstring& relativePath) {
    std::wstring relative = relativePath;
    for (wchar_t& c : relative) {
        if (c == L'/') c = L'\\';
    }
    return JoinPath(TestServerRoot(), relative);
}

}  // namespace

int TestServerPort() {
    std::wstring text = EnvVar(L"ORKVANE_TEST_HTTPS_PORT");
    if (text.empty()) return kDefaultPort;
    return std::stoi(text);
}

std::wstring TestServerUrl() { return L"https://localhost:" + std::to_wstring(TestServerPort()); }

std::wstring TestServerPlainUrl() { return L"http://localhost:" + std::to_wstring(TestServerPort() + 1); }

std::wstring TestServerRoot() { return JoinPath(ServerFolder(), L"root"); }

void PublishFile(const std::wstring& relativePath, std::string_view bytes) {
    std::wstring path = RootPathOf(relativePath);
    std::wstring folder = ParentFolder(path);
    if (!folder.empty()) CreateFolderPath(folder);
    WriteFileBytes(path, bytes);
}

void UnpublishFile(const std::wstring& relativePath) { DeleteFileW(RootPathOf(relativePath).c_str()); }

void ClearRequestLog() {
    Truncate(RequestLogPath());
    Truncate(ExchangesLogPath());
}

std::vector<std::string> RequestLog() { return LinesOf(ReadFileBytes(RequestLogPath())); }

std::vector<ServerExchange> ServerExchanges() {
    std::vector<ServerExchange> exchanges;
    for (const std::string& line : LinesOf(ReadFileBytes(ExchangesLogPath()))) {
        std::vector<std::string> fields = FieldsOf(line);
        if (fields.size() != 7) throw std::runtime_error("unreadable exchanges.log line: " + line);
        exchanges.push_back({std::stoi(fields[0]), fields[1], fields[2], fields[3], fields[4], fields[5], fields[6]});
    }
    return exchanges;
}

std::wstring WindowsPathOfLinuxPath(std::wstring linuxPath) {
    for (wchar_t& c : linuxPath) {
        if (c == L'/') c = L'\\';
    }
    return L"Z:" + linuxPath;
}

std::wstring TestServerStateFolder() {
    std::wstring linuxPath = EnvVar(L"ORKVANE_TEST_SERVER_DIR");
    if (linuxPath.empty()) throw std::runtime_error("ORKVANE_TEST_SERVER_DIR is not set");
    return WindowsPathOfLinuxPath(linuxPath);
}

char TestServerPatternByte(unsigned long long index) { return static_cast<char>((index * 7 + 3) % 251); }
