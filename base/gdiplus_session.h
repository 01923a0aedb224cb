// GDI+ as our code includes it, and the one owner of a GDI+ session.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <algorithm>

// The SDK's GDI+ headers use min and max unqualified; NOMINMAX hides the
// macros, so they get the standard ones.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

// GdiplusStartup / GdiplusShutdown around the code that decodes or draws with
// GDI+. Every GDI+ object must be gone before the session ends.
class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback
        ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (ok_) Gdiplus::GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool ok() const { return ok_; }

private:
    ULONG_PTR token_ = 0;
    bool ok_ = false;
};
