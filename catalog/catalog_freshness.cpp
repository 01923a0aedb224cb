#include "catalog/catalog_freshness.h"

#include <windows.h>

#include <cmath>
#include <utility>

#include "base/error.h"
#include "base/messages.h"
#include "base/paths.h"

namespace {

std::function<unsigned long long()> g_clock;

std::optional<unsigned long long> SerialOf(const JsonValue& value) {
    if (value.kind != JsonKind::Number) return std::nullopt;
    double number = value.number;
    if (!(number >= 1.0) || number > static_cast<double>(kMaxCatalogSerial) || std::floor(number) != number)
        return std::nullopt;
    return static_cast<unsigned long long>(number);
}

bool TakeDigits(std::wstring_view text, size_t at, size_t count, int& out) {
    out = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
        out = out * 10 + (text[i] - L'0');
    }
    return true;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<unsigned long long> ParseUtcTime(std::wstring_view text) {
    // 2031-12-31T23:59:59Z
    if (text.size() != 20 || text[4] != L'-' || text[7] != L'-' || text[10] != L'T' || text[13] != L':' ||
        text[16] != L':' || text[19] != L'Z')
        return std::nullopt;
    int year, month, day, hour, minute, second;
    if (!TakeDigits(text, 0, 4, year) || !TakeDigits(text, 5, 2, month) || !TakeDigits(text, 8, 2, day) ||
        !TakeDigits(text, 11, 2, hour) || !TakeDigits(text, 14, 2, minute) || !TakeDigits(text, 17, 2, second))
        return std::nullopt;
    if (year < 1601 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59)
        return std::nullopt;
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    FILETIME fileTime{};
    if (!SystemTimeToFileTime(&time, &fileTime)) return std::nullopt;
    return (static_cast<unsigned long long>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
}

CatalogFreshness ReadCatalogFreshness(const JsonValue& document) {
    CatalogFreshness freshness;
    if (const JsonValue* serial = FindMember(document, L"serial")) {
        freshness.serialPresent = true;
        freshness.serial = SerialOf(*serial);
    }
    if (const JsonValue* expires = FindMember(document, L"expires")) {
        freshness.expiresPresent = true;
        if (expires->kind == JsonKind::String) freshness.expires = ParseUtcTime(expires->text);
    }
    return freshness;
}

unsigned long long CheckSignedCatalogFreshness(const CatalogFreshness& freshness, unsigned long long highestSerial,
                                               unsigned long long now) {
    // Without a serial a catalogue cannot show that it is not an old one.
    if (!freshness.serial || *freshness.serial < highestSerial) Fail(msg::kCatalogSignedOlder);
    // Without an end, a host could serve this catalogue for ever and hide
    // every later withdrawal.
    if (!freshness.expiresPresent) Fail(msg::kCatalogSignedWithoutExpiry);
    if (!freshness.expires || *freshness.expires < now) Fail(msg::kCatalogSignedExpired);
    return *freshness.serial;
}

unsigned long long CatalogClockNow() { return g_clock ? g_clock() : NowFileTime(); }

void ReplaceCatalogClock(std::function<unsigned long long()> clock) { g_clock = std::move(clock); }
