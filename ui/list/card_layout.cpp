#include "ui/list/card_layout.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "app/state.h"
#include "app/theme.h"
#include "app/update_offer.h"
#include "base/constants.h"
#include "base/text_fold.h"
#include "catalog/catalog_model.h"
#include "ui/list/card_buttons.h"
#include "ui/list/card_metrics.h"

namespace {

// The visible entries' group keys (their categories, or kOtherAppsGroup)
// with A-Z folded, end to end in one block: grouping and sorting then
// compare plain runs of memory instead of folding scattered strings.
class FoldedKeys {
public:
    explicit FoldedKeys(const std::vector<std::wstring_view>& titles) {
        ends_.reserve(titles.size());
        size_t total = 0;
        for (std::wstring_view title : titles) ends_.push_back(total += title.size());
        text_.resize(total);
        wchar_t* out = text_.data();
        for (std::wstring_view title : titles) {
            for (wchar_t c : title) *out++ = FoldAsciiCase(c);
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

// The visible entries in display order: one sort of the folded keys, with
// catalogue order among equals. Each group is then a run of equal keys,
// already in display order, and its members in catalogue order. A catalogue
// may hold tens of thousands of categories, and no table or title is made per
// group. Only a change of the entries, the secret mode or the dpi sorts them
// again; a resize or an expanded card moves the kept cards.
std::vector<std::pair<std::wstring_view, size_t>> SortedByGroup(const FoldedKeys& keys, size_t count) {
    std::vector<std::pair<std::wstring_view, size_t>> order(count);
    for (size_t i = 0; i < count; ++i) order[i] = {keys.Of(i), i};
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        const int compared = a.first.compare(b.first);
        return compared < 0 || (compared == 0 && a.second < b.second);
    });
    return order;
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

namespace {

int ColumnCount(int clientWidth) { return clientWidth >= Scale(940) ? 2 : 1; }

// Which entries get a card, in which group, and the groups' order: what the
// catalogue, the secret mode and the dpi decide, and nothing else. Leaves the
// positions to PlaceCards.
void GroupCards(CardListLayout& layout) {
    // The entries are large and scattered in memory: they are read once, in
    // catalogue order, for all that grouping needs of them.
    std::vector<size_t> visible;
    std::vector<std::wstring_view> titles;
    visible.reserve(g_state.apps.size());
    titles.reserve(g_state.apps.size());
    size_t updateCount = 0;
    for (size_t index = 0; index < g_state.apps.size(); ++index) {
        const CatalogApp& app = g_state.apps[index];
        if (!ShowsAsCard(app)) continue;
        visible.push_back(index);
        titles.push_back(FoldedKeys::Title(index));
        // A held tool announces no update.
        if (CardStateOf(app) == CardState::UpdateAvailable) ++updateCount;
    }
    const FoldedKeys keys(titles);
    const std::vector<std::pair<std::wstring_view, size_t>> order = SortedByGroup(keys, visible.size());

    // Emptied, not replaced: a layout of tens of thousands of cards then
    // writes into memory it already has instead of fresh pages.
    layout.cards.clear();
    layout.groups.clear();
    layout.spans.clear();
    layout.groupOfCard.clear();
    layout.contentHeight = 0;
    layout.updateCount = updateCount;
    layout.cards.reserve(visible.size());
    layout.groupOfCard.reserve(visible.size());
    layout.cardOfEntry.assign(g_state.apps.size(), kNoCard);
    for (size_t m = 0; m < order.size(); ++m) {
        const size_t index = visible[order[m].second];
        // A new key starts a group, titled by its first member.
        if (m == 0 || order[m].first != order[m - 1].first) {
            layout.groups.push_back({RECT{}, index, 0});
            layout.spans.push_back({layout.cards.size(), layout.cards.size(), 0});
        }
        layout.cardOfEntry[index] = layout.cards.size();
        layout.groupOfCard.push_back(layout.groups.size() - 1);
        layout.cards.push_back({RECT{}, index});
        ++layout.groups.back().count;
        layout.spans.back().endCard = layout.cards.size();
    }
}

// Where the grouped cards go at this width: groups side by side in rows of
// `columns`, each group's cards one under the other.
void PlaceCards(CardListLayout& layout, int clientWidth) {
    const int columns = ColumnCount(clientWidth);
    const int margin = Scale(20);
    const int gap = Scale(16);
    const int groupHeader = Scale(kGroupTitleHeight);
    const int cardHeight = Scale(kCardTitleHeight);
    const int expandExtra = Scale(kCardDetailsHeight);
    const int columnWidth = (clientWidth - 2 * margin - (columns - 1) * gap) / columns;
    const size_t groups = layout.groups.size();
    int rowTop = 0;
    for (size_t first = 0; first < groups; first += columns) {
        int rowHeight = 0;
        for (int k = 0; k < columns && first + k < groups; ++k) {
            const size_t g = first + k;
            const int x = margin + k * (columnWidth + gap);
            int y = rowTop + groupHeader;
            for (size_t c = layout.spans[g].firstCard; c < layout.spans[g].endCard; ++c) {
                int bottom = y + cardHeight;
                if (IsExpanded(g_state.apps[layout.cards[c].appIndex])) bottom += expandExtra;
                layout.cards[c].bounds = {x + 1, y, x + columnWidth - 1, bottom};
                y = bottom;
            }
            layout.groups[g].bounds = {x, rowTop, x + columnWidth, y + 1};
            rowHeight = std::max(rowHeight, y + 1 - rowTop);
        }
        for (size_t g = first; g < first + columns && g < groups; ++g) layout.spans[g].rowBottom = rowTop + rowHeight;
        rowTop += rowHeight + gap;
    }
    layout.contentHeight = rowTop;
}

// Card `c` grew by `delta` (its details shown or hidden): the cards under it
// in its group move, its row takes the height of its tallest group, and the
// rows below move by what that row changed. Nothing above moves.
void ResizeCard(CardListLayout& layout, int columns, size_t c, int delta) {
    const size_t g = layout.groupOfCard[c];
    layout.cards[c].bounds.bottom += delta;
    for (size_t below = c + 1; below < layout.spans[g].endCard; ++below)
        OffsetRect(&layout.cards[below].bounds, 0, delta);
    layout.groups[g].bounds.bottom += delta;

    const size_t rowFirst = g - g % static_cast<size_t>(columns);
    const size_t rowEnd = std::min(rowFirst + columns, layout.groups.size());
    const int rowTop = layout.groups[rowFirst].bounds.top;
    int rowHeight = 0;
    for (size_t k = rowFirst; k < rowEnd; ++k)
        rowHeight = std::max(rowHeight, static_cast<int>(layout.groups[k].bounds.bottom) - rowTop);
    const int shift = rowTop + rowHeight - layout.spans[rowFirst].rowBottom;
    for (size_t k = rowFirst; k < rowEnd; ++k) layout.spans[k].rowBottom = rowTop + rowHeight;
    if (shift == 0) return;
    for (size_t k = rowEnd; k < layout.groups.size(); ++k) {
        OffsetRect(&layout.groups[k].bounds, 0, shift);
        layout.spans[k].rowBottom += shift;
    }
    const size_t firstBelow = rowEnd < layout.spans.size() ? layout.spans[rowEnd].firstCard : layout.cards.size();
    for (size_t below = firstBelow; below < layout.cards.size(); ++below)
        OffsetRect(&layout.cards[below].bounds, 0, shift);
    layout.contentHeight += shift;
}

// The card of `collapsed` loses its details and that of g_state.expandedId
// gains them.
void MoveForExpanded(CardListLayout& layout, int clientWidth, const std::wstring& collapsed) {
    const int columns = ColumnCount(clientWidth);
    const int extra = Scale(kCardDetailsHeight);
    for (size_t i = 0; i < g_state.apps.size(); ++i) {
        const std::wstring& id = g_state.apps[i].id;
        const size_t card = layout.cardOfEntry[i];
        if (card == kNoCard || id.empty()) continue;
        if (id == collapsed) ResizeCard(layout, columns, card, -extra);
        if (id == g_state.expandedId) ResizeCard(layout, columns, card, extra);
    }
}

}  // namespace

CardListLayout ComputeCardLayout(int clientWidth) {
    CardListLayout layout;
    GroupCards(layout);
    PlaceCards(layout, clientWidth);
    return layout;
}

std::wstring_view GroupTitle(const GroupBox& group) {
    // A layout is grouped again whenever the entries change; out of range, it
    // is one the entries have already left.
    if (group.titleEntry >= g_state.apps.size()) return {};
    return FoldedKeys::Title(group.titleEntry);
}

void MarkListLayoutStale() { g_state.listLayout.stale = true; }

std::optional<size_t> CardOfEntry(const CardListLayout& layout, size_t appIndex) {
    if (appIndex >= layout.cardOfEntry.size() || layout.cardOfEntry[appIndex] == kNoCard) return std::nullopt;
    return layout.cardOfEntry[appIndex];
}

// A change of the entries, the secret mode or the dpi groups the cards again;
// a new width places the kept groups again; a new expanded card moves only
// what lies below it.
const CardListLayout& CurrentCardLayout(int clientWidth) {
    KeptListLayout& kept = g_state.listLayout;
    const bool grouped = !kept.stale && kept.dpi == g_state.dpi && kept.secretMode == g_state.secretMode &&
                         kept.entries == g_state.apps.size();
    if (!grouped) {
        GroupCards(kept.layout);
        PlaceCards(kept.layout, clientWidth);
    } else if (kept.width != clientWidth) {
        PlaceCards(kept.layout, clientWidth);
    } else if (kept.expandedId != g_state.expandedId) {
        MoveForExpanded(kept.layout, clientWidth, kept.expandedId);
    }
    kept.stale = false;
    kept.width = clientWidth;
    kept.dpi = g_state.dpi;
    kept.secretMode = g_state.secretMode;
    kept.expandedId = g_state.expandedId;
    kept.entries = g_state.apps.size();
    return kept.layout;
}
