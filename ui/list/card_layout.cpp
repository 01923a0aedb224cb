#include "ui/list/card_layout.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/constants.h"
#include "app/state.h"
#include "app/theme.h"
#include "catalog/catalog_model.h"
#include "ui/list/card_metrics.h"
#include "ui/text_fold.h"

namespace {

struct EntryGroup {
    std::wstring title;
    std::vector<size_t> members;
};

// Groups the visible entries by category and puts the groups in display order.
std::vector<EntryGroup> GroupVisibleEntries() {
    std::vector<EntryGroup> groups;
    for (size_t index : VisibleEntryIndices()) {
        const std::wstring& category = g_state.apps[index].category;
        const std::wstring_view key = category.empty() ? std::wstring_view(kOtherAppsGroup) : std::wstring_view(category);
        auto found = std::find_if(groups.begin(), groups.end(),
                                  [&](const EntryGroup& group) { return FoldedEquals(group.title, key); });
        if (found != groups.end()) {
            found->members.push_back(index);
        } else {
            groups.push_back({std::wstring(key), {index}});
        }
    }
    std::stable_sort(groups.begin(), groups.end(),
                     [](const EntryGroup& a, const EntryGroup& b) { return FoldedLess(a.title, b.title); });
    return groups;
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

    const std::vector<EntryGroup> groups = GroupVisibleEntries();
    CardListLayout layout;
    int rowTop = 0;
    for (size_t first = 0; first < groups.size(); first += columns) {
        int rowHeight = 0;
        for (int k = 0; k < columns && first + k < groups.size(); ++k) {
            const EntryGroup& group = groups[first + k];
            const int x = margin + k * (columnWidth + gap);
            int y = rowTop + groupHeader;
            GroupSpan span;
            span.firstCard = layout.cards.size();
            for (size_t index : group.members) {
                const CatalogApp& app = g_state.apps[index];
                int bottom = y + cardHeight;
                if (IsExpanded(app)) bottom += expandExtra;
                layout.cards.push_back({{x + 1, y, x + columnWidth - 1, bottom}, index});
                if (app.installed && app.updateAvailable) ++layout.updateCount;
                y = bottom;
            }
            span.endCard = layout.cards.size();
            layout.groups.push_back({{x, rowTop, x + columnWidth, y + 1}, group.title, group.members.size()});
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
