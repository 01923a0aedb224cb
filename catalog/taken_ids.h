// The ids a catalogue build has taken so far, so that the first entry of an
// id wins and later ones, in any case, are skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_fold.h"

// The ids of the entries taken so far, compared with A-Z folded, in one
// table of open addressing over one text that holds them all: a catalogue of
// thousands of entries makes no string and no node per id, and a filtered
// build remembers the ids of the tools it does not keep. Each id's hash is
// kept, so that a probe compares texts only where the hashes agree. A bit per
// hash, sixteen bits for each slot first made, tells at once of most ids that
// two parts of a build do not share.
class TakenIds {
public:
    explicit TakenIds(size_t expected) {
        size_t capacity = 16;
        while (capacity < 2 * expected) capacity *= 2;
        slots_.assign(capacity, kFree);
        marks_.assign(capacity / kSlotsPerMarkWord, 0);
        starts_.reserve(expected + 1);
        starts_.push_back(0);
        hashes_.reserve(expected);
    }

    // True when an entry of the same id was taken before; else the slot of
    // `id` is kept for Take.
    bool Seen(std::wstring_view id) {
        if (2 * (Count() + 1) > slots_.size()) Grow();
        hash_ = Hash(id);
        slot_ = hash_ & (slots_.size() - 1);
        while (slots_[slot_] != kFree) {
            if (hashes_[slots_[slot_]] == hash_ && FoldedEquals(IdAt(slots_[slot_]), id)) return true;
            slot_ = (slot_ + 1) & (slots_.size() - 1);
        }
        return false;
    }
    // Remembers the id last looked up with Seen.
    void Take(std::wstring_view id) {
        slots_[slot_] = static_cast<uint32_t>(Count());
        Mark(hash_);
        hashes_.push_back(hash_);
        ids_.append(id);
        starts_.push_back(ids_.size());
    }
    // Whether `other` took any id taken here.
    bool AnyTakenIn(const TakenIds& other) const {
        for (size_t index = 0; index < Count(); ++index) {
            const uint32_t hash = hashes_[index];
            if (other.Marked(hash) && other.Holds(IdAt(index), hash)) return true;
        }
        return false;
    }

private:
    // Slots of 32 bits: a document of 4 MiB holds far fewer entries, and a
    // smaller table is read faster.
    static constexpr uint32_t kFree = UINT32_MAX;
    static constexpr size_t kSlotsPerMarkWord = 4;  // 64 bits for 4 slots first made

    static uint32_t Hash(std::wstring_view id) {
        uint64_t hash = 14695981039346656037ULL;  // FNV-1a
        for (wchar_t c : id) hash = (hash ^ static_cast<uint64_t>(FoldAsciiCase(c))) * 1099511628211ULL;
        return static_cast<uint32_t>(hash ^ (hash >> 32));
    }
    size_t Count() const { return starts_.size() - 1; }
    size_t MarkBit(uint32_t hash) const { return hash & (marks_.size() * 64 - 1); }
    void Mark(uint32_t hash) {
        const size_t bit = MarkBit(hash);
        marks_[bit / 64] |= uint64_t{1} << (bit % 64);
    }
    bool Marked(uint32_t hash) const {
        const size_t bit = MarkBit(hash);
        return (marks_[bit / 64] >> (bit % 64) & 1) != 0;
    }
    bool Holds(std::wstring_view id, uint32_t hash) const {
        for (size_t slot = hash & (slots_.size() - 1); slots_[slot] != kFree; slot = (slot + 1) & (slots_.size() - 1)) {
            if (hashes_[slots_[slot]] == hash && FoldedEquals(IdAt(slots_[slot]), id)) return true;
        }
        return false;
    }
    std::wstring_view IdAt(size_t index) const {
        return std::wstring_view(ids_).substr(starts_[index], starts_[index + 1] - starts_[index]);
    }
    void Grow() {
        // The marks stay as they are: fuller, they still mark every id.
        slots_.assign(slots_.size() * 2, kFree);
        for (size_t index = 0; index < Count(); ++index) {
            size_t slot = hashes_[index] & (slots_.size() - 1);
            while (slots_[slot] != kFree) slot = (slot + 1) & (slots_.size() - 1);
            slots_[slot] = static_cast<uint32_t>(index);
        }
    }

    std::wstring ids_;
    std::vector<size_t> starts_;
    std::vector<uint32_t> slots_;
    std::vector<uint64_t> marks_;
    // Each taken id's hash, by its number.
    std::vector<uint32_t> hashes_;
    size_t slot_ = 0;
    uint32_t hash_ = 0;
};
