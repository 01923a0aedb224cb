#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>

#include <algorithm>

#include "app/state.h"
#include "base/constants.h"
#include "base/gdiplus_session.h"
#include "base/paths.h"
#include "base/post_result.h"
#include "base/worker_shared.h"
#include "catalog/icon_load.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "ui/jobs/icon_jobs.h"
#include "ui/list/card_icon.h"

namespace {

unsigned Checker(int x, int y) { return ((x + y) % 2 == 0) ? 0xFFFF0000u : 0xFF0000FFu; }
std::string SmallPng(int width = 2, int height = 2) { return MakePng(width, height, Checker); }

CatalogApp IconEntry(const std::wstring& id, const std::wstring& location, bool hidden = false) {
    CatalogApp app = MakeToolEntry(id, std::wstring(64, L'0'));
    app.iconLocation = location;
    app.hidden = hidden;
    return app;
}

std::unique_ptr<IconResult> ResultFor(unsigned long long index, int32_t generation, std::string bytes) {
    auto result = std::make_unique<IconResult>();
    result->appIndex = index;
    result->generation = generation;
    result->bytes = std::move(bytes);
    return result;
}

bool HasIcon(size_t index) { return static_cast<bool>(g_state.apps[index].iconBitmap); }

std::vector<std::string> IconRequests(const std::string& folder) {
    std::vector<std::string> lines;
    for (const std::string& line : RequestLog()) {
        if (line.find(folder) != std::string::npos) lines.push_back(line);
    }
    return lines;
}

TEST(DecodeIconBytes, GivesAPremultipliedCopyOrNothing) {
    GdiplusSession gdiplus;
    ASSERT_TRUE(gdiplus.ok());
    const std::string png = MakePng(3, 2, Checker);
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case refused[] = {
        {"empty", ""},
        {"text", "not an image at all"},
        {"PNG signature only", png.substr(0, 8)},
    };
    for (const Case& c : refused) EXPECT_EQ(DecodeIconBytes(c.bytes), nullptr) << c.what;

    BitmapPtr bitmap = DecodeIconBytes(png);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetWidth(), 3u);
    EXPECT_EQ(bitmap->GetHeight(), 2u);
    EXPECT_EQ(bitmap->GetPixelFormat(), PixelFormat32bppPARGB);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            Gdiplus::Color color;
            ASSERT_EQ(bitmap->GetPixel(x, y, &color), Gdiplus::Ok);
            EXPECT_EQ(color.GetValue(), Checker(x, y)) << x << "," << y;
        }
    }
}

TEST(ApplyIconResult, StoresOnlyResultsForTheCurrentList) {
    GdiplusSession gdiplus;
    ASSERT_TRUE(gdiplus.ok());
    TestMainWindow window;
    g_state.catalogGeneration = 5;
    g_state.apps.push_back(IconEntry(L"h6a", L"x"));
    g_state.apps.push_back(IconEntry(L"h6b", L"x"));

    ApplyIconResult(nullptr);
    ApplyIconResult(ResultFor(0, 4, SmallPng()));
    EXPECT_FALSE(HasIcon(0)) << "a result of the previous list was stored";
    ApplyIconResult(ResultFor(2, 5, SmallPng()));
    EXPECT_FALSE(HasIcon(0) || HasIcon(1));

    auto solid = [](unsigned argb) { return MakePng(4, 4, [argb](int, int) { return argb; }); };
    auto centre = [] {
        Gdiplus::Color color;
        g_state.apps[1].iconBitmap->GetPixel(11, 11, &color);
        return color.GetValue();
    };
    ApplyIconResult(ResultFor(1, 5, solid(0xFFFF0000u)));
    ASSERT_TRUE(HasIcon(1));
    EXPECT_EQ(centre(), 0xFFFF0000u);
    // A later result replaces the earlier one, even with nothing.
    ApplyIconResult(ResultFor(1, 5, solid(0xFF0000FFu)));
    ASSERT_TRUE(HasIcon(1));
    EXPECT_EQ(centre(), 0xFF0000FFu);
    ApplyIconResult(ResultFor(1, 5, "garbage"));
    EXPECT_FALSE(HasIcon(1));
    EXPECT_FALSE(HasIcon(0));
}

// An entry keeps its icon at the size the card draws it at the current dpi,
// whatever the size of the file, with the file's colours.
TEST(ApplyIconResult, KeepsTheIconAtTheSizeItIsDrawn) {
    GdiplusSession gdiplus;
    ASSERT_TRUE(gdiplus.ok());
    TestMainWindow window;
    g_state.catalogGeneration = 2;
    g_state.apps.push_back(IconEntry(L"h6size", L"x"));
    const unsigned green = 0xFF20A040u;
    struct Case {
        int dpi;
        int fileSide;
        UINT width;
        UINT height;
    };
    const Case cases[] = {
        {96, 64, 22, 22}, {96, 16, 22, 22}, {96, 22, 22, 22}, {120, 64, 27, 28}, {144, 64, 33, 33}, {192, 256, 44, 44},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("dpi " + std::to_string(c.dpi) + ", file " + std::to_string(c.fileSide));
        g_state.dpi = c.dpi;
        const SIZE drawn = CardIconSize();
        EXPECT_EQ(static_cast<UINT>(drawn.cx), c.width);
        EXPECT_EQ(static_cast<UINT>(drawn.cy), c.height);
        ApplyIconResult(ResultFor(0, 2, MakePng(c.fileSide, c.fileSide, [&](int, int) { return green; })));
        ASSERT_TRUE(HasIcon(0));
        Gdiplus::Bitmap& kept = *g_state.apps[0].iconBitmap;
        EXPECT_EQ(kept.GetWidth(), c.width);
        EXPECT_EQ(kept.GetHeight(), c.height);
        EXPECT_EQ(kept.GetPixelFormat(), PixelFormat32bppPARGB);
        Gdiplus::Color color;
        ASSERT_EQ(kept.GetPixel(static_cast<INT>(c.width / 2), static_cast<INT>(c.height / 2), &color), Gdiplus::Ok);
        EXPECT_EQ(color.GetValue(), green);
    }
    g_state.dpi = 96;
}

// Offline icons on the removable test drive; the last entry of each run acts
// as a marker: the worker goes in order, so when it has its icon every
// earlier result has been applied.
TEST(StartIconLoad, OfflineIconsFollowTheListRules) {
    GdiplusSession gdiplus;
    ASSERT_TRUE(gdiplus.ok());
    TestMainWindow window;
    const std::wstring icons = JoinPath(OfflineRootOnUsbDrive(), L"icons");
    CreateFolderPath(icons);
    auto at = [&](const wchar_t* name) { return JoinPath(icons, name); };
    WriteFileBytes(at(L"h6A.png"), SmallPng());
    WriteFileBytes(at(L"Orkvane.png"), SmallPng());
    WriteFileBytes(at(L"h6Hidden.png"), SmallPng());
    WriteFileBytes(at(L"h6Empty.png"), "");
    WriteFileBytes(at(L"h6Limit.png"), MakePng(2, 2, Checker, kIconSizeLimit));
    WriteFileBytes(at(L"h6Over.png"), MakePng(2, 2, Checker, kIconSizeLimit + 1));
    WriteFileBytes(at(L"h6Marker.png"), SmallPng());
    DeleteFileW(at(L"h6Late.png").c_str());

    g_state.settings.offlineMode = true;
    g_state.apps.push_back(IconEntry(L"h6A", at(L"h6A.png")));                  // 0
    g_state.apps.push_back(IconEntry(L"ORKVANE", at(L"Orkvane.png")));          // 1: own entry
    g_state.apps.push_back(IconEntry(L"h6Hidden", at(L"h6Hidden.png"), true));  // 2
    g_state.apps.push_back(IconEntry(L"h6Empty", at(L"h6Empty.png")));          // 3
    g_state.apps.push_back(IconEntry(L"h6None", L""));                          // 4
    g_state.apps.push_back(IconEntry(L"h6Limit", at(L"h6Limit.png")));          // 5
    g_state.apps.push_back(IconEntry(L"h6Over", at(L"h6Over.png")));            // 6
    g_state.apps.push_back(IconEntry(L"h6Late", at(L"h6Late.png")));            // 7: absent at first
    g_state.apps.push_back(IconEntry(L"h6Marker", at(L"h6Marker.png")));        // 8

    StartIconLoad();
    ASSERT_TRUE(PumpUntil([] { return HasIcon(8); }, 30000)) << "the marker icon never came";
    const bool firstRun[] = {true, false, false, false, false, true, false, false, true};
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(HasIcon(i), firstRun[i]) << WideToUtf8(g_state.apps[i].id);
    EXPECT_EQ(g_state.apps[0].iconBitmap->GetPixelFormat(), PixelFormat32bppPARGB);

    // Secret mode adds the hidden entry; icons already there are not fetched
    // again (a refetch of h6A would now decode to nothing).
    WriteFileBytes(at(L"h6A.png"), "no longer an image");
    WriteFileBytes(at(L"h6Late.png"), SmallPng());
    g_state.secretMode = true;
    StartIconLoad();
    ASSERT_TRUE(PumpUntil([] { return HasIcon(7); }, 30000)) << "the second run never reached its end";
    const bool secondRun[] = {true, false, true, false, false, true, false, true, true};
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(HasIcon(i), secondRun[i]) << WideToUtf8(g_state.apps[i].id);

    // At another dpi every icon is fetched again at its new size.
    WriteFileBytes(at(L"h6A.png"), SmallPng());
    g_state.dpi = 144;
    StartIconLoad();
    ASSERT_TRUE(PumpUntil([] { return HasIcon(8) && g_state.apps[8].iconBitmap->GetWidth() == 33u; }, 30000))
        << "the icons were not fetched again";
    for (size_t i : {0u, 2u, 5u, 7u, 8u}) {
        ASSERT_TRUE(HasIcon(i)) << WideToUtf8(g_state.apps[i].id);
        EXPECT_EQ(g_state.apps[i].iconBitmap->GetWidth(), 33u) << WideToUtf8(g_state.apps[i].id);
    }
    g_state.dpi = 96;

    RemoveTree(icons);
}

class OnlineIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gdiplus.ok());
        PublishFile(L"h6icons/a.png", SmallPng());
        PublishFile(L"h6icons/c.png", SmallPng());
        PublishFile(L"h6icons/own.png", SmallPng());
        ClearRequestLog();
    }
    void TearDown() override {
        for (const wchar_t* name : {L"h6icons/a.png", L"h6icons/c.png", L"h6icons/own.png"}) UnpublishFile(name);
    }
    static std::wstring Url(const wchar_t* path) { return TestServerUrl() + path; }

    GdiplusSession gdiplus;
    TestMainWindow window;
};

TEST_F(OnlineIconTest, ResultsForAReplacedListAreDropped) {
    g_state.apps.push_back(IconEntry(L"h6a", Url(L"/h6icons/a.png")));
    g_state.apps.push_back(IconEntry(L"Orkvane", Url(L"/h6icons/own.png")));
    g_state.apps.push_back(IconEntry(L"h6c", Url(L"/h6icons/c.png")));
    StartIconLoad();
    ++g_state.catalogGeneration;  // the list is replaced before anything arrives
    ASSERT_TRUE(PumpUntil([] { return IconRequests("/h6icons/").size() >= 2; }, 30000));
    PumpFor(1000);
    EXPECT_FALSE(HasIcon(0) || HasIcon(1) || HasIcon(2));
    EXPECT_EQ(IconRequests("/h6icons/"), (std::vector<std::string>{"GET /h6icons/a.png", "GET /h6icons/c.png"}))
        << "the program's own entry was fetched";
}

// The first icon arrives, then the worker is told to stop while the second
// (a body that streams until the size limit) is being fetched: by a change of
// source, or by a new batch, which here wants only the third icon. The old
// worker never asks for the third. A run without either shows how long the
// third takes. The stop waits for the server to log the second request: the
// first icon can arrive before the worker has looked at the epoch again, and
// a stop then would come before the second, proving nothing.
TEST_F(OnlineIconTest, AChangeOfSourceOrANewBatchStopsTheWorkerBeforeItsNextIcon) {
    g_state.apps.push_back(IconEntry(L"h6a", Url(L"/h6icons/a.png")));
    g_state.apps.push_back(IconEntry(L"h6slow", Url(L"/fault/endless")));
    g_state.apps.push_back(IconEntry(L"h6c", Url(L"/h6icons/c.png")));

    ULONGLONG started = GetTickCount64();
    StartIconLoad();
    ASSERT_TRUE(PumpUntil([] { return HasIcon(2); }, 60000)) << "without a change the third icon comes";
    ULONGLONG fullRun = GetTickCount64() - started;
    EXPECT_TRUE(HasIcon(0));
    EXPECT_FALSE(HasIcon(1));

    struct Case {
        const char* what;
        bool newBatch;
        std::vector<std::string> requests;
    };
    const Case cases[] = {
        {"change of source", false, {"GET /h6icons/a.png", "GET /fault/endless"}},
        {"new batch", true, {"GET /h6icons/a.png", "GET /fault/endless", "GET /h6icons/c.png"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_state.apps[0].iconBitmap.reset();
        g_state.apps[2].iconBitmap.reset();
        g_state.apps[1].iconLocation = Url(L"/fault/endless");
        ClearRequestLog();
        StartIconLoad();
        ASSERT_TRUE(PumpUntil([] { return HasIcon(0) && IconRequests("/fault/endless").size() == 1; }, 30000));
        if (c.newBatch) {
            g_state.apps[1].iconLocation.clear();
            StartIconLoad();
            ASSERT_TRUE(PumpUntil([] { return HasIcon(2); }, 30000)) << "the new batch never brought its icon";
        } else {
            ++iconLoadEpoch;
        }
        PumpFor(static_cast<DWORD>(std::max<ULONGLONG>(3000, 3 * fullRun)));
        EXPECT_EQ(HasIcon(2), c.newBatch);
        EXPECT_EQ(IconRequests("/"), c.requests);
    }
}

// Icons the worker posted count as waiting until the window has applied (or
// dropped) them; taken from the queue and held here, they keep the worker
// waiting. Once they are applied the worker brings the rest.
TEST(StartIconLoad, AWorkerWaitsWhileTheWindowHasAFewIconsToApply) {
    GdiplusSession gdiplus;
    TestMainWindow window;
    const std::wstring icons = JoinPath(OfflineRootOnUsbDrive(), L"icons");
    CreateFolderPath(icons);
    g_state.settings.offlineMode = true;
    constexpr size_t kIcons = 12;
    for (size_t i = 0; i < kIcons; ++i) {
        const std::wstring id = L"h6Queue" + std::to_wstring(i);
        WriteFileBytes(JoinPath(icons, id + L".png"), SmallPng());
        g_state.apps.push_back(IconEntry(id, JoinPath(icons, id + L".png")));
    }
    std::vector<std::unique_ptr<IconResult>> held;
    auto takePosted = [&held] {
        MSG message{};
        while (PeekMessageW(&message, nullptr, WM_APP_ICONS_READY, WM_APP_ICONS_READY, PM_REMOVE)) {
            held.push_back(TakePostedResult<IconResult>(message.lParam));
        }
    };

    StartIconLoad();
    const ULONGLONG deadline = GetTickCount64() + 30000;
    while (held.size() < static_cast<size_t>(kMaxIconsInFlight) && GetTickCount64() < deadline) {
        takePosted();
        Sleep(10);
    }
    // Time for a worker that does not wait to post every icon.
    Sleep(500);
    takePosted();
    EXPECT_EQ(held.size(), static_cast<size_t>(kMaxIconsInFlight));

    for (std::unique_ptr<IconResult>& result : held) ApplyIconResult(std::move(result));
    ASSERT_TRUE(PumpUntil(
        [] {
            for (size_t i = 0; i < kIcons; ++i) {
                if (!HasIcon(i)) return false;
            }
            return true;
        },
        30000))
        << "the worker did not go on once its icons were applied";
    RemoveTree(icons);
}

}  // namespace
