// Helpers for the layout and painting tests: a 32-bit bitmap to paint into
// and read back, a plain window standing in for the main window, and
// catalogue entries built in one line (tests/support/catalog_entries.h).
#pragma once

#include <windows.h>

#include <sstream>
#include <string>
#include <cstdio>
#include <utility>

#include <gtest/gtest.h>

#include "app/state.h"
#include "base/handles.h"
#include "catalog/catalog_model.h"
#include "tests/support/catalog_entries.h"
#include "tests/support/test_support.h"
#include "tests/support/window_classes.h"
#include "ui/draw.h"

// A top-down 32-bit DIB section selected into a memory DC.
class DibCanvas {
public:
    DibCanvas(int width, int height) : width_(width), height_(height) {
        dc_.reset(CreateCompatibleDC(nullptr));
        void* bits = nullptr;
        bitmap_.reset(CreateTopDownDib(dc_.get(), width, height, &bits));
        bits_ = static_cast<const DWORD*>(bits);
        previous_ = SelectObject(dc_.get(), bitmap_.get());
    }
    ~DibCanvas() { SelectObject(dc_.get(), previous_); }
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    HDC dc() const { return dc_.get(); }
    bool ok() const { return dc_ && bitmap_ && bits_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }

    // The pixel as a COLORREF (red in the low byte), whatever GDI left in the
    // unused alpha byte.
    COLORREF Pixel(int x, int y) const {
        GdiFlush();
        const DWORD bgra = bits_[static_cast<size_t>(y) * width_ + x];
        return RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
    }
    COLORREF Pixel(POINT p) const { return Pixel(p.x, p.y); }

    void Fill(COLORREF color) {
        UniqueBrush brush(CreateSolidBrush(color));
        RECT all{0, 0, width_, height_};
        FillRect(dc_.get(), &all, brush.get());
    }

    // Number of pixels in `area` that differ from `color`.
    int CountNot(const RECT& area, COLORREF color) const {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                if (Pixel(x, y) != color) ++count;
            }
        }
        return count;
    }

    bool SameAs(const DibCanvas& other) const {
        GdiFlush();
        if (other.width_ != width_ || other.height_ != height_) return false;
        for (size_t i = 0; i < static_cast<size_t>(width_) * height_; ++i) {
            if ((bits_[i] & 0xFFFFFF) != (other.bits_[i] & 0xFFFFFF)) return false;
        }
        return true;
    }

private:
    int width_;
    int height_;
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    const DWORD* bits_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// A plain popup window with a vertical scroll bar, standing in for the main
// window in g_state.mainWindow.
class ListWindow {
public:
    ListWindow(int clientWidth, int clientHeight) {
        RegisterTestWindowClass(kClassName);
        window_ = CreateWindowExW(0, kClassName, L"test", WS_POPUP | WS_VSCROLL, 0, 0, clientWidth, clientHeight,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        // Without a window every measure below reads as zero: say why instead.
        if (window_ == nullptr) ADD_FAILURE() << "the list window was not created, error " << GetLastError();
        SetClientSize(clientWidth, clientHeight);
        // Hidden windows keep no update region: show it, without activating.
        ShowWindow(window_, SW_SHOWNOACTIVATE);
        g_state.mainWindow = window_;
    }
    ~ListWindow() {
        if (g_state.mainWindow == window_) g_state.mainWindow = nullptr;
        DestroyWindow(window_);
    }
    ListWindow(const ListWindow&) = delete;
    ListWindow& operator=(const ListWindow&) = delete;

    HWND get() const { return window_; }

    void SetClientSize(int clientWidth, int clientHeight) {
        RECT window{};
        RECT client{};
        GetWindowRect(window_, &window);
        GetClientRect(window_, &client);
        const int frameX = (window.right - window.left) - client.right;
        const int frameY = (window.bottom - window.top) - client.bottom;
        SetWindowPos(window_, nullptr, 0, 0, clientWidth + frameX, clientHeight + frameY,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT Client() const {
        RECT client{};
        GetClientRect(window_, &client);
        return client;
    }

private:
    static constexpr wchar_t kClassName[] = L"OrkvaneListTestWindow";
    HWND window_ = nullptr;
};

inline std::string ShowRect(const RECT& r) {
    std::ostringstream text;
    text << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
    return text.str();
}

inline std::string ShowColor(COLORREF c) {
    char text[16];
    snprintf(text, sizeof(text), "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

inline ::testing::AssertionResult RectIs(const RECT& actual, const RECT& expected) {
    if (EqualRect(&actual, &expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "is " << ShowRect(actual) << ", expected " << ShowRect(expected);
}

inline ::testing::AssertionResult ColorIs(COLORREF actual, COLORREF expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "is " << ShowColor(actual) << ", expected " << ShowColor(expected);
}

// Both take further text with <<.
#define EXPECT_RECT(actual, ...) EXPECT_TRUE(RectIs((actual), __VA_ARGS__)) << #actual << " "
#define EXPECT_COLOR(actual, expected) EXPECT_TRUE(ColorIs((actual), (expected))) << #expected << " "
