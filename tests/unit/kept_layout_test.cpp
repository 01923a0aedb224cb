// The card list's layout is kept between paints: after each kind of change it
// must equal a fresh one, and painting only the cards in view must give the
// pixels and records of painting them all.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/state.h"
#include "app/theme.h"
#include "base/constants.h"
#include "base/messages.h"
#include "tests/support/ui_test_canvas.h"
#include "ui/accessibility/accessible_tree.h"
#include "ui/jobs/theme_apply.h"
#include "ui/list/card_layout.h"
#include "ui/list/card_paint.h"
#include "ui/list/list_scrolling.h"
#include "ui/main/chrome_paint.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_commands.h"

namespace {

::testing::AssertionResult SameLayout(const CardListLayout& kept, const CardListLayout& fresh) {
    auto fail = [] { return ::testing::AssertionFailure(); };
    if (kept.contentHeight != fresh.contentHeight)
        return fail() << "content height " << kept.contentHeight << ", fresh " << fresh.contentHeight;
    if (kept.cards.size() != fresh.cards.size() || kept.updateCount != fresh.updateCount)
        return fail() << "counts " << kept.cards.size() << "/" << kept.updateCount << ", fresh " << fresh.cards.size()
                      << "/" << fresh.updateCount;
    if (kept.cards.size() != fresh.cards.size())
        return fail() << kept.cards.size() << " cards, fresh " << fresh.cards.size();
    for (size_t i = 0; i < kept.cards.size(); ++i) {
        if (!EqualRect(&kept.cards[i].bounds, &fresh.cards[i].bounds) ||
            kept.cards[i].appIndex != fresh.cards[i].appIndex)
            return fail() << "card " << i << " at " << ShowRect(kept.cards[i].bounds) << ", fresh "
                          << ShowRect(fresh.cards[i].bounds);
    }
    if (kept.groups.size() != fresh.groups.size() || kept.spans.size() != fresh.spans.size())
        return fail() << kept.groups.size() << " groups, fresh " << fresh.groups.size();
    for (size_t i = 0; i < kept.groups.size(); ++i) {
        const GroupBox& a = kept.groups[i];
        const GroupBox& b = fresh.groups[i];
        if (!EqualRect(&a.bounds, &b.bounds) || GroupTitle(a) != GroupTitle(b) || a.count != b.count)
            return fail() << "group " << i << " at " << ShowRect(a.bounds) << ", fresh " << ShowRect(b.bounds);
        const GroupSpan& s = kept.spans[i];
        const GroupSpan& t = fresh.spans[i];
        if (s.firstCard != t.firstCard || s.endCard != t.endCard || s.rowBottom != t.rowBottom)
            return fail() << "span of group " << i;
    }
    return ::testing::AssertionSuccess();
}

// What the user meets of a layout: the painted hit areas, the keyboard's
// reading order and the screen-reader tree, written out one line each.
std::vector<std::wstring> Observed(HWND window) {
    std::vector<std::wstring> lines;
    auto rect = [](const RECT& r) {
        return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
               std::to_wstring(r.bottom);
    };
    SendMessageW(window, WM_PAINT, 0, 0);
    for (const HitRecord& record : g_state.hitRecords) {
        lines.push_back(L"hit " + rect(record.bounds) + L" " + std::to_wstring(record.appIndex) + L" " +
                        std::to_wstring(static_cast<int>(record.part)) + L" " +
                        std::to_wstring(static_cast<int>(record.action)) + (record.enabled ? L" on" : L" off"));
    }
    const AccessibleView view = CurrentAccessibleView();
    std::function<void(const AccessibleNode&)> walk = [&](const AccessibleNode& node) {
        lines.push_back(L"node " + std::to_wstring(ChildIdOf(node)) + L" " + NameOf(view, node) + L" " +
                        std::to_wstring(StateOf(view, node)) + L" " + rect(LocationOf(view, node)));
        for (const AccessibleNode& child : ChildrenOf(view, node)) walk(child);
    };
    walk(AccessibleNode{});
    // Down from the first card to the last, then back where the list was.
    const int scroll = g_state.scrollPos;
    const KeyboardFocus focus = g_state.keyboardFocus;
    SendMessageW(window, WM_KEYDOWN, VK_HOME, 1);
    std::wstring last;
    while (g_state.keyboardFocus.OnCard() && g_state.keyboardFocus.cardId != last) {
        last = g_state.keyboardFocus.cardId;
        lines.push_back(L"key " + last);
        SendMessageW(window, WM_KEYDOWN, VK_DOWN, 1);
    }
    g_state.keyboardFocus = focus;
    ScrollTo(scroll);
    return lines;
}

CatalogApp Entry(const std::wstring& id, const std::wstring& category, bool installed, bool update, bool hidden) {
    return MakeApp(AppShape{id, category, installed, update, hidden});
}

std::unique_ptr<CatalogLoadResult> Catalogue(int count, const std::vector<std::wstring>& categories) {
    auto result = std::make_unique<CatalogLoadResult>();
    result->ok = true;
    for (int i = 0; i < count; ++i) {
        result->apps.push_back(Entry(L"Outil" + std::to_wstring(i), categories[i % categories.size()], i % 3 == 0,
                                     i % 6 == 0, i % 5 == 4));
    }
    return result;
}

class KeptLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAppState();
        g_state.instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(RegisterWindowClasses(g_state.instance, nullptr));
        window_ = CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW | WS_VSCROLL, 0, 0, 1180,
                                  780, nullptr, nullptr, g_state.instance, nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override {
        if (IsWindow(window_)) DestroyWindow(window_);
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    }

    int Width() const {
        RECT client{};
        GetClientRect(window_, &client);
        return client.right;
    }
    void Paint() { SendMessageW(window_, WM_PAINT, 0, 0); }
    void Left(POINT p) { SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y)); }
    void Right(POINT p) { SendMessageW(window_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(p.x, p.y)); }
    // A click on the title row of the n-th card the last paint recorded.
    void ClickCard(size_t n) {
        for (const HitRecord& record : g_state.hitRecords) {
            if (record.TogglesCard() && n-- == 0) {
                Left({(record.bounds.left + record.bounds.right) / 2, (record.bounds.top + record.bounds.bottom) / 2});
                return;
            }
        }
        ADD_FAILURE() << "too few cards were painted";
    }
    void ClickFirstCard() { ClickCard(0); }

    HWND window_ = nullptr;
};

}  // namespace

TEST_F(KeptLayoutTest, MatchesAFreshLayoutAfterEachKindOfChange) {
    const std::vector<std::wstring> fourKinds{L"Audio", L"Réseau", L"Jeux", L"Système"};
    struct Change {
        const char* what;
        std::function<void()> apply;
    };
    const Change changes[] = {
        {"first catalogue",
         [&] {
             SendMessageW(window_, WM_APP_CATALOG_READY, 0,
                          reinterpret_cast<LPARAM>(Catalogue(40, fourKinds).release()));
         }},
        // Same number of entries, other groups: only the catalogue tells.
        {"new catalogue",
         [&] {
             SendMessageW(window_, WM_APP_CATALOG_READY, 0,
                          reinterpret_cast<LPARAM>(Catalogue(40, {L"Bureautique", L"Graphisme"}).release()));
         }},
        {"card expanded", [&] { ClickFirstCard(); }},
        {"card collapsed", [&] { ClickFirstCard(); }},
        {"card expanded again", [&] { ClickFirstCard(); }},
        // One card collapses and another, in another group, expands.
        {"another card expanded", [&] { ClickCard(5); }},
        {"Escape", [&] { SendMessageW(window_, WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"narrower window", [&] { SetWindowPos(window_, nullptr, 0, 0, 800, 700, SWP_NOMOVE | SWP_NOZORDER); }},
        {"secret mode on",
         [&] {
             const POINT logo{(g_state.logoRect.left + g_state.logoRect.right) / 2,
                              (g_state.logoRect.top + g_state.logoRect.bottom) / 2};
             for (int i = 0; i < 4; ++i) Left(logo);
             for (int i = 0; i < 3; ++i) Right(logo);
             ASSERT_TRUE(g_state.secretMode);
         }},
        {"dpi 144",
         [&] {
             RECT suggested{0, 0, 1500, 1000};
             SendMessageW(window_, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
         }},
        {"dark theme",
         [&] {
             g_state.settings.themeMode = ThemeChoice::Dark;
             ApplyTheme();
         }},
        {"an entry's state, then the list's refresh",
         [&] {
             g_state.apps[1].installed = true;
             g_state.apps[1].updateAvailable = true;
             UpdateScrollMetrics();
         }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        Paint();
        const CardListLayout before = g_state.listLayout.layout;
        change.apply();
        Paint();
        ASSERT_FALSE(g_state.listLayout.stale);
        EXPECT_TRUE(SameLayout(g_state.listLayout.layout, ComputeCardLayout(Width())));
        // Each change does move something, so the kept layout was renewed.
        if (std::string(change.what) != "dark theme") {
            EXPECT_FALSE(SameLayout(g_state.listLayout.layout, before));
        }
        // The kept layout and one made from nothing give the same hit areas,
        // keyboard order and screen-reader tree.
        const std::vector<std::wstring> kept = Observed(window_);
        MarkListLayoutStale();
        const std::vector<std::wstring> fresh = Observed(window_);
        EXPECT_GT(kept.size(), 40u);
        ASSERT_EQ(kept.size(), fresh.size());
        for (size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(kept[i], fresh[i]) << "line " << i;
    }
}

TEST(PaintedListArea, OnlyTheCardsInViewArePaintedAndRecordedAsBefore) {
    ResetAppState();
    ListWindow window(1000, 600);
    g_state.dpi = 96;
    CreateFonts();
    for (int i = 0; i < 150; ++i) {
        g_state.apps.push_back(
            Entry(L"Outil" + std::to_wstring(i), L"Lot " + std::to_wstring(i % 11), i % 3 == 0, i % 6 == 0, false));
    }
    g_state.expandedId = L"Outil24";

    struct Case {
        int width;
        int scroll;  // in thousandths of the scroll range
    };
    for (const Case c : {Case{1000, 0}, Case{1000, 333}, Case{1000, 500}, Case{1000, 1000}, Case{700, 0},
                         Case{700, 137}, Case{700, 777}, Case{700, 1000}}) {
        SCOPED_TRACE("width " + std::to_string(c.width) + ", scroll " + std::to_string(c.scroll));
        window.SetClientSize(c.width, 600);
        UpdateScrollMetrics();
        const CardListLayout& layout = CurrentCardLayout(c.width);
        const int listTop = g_state.listTop;
        const int listBottom = g_state.listBottom;
        const int scroll = (layout.contentHeight - (listBottom - listTop)) * c.scroll / 1000;

        // The reference: the whole list unscrolled in one tall picture, so
        // that nothing is left out.
        const int tallHeight = listTop + layout.contentHeight + 10;
        DibCanvas tall(c.width, tallHeight);
        g_state.scrollPos = 0;
        g_state.listBottom = tallHeight;
        g_state.hitRecords.clear();
        g_state.cardRects.clear();
        PaintCardList(tall.dc(), layout, c.width);
        const std::vector<HitRecord> allRecords = g_state.hitRecords;
        const std::vector<RECT> allCards = g_state.cardRects;

        DibCanvas shown(c.width, 600);
        g_state.scrollPos = scroll;
        g_state.listBottom = listBottom;
        g_state.hitRecords.clear();
        g_state.cardRects.clear();
        PaintCardList(shown.dc(), layout, c.width);

        int differing = 0;
        for (int y = listTop; y < listBottom; ++y) {
            for (int x = 0; x < c.width; ++x) {
                if (shown.Pixel(x, y) != tall.Pixel(x, y + scroll)) ++differing;
            }
        }
        EXPECT_EQ(differing, 0);

        // The records are those of the tall picture moved up and cut to the list.
        const RECT listArea{0, listTop, c.width, listBottom};
        std::vector<HitRecord> expected;
        for (HitRecord record : allRecords) {
            OffsetRect(&record.bounds, 0, -scroll);
            if (IntersectRect(&record.bounds, &record.bounds, &listArea)) expected.push_back(record);
        }
        ASSERT_EQ(g_state.hitRecords.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            const HitRecord& a = g_state.hitRecords[i];
            const HitRecord& b = expected[i];
            EXPECT_RECT(a.bounds, b.bounds) << "record " << i;
            EXPECT_EQ(a.appIndex, b.appIndex) << "record " << i;
            EXPECT_EQ(a.action, b.action) << "record " << i;
            EXPECT_EQ(a.enabled, b.enabled) << "record " << i;
            EXPECT_EQ(a.part, b.part) << "record " << i;
        }
        std::vector<RECT> expectedCards;
        for (RECT card : allCards) {
            OffsetRect(&card, 0, -scroll);
            if (IntersectRect(&card, &card, &listArea)) expectedCards.push_back(card);
        }
        ASSERT_EQ(g_state.cardRects.size(), expectedCards.size());
        for (size_t i = 0; i < expectedCards.size(); ++i) EXPECT_RECT(g_state.cardRects[i], expectedCards[i]);
        EXPECT_GT(g_state.cardRects.size(), 3u);
        EXPECT_LT(g_state.cardRects.size(), allCards.size());
    }
    DeleteFonts();
    g_state.apps.clear();
}
