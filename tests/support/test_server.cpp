#include "tests/support/test_server.h"

#include <windows.h>

#include <stdexcept>

#include "app/handles.h"
#include "app/paths.h"
#include "tests/support/test_support.h"

namespace {

constexpr int kDefaultPort = 47443;

// Windows path of the server's state folder (ORKVANE_TEST_SERVER_DIR).
std::wstring ServerFolder() {
    std::wstring linuxPath = EnvVar(L"ORKVANE_TEST_SERVER_DIR");
    if (linuxPath.empty()) throw std::runtime_error("ORKVANE_TEST_SERVER_DIR is not set");
    for (wchar_t& c : linuxPath) {
        if (c == L'/') c = L'\\';
    }
    return L"Z:" + linuxPath;
}

std::wstring RequestLogPath() { return JoinPath(ServerFolder(), L"requests.log"); }

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
    // Truncate in place: the server appends to the same file.
    UniqueHandle file(CreateFileW(RequestLogPath().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannot empty the request log");
}

std::vector<std::string> RequestLog() {
    std::string text = ReadFileBytes(RequestLogPath());
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

char TestServerPatternByte(unsigned long long index) { return static_cast<char>((index * 7 + 3) % 251); }
