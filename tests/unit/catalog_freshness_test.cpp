#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include "base/messages.h"
#include "catalog/catalog_freshness.h"
#include "catalog/json.h"
#include "tests/support/test_support.h"

namespace {

// File time of a given UTC second, computed independently: days since 1601.
unsigned long long FileTimeOf(long long days, int hour, int minute, int second) {
    return static_cast<unsigned long long>(((days * 24 + hour) * 60 + minute) * 60 + second) * 10000000ULL;
}

TEST(CatalogFreshness, ExpiresIsOneExactUtcForm) {
    struct Case {
        const wchar_t* text;
        std::optional<unsigned long long> fileTime;
    };
    // 1970-01-01 is day 134774 after 1601-01-01; 2000-03-01 is 11017 days after 1970.
    const Case cases[] = {
        {L"1601-01-01T00:00:00Z", 0ULL},
        {L"1970-01-01T00:00:00Z", FileTimeOf(134774, 0, 0, 0)},
        {L"1970-01-01T23:59:59Z", FileTimeOf(134774, 23, 59, 59)},
        {L"2000-02-29T12:00:00Z", FileTimeOf(134774 + 11016, 12, 0, 0)},
        {L"2000-03-01T00:00:00Z", FileTimeOf(134774 + 11017, 0, 0, 0)},
        {L"1900-02-29T00:00:00Z", std::nullopt},
        {L"2031-02-29T00:00:00Z", std::nullopt},
        {L"2031-04-31T00:00:00Z", std::nullopt},
        {L"2031-13-01T00:00:00Z", std::nullopt},
        {L"2031-01-01T24:00:00Z", std::nullopt},
        {L"2031-01-01T00:60:00Z", std::nullopt},
        {L"2031-01-01T00:00:60Z", std::nullopt},
        {L"2031-01-01T00:00:00", std::nullopt},
        {L"2031-01-01 00:00:00Z", std::nullopt},
        {L"2031-01-01T00:00:00+01:00", std::nullopt},
        {L"2031-1-01T00:00:00Z", std::nullopt},
        {L"2031-01-01T00:00:00z", std::nullopt},
        {L"+031-01-01T00:00:00Z", std::nullopt},
        {L"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseUtcTime(c.text), c.fileTime) << testing::PrintToString(std::wstring(c.text));
}

// "expires" is UTC, and so is the clock it is compared with: the test command
// runs in Paris's time zone, where a time read as local time is an hour or
// two off. The catalogues are written from the C library's UTC clock, which
// shares no code with either.
TEST(CatalogFreshness, ASignedCatalogueExpiresAtItsUtcTimeWhateverTheTimeZone) {
    auto catalogueExpiringIn = [](long long seconds) {
        const std::time_t when = std::time(nullptr) + seconds;
        char text[32] = {};
        std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&when));
        return ParseJson(L"{\"serial\": 5, \"expires\": \"" + std::wstring(text, text + std::strlen(text)) + L"\"}");
    };
    struct Case {
        const char* what;
        long long expiresIn;
        std::string expected;
    };
    const Case cases[] = {
        {"expires in ten minutes", 600, "<no error>"},
        {"expired ten minutes ago", -600, msg::kCatalogSignedExpired},
    };
    for (const Case& c : cases) {
        const JsonValue document = catalogueExpiringIn(c.expiresIn);
        EXPECT_EQ(ErrorOf([&] { CheckSignedCatalogFreshness(ReadCatalogFreshness(document), 5, CatalogClockNow()); }),
                  c.expected)
            << c.what;
    }
}

}  // namespace
