// WM_PAINT draws the window a band at a time: the window must show exactly
// the picture painted in one piece, icons and band edges included.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <objidl.h>
#include <gdiplus.h>

#include "app/state.h"
#include "app/theme.h"
#include "tests/support/ui_test_canvas.h"
#include "tests/support/window_classes.h"
#include "ui/list/card_layout.h"
#include "ui/list/list_scrolling.h"
#include "ui/main/chrome_paint.h"

namespace {

LRESULT CALLBACK BandedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PaintMainWindow(window);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

TEST(BandedPaint, TheWindowShowsThePicturePaintedInOnePiece) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    ResetAppState();
    g_state.dpi = 96;
    CreateFonts();
    RegisterTestWindowClass(L"OrkvaneBandedPaintTest", BandedProc);
    for (int height : {399, 400, 401, 950}) {
        SCOPED_TRACE("height " + std::to_string(height));
        const int width = 1000;
        HWND window = CreateWindowExW(0, L"OrkvaneBandedPaintTest", L"test", WS_POPUP, 0, 0, width, height, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        g_state.mainWindow = window;
        g_state.apps.clear();
        for (int i = 0; i < 40; ++i) {
            g_state.apps.push_back(MakeApp(AppSpec{L"Outil" + std::to_wstring(i), L"Lot " + std::to_wstring(i % 3),
                                                   i % 2 == 0, i % 4 == 0}));
            // A coloured icon on every card, so that icons cross band edges too.
            auto* icon = new Gdiplus::Bitmap(22, 22, PixelFormat32bppPARGB);
            Gdiplus::Graphics(icon).Clear(Gdiplus::Color(255, static_cast<BYTE>(i * 6), 90, 200));
            g_state.apps.back().iconBitmap.reset(icon);
        }
        g_state.expandedId = L"Outil4";
        UpdateScrollMetrics();
        ShowWindow(window, SW_SHOWNOACTIVATE);
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
        const size_t recordsAfterWindowPaint = g_state.hitRecords.size();

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
        // The records are those of the whole picture, not of the last band.
        EXPECT_EQ(recordsAfterWindowPaint, g_state.hitRecords.size());
        EXPECT_GT(recordsAfterWindowPaint, 5u);

        g_state.apps.clear();  // the icons go before GDI+ shuts down
        g_state.mainWindow = nullptr;
        DestroyWindow(window);
    }
    DeleteFonts();
    Gdiplus::GdiplusShutdown(token);
}
