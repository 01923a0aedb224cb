// WM_PAINT draws the window a band at a time, each band drawing only the
// elements that reach into it: the window must show exactly the picture
// painted in one piece, icons, focus ring and band edges included, and the
// hit records must be those of the whole picture.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/state.h"
#include "app/theme.h"
#include "base/gdiplus_session.h"
#include "tests/support/ui_test_canvas.h"
#include "tests/support/window_classes.h"
#include "ui/list/card_layout.h"
#include "ui/list/card_paint.h"
#include "ui/list/list_scrolling.h"
#include "ui/main/chrome_paint.h"
#include "ui/status_progress.h"

namespace {

LRESULT CALLBACK BandedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PaintMainWindow(window);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcW(window, message, wParam, lParam);
}

// What a paint recorded: the hit areas and the visible parts of the cards.
struct Records {
    std::vector<HitRecord> hits;
    std::vector<CardSlot> cards;
};

Records TakeRecords() { return {g_state.hitRecords, g_state.cardRects}; }

void ExpectSameRecords(const Records& shown, const Records& whole) {
    ASSERT_EQ(shown.hits.size(), whole.hits.size());
    for (size_t i = 0; i < shown.hits.size(); ++i) {
        SCOPED_TRACE("record " + std::to_string(i));
        EXPECT_TRUE(EqualRect(&shown.hits[i].bounds, &whole.hits[i].bounds));
        EXPECT_EQ(shown.hits[i].appIndex, whole.hits[i].appIndex);
        EXPECT_EQ(shown.hits[i].element, whole.hits[i].element);
        EXPECT_EQ(shown.hits[i].enabled, whole.hits[i].enabled);
    }
    ASSERT_EQ(shown.cards.size(), whole.cards.size());
    for (size_t i = 0; i < shown.cards.size(); ++i) {
        EXPECT_TRUE(EqualRect(&shown.cards[i].bounds, &whole.cards[i].bounds));
        EXPECT_EQ(shown.cards[i].appIndex, whole.cards[i].appIndex);
    }
}

// The window's pixels against one unbanded paint, and the records of the
// window's last paint against that paint's.
void ExpectShowsTheWholePicture(HWND window) {
    const Records shownRecords = TakeRecords();
    // The scroll bar takes its share of the width.
    RECT client{};
    GetClientRect(window, &client);
    DibCanvas shown(client.right, client.bottom);
    {
        ScopedWindowDc dc(window);
        BitBlt(shown.dc(), 0, 0, client.right, client.bottom, dc.get(), 0, 0, SRCCOPY);
    }
    DibCanvas whole(client.right, client.bottom);
    PaintMainWindowTo(whole.dc(), client.right, client.bottom);
    EXPECT_TRUE(shown.SameAs(whole));
    ExpectSameRecords(shownRecords, TakeRecords());
    EXPECT_GT(shownRecords.hits.size(), 5u);
}

}  // namespace

TEST(BandedPaint, TheWindowShowsThePicturePaintedInOnePiece) {
    GdiplusSession gdiplus;
    ASSERT_TRUE(gdiplus.ok());
    ResetAppState();
    g_state.dpi = 96;
    CreateFonts();
    RegisterTestWindowClass(L"OrkvaneBandedPaintTest", BandedProc);
    const int width = 1000;
    // Forty cards overflow every height below: the scroll bar is always shown.
    const int band = PaintBandRows(width - GetSystemMetrics(SM_CXVSCROLL));
    // Around twice the band's height: a window as short as one band has no
    // room for the list.
    const int edge = 2 * band;
    for (int height : {edge - 1, edge, edge + 1, edge + 250}) {
        SCOPED_TRACE("height " + std::to_string(height));
        HWND window = CreateWindowExW(0, L"OrkvaneBandedPaintTest", L"test", WS_POPUP, 0, 0, width, height, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        g_state.mainWindow = window;
        g_state.apps.clear();
        for (int i = 0; i < 40; ++i) {
            g_state.apps.push_back(MakeApp(
                AppShape{L"Outil" + std::to_wstring(i), L"Lot " + std::to_wstring(i % 3), i % 2 == 0, i % 4 == 0}));
            // A coloured icon on every card, so that icons cross band edges too.
            auto* icon = new Gdiplus::Bitmap(22, 22, PixelFormat32bppPARGB);
            Gdiplus::Graphics(icon).Clear(Gdiplus::Color(255, static_cast<BYTE>(i * 6), 90, 200));
            g_state.apps.back().iconBitmap.reset(icon);
        }
        g_state.expandedId = L"Outil4";
        g_state.keyboardFocus = {};
        g_state.focusCuesShown = false;
        UpdateScrollMetrics();
        ShowWindow(window, SW_SHOWNOACTIVATE);
        RECT client{};
        GetClientRect(window, &client);
        ASSERT_EQ(PaintBandRows(client.right), band) << "the heights must fall around the band edge";
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
        ExpectShowsTheWholePicture(window);

        // The focus ring on a card that the band's edge would cut, when one
        // does: the band ends above it, and the next one draws it whole.
        const int dy = g_state.listTop - g_state.scrollPos;
        for (const CardSlot& card : CurrentCardLayout(client.right).cards) {
            if (card.bounds.top + dy < edge && card.bounds.bottom + dy > edge && edge < g_state.listBottom) {
                g_state.keyboardFocus = {WindowElement::Card, g_state.apps[card.appIndex].id};
                g_state.focusCuesShown = true;
                break;
            }
        }
        // The list reaches past that edge only in the tallest window.
        EXPECT_EQ(g_state.focusCuesShown, height == edge + 250);
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
        ExpectShowsTheWholePicture(window);

        // Only the status strip is repainted: its band alone, records still whole.
        g_state.statusText = L"Texte de la bande " + std::to_wstring(height);
        InvalidateStatusStrip();
        UpdateWindow(window);
        ExpectShowsTheWholePicture(window);

        g_state.apps.clear();  // the icons go before GDI+ shuts down
        g_state.mainWindow = nullptr;
        DestroyWindow(window);
    }
    DeleteFonts();
}

namespace {

// Panels side by side, one per column, each holding cards of the given
// heights from row 40 of the list down.
CardListLayout Columns(const std::vector<std::vector<int>>& heights) {
    CardListLayout layout;
    for (size_t column = 0; column < heights.size(); ++column) {
        const int left = static_cast<int>(column) * 500;
        const size_t first = layout.cards.size();
        int top = 40;
        for (int height : heights[column]) {
            layout.cards.push_back({{left, top, left + 480, top + height}, layout.cards.size()});
            top += height;
        }
        layout.groups.push_back({{left, 0, left + 480, top}, first, heights[column].size()});
        layout.spans.push_back({first, layout.cards.size(), 0});
    }
    for (GroupSpan& span : layout.spans) {
        for (const GroupBox& group : layout.groups)
            span.rowBottom = std::max(span.rowBottom, static_cast<int>(group.bounds.bottom));
    }
    return layout;
}

}  // namespace

TEST(BandedPaint, BandsEndAboveTheCardsTheyWouldCut) {
    ResetAppState();
    g_state.listTop = 100;
    g_state.listBottom = 900;
    g_state.scrollPos = 0;  // list row r is window row r + 100
    const std::vector<int> even(20, 40);
    const CardListLayout aligned = Columns({even, even});
    EXPECT_EQ(BandEdgeBefore(aligned, 1000, 310, 200), 300) << "inside a card: at its top";
    EXPECT_EQ(BandEdgeBefore(aligned, 1000, 300, 200), 300) << "between two cards: as asked";
    EXPECT_EQ(BandEdgeBefore(aligned, 1000, 310, 300), 310) << "the card's top not past the least row";
    EXPECT_EQ(BandEdgeBefore(aligned, 1000, 90, 0), 90) << "above the list";
    EXPECT_EQ(BandEdgeBefore(aligned, 1000, 905, 0), 905) << "below the list";
    g_state.scrollPos = 10;
    EXPECT_EQ(BandEdgeBefore(aligned, 1000, 310, 200), 290) << "scrolled";
    g_state.scrollPos = 60;
    EXPECT_EQ(BandEdgeBefore(aligned, 1000, 110, 50), 100) << "a card under the header: at the list's top";
    g_state.scrollPos = 0;

    // Above the left card at 300, which cuts the right one from 260 to 340:
    // above that one too.
    const CardListLayout tall = Columns({even, {40, 80, 80, 40, 40}});
    EXPECT_EQ(BandEdgeBefore(tall, 1000, 310, 200), 260);
    EXPECT_EQ(BandEdgeBefore(tall, 1000, 310, 270), 310) << "that one's top not past the least row: as asked";
    // Staggered by half a card all the way down: every edge below the
    // panels' top cuts a card.
    std::vector<int> staggered = even;
    staggered.insert(staggered.begin(), 20);
    EXPECT_EQ(BandEdgeBefore(Columns({even, staggered}), 1000, 305, 150), 305);
}
