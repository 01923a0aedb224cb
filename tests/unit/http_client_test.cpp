#include <gtest/gtest.h>

#include <winsock2.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/settings.h"
#include "base/constants.h"
#include "base/messages.h"
#include "base/worker_shared.h"
#include "catalog/http_client.h"
#include "tests/support/closed_port.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"

namespace {

std::string PatternBody(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = TestServerPatternByte(i);
    return bytes;
}

std::wstring Url(const std::wstring& path) { return TestServerUrl() + path; }

constexpr unsigned long long kSmallLimit = 4096;

}  // namespace

TEST(HttpClient, FailuresCarryTheirMessage) {
    PublishFile(L"http_test/cut_me.bin", SeededBytes(5000, 1));
    ClosedPort closed;
    ASSERT_NE(closed.port(), 0);
    const std::wstring plainPort = std::to_wstring(TestServerPort() + 1);
    const std::wstring securePort = std::to_wstring(TestServerPort());

    struct Case {
        std::wstring url;
        unsigned long long limit;
        std::vector<std::string> accepted;
    };
    const std::string interrupted = msg::kDownloadInterrupted;
    const std::string readFailed = msg::kNetworkReadFailed;
    const Case cases[] = {
        {L"pas une adresse", kCatalogSizeLimit, {msg::kUrlInvalid}},
        {L"", kCatalogSizeLimit, {msg::kUrlInvalid}},
        {L"ftp://localhost/outils/catalog.json", kCatalogSizeLimit, {msg::kUrlInvalid}},
        {L"https://localhost:99999/outils/catalog.json", kCatalogSizeLimit, {msg::kUrlInvalid}},
        // Nothing listens there: the connection is refused.
        {L"https://localhost:" + std::to_wstring(closed.port()) + L"/outils/catalog.json",
         kCatalogSizeLimit,
         {msg::kServerNoAnswer}},
        // TLS spoken to the plain listener, plain HTTP to the TLS listener.
        {L"https://localhost:" + plainPort + L"/fault/204", kCatalogSizeLimit, {msg::kServerNoAnswer}},
        {L"http://localhost:" + securePort + L"/fault/204", kCatalogSizeLimit, {msg::kServerNoAnswer}},
        {Url(L"/fault/404"), kCatalogSizeLimit, {"HTTP 404"}},
        {Url(L"/fault/500"), kCatalogSizeLimit, {"HTTP 500"}},
        {Url(L"/fault/304"), kCatalogSizeLimit, {"HTTP 304"}},
        {Url(L"/telechargement?id=absent_000000000000&type=exe"), kCatalogSizeLimit, {"HTTP 404"}},
        // Bodies cut off midway: a clean close, a close after a static file's
        // first bytes, a reset.
        {Url(L"/fault/cut"), kCatalogSizeLimit, {interrupted}},
        {Url(L"/http_test/cut_me.bin?cut=100"), kCatalogSizeLimit, {interrupted}},
        {Url(L"/http_test/cut_me.bin?cut=0"), kCatalogSizeLimit, {interrupted}},
        {Url(L"/fault/reset"), kCatalogSizeLimit, {interrupted, readFailed}},
        // Too long: announced, not announced, never ending.
        {Url(L"/fault/size?bytes=4097"), kSmallLimit, {msg::kDownloadTooLarge}},
        {Url(L"/fault/size?bytes=4097&nolength=1"), kSmallLimit, {msg::kDownloadTooLarge}},
        {Url(L"/fault/size?bytes=300000&nolength=1"), kSmallLimit, {msg::kDownloadTooLarge}},
        {Url(L"/fault/endless"), kCatalogSizeLimit, {msg::kDownloadTooLarge}},
        {Url(L"/fault/endless?chunked=1"), kCatalogSizeLimit, {msg::kDownloadTooLarge}},
    };
    for (const Case& c : cases) {
        std::string error = ErrorOf([&] { DownloadToMemory(c.url, c.limit); });
        bool matched = false;
        for (const std::string& accepted : c.accepted) matched = matched || error == accepted;
        EXPECT_TRUE(matched) << "url " << WideToUtf8(c.url) << " failed with: " << error;
    }
    UnpublishFile(L"http_test/cut_me.bin");
}

TEST(HttpClient, BodiesArriveWhole) {
    const std::string file = SeededBytes(70001, 2);
    const std::string tool = SeededBytes(3000, 3);
    PublishFile(L"http_test/file.bin", file);
    PublishFile(L"telechargement/Outil_0123456789ab.exe", tool);

    struct Case {
        std::wstring url;
        unsigned long long limit;
        std::string expected;
    };
    const Case cases[] = {
        {Url(L"/http_test/file.bin"), kCatalogSizeLimit, file},
        {TestServerPlainUrl() + L"/http_test/file.bin", kCatalogSizeLimit, file},
        {Url(L"/telechargement?id=Outil_0123456789ab&type=exe"), kCatalogSizeLimit, tool},
        {Url(L"/fault/redirect?to=/http_test/file.bin"), kCatalogSizeLimit, file},
        {Url(L"/fault/204"), kCatalogSizeLimit, ""},
        {Url(L"/fault/size?bytes=0"), kCatalogSizeLimit, ""},
        // Exactly at the limit, with and without an announced length.
        {Url(L"/fault/size?bytes=4096"), kSmallLimit, PatternBody(4096)},
        {Url(L"/fault/size?bytes=4096&nolength=1"), kSmallLimit, PatternBody(4096)},
        {Url(L"/fault/size?bytes=4194304"), kCatalogSizeLimit, PatternBody(4194304)},
    };
    for (const Case& c : cases) {
        std::string body;
        std::string error = ErrorOf([&] { body = DownloadToMemory(c.url, c.limit); });
        EXPECT_EQ(error, "<no error>") << WideToUtf8(c.url);
        EXPECT_EQ(body.size(), c.expected.size()) << WideToUtf8(c.url);
        EXPECT_TRUE(body == c.expected) << WideToUtf8(c.url);
    }
    UnpublishFile(L"http_test/file.bin");
    UnpublishFile(L"telechargement/Outil_0123456789ab.exe");
}

TEST(HttpClient, OpenHttpGetReportsAnnouncedLength) {
    struct Case {
        std::wstring path;
        long long contentLength;
    };
    const Case cases[] = {
        {L"/fault/size?bytes=123", 123},
        {L"/fault/size?bytes=0", 0},
        {L"/fault/size?bytes=123&nolength=1", -1},
        {L"/fault/endless?chunked=1", -1},
    };
    for (const Case& c : cases) {
        HttpRequest http = OpenHttpGet(Url(c.path));
        EXPECT_TRUE(http.session && http.connection && http.request) << WideToUtf8(c.path);
        EXPECT_EQ(http.contentLength, c.contentLength) << WideToUtf8(c.path);
    }
}

TEST(HttpClient, QueryTravelsWithThePath) {
    ClearRequestLog();
    std::string body = DownloadToMemory(Url(L"/fault/size?bytes=5&x=%C3%A9t%C3%A9&type=exe"), kSmallLimit);
    EXPECT_EQ(body, PatternBody(5));
    std::vector<std::string> log = RequestLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "GET /fault/size?bytes=5&x=%C3%A9t%C3%A9&type=exe");
}

TEST(HttpClient, NeverAnsweringServerFailsAfterTheTimeout) {
    auto start = std::chrono::steady_clock::now();
    std::string error = ErrorOf([] { DownloadToMemory(Url(L"/fault/hang"), kCatalogSizeLimit); });
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(error, msg::kServerNoAnswer);
    EXPECT_GE(seconds, 10.0);
    EXPECT_LE(seconds, 20.0);
}

TEST(HttpClient, OfflineModeRefusesBeforeAnyRequest) {
    PublishFile(L"http_test/offline.bin", "reachable");
    ASSERT_EQ(DownloadToMemory(Url(L"/http_test/offline.bin"), kSmallLimit), "reachable");
    ClearRequestLog();
    offlineModeShared = true;
    const std::wstring urls[] = {
        Url(L"/http_test/offline.bin"),
        TestServerPlainUrl() + L"/http_test/offline.bin",
        L"pas une adresse",
        L"",
    };
    for (const std::wstring& url : urls) {
        EXPECT_EQ(ErrorOf([&] { OpenHttpGet(url); }), msg::kNetworkDisabledOffline) << WideToUtf8(url);
        EXPECT_EQ(ErrorOf([&] { DownloadToMemory(url, kSmallLimit); }), msg::kNetworkDisabledOffline)
            << WideToUtf8(url);
    }
    offlineModeShared = false;
    EXPECT_TRUE(RequestLog().empty());
    UnpublishFile(L"http_test/offline.bin");
}

TEST(HttpClient, ASlowBodyEndsAtTheDeadline) {
    struct Case {
        const char* what;
        std::wstring path;
        DWORD deadlineMs;
        std::string expected;
        double minSeconds;
        double maxSeconds;
    };
    const Case cases[] = {
        // One byte every 200 ms would take 20 s.
        {"trickle past the deadline", L"/fault/trickle?bytes=100&piece=1&every=200", 2000, msg::kDownloadInterrupted,
         1.9, 8.0},
        {"trickle past the deadline, no length", L"/fault/trickle?bytes=100&piece=1&every=200&nolength=1", 2000,
         msg::kDownloadInterrupted, 1.9, 8.0},
        {"slow body within the deadline", L"/fault/trickle?bytes=5&piece=1&every=100", 20000, "<no error>", 0.3, 20.0},
    };
    for (const Case& c : cases) {
        auto start = std::chrono::steady_clock::now();
        std::string body;
        std::string error = ErrorOf([&] { body = DownloadToMemory(Url(c.path), kCatalogSizeLimit, c.deadlineMs); });
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(error, c.expected) << c.what;
        EXPECT_GE(seconds, c.minSeconds) << c.what;
        EXPECT_LE(seconds, c.maxSeconds) << c.what;
        if (c.expected == "<no error>") {
            EXPECT_EQ(body, PatternBody(5)) << c.what;
        }
    }
}
