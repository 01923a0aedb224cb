#include "catalog/rollout.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "base/sha256.h"
#include "catalog/json.h"

namespace {

constexpr unsigned kDrawRange = 100;
// The largest multiple of 100 that a 64-bit word holds: words at or above it
// are skipped, so that each of the 100 numbers is exactly as likely.
constexpr uint64_t kUnbiasedLimit = UINT64_MAX - (UINT64_MAX % kDrawRange) - 1;

uint64_t WordAt(const std::array<unsigned char, 32>& digest, size_t offset) {
    uint64_t word = 0;
    for (size_t i = 0; i < 8; ++i) word = (word << 8) | digest[offset + i];
    return word;
}

// The release's digest as one spelling, so that the same file draws the same
// number whatever case the catalogue writes it in.
std::string FoldedDigest(const std::wstring& sha256) {
    std::string text;
    text.reserve(sha256.size());
    for (wchar_t c : sha256) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return text;
}

}  // namespace

bool IsValidRollout(const JsonValue& member) {
    return member.kind == JsonKind::Number && member.number >= 1.0 && member.number <= 100.0 &&
           std::floor(member.number) == member.number;
}

unsigned RolloutOf(const JsonValue* member) {
    if (member == nullptr || !IsValidRollout(*member)) return kFullRollout;
    return static_cast<unsigned>(member->number);
}

unsigned RolloutDraw(const RolloutSecret& secret, const std::wstring& sha256) {
    std::string input(reinterpret_cast<const char*>(secret.data()), secret.size());
    input += FoldedDigest(sha256);
    std::array<unsigned char, 32> digest = ComputeSha256(input);
    // Four words to choose from; all four past the limit happens about once
    // in 10^70 draws, and then the last one serves.
    uint64_t word = 0;
    for (size_t offset = 0; offset < digest.size(); offset += 8) {
        word = WordAt(digest, offset);
        if (word <= kUnbiasedLimit) break;
    }
    return static_cast<unsigned>(word % kDrawRange);
}

bool RolloutIncludes(unsigned percent, unsigned draw, bool pilotRing) { return pilotRing || draw < percent; }
