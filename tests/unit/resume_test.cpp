#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "base/constants.h"
#include "base/messages.h"
#include "base/paths.h"
#include "catalog/http_client.h"
#include "operations/tool_install.h"
#include "operations/tool_request.h"
#include "operations/verified_fetch.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"

namespace {

struct Report {
    unsigned long long done;
    long long expected;
};

std::vector<ServerExchange> DownloadExchanges(const std::wstring& id) {
    std::vector<ServerExchange> found;
    for (const ServerExchange& exchange : ServerExchanges()) {
        if (exchange.path.find("/telechargement?id=" + WideToUtf8(id)) == 0) found.push_back(exchange);
    }
    return found;
}

// A key for the server's reply counts that no earlier run has used.
std::wstring Nonce() {
    return L"&run=" + std::to_wstring(GetTickCount64()) + L"_" + std::to_wstring(GetCurrentProcessId());
}

}  // namespace

TEST(ResumeDownload, ACutToolDownloadIsTakenUpOrStartedAgain) {
    const std::string body = SeededBytes(2 << 20, 31);
    const size_t size = body.size();
    auto at = [&](int percent) { return std::to_string(size * percent / 100); };
    auto after = [&](int percent) { return Utf8ToWide(at(percent)); };
    const std::string etag = "\"v1-" + std::to_string(size) + "\"";
    const std::string date = "Wed, 01 Jan 2025 10:00:00 GMT";
    struct Case {
        const char* what;
        std::wstring query;
        std::vector<std::string> ranges;  // the Range of each request, "-" for none
        std::string ifRange;              // sent with each range
        bool takenUp;                     // the progress never goes back
        std::string expected;
    };
    const Case cases[] = {
        {"cut at 80 %, taken up by its ETag",
         L"&ranges=1&cuts=1&after=" + after(80),
         {"-", "bytes=" + at(80) + "-"},
         etag,
         true,
         "<no error>"},
        {"cut at 80 %, taken up by its date",
         L"&ranges=1&validator=date&cuts=1&after=" + after(80),
         {"-", "bytes=" + at(80) + "-"},
         date,
         true,
         "<no error>"},
        {"cut twice, taken up twice",
         L"&ranges=1&cuts=2&after=" + after(40),
         {"-", "bytes=" + at(40) + "-", "bytes=" + std::to_string(2 * std::stoull(at(40))) + "-"},
         etag,
         true,
         "<no error>"},
        {"the file changed meanwhile: from the start",
         L"&ranges=1&change=1&cuts=1&after=" + after(80),
         {"-", "bytes=" + at(80) + "-"},
         etag,
         false,
         "<no error>"},
        {"a server without Accept-Ranges: from the start",
         L"&cuts=1&after=" + after(80),
         {"-", "-"},
         "",
         false,
         "<no error>"},
        {"ranges but nothing that names the file: from the start",
         L"&ranges=1&validator=none&cuts=1&after=" + after(80),
         {"-", "-"},
         "",
         false,
         "<no error>"},
        {"another piece than the one asked for: from the start",
         L"&ranges=1&badrange=1&cuts=1&after=" + after(80),
         {"-", "bytes=" + at(80) + "-", "-"},
         etag,
         false,
         "<no error>"},
        {"cut four times: fails as before",
         L"&ranges=1&cuts=4&after=" + after(10),
         {"-", "bytes=" + at(10) + "-", "bytes=" + at(20) + "-", "bytes=" + at(30) + "-"},
         etag,
         true,
         msg::kDownloadInterrupted},
    };
    for (const Case& c : cases) {
        ToolCleanup cleanup(L"h6resume");
        CatalogApp app = MakeToolEntry(L"h6resume", Sha256Of(body));
        PublishFile(PublishedDownloadPath(app), body);
        app.downloadId += c.query + Nonce();
        CreateFolderPath(GetAppsFolder());
        WriteFileBytes(InstalledPath(app.id), "version 1 of the tool");
        std::vector<Report> reports;
        FetchOptions options;
        options.progress = [&](unsigned long long done, long long expected) { reports.push_back({done, expected}); };
        ClearRequestLog();

        EXPECT_EQ(ErrorOf([&] { InstallTool(MakeToolRequest(app), options); }), c.expected) << c.what;

        const bool installed = c.expected == "<no error>";
        EXPECT_TRUE(ReadFileBytes(InstalledPath(app.id)) == (installed ? body : "version 1 of the tool")) << c.what;
        EXPECT_TRUE(FilesMatching(GetTempFolder(), L"h6resume*").empty()) << c.what << ": a file was left behind";
        std::vector<ServerExchange> exchanges = DownloadExchanges(L"h6resume");
        ASSERT_EQ(exchanges.size(), c.ranges.size()) << c.what;
        for (size_t i = 0; i < exchanges.size(); ++i) {
            EXPECT_EQ(exchanges[i].range, c.ranges[i]) << c.what << ", request " << i;
            EXPECT_EQ(exchanges[i].ifRange, c.ranges[i] == "-" ? "-" : c.ifRange) << c.what << ", request " << i;
        }
        // The download's reports; the check of the older installed file has its own.
        std::vector<Report> download;
        for (const Report& report : reports) {
            if (report.expected == static_cast<long long>(size)) download.push_back(report);
        }
        ASSERT_FALSE(download.empty()) << c.what;
        for (size_t i = 1; i < download.size() && c.takenUp; ++i)
            EXPECT_GE(download[i].done, download[i - 1].done) << c.what << ": the progress went back";
        if (installed) {
            EXPECT_EQ(download.back().done, size) << c.what;
        }
        UnpublishFile(L"telechargement/h6resume_" + app.sha256.substr(0, 12) + L".exe");
    }
}

// The small bodies read into memory are not taken up: a cut fails at once.
TEST(ResumeDownload, CatalogueAndIconsAreNotTakenUp) {
    const std::string body = SeededBytes(100000, 32);
    PublishFile(L"resume_test/icon.png", body);
    ClearRequestLog();
    const std::wstring url = TestServerUrl() + L"/resume_test/icon.png?ranges=1&cuts=1&after=50000" + Nonce();
    EXPECT_EQ(ErrorOf([&] { DownloadToMemory(url, kIconSizeLimit); }), msg::kDownloadInterrupted);
    EXPECT_EQ(ServerExchanges().size(), 1u);
    UnpublishFile(L"resume_test/icon.png");
}
