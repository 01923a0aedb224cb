#include "ui/list/card_layout.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/state.h"
#include "app/theme.h"
#include "base/constants.h"
#include "base/text_fold.h"
#include "catalog/catalog_model.h"
#include "ui/list/card_metrics.h"

namespace {

// The visible entries' group keys (their categories, or kOtherAppsGroup)
// with A-Z folded, end to end in one block: grouping and sorting then
// compare plain runs of memory instead of folding scattered strings.
class FoldedKeys {
public:
    explicit FoldedKeys(const std::vector<size_t>& visible) {
        ends_.reserve(visible.size());
        size_t total = 0;
        for (size_t index : visible) ends_.push_back(total += Title(index).size());
        text_.resize(total);
        wchar_t* out = text_.data();
        for (size_t index : visible) {
            for (wchar_t c : Title(index)) *out++ = FoldAsciiCase(c);
        }
    }
    // The group title of entry `index` of the state, as written.
    static std::wstring_view Title(size_t index) {
        const std::wstring& category = g_state.apps[index].category;
        return category.empty() ? std::wstring_view(kOtherAppsGroup) : std::wstring_view(category);
    }
    // The folded key of the i-th visible entry.
    std::wstring_view Of(size_t i) const {
        const size_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::wstring_view(text_.data() + begin, ends_[i] - begin);
    }

private:
    std::wstring text_;
    std::vector<size_t> ends_;
};

struct EntryGroup {
    size_t firstVisible = 0;  // its first entry, among the visible ones: it gives the title
    size_t first = 0;         // its members in GroupedEntries::members
    size_t count = 0;
};

struct GroupedEntries {
    std::vector<EntryGroup> groups;  // in display order
    std::vector<size_t> members;     // entry indices, group by group, each in catalogue order
};

// Groups the visible entries by category and puts the groups in display
// order. One look-up per entry, in a table of open addressing (one block, not
// one allocation per group): a catalogue of tens of thousands of categories
// is laid out on every paint after a change and on every expand.
GroupedEntries GroupVisibleEntries(const std::vector<size_t>& visible) {
    const FoldedKeys keys(visible);
    size_t capacity = 16;
    while (capacity < 2 * visible.size()) capacity *= 2;
    constexpr size_t kFreeSlot = static_cast<size_t>(-1);
    std::vector<size_t> slots(capacity, kFreeSlot);  // a group number, or free
    std::vector<EntryGroup> found;
    std::vector<size_t> groupOf(visible.size());
    const std::hash<std::wstring_view> hash;
    for (size_t i = 0; i < visible.size(); ++i) {
        const std::wstring_view key = keys.Of(i);
        size_t slot = hash(key) & (capacity - 1);
        while (slots[slot] != kFreeSlot && keys.Of(found[slots[slot]].firstVisible) != key) {
            slot = (slot + 1) & (capacity - 1);
        }
        if (slots[slot] == kFreeSlot) {
            slots[slot] = found.size();
            found.push_back({i, 0, 0});
        }
        groupOf[i] = slots[slot];
        ++found[slots[slot]].count;
    }

    // Ordered by folded title, unit by unit as FoldedLess orders; no two groups have the same one.
    std::vector<std::pair<std::wstring_view, size_t>> order(found.size());
    for (size_t g = 0; g < order.size(); ++g) order[g] = {keys.Of(found[g].firstVisible), g};
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    GroupedEntries grouped;
    grouped.groups.reserve(found.size());
    size_t next = 0;
    for (const auto& titled : order) {
        const size_t g = titled.second;
        found[g].first = next;
        next += found[g].count;
        grouped.groups.push_back(found[g]);
    }
    grouped.members.resize(visible.size());
    std::vector<size_t> filled(found.size(), 0);
    for (size_t i = 0; i < visible.size(); ++i) {
        const size_t g = groupOf[i];
        grouped.members[found[g].first + filled[g]++] = visible[i];
    }
    return grouped;
}

}  // namespace

bool IsExpanded(const CatalogApp& app) { return !g_state.expandedId.empty() && app.id == g_state.expandedId; }

bool ShowsAsCard(const CatalogApp& app) {
    // The program's own entry drives the header's self button, not a card.
    return (!app.hidden || g_state.secretMode) && !IsOwnAppId(app.id);
}

std::vector<size_t> VisibleEntryIndices() {
    std::vector<size_t> indices;
    indices.reserve(g_state.apps.size());
    for (size_t i = 0; i < g_state.apps.size(); ++i) {
        if (ShowsAsCard(g_state.apps[i])) indices.push_back(i);
    }
    return indices;
}

HeaderLayout ComputeHeaderLayout(int clientWidth) {
    const bool narrow = clientWidth < Scale(940);
    const int right = clientWidth - Scale(20);
    const int optionsLeft = right - Scale(96);
    const int selfTop = narrow ? Scale(92) : Scale(30);

    HeaderLayout header;
    header.headerHeight = narrow ? Scale(146) : Scale(102);
    header.optionsButton = {optionsLeft, Scale(30), right, Scale(64)};
    header.refreshButton = {optionsLeft - Scale(112), Scale(30), optionsLeft - Scale(10), Scale(64)};
    header.selfButton = {clientWidth / 2 - Scale(120), selfTop, clientWidth / 2 + Scale(120), selfTop + Scale(34)};
    header.logo = {Scale(20), Scale(16), Scale(70), Scale(66)};
    const int titleEdge = narrow ? header.refreshButton.left : header.selfButton.left;
    header.title = {Scale(84), Scale(18), titleEdge - Scale(18), Scale(49)};
    return header;
}

CardListLayout ComputeCardLayout(int clientWidth) {
    const int columns = clientWidth >= Scale(940) ? 2 : 1;
    const int margin = Scale(20);
    const int gap = Scale(16);
    const int groupHeader = Scale(kGroupTitleHeight);
    const int cardHeight = Scale(kCardTitleHeight);
    const int expandExtra = Scale(kCardDetailsHeight);
    const int columnWidth = (clientWidth - 2 * margin - (columns - 1) * gap) / columns;

    const std::vector<size_t> visible = VisibleEntryIndices();
    const GroupedEntries grouped = GroupVisibleEntries(visible);
    const std::vector<EntryGroup>& groups = grouped.groups;
    CardListLayout layout;
    layout.cards.reserve(grouped.members.size());
    layout.groups.reserve(groups.size());
    layout.spans.reserve(groups.size());
    layout.cardOfEntry.assign(g_state.apps.size(), kNoCard);
    layout.groupOfCard.reserve(grouped.members.size());
    int rowTop = 0;
    for (size_t first = 0; first < groups.size(); first += columns) {
        int rowHeight = 0;
        for (int k = 0; k < columns && first + k < groups.size(); ++k) {
            const EntryGroup& group = groups[first + k];
            const int x = margin + k * (columnWidth + gap);
            int y = rowTop + groupHeader;
            GroupSpan span;
            span.firstCard = layout.cards.size();
            for (size_t m = group.first; m < group.first + group.count; ++m) {
                const size_t index = grouped.members[m];
                const CatalogApp& app = g_state.apps[index];
                int bottom = y + cardHeight;
                if (IsExpanded(app)) bottom += expandExtra;
                layout.cardOfEntry[index] = layout.cards.size();
                layout.groupOfCard.push_back(layout.groups.size());
                layout.cards.push_back({{x + 1, y, x + columnWidth - 1, bottom}, index});
                if (app.installed && app.updateAvailable) ++layout.updateCount;
                y = bottom;
            }
            span.endCard = layout.cards.size();
            const std::wstring_view title = FoldedKeys::Title(visible[group.firstVisible]);
            layout.groups.push_back({{x, rowTop, x + columnWidth, y + 1}, std::wstring(title), group.count});
            layout.spans.push_back(span);
            rowHeight = std::max(rowHeight, y + 1 - rowTop);
        }
        for (size_t g = first; g < layout.spans.size(); ++g) layout.spans[g].rowBottom = rowTop + rowHeight;
        rowTop += rowHeight + gap;
    }
    layout.contentHeight = rowTop;
    return layout;
}

void MarkListLayoutStale() { g_state.listLayout.stale = true; }

std::optional<size_t> CardOfEntry(const CardListLayout& layout, size_t appIndex) {
    if (appIndex >= layout.cardOfEntry.size() || layout.cardOfEntry[appIndex] == kNoCard) return std::nullopt;
    return layout.cardOfEntry[appIndex];
}

const CardListLayout& CurrentCardLayout(int clientWidth) {
    KeptListLayout& kept = g_state.listLayout;
    const bool current = !kept.stale && kept.width == clientWidth && kept.dpi == g_state.dpi &&
                         kept.secretMode == g_state.secretMode && kept.expandedId == g_state.expandedId &&
                         kept.entries == g_state.apps.size();
    if (!current) {
        kept.layout = ComputeCardLayout(clientWidth);
        kept.stale = false;
        kept.width = clientWidth;
        kept.dpi = g_state.dpi;
        kept.secretMode = g_state.secretMode;
        kept.expandedId = g_state.expandedId;
        kept.entries = g_state.apps.size();
    }
    return kept.layout;
}
