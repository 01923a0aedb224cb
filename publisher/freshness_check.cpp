#include "publisher/freshness_check.h"

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

bool ParseDocument(const std::string& bytes, JsonValue& document) {
    try {
        document = ParseJson(Utf8ToWide(bytes));
        return document.kind == JsonKind::Object;
    } catch (const AppError&) {
        return false;
    }
}

}  // namespace

void CheckCatalogFreshnessMembers(const std::string& catalogBytes, bool forSignedBuild, CatalogCheck& check) {
    JsonValue document;
    if (!ParseDocument(catalogBytes, document)) return;
    CatalogFreshness freshness = ReadCatalogFreshness(document);
    if (forSignedBuild && !freshness.serial) check.problems.push_back({0, L"", kSerialProblem});
    if (freshness.expiresPresent && !freshness.expires) {
        if (forSignedBuild) check.problems.push_back({0, L"", kExpiresMalformed});
    } else if (freshness.expires && *freshness.expires < CatalogClockNow()) {
        check.problems.push_back(
            {0, L"",
             Utf8ToWide(msg::kCatalogSignedExpired) + L" (« expires » est passé : un Orkvane signé le refuse)"});
    }
}

std::wstring WhyNotSignable(const std::string& catalogBytes) {
    JsonValue document;
    if (!ParseDocument(catalogBytes, document)) return {};  // the signature step reports nothing about JSON
    return ReadCatalogFreshness(document).serial ? std::wstring() : kSerialProblem;
}
