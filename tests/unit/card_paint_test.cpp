// Cards and group panels painted into a real bitmap: colours by state and
// hover, what is recorded as clickable, clipping under the header, icons.
#include <windows.h>

#include <algorithm>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/state.h"
#include "app/theme.h"
#include "base/gdiplus_session.h"
#include "tests/support/ui_test_canvas.h"
#include "ui/draw.h"
#include "ui/list/card_layout.h"
#include "ui/list/card_paint.h"
#include "ui/list/list_scrolling.h"
#include "ui/main/chrome_paint.h"

namespace {

// A 600 x 500 main window at 96 dpi with fonts and scroll metrics ready: the
// list runs from y 194 to y 430 and its cards from x 21 to x 579.
class PaintedList {
public:
    PaintedList() : window_(600, 500) {
        g_state.dpi = 96;
        CreateFonts();
    }
    ~PaintedList() { DeleteFonts(); }
    PaintedList(const PaintedList&) = delete;
    PaintedList& operator=(const PaintedList&) = delete;

    // Lays the list out for the current entries (the scroll bar may come or
    // go, so the client size is set again).
    void Relayout() {
        UpdateScrollMetrics();
        window_.SetClientSize(600, 500);
        UpdateScrollMetrics();
    }
    void PaintWhole(DibCanvas& canvas) { PaintMainWindowTo(canvas.dc(), 600, 500); }
    void PaintList(DibCanvas& canvas) {
        g_state.hitRecords.clear();
        g_state.cardRects.clear();
        PaintCardList(canvas.dc(), ComputeCardLayout(600), 600);
    }
    RECT CardOnScreen(size_t appIndex) const {
        for (const CardSlot& card : ComputeCardLayout(600).cards) {
            if (card.appIndex == appIndex) {
                RECT r = card.bounds;
                OffsetRect(&r, 0, g_state.listTop - g_state.scrollPos);
                return r;
            }
        }
        ADD_FAILURE() << "no card for entry " << appIndex;
        return {};
    }

private:
    ListWindow window_;
};

// Compares the recorded hit areas with `expected`; with `leadingOnly`, only
// the first records are compared.
void ExpectRecords(const std::vector<HitRecord>& expected, bool leadingOnly = false) {
    if (leadingOnly) {
        ASSERT_GE(g_state.hitRecords.size(), expected.size());
    } else {
        ASSERT_EQ(g_state.hitRecords.size(), expected.size());
    }
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("record " + std::to_string(i));
        const HitRecord& actual = g_state.hitRecords[i];
        EXPECT_RECT(actual.bounds, expected[i].bounds);
        EXPECT_EQ(actual.appIndex, expected[i].appIndex);
        EXPECT_EQ(actual.action, expected[i].action);
        EXPECT_EQ(actual.enabled, expected[i].enabled);
        EXPECT_EQ(actual.element, expected[i].element);
    }
}

enum class Kind { NotInstalled, UpToDate, UpdateAvailable };

const char* KindName(Kind kind) {
    switch (kind) {
    case Kind::NotInstalled: return "not installed";
    case Kind::UpToDate: return "up to date";
    case Kind::UpdateAvailable: return "update available";
    }
    return "?";
}

// Entry 0 "Alpha" in the given state, expanded; entry 1 "Beta" collapsed.
void TwoTools(Kind kind) {
    SetApps(AppShape{L"Alpha", L"Outils", kind != Kind::NotInstalled, kind == Kind::UpdateAvailable},
            AppShape{L"Beta", L"Outils"});
    g_state.expandedId = L"Alpha";
}

}  // namespace

TEST(CardPaint, ExpandedCardByStateAndMode) {
    struct Case {
        Kind kind;
        bool installedMode;
        bool busy;
    };
    const Case cases[] = {
        {Kind::NotInstalled, true, false},    {Kind::NotInstalled, false, false},
        {Kind::UpToDate, true, false},        {Kind::UpToDate, true, true},
        {Kind::UpdateAvailable, true, false}, {Kind::UpdateAvailable, false, false},
        {Kind::UpdateAvailable, true, true},
    };
    PaintedList list;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << KindName(c.kind) << ", installed mode " << c.installedMode << ", busy " << c.busy);
        TwoTools(c.kind);
        g_state.installedMode = c.installedMode;
        g_state.busy = c.busy;
        list.Relayout();
        DibCanvas canvas(600, 500);
        ASSERT_TRUE(canvas.ok());
        list.PaintWhole(canvas);

        const Palette& p = g_state.palette;
        const RECT card = list.CardOnScreen(0);
        ASSERT_EQ(card.top, 232);
        const LONG L = card.left, T = card.top, R = card.right, B = card.bottom;
        const bool installed = c.kind != Kind::NotInstalled;
        const bool update = c.kind == Kind::UpdateAvailable;
        const bool canRun = c.installedMode && !c.busy;
        const int stateWidth = update ? 112 : 94;

        EXPECT_COLOR(canvas.Pixel(L + 5, T + 5), p.selected);
        EXPECT_COLOR(canvas.Pixel(L + 1, T + 100), p.accent);
        EXPECT_COLOR(canvas.Pixel(L + 100, B - 1), p.border);
        EXPECT_COLOR(canvas.Pixel(R - 32 - stateWidth + 2, T + 19), update ? p.warningFill : p.selected);
        // The chevron of an expanded card points up: its tip is at the top.
        EXPECT_COLOR(canvas.Pixel(R - 17, T + 17), p.textMuted);
        EXPECT_NE(canvas.Pixel(R - 17, T + 21), p.textMuted);
        EXPECT_COLOR(canvas.Pixel(L + 45, T + 124), canRun ? p.accent : p.buttonDisabled);
        EXPECT_COLOR(canvas.Pixel(L + 60, T + 108), canRun ? p.accent : p.border);
        EXPECT_COLOR(canvas.Pixel(L + 200, T + 108), update ? p.border : p.surface);
        EXPECT_COLOR(canvas.Pixel(R - 30, T + 108), installed ? p.border : p.surface);

        const RECT next = list.CardOnScreen(1);
        EXPECT_COLOR(canvas.Pixel(next.left + 5, next.top + 5), p.surface);
        // A collapsed card's chevron points down.
        EXPECT_COLOR(canvas.Pixel(next.right - 17, next.top + 21), p.textMuted);

        std::vector<HitRecord> expected{{{L, T, R, T + 38}, 0, ToolAction::Launch, true, WindowElement::Card},
                                        {{L + 42, T + 108, L + 178, T + 140},
                                         0,
                                         c.kind == Kind::UpToDate ? ToolAction::Launch : ToolAction::Install,
                                         canRun,
                                         WindowElement::PrimaryButton}};
        if (update) {
            expected.push_back(
                {{L + 188, T + 108, L + 288, T + 140}, 0, ToolAction::Launch, canRun, WindowElement::SecondButton});
        }
        if (installed) {
            expected.push_back(
                {{R - 44, T + 108, R - 12, T + 140}, 0, ToolAction::Launch, !c.busy, WindowElement::MenuButton});
        }
        expected.push_back(
            {{next.left, next.top, next.right, next.top + 38}, 1, ToolAction::Launch, true, WindowElement::Card});
        ExpectRecords(expected);
        ASSERT_EQ(g_state.cardRects.size(), 2u);
        EXPECT_RECT(g_state.cardRects[0].bounds, card);
        EXPECT_EQ(g_state.cardRects[0].appIndex, 0u);
        EXPECT_RECT(g_state.cardRects[1].bounds, next);
        EXPECT_EQ(g_state.cardRects[1].appIndex, 1u);
    }
}

TEST(CardPaint, HoverColours) {
    struct Case {
        const char* what;
        Kind kind;
        bool installedMode;
        bool busy;
        bool mouseInside;
        POINT mouse;  // relative to the top-left corner of the expanded card
        POINT probe;  // relative likewise
        COLORREF Palette::*colour;
    };
    const Case cases[] = {
        {"primary under the mouse", Kind::NotInstalled, true, false, true, {60, 120}, {45, 124}, &Palette::accentHover},
        {"primary elsewhere", Kind::NotInstalled, true, false, true, {300, 60}, {45, 124}, &Palette::accent},
        {"mouse gone", Kind::NotInstalled, true, false, false, {60, 120}, {45, 124}, &Palette::accent},
        {"disabled primary", Kind::NotInstalled, false, false, true, {60, 120}, {45, 124}, &Palette::buttonDisabled},
        {"second button", Kind::UpdateAvailable, true, false, true, {200, 120}, {191, 124}, &Palette::hover},
        {"second button elsewhere", Kind::UpdateAvailable, true, false, true, {60, 60}, {191, 124}, &Palette::surface},
        {"menu button", Kind::UpToDate, true, false, true, {544, 112}, {517, 124}, &Palette::hover},
        {"menu button while busy", Kind::UpToDate, true, true, true, {544, 112}, {517, 124}, &Palette::surface},
        {"collapsed card's row", Kind::UpToDate, true, false, true, {300, 165}, {5, 155}, &Palette::hover},
        {"expanded card's row", Kind::UpToDate, true, false, true, {300, 10}, {5, 5}, &Palette::selected},
    };
    PaintedList list;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TwoTools(c.kind);
        g_state.installedMode = c.installedMode;
        g_state.busy = c.busy;
        list.Relayout();
        const RECT card = list.CardOnScreen(0);
        g_state.mouseInside = c.mouseInside;
        g_state.mousePos = {card.left + c.mouse.x, card.top + c.mouse.y};
        DibCanvas canvas(600, 500);
        list.PaintWhole(canvas);
        EXPECT_COLOR(canvas.Pixel(card.left + c.probe.x, card.top + c.probe.y), g_state.palette.*c.colour);
    }
}

TEST(CardPaint, CardUnderTheHeaderRecordsOnlyItsVisiblePart) {
    PaintedList list;
    g_state.apps.clear();
    for (int i = 0; i < 8; ++i) g_state.apps.push_back(MakeApp({L"Outil" + std::to_wstring(i), L"Outils", true}));
    g_state.expandedId = L"Outil0";
    g_state.installedMode = true;
    list.Relayout();
    const COLORREF marker = RGB(255, 0, 255);

    struct Case {
        int scrollPos;
        int cardTop;  // on screen; the list starts at 194
        std::vector<HitRecord> firstRecords;
    };
    const Case cases[] = {
        // The title row is cut in two; the buttons are all visible.
        {58,
         174,
         {{{21, 194, 579, 212}, 0, ToolAction::Launch, true, WindowElement::Card},
          {{63, 282, 199, 314}, 0, ToolAction::Launch, true, WindowElement::PrimaryButton},
          {{535, 282, 567, 314}, 0, ToolAction::Launch, true, WindowElement::MenuButton}}},
        // The buttons end just above the list: only the card's last rows show.
        {183, 49, {{{21, 199, 579, 237}, 1, ToolAction::Launch, true, WindowElement::Card}}},
        // The buttons are cut by the list's top edge.
        {158,
         74,
         {{{63, 194, 199, 214}, 0, ToolAction::Launch, true, WindowElement::PrimaryButton},
          {{535, 194, 567, 214}, 0, ToolAction::Launch, true, WindowElement::MenuButton}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("scrolled to " + std::to_string(c.scrollPos));
        ScrollTo(c.scrollPos);
        ASSERT_EQ(g_state.scrollPos, c.scrollPos);
        const RECT card = list.CardOnScreen(0);
        ASSERT_EQ(card.top, c.cardTop);
        DibCanvas canvas(600, 500);
        canvas.Fill(marker);
        list.PaintList(canvas);

        ASSERT_GE(g_state.cardRects.size(), 1u);
        EXPECT_RECT(g_state.cardRects[0].bounds, {card.left, 194, card.right, card.bottom});
        ExpectRecords(c.firstRecords, true);
        // Nothing above the list is touched, neither card nor panel.
        EXPECT_EQ(canvas.CountNot({0, 0, 600, 194}, marker), 0);
        EXPECT_COLOR(canvas.Pixel(card.left + 1, 194), g_state.palette.accent);
    }
}

TEST(CardPaint, EmptyListMessageDependsOnWhatHappened) {
    PaintedList list;
    g_state.apps.clear();
    list.Relayout();
    const RECT message{20, 194 + 24, 580, 194 + 60};
    struct Case {
        bool busy;
        bool catalogLoaded;
    };
    const Case cases[] = {{true, false}, {false, true}, {false, false}};
    std::vector<std::unique_ptr<DibCanvas>> pictures;
    for (const Case& c : cases) {
        g_state.busy = c.busy;
        g_state.catalogLoaded = c.catalogLoaded;
        pictures.push_back(std::make_unique<DibCanvas>(600, 500));
        pictures.back()->Fill(g_state.palette.window);
        list.PaintList(*pictures.back());
        EXPECT_GT(pictures.back()->CountNot(message, g_state.palette.window), 0)
            << "busy " << c.busy << ", loaded " << c.catalogLoaded;
        EXPECT_TRUE(g_state.hitRecords.empty());
        EXPECT_TRUE(g_state.cardRects.empty());
    }
    // A busy load wins over an earlier catalogue; the three texts differ.
    EXPECT_FALSE(pictures[0]->SameAs(*pictures[1]));
    EXPECT_FALSE(pictures[1]->SameAs(*pictures[2]));
    EXPECT_FALSE(pictures[0]->SameAs(*pictures[2]));
    g_state.catalogLoaded = true;
    g_state.busy = true;
    DibCanvas busyAfterLoad(600, 500);
    busyAfterLoad.Fill(g_state.palette.window);
    list.PaintList(busyAfterLoad);
    EXPECT_TRUE(busyAfterLoad.SameAs(*pictures[0]));
}

TEST(CardPaint, AmpersandIsDrawnAsText) {
    g_state.dpi = 96;
    CreateFonts();
    const RECT box{0, 0, 200, 40};
    int ink[3] = {};
    const wchar_t* texts[] = {L"&", L"&&", L"A&B"};
    for (int i = 0; i < 3; ++i) {
        DibCanvas canvas(200, 40);
        canvas.Fill(RGB(255, 255, 255));
        // Even when the caller asks for nothing but a single line.
        DrawLabel(canvas.dc(), texts[i], box, g_state.strongFont.get(), RGB(0, 0, 0), DT_SINGLELINE);
        ink[i] = canvas.CountNot(box, RGB(255, 255, 255));
    }
    EXPECT_GT(ink[0], 0) << "a lone ampersand was taken as a mnemonic";
    EXPECT_GT(ink[1], ink[0]) << "a doubled ampersand was drawn as one";
    EXPECT_GT(ink[2], 0);
    DeleteFonts();
}

TEST(CardPaint, IconFromTheBitmapOrTheProgramIcon) {
    GdiplusSession gdiplus;
    ASSERT_TRUE(gdiplus.ok());
    {
        PaintedList list;
        const COLORREF red = RGB(220, 20, 30);
        struct Case {
            const char* what;
            bool bitmap;
            bool programIcon;
        };
        const Case cases[] = {{"decoded icon", true, true},
                              {"program icon", false, true},
                              {"no icon at all", false, false}};
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            TwoTools(Kind::UpToDate);
            g_state.expandedId.clear();
            if (c.bitmap) {
                auto* bitmap = new Gdiplus::Bitmap(22, 22, PixelFormat32bppPARGB);
                Gdiplus::Graphics(bitmap).Clear(Gdiplus::Color(255, GetRValue(red), GetGValue(red), GetBValue(red)));
                g_state.apps[0].iconBitmap.reset(bitmap);
            }
            g_state.appIcon = c.programIcon ? LoadIconW(nullptr, IDI_APPLICATION) : nullptr;
            list.Relayout();
            DibCanvas canvas(600, 500);
            list.PaintWhole(canvas);
            const RECT card = list.CardOnScreen(0);
            const RECT icon{card.left + 10, card.top + 8, card.left + 32, card.top + 30};
            const int marked = canvas.CountNot(icon, g_state.palette.surface);
            if (c.bitmap) {
                const COLORREF centre = canvas.Pixel(icon.left + 11, icon.top + 11);
                EXPECT_LE(std::abs(GetRValue(centre) - GetRValue(red)), 2) << ShowColor(centre);
                EXPECT_LE(std::abs(GetGValue(centre) - GetGValue(red)), 2) << ShowColor(centre);
                EXPECT_LE(std::abs(GetBValue(centre) - GetBValue(red)), 2) << ShowColor(centre);
            } else if (c.programIcon) {
                EXPECT_GT(marked, 0);
            } else {
                EXPECT_EQ(marked, 0);
            }
        }
        g_state.apps.clear();  // the bitmaps go before GDI+ shuts down
        g_state.appIcon = nullptr;
    }
}

TEST(CardPaint, DarkPaletteOnCardsAndPanels) {
    PaintedList list;
    g_state.palette = kDarkPalette;
    g_state.isDark = true;
    SetApps(AppShape{L"Alpha", L"Outils"}, AppShape{L"Beta", L"Outils"});
    list.Relayout();
    DibCanvas canvas(600, 500);
    list.PaintWhole(canvas);
    const RECT card = list.CardOnScreen(1);
    const RECT panel{20, 194, 580, 194 + 38};
    EXPECT_COLOR(canvas.Pixel(card.left + 5, card.top + 5), kDarkPalette.surface);
    EXPECT_COLOR(canvas.Pixel(card.left + 100, card.bottom - 1), kDarkPalette.border);
    EXPECT_COLOR(canvas.Pixel(panel.left + 5, panel.top + 5), kDarkPalette.groupHeader);
    EXPECT_COLOR(canvas.Pixel(panel.left, panel.top + 20), kDarkPalette.border);
    EXPECT_COLOR(canvas.Pixel(10, 300), kDarkPalette.window);
}
