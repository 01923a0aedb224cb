// How recent a signed catalogue is: its "serial", raised by the publisher at
// each publication, and its "expires", a UTC time written
// YYYY-MM-DDTHH:MM:SSZ. A signed build remembers the highest serial it
// verified (app/catalog_serial.h), so that an older catalogue signed with
// the same key is refused.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "catalog/json.h"

// Above this a double no longer holds every integer.
inline constexpr unsigned long long kMaxCatalogSerial = 9007199254740991ULL;

struct CatalogFreshness {
    // Absent or malformed members are empty; `serialPresent` and
    // `expiresPresent` tell a malformed one from an absent one.
    std::optional<unsigned long long> serial;
    std::optional<unsigned long long> expires;  // as a file time (UTC)
    bool serialPresent = false;
    bool expiresPresent = false;
};

CatalogFreshness ReadCatalogFreshness(const JsonValue& document);
// "YYYY-MM-DDTHH:MM:SSZ" as a file time; nothing for any other text or a day
// that does not exist.
std::optional<unsigned long long> ParseUtcTime(std::wstring_view text);

// The checks of a signed build: returns the catalogue's serial; throws
// "Catalogue signé plus ancien que le dernier reçu" when the serial is missing,
// malformed or below `highestSerial` (an equal one loads), "Catalogue signé
// sans date d’expiration" when "expires" is missing, and "Catalogue signé
// expiré" when it is malformed or earlier than `now`.
unsigned long long CheckSignedCatalogFreshness(const CatalogFreshness& freshness, unsigned long long highestSerial,
                                               unsigned long long now);

// The UTC time that "expires" is compared with, as a file time. Any thread.
unsigned long long CatalogClockNow();
// Replaces the clock for the rest of the process (tests); empty restores the
// system's. Call it while no catalogue load runs.
void ReplaceCatalogClock(std::function<unsigned long long()> clock);
