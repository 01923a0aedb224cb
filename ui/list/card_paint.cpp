#include "ui/list/card_paint.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <string>

#include "app/state.h"
#include "app/theme.h"
#include "base/handles.h"
#include "catalog/catalog_model.h"
#include "ui/draw.h"
#include "ui/list/card_buttons.h"
#include "ui/list/card_icon.h"
#include "ui/list/card_layout.h"
#include "ui/list/card_metrics.h"

namespace {

constexpr UINT kLineLeft = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
constexpr UINT kLineRight = DT_SINGLELINE | DT_VCENTER | DT_RIGHT;
constexpr UINT kLineCentred = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
constexpr UINT kParagraph = DT_WORDBREAK | DT_END_ELLIPSIS;

RECT Offset(RECT rect, int dx, int dy) {
    OffsetRect(&rect, dx, dy);
    return rect;
}

// Appends a record for the part of `area` inside the list; nothing when the
// area is scrolled out of it.
void RecordHit(const RECT& area, const RECT& listArea, size_t appIndex, ToolAction action, bool enabled,
               WindowElement element) {
    RECT visible{};
    if (!IntersectRect(&visible, &area, &listArea)) return;
    g_state.hitRecords.push_back({visible, appIndex, action, enabled, element});
}

std::wstring EmptyListMessage() {
    if (g_state.busy) return L"Chargement de vos applications…";
    if (g_state.catalogLoaded) return L"Aucune application à afficher.";
    return L"Le catalogue n’est pas disponible.";
}

// A panel taller than the list is drawn cut a little beyond it: the same
// pixels inside, without rasterising screens of it that nobody sees.
RECT CutToList(RECT bounds, const RECT& listArea) {
    const int spare = Scale(8);
    bounds.top = std::max(bounds.top, listArea.top - spare);
    bounds.bottom = std::min(bounds.bottom, listArea.bottom + spare);
    return bounds;
}

void PaintGroup(HDC dc, const RECT& bounds, const GroupBox& group, const RECT& listArea) {
    const Palette& palette = g_state.palette;
    {
        // Inside the outline, the header band below and the cards (painted
        // after every panel) cover each pixel: only the outline is drawn.
        ScopedSaveDc saved(dc);
        ExcludeClipRect(dc, bounds.left + 1, bounds.top + 1, bounds.right - 1, bounds.bottom - 1);
        FillRounded(dc, CutToList(bounds, listArea), palette.surface, palette.border);
    }
    const LONG bandBottom = bounds.top + Scale(kGroupTitleHeight);
    FillSolid(dc, {bounds.left + 1, bounds.top + 1, bounds.right - 1, bandBottom}, palette.groupHeader);
    DrawLabel(dc, GroupTitle(group), {bounds.left + Scale(12), bounds.top, bounds.right - Scale(80), bandBottom},
              g_state.strongFont.get(), palette.text, kLineLeft);
    DrawLabel(dc, std::to_wstring(group.count) + L" applis",
              {bounds.right - Scale(74), bounds.top, bounds.right - Scale(10), bandBottom}, g_state.smallFont.get(),
              palette.textMuted, kLineRight);
}

void PaintStateLabel(HDC dc, const RECT& box, CardState state) {
    const Palette& palette = g_state.palette;
    const wchar_t* badge = kCardStateWords.Of(state).badge;
    switch (state) {
    case CardState::UpdateAvailable:
        FillRounded(dc, box, palette.warningFill, palette.warningFill);
        DrawLabel(dc, badge, box, g_state.smallFont.get(), palette.warning, kLineRight);
        break;
    case CardState::UpToDate: DrawLabel(dc, badge, box, g_state.smallFont.get(), palette.success, kLineRight); break;
    case CardState::NotInstalled:
    case CardState::Held:
    case CardState::HeldByOrganisation:
        DrawLabel(dc, badge, box, g_state.smallFont.get(), palette.textMuted, kLineRight);
        break;
    }
}

// Room for the state's word at the right of the title row: the fixed widths
// of the short words, the measured one of a hold's.
int StateLabelWidth(HDC dc, CardState state) {
    switch (state) {
    case CardState::UpdateAvailable: return Scale(112);
    case CardState::Held:
    case CardState::HeldByOrganisation:
        return std::max(Scale(94), TextWidth(dc, g_state.smallFont.get(), kCardStateWords.Of(state).badge) + Scale(4));
    case CardState::NotInstalled:
    case CardState::UpToDate: break;
    }
    return Scale(94);
}

void PaintChevron(HDC dc, const RECT& box, bool expanded) {
    // One pixel wide, the DC's own pen does; a wider line needs a pen of its own.
    const int width = std::max(1, Scale(1));
    UniquePen pen(width > 1 ? CreatePen(PS_SOLID, width, g_state.palette.textMuted) : nullptr);
    ScopedSelect selectPen(dc, pen ? static_cast<HGDIOBJ>(pen.get()) : GetStockObject(DC_PEN));
    SetDCPenColor(dc, g_state.palette.textMuted);
    const int cx = (box.left + box.right) / 2;
    const int cy = (box.top + box.bottom) / 2;
    // A "v" when collapsed, the same pointing up when expanded.
    const int tipDy = expanded ? -Scale(2) : Scale(2);
    MoveToEx(dc, cx - Scale(4), cy - tipDy, nullptr);
    LineTo(dc, cx, cy + tipDy);
    LineTo(dc, cx + Scale(4), cy - tipDy);
}

void PaintMenuButton(HDC dc, const RECT& box, bool enabled) {
    const Palette& palette = g_state.palette;
    const COLORREF fill = (enabled && IsHovered(box)) ? palette.hover : palette.surface;
    FillRounded(dc, box, fill, palette.border);

    const COLORREF dots = enabled ? palette.text : palette.textDisabled;
    UniqueBrush brush(CreateSolidBrush(dots));
    UniquePen pen(CreatePen(PS_SOLID, 1, dots));
    ScopedSelect selectBrush(dc, brush.get());
    ScopedSelect selectPen(dc, pen.get());
    const int r = std::max(1, Scale(2));
    const int cx = (box.left + box.right) / 2;
    const int cy = (box.top + box.bottom) / 2;
    for (int offset : {Scale(-6), 0, Scale(6)}) {
        const int x = cx + offset;
        Ellipse(dc, x - r, cy - r, x + r, cy + r);
    }
}

// The catalogue's version is the installed one unless the file differs.
std::wstring VersionLine(const CatalogApp& app) {
    if (app.version.empty()) return {};
    return (app.installed && !app.updateAvailable ? L"Version : " : L"Version disponible : ") + app.version;
}

// Where a button of the expanded card goes, on the row below its version line.
RECT CardButtonBox(const RECT& card, WindowElement button) {
    const LONG top = card.top + Scale(108);
    const LONG bottom = card.top + Scale(140);
    switch (button) {
    case WindowElement::PrimaryButton: return {card.left + Scale(42), top, card.left + Scale(178), bottom};
    case WindowElement::SecondButton: return {card.left + Scale(188), top, card.left + Scale(288), bottom};
    default: return {card.right - Scale(44), top, card.right - Scale(12), bottom};  // the menu button
    }
}

// The card's title row and, expanded, its buttons, in painting order.
void RecordCardHits(const RECT& card, size_t appIndex, const RECT& listArea) {
    RecordHit({card.left, card.top, card.right, card.top + Scale(kCardTitleHeight)}, listArea, appIndex,
              ToolAction::Launch, true, WindowElement::Card);
    const CatalogApp& app = g_state.apps[appIndex];
    if (!IsExpanded(app)) return;
    for (const CardButton& button : ExpandedCardButtons(app)) {
        RecordHit(CardButtonBox(card, button.element), listArea, appIndex, button.action, button.enabled,
                  button.element);
    }
}

// The expanded part of a card: description, version and buttons.
void PaintCardDetails(HDC dc, const RECT& card, size_t appIndex) {
    const CatalogApp& app = g_state.apps[appIndex];
    const Palette& palette = g_state.palette;
    const LONG L = card.left;
    const LONG T = card.top;
    const LONG R = card.right;

    DrawLabel(dc, app.description, {L + Scale(42), T + Scale(44), R - Scale(12), T + Scale(79)}, g_state.bodyFont.get(),
              palette.textMuted, kParagraph);
    DrawLabel(dc, VersionLine(app), {L + Scale(42), T + Scale(81), R - Scale(12), T + Scale(101)},
              g_state.smallFont.get(), palette.textMuted, kLineLeft);

    for (const CardButton& button : ExpandedCardButtons(app)) {
        const RECT box = CardButtonBox(card, button.element);
        if (button.opensMenu) {
            PaintMenuButton(dc, box, button.enabled);
        } else {
            PaintButton(dc, box, button.label, button.enabled, button.element == WindowElement::PrimaryButton);
        }
    }
}

// The groups, or the cards of one group, whose rows reach into the list's
// height; a superset of what the list shows, found without walking the rest.
struct ShownRange {
    size_t first = 0;
    size_t end = 0;
};

ShownRange ShownGroups(const CardListLayout& layout, const RECT& listArea, int dy) {
    const int top = listArea.top - dy;
    const int bottom = listArea.bottom - dy;
    const auto& spans = layout.spans;
    const auto& groups = layout.groups;
    const size_t first = static_cast<size_t>(
        std::partition_point(spans.begin(), spans.end(), [&](const GroupSpan& s) { return s.rowBottom <= top; }) -
        spans.begin());
    const size_t end = static_cast<size_t>(
        std::partition_point(groups.begin(), groups.end(), [&](const GroupBox& g) { return g.bounds.top < bottom; }) -
        groups.begin());
    return {first, std::max(first, std::min(end, spans.size()))};
}

ShownRange ShownCards(const CardListLayout& layout, const GroupSpan& span, const RECT& listArea, int dy) {
    const int top = listArea.top - dy;
    const int bottom = listArea.bottom - dy;
    const auto begin = layout.cards.begin() + static_cast<std::ptrdiff_t>(span.firstCard);
    const auto end = layout.cards.begin() + static_cast<std::ptrdiff_t>(span.endCard);
    const auto first = std::partition_point(begin, end, [&](const CardSlot& c) { return c.bounds.bottom <= top; });
    const auto last = std::partition_point(first, end, [&](const CardSlot& c) { return c.bounds.top < bottom; });
    return {static_cast<size_t>(first - layout.cards.begin()), static_cast<size_t>(last - layout.cards.begin())};
}

}  // namespace

int BandEdgeBefore(const CardListLayout& layout, int clientWidth, int edge, int least) {
    const RECT listArea{0, g_state.listTop, clientWidth, g_state.listBottom};
    if (edge <= listArea.top || edge >= listArea.bottom) return edge;
    const int dy = g_state.listTop - g_state.scrollPos;
    const ShownRange shown = ShownGroups(layout, listArea, dy);
    // Panels side by side need not align their cards: moving above a card of
    // one can cut a card of another, so a few rounds, then the edge as asked.
    constexpr int kRounds = 4;
    int at = edge;
    for (int round = 0; round < kRounds; ++round) {
        int moved = at;
        for (size_t g = shown.first; g < shown.end; ++g) {
            const GroupSpan& span = layout.spans[g];
            const auto begin = layout.cards.begin() + static_cast<std::ptrdiff_t>(span.firstCard);
            const auto end = layout.cards.begin() + static_cast<std::ptrdiff_t>(span.endCard);
            // The first card of the panel that reaches below the edge.
            const auto cut = std::partition_point(begin, end,
                                                  [&](const CardSlot& c) { return c.bounds.bottom + dy <= at; });
            // A card reaching above the list is clipped at its top, which
            // cuts nothing drawn.
            if (cut != end && cut->bounds.top + dy < at) {
                moved = std::min(moved, std::max(static_cast<int>(cut->bounds.top + dy), g_state.listTop));
            }
        }
        if (moved == at) return at;
        if (moved <= least) return edge;
        at = moved;
    }
    return edge;
}

void PaintCardList(HDC dc, const CardListLayout& layout, int clientWidth) {
    const RECT listArea{0, g_state.listTop, clientWidth, g_state.listBottom};
    const int dy = g_state.listTop - g_state.scrollPos;

    ScopedSaveDc saved(dc);
    IntersectClipRect(dc, listArea.left, listArea.top, listArea.right, listArea.bottom);

    if (layout.groups.empty()) {
        DrawLabel(dc, EmptyListMessage(),
                  {Scale(20), g_state.listTop + Scale(24), clientWidth - Scale(20), g_state.listTop + Scale(60)},
                  g_state.bodyFont.get(), g_state.palette.textMuted, kLineCentred);
    }
    // What this pass can draw: a band of the window paints only the panels
    // and cards that reach into it.
    RECT drawable{};
    GetClipBox(dc, &drawable);
    const ShownRange shown = ShownGroups(layout, listArea, dy);
    for (size_t g = shown.first; g < shown.end; ++g) {
        const RECT bounds = Offset(layout.groups[g].bounds, 0, dy);
        RECT reached{};
        if (!IntersectRect(&reached, &bounds, &drawable)) continue;
        PaintGroup(dc, bounds, layout.groups[g], listArea);
    }
    // Cards after all panels, so that they lie on top of the panel interiors.
    for (size_t g = shown.first; g < shown.end; ++g) {
        const ShownRange cards = ShownCards(layout, layout.spans[g], listArea, dy);
        for (size_t c = cards.first; c < cards.end; ++c) {
            const CardSlot& card = layout.cards[c];
            PaintCard(dc, {Offset(card.bounds, 0, dy), card.appIndex}, listArea, drawable);
        }
    }
}

void PaintCard(HDC dc, const CardSlot& onScreen, const RECT& listArea, const RECT& drawable) {
    if (onScreen.appIndex >= g_state.apps.size()) return;
    const RECT& card = onScreen.bounds;
    RECT visible{};
    if (!IntersectRect(&visible, &card, &listArea)) return;
    // Recorded whole at every pass, drawn only where the pass can draw.
    g_state.cardRects.push_back({visible, onScreen.appIndex});
    RecordCardHits(card, onScreen.appIndex, listArea);
    RECT reached{};
    if (!IntersectRect(&reached, &card, &drawable)) return;

    const CatalogApp& app = g_state.apps[onScreen.appIndex];
    const Palette& palette = g_state.palette;
    const bool expanded = IsExpanded(app);
    const CardState state = CardStateOf(app);
    const LONG L = card.left;
    const LONG T = card.top;
    const LONG R = card.right;
    const LONG B = card.bottom;
    const int stateWidth = StateLabelWidth(dc, state);

    const RECT titleRow{L, T, R, T + Scale(kCardTitleHeight)};
    if (B > titleRow.bottom) FillSolid(dc, {L, titleRow.bottom, R, B}, palette.surface);
    const COLORREF rowFill = expanded ? palette.selected : (IsHovered(visible) ? palette.hover : palette.surface);
    FillSolid(dc, titleRow, rowFill);
    FillSolid(dc, {L, B - 1, R, B}, palette.border);
    if (expanded) FillSolid(dc, {L, T, L + Scale(3), B}, palette.accent);

    DrawCardIcon(dc, app, CardIconBox(L, T));
    DrawLabel(dc, app.name, {L + Scale(42), T, R - Scale(40) - stateWidth, titleRow.bottom}, g_state.strongFont.get(),
              palette.text, kLineLeft);
    PaintStateLabel(dc, {R - Scale(32) - stateWidth, T + Scale(9), R - Scale(32), T + Scale(29)}, state);
    PaintChevron(dc, {R - Scale(24), T + Scale(11), R - Scale(10), T + Scale(27)}, expanded);
    if (expanded) PaintCardDetails(dc, card, onScreen.appIndex);
}
