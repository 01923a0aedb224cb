#include "publisher/freshness_check.h"

#include <windows.h>

#include <cstdio>

#include "base/error.h"
#include "base/messages.h"
#include "catalog/catalog_freshness.h"
#include "catalog/json.h"
#include "catalog/utf8.h"

namespace {

constexpr wchar_t kSerialProblem[] =
    L"« serial » absent ou invalide : un Orkvane signé exige un entier positif, augmenté à chaque publication";
constexpr wchar_t kExpiresMalformed[] =
    L"« expires » invalide : écrivez une date et une heure UTC, AAAA-MM-JJTHH:MM:SSZ";
constexpr unsigned long long kFileTimeDay = 864000000000ULL;
// Beyond a year, a host that keeps serving this catalogue keeps its clients
// from every later withdrawal for that long.
constexpr unsigned long long kLongestAdvisedValidity = 366 * kFileTimeDay;
// What the advice to add "expires" proposes: beyond the next publications,
// with a margin.
constexpr unsigned long long kProposedValidity = 180 * kFileTimeDay;

bool ParseDocument(const std::string& bytes, JsonValue& document) {
    try {
        document = ParseJson(Utf8ToWide(bytes));
        return document.kind == JsonKind::Object;
    } catch (const AppError&) {
        return false;
    }
}

// A file time (UTC) written as "expires" takes it, to the day.
std::wstring UtcDayText(unsigned long long fileTime) {
    FILETIME time{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
    SYSTEMTIME day{};
    if (!FileTimeToSystemTime(&time, &day)) return L"AAAA-MM-JJT00:00:00Z";
    wchar_t text[32] = {};
    std::swprintf(text, 32, L"%04u-%02u-%02uT00:00:00Z", day.wYear, day.wMonth, day.wDay);
    return text;
}

std::wstring ExpiresMissing() {
    return L"« expires » absent : un Orkvane signé refuse un catalogue sans date d’expiration. Ajoutez en tête du "
           L"catalogue, à côté de « serial », une date UTC au-delà de votre prochaine publication, par exemple "
           L"\"expires\": \"" +
           UtcDayText(CatalogClockNow() + kProposedValidity) + L"\",";
}

std::wstring ExpiresPast() {
    return Utf8ToWide(msg::kCatalogSignedExpired) + L" (« expires » est passé : un Orkvane signé le refuse)";
}

}  // namespace

void CheckCatalogFreshnessMembers(const std::string& catalogBytes, bool forSignedBuild, CatalogCheck& check) {
    JsonValue document;
    if (!ParseDocument(catalogBytes, document)) return;
    CatalogFreshness freshness = ReadCatalogFreshness(document);
    if (forSignedBuild && !freshness.serial) check.problems.push_back({0, L"", kSerialProblem});
    if (!freshness.expiresPresent) {
        if (forSignedBuild) check.problems.push_back({0, L"", ExpiresMissing()});
    } else if (!freshness.expires) {
        if (forSignedBuild) check.problems.push_back({0, L"", kExpiresMalformed});
    } else if (*freshness.expires < CatalogClockNow()) {
        check.problems.push_back({0, L"", ExpiresPast()});
    } else if (*freshness.expires - CatalogClockNow() > kLongestAdvisedValidity) {
        check.notes.push_back({0, L"",
                               L"attention : « expires » est à plus d’un an ; tant qu’il n’est pas passé, un hôte "
                               L"compromis peut continuer de servir ce catalogue et cacher les versions retirées "
                               L"depuis. Choisissez quelques mois au-delà de votre prochaine publication."});
    }
}

std::wstring WhyNotSignable(const std::string& catalogBytes) {
    JsonValue document;
    if (!ParseDocument(catalogBytes, document)) return {};  // the signature step reports nothing about JSON
    const CatalogFreshness freshness = ReadCatalogFreshness(document);
    if (!freshness.serial) return kSerialProblem;
    if (!freshness.expiresPresent) return ExpiresMissing();
    if (!freshness.expires) return kExpiresMalformed;
    if (*freshness.expires < CatalogClockNow()) return ExpiresPast();
    return {};
}
