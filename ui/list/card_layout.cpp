#include "ui/list/card_layout.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/constants.h"
#include "app/state.h"
#include "app/theme.h"
#include "catalog/catalog_model.h"
#include "ui/list/card_metrics.h"
#include "ui/text_fold.h"

namespace {

// Categories as group keys: hashed and compared with A-Z folded, as titles are.
struct FoldedHash {
    size_t operator()(std::wstring_view text) const {
        uint64_t hash = 14695981039346656037ull;
        for (wchar_t c : text) hash = (hash ^ static_cast<uint64_t>(FoldAsciiCase(c))) * 1099511628211ull;
        return static_cast<size_t>(hash);
    }
};
struct FoldedEqual {
    bool operator()(std::wstring_view a, std::wstring_view b) const { return FoldedEquals(a, b); }
};

struct EntryGroup {
    std::wstring_view title;  // the category of its first entry (or kOtherAppsGroup)
    size_t first = 0;         // its members in GroupedEntries::members
    size_t count = 0;
};

struct GroupedEntries {
    std::vector<EntryGroup> groups;  // in display order
    std::vector<size_t> members;     // entry indices, group by group, each in catalogue order
};

// Groups the visible entries by category and puts the groups in display
// order. One look-up per entry: a catalogue of tens of thousands of
// categories is laid out on every paint and every expand.
GroupedEntries GroupVisibleEntries() {
    const std::vector<size_t> visible = VisibleEntryIndices();
    std::vector<EntryGroup> found;
    std::vector<size_t> groupOf(visible.size());
    std::unordered_map<std::wstring_view, size_t, FoldedHash, FoldedEqual> byTitle;
    byTitle.reserve(visible.size());
    for (size_t i = 0; i < visible.size(); ++i) {
        const std::wstring& category = g_state.apps[visible[i]].category;
        const std::wstring_view key = category.empty() ? std::wstring_view(kOtherAppsGroup) : std::wstring_view(category);
        const auto [at, added] = byTitle.try_emplace(key, found.size());
        if (added) found.push_back({key, 0, 0});
        groupOf[i] = at->second;
        ++found[at->second].count;
    }

    // No two titles are equal once folded: the sort has one answer.
    std::vector<size_t> order(found.size());
    for (size_t g = 0; g < order.size(); ++g) order[g] = g;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return FoldedLess(found[a].title, found[b].title); });

    GroupedEntries grouped;
    grouped.groups.reserve(found.size());
    size_t next = 0;
    for (size_t g : order) {
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

std::vector<size_t> VisibleEntryIndices() {
    std::vector<size_t> indices;
    indices.reserve(g_state.apps.size());
    for (size_t i = 0; i < g_state.apps.size(); ++i) {
        const CatalogApp& app = g_state.apps[i];
        if (app.hidden && !g_state.secretMode) continue;
        // The program's own entry drives the header's self button, not a card.
        if (FoldedEquals(app.id, kOwnAppId)) continue;
        indices.push_back(i);
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

    const GroupedEntries grouped = GroupVisibleEntries();
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
            layout.groups.push_back({{x, rowTop, x + columnWidth, y + 1}, std::wstring(group.title), group.count});
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
