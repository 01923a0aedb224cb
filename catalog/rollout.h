// A staged rollout: an entry's "rollout" offers its release to that share of
// the PCs, each PC drawing its own number per release.
#pragma once

#include <array>
#include <string>

struct JsonValue;

// Every PC, as when the member is absent.
inline constexpr unsigned kFullRollout = 100;

// A whole number of percent from 1 to 100.
bool IsValidRollout(const JsonValue& member);
// The share an entry's "rollout" member offers its release to: the member's
// number when valid, otherwise (absent, of another type, out of range or not
// whole) everyone, as for any member the reader does not understand.
unsigned RolloutOf(const JsonValue* member);

// The random value a PC keeps and never sends anywhere.
using RolloutSecret = std::array<unsigned char, 32>;

// The number, 0 to 99, that this PC draws for the release whose SHA-256 is
// `sha256` (any case): the same on every start, fresh for every release, and
// evenly spread over the PCs.
unsigned RolloutDraw(const RolloutSecret& secret, const std::wstring& sha256);
// Whether a PC that drew `draw` is among the `percent` % offered the release;
// a PC of the pilot ring is in every rollout.
bool RolloutIncludes(unsigned percent, unsigned draw, bool pilotRing);
