// Which entries get a card, how they are grouped and laid out, and the
// header's rectangles. Pure layout: no window needed.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/state.h"
#include "app/theme.h"
#include "tests/support/ui_test_canvas.h"
#include "ui/list/card_layout.h"
#include "ui/list/card_menu.h"

namespace {

std::vector<std::wstring> Titles(const CardListLayout& layout) {
    std::vector<std::wstring> titles;
    for (const GroupBox& group : layout.groups) titles.push_back(std::wstring(GroupTitle(group)));
    return titles;
}

std::vector<size_t> CardOrder(const CardListLayout& layout) {
    std::vector<size_t> order;
    for (const CardSlot& card : layout.cards) order.push_back(card.appIndex);
    return order;
}

}  // namespace

TEST(CardLayout, ColumnsAndHeaderSwitchAtTheSameWidth) {
    struct Case {
        int dpi;
        int width;
        bool twoColumns;
        int headerHeight;
        int selfTop;
    };
    const Case cases[] = {
        {96, 940, true, 102, 30},   {96, 939, false, 146, 92},    {96, 2000, true, 102, 30},
        {144, 1410, true, 153, 45}, {144, 1409, false, 219, 138}, {144, 940, false, 219, 138},
    };
    SetApps(AppShape{L"Un", L"Audio"}, AppShape{L"Deux", L"Bureautique"});
    for (const Case& c : cases) {
        SCOPED_TRACE("width " + std::to_string(c.width) + " at " + std::to_string(c.dpi) + " dpi");
        g_state.dpi = c.dpi;
        const CardListLayout layout = ComputeCardLayout(c.width);
        ASSERT_EQ(layout.groups.size(), 2u);
        // Two columns put both groups on the first row, side by side.
        EXPECT_EQ(layout.groups[1].bounds.top == 0, c.twoColumns);
        EXPECT_EQ(layout.groups[1].bounds.left > layout.groups[0].bounds.right, c.twoColumns);

        const HeaderLayout header = ComputeHeaderLayout(c.width);
        EXPECT_EQ(header.headerHeight, c.headerHeight);
        EXPECT_EQ(header.selfButton.top, c.selfTop);
        EXPECT_EQ(header.selfButton.bottom, c.selfTop + Scale(34));
        const int titleEdge = c.twoColumns ? header.selfButton.left : header.refreshButton.left;
        EXPECT_EQ(header.title.right, titleEdge - Scale(18));
    }
}

TEST(CardLayout, HeaderRectangles) {
    struct Case {
        int dpi;
        int width;
        RECT options, refresh, self, logo, title;
        int headerHeight;
    };
    const Case cases[] = {
        {96,
         1000,
         {884, 30, 980, 64},
         {772, 30, 874, 64},
         {380, 30, 620, 64},
         {20, 16, 70, 66},
         {84, 18, 362, 49},
         102},
        {96,
         800,
         {684, 30, 780, 64},
         {572, 30, 674, 64},
         {280, 92, 520, 126},
         {20, 16, 70, 66},
         {84, 18, 554, 49},
         146},
        {96,
         801,
         {685, 30, 781, 64},
         {573, 30, 675, 64},
         {280, 92, 520, 126},
         {20, 16, 70, 66},
         {84, 18, 555, 49},
         146},
        {144,
         1409,
         {1235, 45, 1379, 96},
         {1067, 45, 1220, 96},
         {524, 138, 884, 189},
         {30, 24, 105, 99},
         {126, 27, 1040, 74},
         219},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("width " + std::to_string(c.width) + " at " + std::to_string(c.dpi) + " dpi");
        g_state.dpi = c.dpi;
        const HeaderLayout header = ComputeHeaderLayout(c.width);
        EXPECT_RECT(header.optionsButton, c.options);
        EXPECT_RECT(header.refreshButton, c.refresh);
        EXPECT_RECT(header.selfButton, c.self);
        EXPECT_RECT(header.logo, c.logo);
        EXPECT_RECT(header.title, c.title);
        EXPECT_EQ(header.headerHeight, c.headerHeight);
    }
}

TEST(CardLayout, CardsPanelsAndRows) {
    struct Slot {
        size_t appIndex;
        RECT bounds;
    };
    struct Case {
        int dpi;
        int width;
        std::vector<Slot> cards;
        std::vector<RECT> groups;
        int contentHeight;
    };
    // Audio holds two cards, Bureautique one expanded card, Dessin one card.
    const Case cases[] = {
        {96,
         1000,
         {{0, {21, 38, 491, 76}}, {1, {21, 76, 491, 114}}, {2, {509, 38, 979, 188}}, {3, {21, 243, 491, 281}}},
         {{20, 0, 492, 115}, {508, 0, 980, 189}, {20, 205, 492, 282}},
         298},
        {144,
         1500,
         {{0, {31, 57, 737, 114}}, {1, {31, 114, 737, 171}}, {2, {763, 57, 1469, 282}}, {3, {31, 364, 737, 421}}},
         {{30, 0, 738, 172}, {762, 0, 1470, 283}, {30, 307, 738, 422}},
         446},
        {96,
         939,
         {{0, {21, 38, 918, 76}}, {1, {21, 76, 918, 114}}, {2, {21, 169, 918, 319}}, {3, {21, 374, 918, 412}}},
         {{20, 0, 919, 115}, {20, 131, 919, 320}, {20, 336, 919, 413}},
         429},
    };
    SetApps(AppShape{L"Alpha", L"Audio"}, AppShape{L"Beta", L"Audio"}, AppShape{L"Gamma", L"Bureautique"},
            AppShape{L"Delta", L"Dessin"});
    g_state.expandedId = L"Gamma";
    for (const Case& c : cases) {
        SCOPED_TRACE("width " + std::to_string(c.width) + " at " + std::to_string(c.dpi) + " dpi");
        g_state.dpi = c.dpi;
        const CardListLayout layout = ComputeCardLayout(c.width);
        ASSERT_EQ(layout.cards.size(), c.cards.size());
        for (size_t i = 0; i < c.cards.size(); ++i) {
            EXPECT_EQ(layout.cards[i].appIndex, c.cards[i].appIndex) << "card " << i;
            EXPECT_RECT(layout.cards[i].bounds, c.cards[i].bounds);
        }
        ASSERT_EQ(layout.groups.size(), c.groups.size());
        for (size_t i = 0; i < c.groups.size(); ++i) EXPECT_RECT(layout.groups[i].bounds, c.groups[i]);
        EXPECT_EQ(layout.groups[0].count, 2u);
        EXPECT_EQ(layout.groups[1].count, 1u);
        EXPECT_EQ(layout.contentHeight, c.contentHeight);
    }
}

TEST(CardLayout, ExpandedIdMatchesExactly) {
    SetApps(AppShape{L"Gamma", L"Audio"});
    g_state.dpi = 96;
    const struct {
        const wchar_t* expandedId;
        int cardHeight;
    } cases[] = {{L"Gamma", 150}, {L"gamma", 38}, {L"", 38}, {L"Inconnu", 38}};
    for (const auto& c : cases) {
        g_state.expandedId = c.expandedId;
        const CardListLayout layout = ComputeCardLayout(600);
        ASSERT_EQ(layout.cards.size(), 1u);
        EXPECT_EQ(layout.cards[0].bounds.bottom - layout.cards[0].bounds.top, c.cardHeight)
            << "expandedId " << c.expandedId;
    }
}

TEST(CardLayout, NoEntriesGiveNoGroupsAndNoHeight) {
    for (bool secret : {false, true}) {
        g_state.secretMode = secret;
        g_state.apps.clear();
        EXPECT_EQ(ComputeCardLayout(1000).contentHeight, 0);
        SetApps(AppShape{L"Cache", L"Outils", false, false, true}, AppShape{L"ORKVANE", L"Outils"});
        const CardListLayout layout = ComputeCardLayout(1000);
        EXPECT_EQ(layout.groups.size(), secret ? 1u : 0u);
        EXPECT_EQ(layout.contentHeight == 0, !secret);
    }
}

TEST(CardLayout, GroupingFoldsOnlyAsciiLettersAndSortsTitles) {
    SetApps(AppShape{L"A0", L"outils"},                      // 0
            AppShape{L"A1", L"Outils"},                      // 1
            AppShape{L"A2", W("Édition")},                   // 2
            AppShape{L"A3", W("édition")},                   // 3
            AppShape{L"A4", L""},                            // 4
            AppShape{L"A5", L"Audio"},                       // 5
            AppShape{L"A6", L"bureautique"},                 // 6
            AppShape{L"A7", L"OUTILS"},                      // 7
            AppShape{L"orkVANE", L"Zeta"},                   // 8: the program's own entry
            AppShape{L"H9", W("Caché"), false, false, true}  // 9: hidden
    );
    struct Case {
        bool secretMode;
        std::vector<size_t> visible;
        std::vector<std::wstring> titles;
        std::vector<size_t> cardOrder;
        std::vector<size_t> counts;
    };
    const Case cases[] = {
        {false,
         {0, 1, 2, 3, 4, 5, 6, 7},
         {L"Audio", L"Autres applications", L"bureautique", L"outils", W("Édition"), W("édition")},
         {5, 4, 6, 0, 1, 7, 2, 3},
         {1, 1, 1, 3, 1, 1}},
        {true,
         {0, 1, 2, 3, 4, 5, 6, 7, 9},
         {L"Audio", L"Autres applications", L"bureautique", W("Caché"), L"outils", W("Édition"), W("édition")},
         {5, 4, 6, 9, 0, 1, 7, 2, 3},
         {1, 1, 1, 1, 3, 1, 1}},
    };
    g_state.dpi = 96;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.secretMode ? "secret mode" : "normal mode");
        g_state.secretMode = c.secretMode;
        EXPECT_EQ(VisibleEntryIndices(), c.visible);
        const CardListLayout layout = ComputeCardLayout(1200);
        EXPECT_EQ(Titles(layout), c.titles);
        EXPECT_EQ(CardOrder(layout), c.cardOrder);
        std::vector<size_t> counts;
        for (const GroupBox& group : layout.groups) counts.push_back(group.count);
        EXPECT_EQ(counts, c.counts);
    }
}

TEST(CardLayout, OwnEntryNeverGetsACard) {
    for (const wchar_t* id : {L"Orkvane", L"ORKVANE", L"orkvane", L"oRkVaNe"}) {
        SetApps(AppShape{id, L"Outils"}, AppShape{L"Orkvane2", L"Outils"}, AppShape{L"Orkvan", L"Outils"});
        for (bool secret : {false, true}) {
            g_state.secretMode = secret;
            EXPECT_EQ(VisibleEntryIndices(), (std::vector<size_t>{1, 2})) << "own entry written " << id;
        }
    }
}

TEST(CardLayout, CardMenuItems) {
    struct Item {
        int commandId;
        const char* label;
        ToolAction action;
        bool enabled;
    };
    struct Case {
        bool installed;
        bool updateAvailable;
        bool installedMode;
        bool busy;
        std::vector<Item> items;
    };
    const Case cases[] = {
        {false, false, true, false, {{2, "Installer", ToolAction::Install, true}}},
        {false, false, false, false, {{2, "Installer", ToolAction::Install, false}}},
        {false, true, true, true, {{2, "Installer", ToolAction::Install, false}}},
        {true,
         false,
         true,
         false,
         {{1, "Lancer", ToolAction::Launch, true},
          {5, "Ne pas mettre à jour", ToolAction::Launch, true},
          {3, "Désinstaller", ToolAction::Uninstall, true}}},
        {true,
         false,
         false,
         false,
         {{1, "Lancer", ToolAction::Launch, false},
          {5, "Ne pas mettre à jour", ToolAction::Launch, true},
          {3, "Désinstaller", ToolAction::Uninstall, true}}},
        {true,
         true,
         true,
         false,
         {{1, "Lancer", ToolAction::Launch, true},
          {2, "Mettre à jour", ToolAction::Install, true},
          {5, "Ne pas mettre à jour", ToolAction::Launch, true},
          {3, "Désinstaller", ToolAction::Uninstall, true}}},
        {true,
         true,
         true,
         true,
         {{1, "Lancer", ToolAction::Launch, false},
          {2, "Mettre à jour", ToolAction::Install, false},
          {5, "Ne pas mettre à jour", ToolAction::Launch, false},
          {3, "Désinstaller", ToolAction::Uninstall, false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "installed " << c.installed << ", update " << c.updateAvailable
                                          << ", installed mode " << c.installedMode << ", busy " << c.busy);
        CatalogApp app = MakeApp({L"Outil", L"Cat", c.installed, c.updateAvailable});
        const std::vector<CardMenuItem> items = BuildCardMenu(app, c.installedMode, c.busy);
        ASSERT_EQ(items.size(), c.items.size());
        for (size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].commandId, c.items[i].commandId);
            EXPECT_EQ(items[i].label, W(c.items[i].label));
            EXPECT_EQ(items[i].action, c.items[i].action);
            EXPECT_EQ(items[i].enabled, c.items[i].enabled);
        }
    }
}

// Grouping looks each entry up once, whatever the number of groups: 48,000
// entries with as many categories lay out in a small multiple of the time
// the same entries take in 48 categories (sorting more titles, making more
// panels), where one search among the groups per entry took hundreds of
// times as long. The same entries keep the memory touched the same. The
// fastest of a few runs is compared: a busy machine can slow a run down,
// never speed it up.
TEST(CardLayout, ManyCategoriesCostLittleMoreThanFew) {
    g_state.dpi = 96;
    g_state.secretMode = false;
    g_state.expandedId.clear();
    constexpr size_t kEntries = 48000;
    auto fastestMs = [&](size_t categories) {
        g_state.apps.clear();
        for (size_t i = 0; i < kEntries; ++i) {
            g_state.apps.push_back(MakeApp(AppShape{L"Outil_" + std::to_wstring(i),
                                                    L"Categorie " + std::to_wstring((kEntries - i) % categories)}));
        }
        double fastest = 1e9;
        for (int run = 0; run < 3; ++run) {
            const auto start = std::chrono::steady_clock::now();
            const CardListLayout layout = ComputeCardLayout(1200);
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            EXPECT_EQ(layout.groups.size(), categories);
            EXPECT_EQ(layout.cards.size(), kEntries);
            EXPECT_EQ(GroupTitle(layout.groups.front()), L"Categorie 0");
            fastest = std::min(fastest, took.count());
        }
        return fastest;
    };
    const double few = fastestMs(48);
    const double many = fastestMs(kEntries);
    EXPECT_LT(many, 10 * few) << "48 categories: " << few << " ms, 48,000 categories: " << many << " ms";
    g_state.apps.clear();
}
