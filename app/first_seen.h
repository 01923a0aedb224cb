// When the catalogue first offered each release as an update on this PC, so
// that an organisation's delay ("UpdateDelayDays") can run from then. Kept in
// the registry, one REG_QWORD file time per digest under the settings key's
// "FirstSeen" subkey; only digests of the current catalogue are kept, and at
// most kMaxFirstSeen of them.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "catalog/catalog_model.h"

// Upper-case digest → file time (UTC) it was first offered.
using FirstSeenTimes = std::map<std::wstring, unsigned long long>;

inline constexpr size_t kMaxFirstSeen = 256;
inline constexpr wchar_t kFirstSeenKeyPath[] = L"Software\\Tramweld\\Orkvane\\FirstSeen";

// The times kept in the registry; times later than `now` (a clock set back)
// read as `now`.
FirstSeenTimes LoadFirstSeen(unsigned long long now);
// After a catalogue is applied: remembers `seenAt` for each release offered
// as an update (an installed tool whose file differs; the program's own entry
// when `selfUpdate`) that is not known yet, forgets the digests the catalogue
// no longer has, and writes the changes. Returns what is kept.
FirstSeenTimes RecordFirstSeen(const std::vector<CatalogApp>& apps, int selfIndex, bool selfUpdate,
                               unsigned long long seenAt);
// When `sha256` was first offered, 0 when it never was.
unsigned long long FirstSeenOf(const FirstSeenTimes& times, const std::wstring& sha256);
