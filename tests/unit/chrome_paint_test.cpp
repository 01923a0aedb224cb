// The main window's header, summary, status strip and footer, painted into a
// real bitmap, and the rectangles that the paint records for clicks.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/state.h"
#include "app/theme.h"
#include "base/constants.h"
#include "catalog/web_host.h"
#include "tests/support/ui_test_canvas.h"
#include "tests/support/window_classes.h"
#include "ui/list/card_layout.h"
#include "ui/list/list_scrolling.h"
#include "ui/main/chrome_paint.h"

namespace {

// A main window of the given client size at 96 dpi, fonts and metrics ready.
class PaintedWindow {
public:
    PaintedWindow(int width, int height) : window_(width, height), width_(width), height_(height) {
        g_state.dpi = 96;
        CreateFonts();
        Relayout();
    }
    ~PaintedWindow() { DeleteFonts(); }
    PaintedWindow(const PaintedWindow&) = delete;
    PaintedWindow& operator=(const PaintedWindow&) = delete;

    void Relayout() {
        UpdateScrollMetrics();
        window_.SetClientSize(width_, height_);
        UpdateScrollMetrics();
    }
    void Paint(DibCanvas& canvas) { PaintMainWindowTo(canvas.dc(), width_, height_); }
    HWND get() const { return window_.get(); }

private:
    ListWindow window_;
    int width_;
    int height_;
};

POINT Middle(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

int SmallTextWidth(const std::wstring& text) {
    ScopedWindowDc screen(nullptr);
    ScopedSelect font(screen.get(), g_state.smallFont.get());
    SIZE size{};
    GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

}  // namespace

TEST(ChromePaint, BandsInBothPalettes) {
    PaintedWindow window(1000, 700);
    SetApps(AppShape{L"Alpha", L"Outils"});
    window.Relayout();
    ASSERT_EQ(g_state.listTop, 150);
    ASSERT_EQ(g_state.listBottom, 630);
    for (bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        const Palette& p = dark ? kDarkPalette : kLightPalette;
        g_state.palette = p;
        g_state.isDark = dark;
        DibCanvas canvas(1000, 700);
        window.Paint(canvas);
        struct Probe {
            const char* what;
            POINT at;
            COLORREF expected;
        };
        const Probe probes[] = {
            {"top accent bar", {500, 0}, p.accent},
            {"top accent bar, last row", {990, 2}, p.accent},
            {"under the accent bar", {990, 3}, p.window},
            {"logo frame", {21, 17}, p.accent},
            {"logo inside", {23, 19}, p.surface},
            {"header separator", {25, 101}, p.border},
            {"left of the separator", {19, 101}, p.window},
            {"beside the list", {5, 300}, p.window},
            {"card surface", {25, 150 + 38 + 5}, p.surface},
            {"group band", {25, 155}, p.groupHeader},
            {"below the list", {10, 633}, p.window},
            {"status strip", {27, 639}, p.statusFill},
            {"status strip, right end", {979, 663}, p.statusFill},
            {"right of the status strip", {981, 650}, p.window},
            {"footer accent line", {5, 670}, p.accent},
            {"footer accent line, second row", {995, 671}, p.accent},
            {"footer band", {5, 672}, p.footer},
            {"footer band, bottom right", {999, 699}, p.footer},
        };
        for (const Probe& probe : probes) EXPECT_COLOR(canvas.Pixel(probe.at), probe.expected) << probe.what;
    }
}

TEST(ChromePaint, RecordsTheRectanglesItDrew) {
    for (int width : {1000, 700}) {
        SCOPED_TRACE("width " + std::to_string(width));
        PaintedWindow window(width, 600);
        SetApps(AppShape{L"Alpha", L"Outils"}, AppShape{L"Beta", L"Outils"});
        window.Relayout();
        g_state.hitRecords.assign(
            3, HitRecord{{0, 0, 5000, 5000}, 9, ToolAction::Install, true, WindowElement::PrimaryButton});
        g_state.cardRects.assign(3, CardSlot{{0, 0, 5000, 5000}, 9});
        DibCanvas canvas(width, 600);
        window.Paint(canvas);

        const HeaderLayout header = ComputeHeaderLayout(width);
        EXPECT_RECT(g_state.selfButtonRect, header.selfButton);
        EXPECT_RECT(g_state.optionsButtonRect, header.optionsButton);
        EXPECT_RECT(g_state.refreshButtonRect, header.refreshButton);
        EXPECT_RECT(g_state.logoRect, header.logo);

        // Version and credit are centred together in the footer.
        const int w1 = SmallTextWidth(std::wstring(L"Version ") + kVersionText + L" - ");
        const int w2 = SmallTextWidth(CreditText());
        ASSERT_GT(w2, 0);
        const int x0 = (width - w1 - w2) / 2;
        EXPECT_RECT(g_state.siteLinkRect, {x0 + w1, 600 - 28, x0 + w1 + w2, 600});

        // The stale records are gone; the two collapsed cards are recorded.
        ASSERT_EQ(g_state.hitRecords.size(), 2u);
        EXPECT_EQ(g_state.hitRecords[0].appIndex, 0u);
        EXPECT_EQ(g_state.hitRecords[1].appIndex, 1u);
        EXPECT_EQ(g_state.cardRects.size(), 2u);
    }
}

TEST(ChromePaint, SelfButtonByState) {
    struct Case {
        bool installedMode;
        bool selfUpdateAvailable;
        bool busy;
        SelfButtonState state;
        COLORREF Palette::*inside;
        COLORREF Palette::*edge;
    };
    const Case cases[] = {
        {false, false, false, SelfButtonState::Portable, &Palette::surface, &Palette::border},
        {false, true, false, SelfButtonState::Portable, &Palette::surface, &Palette::border},
        {false, false, true, SelfButtonState::Portable, &Palette::buttonDisabled, &Palette::border},
        {true, true, false, SelfButtonState::UpdateAvailable, &Palette::warningFill, &Palette::warning},
        {true, true, true, SelfButtonState::UpdateAvailable, &Palette::warningFill, &Palette::warning},
        {true, false, false, SelfButtonState::Current, &Palette::window, &Palette::window},
    };
    PaintedWindow window(1000, 600);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "installed mode " << c.installedMode << ", update "
                                          << c.selfUpdateAvailable << ", busy " << c.busy);
        g_state.installedMode = c.installedMode;
        g_state.selfUpdateAvailable = c.selfUpdateAvailable;
        g_state.busy = c.busy;
        EXPECT_EQ(GetSelfButtonState(), c.state);
        DibCanvas canvas(1000, 600);
        window.Paint(canvas);
        const RECT self = g_state.selfButtonRect;
        EXPECT_COLOR(canvas.Pixel(self.left + 3, Middle(self).y), g_state.palette.*c.inside);
        EXPECT_COLOR(canvas.Pixel(self.left + 20, self.top), g_state.palette.*c.edge);
    }
}

TEST(ChromePaint, HeaderButtonsLightUpUnderTheMouse) {
    struct Case {
        const char* what;
        bool busy;
        RECT AppState::*hovered;
        RECT AppState::*probed;
        COLORREF Palette::*colour;
    };
    const Case cases[] = {
        {"Options", false, &AppState::optionsButtonRect, &AppState::optionsButtonRect, &Palette::hover},
        {"Options while busy", true, &AppState::optionsButtonRect, &AppState::optionsButtonRect, &Palette::hover},
        {"Actualiser", false, &AppState::refreshButtonRect, &AppState::refreshButtonRect, &Palette::hover},
        {"Actualiser while busy", true, &AppState::refreshButtonRect, &AppState::refreshButtonRect,
         &Palette::buttonDisabled},
        {"Options, mouse on Actualiser", false, &AppState::refreshButtonRect, &AppState::optionsButtonRect,
         &Palette::surface},
    };
    PaintedWindow window(1000, 600);
    DibCanvas first(1000, 600);
    window.Paint(first);  // records the buttons' rectangles
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_state.busy = c.busy;
        g_state.mouseInside = true;
        g_state.mousePos = Middle(g_state.*c.hovered);
        DibCanvas canvas(1000, 600);
        window.Paint(canvas);
        const RECT probed = g_state.*c.probed;
        EXPECT_COLOR(canvas.Pixel(probed.left + 3, Middle(probed).y), g_state.palette.*c.colour);
    }
}

TEST(ChromePaint, ZeroSizePaintsNothingAndKeepsTheRectangles) {
    PaintedWindow window(600, 500);
    const RECT sentinel{1, 2, 3, 4};
    const COLORREF marker = RGB(1, 2, 3);
    for (SIZE size : {SIZE{0, 500}, SIZE{600, 0}, SIZE{-4, 100}, SIZE{0, 0}}) {
        SCOPED_TRACE(::testing::Message() << size.cx << " x " << size.cy);
        g_state.selfButtonRect = g_state.optionsButtonRect = g_state.refreshButtonRect = sentinel;
        g_state.siteLinkRect = g_state.logoRect = sentinel;
        g_state.hitRecords.assign(1, HitRecord{sentinel, 4, ToolAction::Uninstall, true, WindowElement::PrimaryButton});
        g_state.cardRects.assign(1, CardSlot{sentinel, 4});
        DibCanvas canvas(600, 500);
        canvas.Fill(marker);
        PaintMainWindowTo(canvas.dc(), size.cx, size.cy);
        EXPECT_EQ(canvas.CountNot({0, 0, 600, 500}, marker), 0);
        for (const RECT* r : {&g_state.selfButtonRect, &g_state.optionsButtonRect, &g_state.refreshButtonRect,
                              &g_state.siteLinkRect, &g_state.logoRect}) {
            EXPECT_RECT(*r, sentinel);
        }
        EXPECT_EQ(g_state.hitRecords.size(), 1u);
        EXPECT_EQ(g_state.cardRects.size(), 1u);
    }
}

namespace {

LRESULT CALLBACK PaintingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PaintMainWindow(window);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreatePaintingWindow(int width, int height) {
    RegisterTestWindowClass(L"OrkvanePaintingTestWindow", PaintingWindowProc);
    return CreateWindowExW(0, L"OrkvanePaintingTestWindow", L"test", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

TEST(ChromePaint, WindowPaintCopiesThePictureAndValidates) {
    g_state.dpi = 96;
    CreateFonts();
    HWND window = CreatePaintingWindow(800, 500);
    ASSERT_NE(window, nullptr);
    g_state.mainWindow = window;
    UpdateScrollMetrics();
    ShowWindow(window, SW_SHOWNOACTIVATE);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);

    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE)) << "the paint did not validate the window";
    EXPECT_RECT(g_state.optionsButtonRect, ComputeHeaderLayout(800).optionsButton);
    {
        ScopedWindowDc dc(window);
        EXPECT_COLOR(GetPixel(dc.get(), 400, 1), g_state.palette.accent);
        EXPECT_COLOR(GetPixel(dc.get(), 5, 300), g_state.palette.window);
    }

    // A window without a client area keeps the rectangles of the last paint.
    HWND empty = CreatePaintingWindow(0, 0);
    ASSERT_NE(empty, nullptr);
    g_state.optionsButtonRect = {7, 7, 8, 8};
    PaintMainWindow(empty);
    EXPECT_RECT(g_state.optionsButtonRect, {7, 7, 8, 8});

    DestroyWindow(empty);
    DestroyWindow(window);
    g_state.mainWindow = nullptr;
    DeleteFonts();
}

TEST(ChromePaint, FocusCueOnlyWhileTheLinkHasFocus) {
    PaintedWindow window(800, 500);
    DibCanvas plain(800, 500);
    g_state.keyboardFocus = {};
    window.Paint(plain);
    DibCanvas focused(800, 500);
    g_state.keyboardFocus = {WindowElement::CreditLink, {}};
    window.Paint(focused);

    RECT cue = g_state.siteLinkRect;
    InflateRect(&cue, 2, 0);
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < 500; ++y) {
        for (int x = 0; x < 800; ++x) {
            if (plain.Pixel(x, y) == focused.Pixel(x, y)) continue;
            if (PtInRect(&cue, {x, y})) {
                ++inside;
            } else {
                ++outside;
            }
        }
    }
    EXPECT_GT(inside, 0);
    EXPECT_EQ(outside, 0);
}

TEST(ChromePaint, SummaryCountsVisibleEntriesGroupsAndUpdates) {
    SetApps(AppShape{L"A", L"Outils", true, true},            // counted update
            AppShape{L"B", L"outils", true, false},           // same group
            AppShape{L"C", L"Dessin", false, true},           // not installed: no update counted
            AppShape{L"D", L"Secret", true, true, true},      // hidden
            AppShape{L"ORKVANE", L"Programme", true, true});  // own entry
    struct Case {
        bool withApps;
        bool secretMode;
        const char* text;
    };
    const Case cases[] = {
        {false, false, "0 applications · 0 lots · 0 mises à jour"},
        {false, true, "0 applications · 0 lots · 0 mises à jour · Secret"},
        {true, false, "3 applications · 2 lots · 1 mises à jour"},
        {true, true, "4 applications · 3 lots · 2 mises à jour · Secret"},
    };
    for (const Case& c : cases) {
        std::vector<CatalogApp> saved;
        if (!c.withApps) saved.swap(g_state.apps);
        g_state.secretMode = c.secretMode;
        EXPECT_EQ(SummaryText(), W(c.text));
        if (!c.withApps) saved.swap(g_state.apps);
    }
}

TEST(ChromePaint, ThemeAndSourceText) {
    struct Case {
        ThemeChoice choice;
        bool dark;
        bool offline;
        const char* text;
    };
    const Case cases[] = {
        {ThemeChoice::System, true, true, "USB · Système · sombre"},
        {ThemeChoice::System, false, false, "Système · clair"},
        {ThemeChoice::System, false, true, "USB · Système · clair"},
        {ThemeChoice::Light, false, false, "Clair"},
        {ThemeChoice::Dark, true, true, "USB · Sombre"},
        {ThemeChoice::Dark, true, false, "Sombre"},
    };
    for (const Case& c : cases) {
        g_state.settings.themeMode = c.choice;
        g_state.isDark = c.dark;
        g_state.settings.offlineMode = c.offline;
        EXPECT_EQ(ThemeSourceText(), W(c.text));
    }
}
