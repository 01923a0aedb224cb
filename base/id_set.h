// A set of tool ids that compares them as the registry and the file system
// do, without regard to A-Z case, and remembers the order they came in.
// Lookups stay logarithmic however long an administrator's list is.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_fold.h"

class IdSet {
public:
    // False when the id was already there (in any case).
    bool Add(const std::wstring& id) {
        std::wstring key = FoldedCopy(id);
        auto at = std::lower_bound(folded_.begin(), folded_.end(), key);
        if (at != folded_.end() && *at == key) return false;
        folded_.insert(at, std::move(key));
        inOrder_.push_back(id);
        return true;
    }
    bool Remove(const std::wstring& id) {
        const std::wstring key = FoldedCopy(id);
        auto at = std::lower_bound(folded_.begin(), folded_.end(), key);
        if (at == folded_.end() || *at != key) return false;
        folded_.erase(at);
        std::erase_if(inOrder_, [&](const std::wstring& kept) { return FoldedEquals(kept, id); });
        return true;
    }
    // Folded as it is compared, not copied: a command asks once for each of
    // a catalogue's tens of thousands of entries.
    bool Contains(std::wstring_view id) const {
        auto at = std::lower_bound(folded_.begin(), folded_.end(), id,
                                   [](const std::wstring& kept, std::wstring_view wanted) {
                                       return FoldedLess(kept, wanted);
                                   });
        return at != folded_.end() && FoldedEquals(*at, id);
    }
    // As first added, in the case first given.
    const std::vector<std::wstring>& InOrder() const { return inOrder_; }
    bool Empty() const { return inOrder_.empty(); }
    size_t Size() const { return inOrder_.size(); }

private:
    std::vector<std::wstring> inOrder_;
    std::vector<std::wstring> folded_;  // sorted
};
