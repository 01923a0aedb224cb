// Scroll metrics, scroll requests, wheel, expanding and collapsing cards, and
// what the mouse is over, on a real window standing in for the main window.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/state.h"
#include "app/theme.h"
#include "tests/support/ui_test_canvas.h"
#include "ui/draw.h"
#include "ui/list/card_layout.h"
#include "ui/list/list_input.h"
#include "ui/list/list_scrolling.h"

namespace {

// `count` collapsed tools in one group: the list is 55 + 38 * count units high.
void ManyTools(int count) {
    g_state.apps.clear();
    for (int i = 0; i < count; ++i) g_state.apps.push_back(MakeApp({L"Outil" + std::to_wstring(i), L"Outils"}));
}

SCROLLINFO ScrollBar(HWND window) {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(window, SB_VERT, &info);
    return info;
}

RECT CardOf(size_t appIndex) {
    RECT client{};
    GetClientRect(g_state.mainWindow, &client);
    for (const CardSlot& card : ComputeCardLayout(client.right).cards) {
        if (card.appIndex == appIndex) return card.bounds;
    }
    ADD_FAILURE() << "no card for entry " << appIndex;
    return {};
}

int ScreenTop(size_t appIndex) { return g_state.listTop + CardOf(appIndex).top - g_state.scrollPos; }
int ScreenBottom(size_t appIndex) { return g_state.listTop + CardOf(appIndex).bottom - g_state.scrollPos; }

}  // namespace

TEST(CardListScroll, MetricsFollowTheClientAreaAndTheContent) {
    struct Case {
        int dpi;
        int width;
        int height;
        int tools;
        int scrollBefore;
        int listTop;
        int listBottom;
        int contentHeight;
        int scrollAfter;
    };
    const Case cases[] = {
        // Narrow header (146) + 48; footer takes 70.
        {96, 600, 500, 12, 9999, 194, 430, 511, 275},
        {96, 600, 500, 12, 100, 194, 430, 511, 100},
        {96, 600, 500, 2, 50, 194, 430, 131, 0},
        // Wide header (102) + 48; a client lower than the header leaves no page.
        {96, 1000, 200, 12, 40, 150, 150, 511, 40},
        {96, 1000, 100, 12, 9999, 150, 150, 511, 511},
        {144, 900, 900, 30, 5000, 291, 795, 1792, 1288},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.width << " x " << c.height << " at " << c.dpi << " dpi, " << c.tools << " tools");
        g_state.dpi = c.dpi;
        ListWindow window(c.width, c.height);
        ManyTools(c.tools);
        g_state.scrollPos = c.scrollBefore;
        g_state.hitRecords.assign(2, HitRecord{});
        g_state.cardRects.assign(2, CardSlot{});
        UpdateScrollMetrics();
        // A scroll bar that appears or goes changes the client width: measure again.
        window.SetClientSize(c.width, c.height);
        g_state.scrollPos = c.scrollBefore;
        UpdateScrollMetrics();

        EXPECT_TRUE(g_state.hitRecords.empty());
        EXPECT_TRUE(g_state.cardRects.empty());
        EXPECT_EQ(g_state.listTop, c.listTop);
        EXPECT_EQ(g_state.listBottom, c.listBottom);
        EXPECT_EQ(g_state.contentHeight, c.contentHeight);
        EXPECT_EQ(g_state.scrollPos, c.scrollAfter);

        const SCROLLINFO bar = ScrollBar(window.get());
        EXPECT_EQ(bar.nMin, 0);
        EXPECT_EQ(bar.nMax, c.contentHeight - 1);
        // The scroll bar itself keeps its page within the range and its
        // position within the last page.
        const int page = c.listBottom - c.listTop;
        EXPECT_EQ(static_cast<int>(bar.nPage), std::min(page, c.contentHeight));
        EXPECT_EQ(bar.nPos, std::min(c.scrollAfter, std::max(0, c.contentHeight - std::max(page, 1))));
    }
}

TEST(CardListScroll, ScrollBarRequests) {
    struct Case {
        int request;
        int from;
        int to;
    };
    // Page 236, maximum 511 - 236 = 275.
    const Case cases[] = {
        {SB_LINEDOWN, 100, 138},  {SB_LINEUP, 100, 62},    {SB_LINEUP, 20, 0}, {SB_PAGEDOWN, 10, 206},
        {SB_PAGEDOWN, 200, 275},  {SB_PAGEUP, 250, 54},    {SB_TOP, 250, 0},   {SB_BOTTOM, 0, 275},
        {SB_ENDSCROLL, 120, 120}, {SB_LINEDOWN, 275, 275},
    };
    g_state.dpi = 96;
    ListWindow window(600, 500);
    ManyTools(12);
    UpdateScrollMetrics();
    ASSERT_EQ(g_state.contentHeight, 511);
    ASSERT_EQ(static_cast<int>(ScrollBar(window.get()).nPage), 236);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "request " << c.request << " from " << c.from);
        // The scroll bar's own position is left elsewhere on purpose: requests
        // start from the stored position.
        SetScrollPos(window.get(), SB_VERT, 7, FALSE);
        g_state.scrollPos = c.from;
        HandleVerticalScroll(c.request);
        EXPECT_EQ(g_state.scrollPos, c.to);
        if (c.request != SB_ENDSCROLL) {
            EXPECT_EQ(GetScrollPos(window.get(), SB_VERT), c.to);
        }
    }
}

TEST(CardListScroll, ShortContentNeverScrolls) {
    g_state.dpi = 96;
    ListWindow window(600, 500);
    ManyTools(2);
    UpdateScrollMetrics();
    for (int request : {SB_BOTTOM, SB_PAGEDOWN, SB_LINEDOWN}) {
        HandleVerticalScroll(request);
        EXPECT_EQ(g_state.scrollPos, 0) << "request " << request;
    }
    HandleWheel(-WHEEL_DELTA);
    EXPECT_EQ(g_state.scrollPos, 0);
}

TEST(CardListScroll, WheelMovesOneHundredTwentyUnitsPerNotch) {
    struct Case {
        int from;
        int delta;
        int to;
    };
    // At 144 dpi one notch is 180 pixels; the maximum is 1792 - 504 = 1288.
    const Case cases[] = {
        {500, 120, 320}, {500, -120, 680},   {500, 240, 140}, {500, 60, 410},
        {100, 120, 0},   {1200, -120, 1288}, {500, 0, 500},
    };
    g_state.dpi = 144;
    ListWindow window(900, 900);
    ManyTools(30);
    UpdateScrollMetrics();
    window.SetClientSize(900, 900);
    UpdateScrollMetrics();
    ASSERT_EQ(g_state.contentHeight - (g_state.listBottom - g_state.listTop), 1288);
    for (const Case& c : cases) {
        g_state.scrollPos = c.from;
        HandleWheel(c.delta);
        EXPECT_EQ(g_state.scrollPos, c.to) << "delta " << c.delta << " from " << c.from;
    }
}

TEST(CardListScroll, ScrollToForgetsPaintedAreasOnlyWhenItMoves) {
    g_state.dpi = 96;
    ListWindow window(600, 500);
    ManyTools(12);
    UpdateScrollMetrics();
    struct Case {
        int target;
        int stored;
        bool forgets;
    };
    const Case cases[] = {{100, 100, true}, {100, 100, false}, {-40, 0, true}, {9999, 275, true}, {9999, 275, false}};
    for (const Case& c : cases) {
        g_state.hitRecords.assign(1, HitRecord{});
        g_state.cardRects.assign(1, CardSlot{});
        ValidateRect(window.get(), nullptr);
        ScrollTo(c.target);
        EXPECT_EQ(g_state.scrollPos, c.stored) << "target " << c.target;
        EXPECT_EQ(g_state.hitRecords.empty(), c.forgets) << "target " << c.target;
        EXPECT_EQ(g_state.cardRects.empty(), c.forgets) << "target " << c.target;
        EXPECT_EQ(GetScrollPos(window.get(), SB_VERT), c.stored);
        EXPECT_TRUE(GetUpdateRect(window.get(), nullptr, FALSE)) << "no repaint asked";
    }
}

TEST(CardListScroll, ExpandingNearTheBottomShowsTheWholeCard) {
    g_state.dpi = 96;
    ListWindow window(600, 500);
    ManyTools(12);
    UpdateScrollMetrics();
    ASSERT_EQ(g_state.listBottom, 430);
    // Entry 5 is cut by the bottom of the list.
    ASSERT_LT(ScreenTop(5), g_state.listBottom);
    ASSERT_GT(ScreenBottom(5), g_state.listBottom);

    ToggleCard(5);
    EXPECT_EQ(g_state.expandedId, L"Outil5");
    EXPECT_EQ(ScreenBottom(5), g_state.listBottom - Scale(8));
    EXPECT_EQ(g_state.scrollPos, 150);

    // Collapsing keeps the card's top where it is on screen.
    const int topBefore = ScreenTop(5);
    ToggleCard(5);
    EXPECT_EQ(g_state.expandedId, L"");
    EXPECT_EQ(ScreenTop(5), topBefore);
}

TEST(CardListScroll, ExpandingBelowAnExpandedCardKeepsItInPlace) {
    g_state.dpi = 96;
    ListWindow window(600, 500);
    ManyTools(12);
    UpdateScrollMetrics();
    ToggleCard(1);
    EXPECT_EQ(g_state.scrollPos, 0) << "an expanded card that fits needs no scrolling";
    ScrollTo(300);
    const int topBefore = ScreenTop(4);

    ToggleCard(4);
    EXPECT_EQ(g_state.expandedId, L"Outil4");
    EXPECT_EQ(ScreenTop(4), topBefore);
    EXPECT_EQ(g_state.scrollPos, 188);
}

TEST(CardListScroll, ATallerCardThanTheListIsNotPushedUp) {
    g_state.dpi = 96;
    ListWindow window(600, 330);  // list area 194..260: 66 pixels, less than an expanded card
    ASSERT_EQ(window.Client().bottom, 330);
    ManyTools(12);
    UpdateScrollMetrics();
    ASSERT_EQ(g_state.listBottom - g_state.listTop, 66);
    ScrollTo(100);
    const int topBefore = ScreenTop(5);
    ToggleCard(5);
    EXPECT_EQ(ScreenTop(5), topBefore);
}

TEST(CardListScroll, HotElementsInPriorityOrder) {
    g_state.optionsButtonRect = {10, 10, 20, 20};
    g_state.selfButtonRect = {15, 15, 30, 30};
    g_state.refreshButtonRect = {40, 10, 50, 20};
    g_state.cancelButtonRect = {60, 10, 70, 20};
    g_state.siteLinkRect = {80, 10, 90, 20};
    g_state.hitRecords = {
        {{100, 100, 200, 120}, 0, ToolAction::Launch, false, WindowElement::Card},
        {{100, 100, 200, 120}, 0, ToolAction::Launch, true, WindowElement::Card},
        {{100, 130, 200, 150}, 0, ToolAction::Install, true, WindowElement::PrimaryButton},
        {{100, 160, 200, 180}, 0, ToolAction::Launch, false, WindowElement::SecondButton},
        {{300, 300, 400, 320}, 1, ToolAction::Launch, true, WindowElement::Card},
    };
    g_state.cardRects = {{{90, 90, 210, 200}, 0}, {{300, 300, 400, 400}, 1}};
    struct Case {
        POINT point;
        ElementId element;
    };
    const Case cases[] = {
        {{16, 16}, {WindowElement::OptionsButton}},
        {{25, 25}, {WindowElement::SelfButton}},
        {{45, 15}, {WindowElement::RefreshButton}},
        {{65, 15}, {WindowElement::CancelButton}},
        {{85, 15}, {}},  // the credit link has no hover colour
        // A card is one element, from its title row to its text; its
        // enabled buttons are elements of their own, a disabled one is the card.
        {{150, 110}, {WindowElement::Card, 0}},
        {{150, 140}, {WindowElement::PrimaryButton, 0}},
        {{150, 170}, {WindowElement::Card, 0}},
        {{95, 95}, {WindowElement::Card, 0}},
        {{150, 125}, {WindowElement::Card, 0}},
        {{200, 110}, {WindowElement::Card, 0}},
        {{350, 310}, {WindowElement::Card, 1}},
        {{350, 350}, {WindowElement::Card, 1}},
        {{500, 500}, {}},
        {{20, 12}, {}},
    };
    for (const Case& c : cases) {
        const ElementId found = HotElementAt(c.point);
        EXPECT_EQ(found.element, c.element.element) << "at " << c.point.x << ", " << c.point.y;
        EXPECT_EQ(found.index, c.element.index) << "at " << c.point.x << ", " << c.point.y;
    }
}

TEST(CardListScroll, HoverNeedsTheMouseInside) {
    const RECT box{10, 10, 20, 20};
    struct Case {
        bool inside;
        POINT mouse;
        bool hovered;
    };
    const Case cases[] = {
        {true, {10, 10}, true},  {true, {19, 19}, true},   {true, {20, 15}, false},
        {true, {15, 20}, false}, {false, {15, 15}, false}, {true, {-1, -1}, false},
    };
    for (const Case& c : cases) {
        g_state.mouseInside = c.inside;
        g_state.mousePos = c.mouse;
        EXPECT_EQ(IsHovered(box), c.hovered) << c.mouse.x << ", " << c.mouse.y << " inside " << c.inside;
    }
}

TEST(CardListScroll, ClicksOnTitleRowsToggleCards) {
    g_state.dpi = 96;
    ListWindow window(600, 500);
    ManyTools(3);
    UpdateScrollMetrics();
    struct Case {
        std::vector<HitRecord> records;
        POINT click;
        const wchar_t* expandedBefore;
        const wchar_t* expandedAfter;
    };
    const RECT row{21, 232, 579, 270};
    const Case cases[] = {
        {{{row, 1, ToolAction::Launch, true, WindowElement::Card}}, {30, 240}, L"", L"Outil1"},
        {{{row, 1, ToolAction::Launch, true, WindowElement::Card}}, {30, 240}, L"Outil1", L""},
        {{{row, 2, ToolAction::Launch, true, WindowElement::Card}}, {30, 240}, L"Outil1", L"Outil2"},
        // Disabled records, points outside and stale indices do nothing.
        {{{row, 1, ToolAction::Launch, false, WindowElement::Card}}, {30, 240}, L"", L""},
        {{{row, 1, ToolAction::Launch, true, WindowElement::Card}}, {30, 300}, L"", L""},
        {{{row, 7, ToolAction::Launch, true, WindowElement::Card}}, {30, 240}, L"Outil0", L"Outil0"},
        // The first matching record wins.
        {{{row, 0, ToolAction::Launch, true, WindowElement::Card},
          {row, 2, ToolAction::Launch, true, WindowElement::Card}},
         {30, 240},
         L"",
         L"Outil0"},
        {{{row, 0, ToolAction::Launch, false, WindowElement::Card},
          {row, 2, ToolAction::Launch, true, WindowElement::Card}},
         {30, 240},
         L"",
         L"Outil2"},
    };
    for (const Case& c : cases) {
        g_state.hitRecords = c.records;
        g_state.expandedId = c.expandedBefore;
        g_state.scrollPos = 0;
        HandleListClick(c.click);
        EXPECT_EQ(g_state.expandedId, c.expandedAfter) << "expanded before: " << c.expandedBefore;
    }
}

namespace {

struct MenuLine {
    std::wstring text;
    bool grayed;
    bool separator;
};

// What the card menu showed, read from inside its loop by a thread timer.
std::vector<MenuLine> g_menuSeen;
bool g_menuOpened = false;

void CALLBACK ReadOpenMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (popup == nullptr) return;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    if (menu == nullptr) return;
    g_menuOpened = true;
    g_menuSeen.clear();
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        g_menuSeen.push_back({text, (state & MF_GRAYED) != 0, (state & MF_SEPARATOR) != 0});
    }
    EndMenu();
}

}  // namespace

TEST(CardMenu, MenuButtonShowsTheEntryAndItsActions) {
    struct Case {
        const char* what;
        bool installedMode;
        bool busy;
        bool opens;
        std::vector<MenuLine> lines;
    };
    const Case cases[] = {
        {"installed copy",
         true,
         false,
         true,
         {{L"Outil0", true, false},
          {L"", false, true},
          {L"Lancer", false, false},
          {W("Mettre à jour"), false, false},
          {W("Ne pas mettre à jour"), false, false},
          {W("Désinstaller"), false, false}}},
        {"portable copy",
         false,
         false,
         true,
         {{L"Outil0", true, false},
          {L"", false, true},
          {L"Lancer", true, false},
          {W("Mettre à jour"), true, false},
          {W("Ne pas mettre à jour"), false, false},
          {W("Désinstaller"), false, false}}},
        {"while busy", true, true, false, {}},
    };
    g_state.dpi = 96;
    ListWindow window(600, 500);
    g_state.apps.clear();
    g_state.apps.push_back(MakeApp({L"Outil0", L"Outils", true, true}));
    UpdateScrollMetrics();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_state.installedMode = c.installedMode;
        g_state.busy = c.busy;
        g_state.hitRecords = {{{500, 300, 532, 332}, 0, ToolAction::Launch, true, WindowElement::MenuButton}};
        g_menuOpened = false;
        g_menuSeen.clear();
        const UINT_PTR timer = SetTimer(nullptr, 0, 100, ReadOpenMenu);
        HandleListClick({510, 310});
        KillTimer(nullptr, timer);

        EXPECT_EQ(g_menuOpened, c.opens);
        ASSERT_EQ(g_menuSeen.size(), c.lines.size());
        for (size_t i = 0; i < c.lines.size(); ++i) {
            SCOPED_TRACE("line " + std::to_string(i));
            // A separator's greying means nothing (Wine reports it greyed).
            if (!c.lines[i].separator) {
                EXPECT_EQ(g_menuSeen[i].text, c.lines[i].text);
                EXPECT_EQ(g_menuSeen[i].grayed, c.lines[i].grayed);
            }
            EXPECT_EQ(g_menuSeen[i].separator, c.lines[i].separator);
        }
        EXPECT_TRUE(g_state.expandedId.empty()) << "the menu button does not toggle the card";
    }
}
