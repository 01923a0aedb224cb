// Progress of a running install: what the worker reports while it downloads
// or copies, how often it posts, what the main window keeps, the bar it
// paints in the status strip and the notification-area tooltip.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/state.h"
#include "app/theme.h"
#include "base/constants.h"
#include "base/messages.h"
#include "base/paths.h"
#include "operations/operation_runner.h"
#include "operations/progress_post.h"
#include "operations/tool_install.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "tests/support/ui_test_canvas.h"
#include "ui/jobs/tool_operation.h"
#include "ui/main/chrome_footer.h"
#include "ui/status_progress.h"
#include "ui/progress_text.h"

namespace {

struct Report {
    unsigned long long done;
    long long expected;
};

// Every report must go forward, carry the same expected size, and the last
// one must reach `size`.
void ExpectMonotonicToTheEnd(const std::vector<Report>& reports, unsigned long long size, long long expected,
                             const char* what) {
    ASSERT_FALSE(reports.empty()) << what;
    for (size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].expected, expected) << what << ", report " << i;
        if (i > 0) {
            EXPECT_GE(reports[i].done, reports[i - 1].done) << what << ", report " << i;
        }
    }
    EXPECT_EQ(reports.back().done, size) << what;
}

// A window that only collects what the worker posts to it.
class ProgressSink {
public:
    ProgressSink() {
        window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    ~ProgressSink() { DestroyWindow(window_); }
    ProgressSink(const ProgressSink&) = delete;
    ProgressSink& operator=(const ProgressSink&) = delete;
    HWND get() const { return window_; }

    // Takes every queued report off the window's queue.
    std::vector<ProgressReport> Drain() {
        std::vector<ProgressReport> reports;
        MSG message{};
        while (PeekMessageW(&message, window_, WM_APP_PROGRESS, WM_APP_PROGRESS, PM_REMOVE)) {
            std::unique_ptr<ProgressReport> report(reinterpret_cast<ProgressReport*>(message.lParam));
            reports.push_back(*report);
        }
        return reports;
    }

private:
    HWND window_ = nullptr;
};

}  // namespace

TEST(InstallProgress, SizedSlowAndUnsizedBodiesReportMonotonicProgress) {
    const std::string body = SeededBytes(1 << 20, 21);
    const std::wstring root = OfflineRootOnUsbDrive();
    struct Case {
        const char* what;
        bool fromUsb;
        std::wstring idSuffix;
        long long expected;
    };
    const long long size = static_cast<long long>(body.size());
    const Case cases[] = {
        {"sized download", false, L"", size},
        {"slow download", false, L"&trickle=50&piece=65536", size},
        {"download without a length", false, L"&trickle=20&piece=131072&nolength=1", -1},
        {"copy from the USB folder", true, L"", size},
    };
    for (const Case& c : cases) {
        ToolCleanup cleanup(L"h6progress");
        CatalogApp app = MakeToolEntry(L"h6progress", Sha256Of(body), c.fromUsb ? root : L"");
        const std::wstring onKey = JoinPath(root, L"outils\\h6progress.exe");
        if (c.fromUsb) {
            WriteFileBytes(onKey, body);
        } else {
            PublishFile(PublishedDownloadPath(app), body);
        }
        app.downloadId += c.idSuffix;
        std::vector<Report> reports;
        FetchOptions options;
        options.progress = [&](unsigned long long done, long long expected) { reports.push_back({done, expected}); };

        EXPECT_EQ(ErrorOf([&] { InstallTool(MakeToolRequest(app), options); }), "<no error>") << c.what;
        ExpectMonotonicToTheEnd(reports, body.size(), c.expected, c.what);
        UnpublishFile(L"telechargement/h6progress_" + app.sha256.substr(0, 12) + L".exe");
        DeleteFileW(onKey.c_str());
    }
}

TEST(InstallProgress, AFastDownloadPostsAtMostTenReportsASecond) {
    const std::string body = SeededBytes(64 << 20, 22);
    ToolCleanup cleanup(L"h6progressfast");
    CatalogApp app = MakeToolEntry(L"h6progressfast", Sha256Of(body));
    PublishFile(PublishedDownloadPath(app), body);
    ProgressSink sink;
    ASSERT_NE(sink.get(), nullptr);
    FetchOptions options;
    options.progress = MakeProgressPoster(sink.get(), 3);

    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ErrorOf([&] { InstallTool(MakeToolRequest(app), options); }), "<no error>");
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::vector<ProgressReport> reports = sink.Drain();

    // One every 100 ms, plus the first and the one that completes.
    EXPECT_LE(static_cast<double>(reports.size()), seconds * 10 + 2) << "in " << seconds << " s";
    ASSERT_GE(reports.size(), 2u);
    for (const ProgressReport& report : reports) EXPECT_EQ(report.serial, 3u);
    EXPECT_EQ(reports.back().done, body.size());
    EXPECT_EQ(reports.back().expected, static_cast<long long>(body.size()));
    UnpublishFile(PublishedDownloadPath(app));
}

TEST(InstallProgress, TheWindowKeepsOnlyTheRunningOperationsReports) {
    ScopedComApartment com;
    TestMainWindow window;
    std::vector<RecordedBox>& boxes = RecordMessageBoxes();
    g_state.installedMode = true;
    g_state.settings.desktopShortcut = false;
    g_state.settings.menuShortcut = false;
    // 1 MiB announced, sent slowly, cut after 512 KiB.
    const std::string body = SeededBytes(1 << 20, 23);
    CatalogApp app = MakeToolEntry(L"h6progresscut", Sha256Of(body));
    ToolCleanup cleanup(L"h6progresscut");
    PublishFile(PublishedDownloadPath(app), body);
    app.downloadId += L"&trickle=100&piece=32768&cut=524288";
    const std::wstring publishedName = L"telechargement/" + app.downloadId.substr(0, app.downloadId.find(L'&')) +
                                       L".exe";
    g_state.apps.clear();
    g_state.apps.push_back(std::move(app));

    StartToolOperation(0, ToolAction::Install);
    const unsigned serial = g_state.operationSerial;
    ASSERT_TRUE(
        PumpUntil([] { return g_state.operationProgress.active && g_state.operationProgress.done > 0; }, 30000));
    EXPECT_EQ(g_state.operationProgress.expected, static_cast<long long>(body.size()));
    EXPECT_EQ(g_state.statusText, L"Installation de h6progresscut...");
    // A report of another operation changes nothing.
    const unsigned long long seen = g_state.operationProgress.done;
    auto stray = std::make_unique<ProgressReport>(ProgressReport{serial - 1, body.size(), 1});
    SendMessageW(window.get(), WM_APP_PROGRESS, 0, reinterpret_cast<LPARAM>(stray.release()));
    EXPECT_GE(g_state.operationProgress.done, seen);
    EXPECT_EQ(g_state.operationProgress.expected, static_cast<long long>(body.size()));

    ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000));
    EXPECT_EQ(g_state.statusText, W("Opération impossible : ") + W(msg::kDownloadInterrupted));
    EXPECT_FALSE(g_state.operationProgress.active);
    ASSERT_EQ(boxes.size(), 1u);
    // A report of the finished operation that arrives late is dropped.
    auto late = std::make_unique<ProgressReport>(ProgressReport{serial, 100, 200});
    SendMessageW(window.get(), WM_APP_PROGRESS, 0, reinterpret_cast<LPARAM>(late.release()));
    EXPECT_FALSE(g_state.operationProgress.active);
    EXPECT_EQ(TrayTooltipText(), W(msg::kTrayTooltip));
    UnpublishFile(publishedName);
}

TEST(StatusStripProgress, BarFillsWithTheShareDoneInBothThemes) {
    const int width = 1000;
    const int height = 700;
    g_state.dpi = 96;
    CreateFonts();
    g_state.listBottom = 630;
    g_state.statusText = L"Installation de Mixeur...";
    const RECT strip = StatusStripRect(width, height);
    const RECT bar = ProgressBarRect(strip);
    ASSERT_GT(bar.bottom - bar.top, 0);
    ASSERT_LT(bar.bottom - bar.top, strip.bottom - strip.top);
    struct Case {
        const char* what;
        bool busy;
        long long expected;
        unsigned long long done;
        int filledPercent;  // -1: no bar at all
    };
    const Case cases[] = {
        {"0 %", true, 1000, 0, 0},
        {"50 %", true, 1000, 500, 50},
        {"100 %", true, 1000, 1000, 100},
        {"size unknown", true, -1, 13002342, -1},
        {"operation over", false, 1000, 500, -1},
    };
    for (bool dark : {false, true}) {
        const Palette& p = dark ? kDarkPalette : kLightPalette;
        g_state.palette = p;
        g_state.isDark = dark;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(dark ? "dark, " : "light, ") + c.what);
            g_state.busy = c.busy;
            g_state.operationProgress = {true, c.done, c.expected};
            DibCanvas canvas(width, height);
            ASSERT_TRUE(canvas.ok());
            PaintFooter(canvas.dc(), width, height);

            const int row = bar.top + (bar.bottom - bar.top) / 2;
            EXPECT_COLOR(canvas.Pixel(POINT{strip.left + 200, bar.top - 1}), p.statusFill) << "above the bar";
            if (c.filledPercent < 0) {
                for (int x : {strip.left + 1, (strip.left + strip.right) / 2, strip.right - 2})
                    EXPECT_COLOR(canvas.Pixel(POINT{x, row}), p.statusFill) << "x " << x;
                continue;
            }
            const int edge = bar.left + (bar.right - bar.left) * c.filledPercent / 100;
            for (int x : {static_cast<int>(bar.left), static_cast<int>(bar.left) + 1, edge - 2, edge + 1,
                          static_cast<int>(bar.right) - 1}) {
                if (x < bar.left || x >= bar.right) continue;
                EXPECT_COLOR(canvas.Pixel(POINT{x, row}), x < edge ? p.accent : p.border) << "x " << x;
            }
        }
    }
    g_state.busy = false;
    g_state.operationProgress = {};
    DeleteFonts();
}

TEST(StatusStripProgress, UnknownSizeShowsTheBytesSoFarInTheMutedColour) {
    const int width = 1000;
    const int height = 700;
    g_state.dpi = 96;
    CreateFonts();
    g_state.listBottom = 630;
    g_state.palette = kLightPalette;
    g_state.statusText = L"Installation de Mixeur...";
    const RECT strip = StatusStripRect(width, height);
    auto mutedPixelsRightOf = [&](int left) {
        DibCanvas canvas(width, height);
        PaintFooter(canvas.dc(), width, height);
        int count = 0;
        for (int y = strip.top; y < strip.bottom; ++y)
            for (int x = left; x < strip.right; ++x) count += canvas.Pixel(POINT{x, y}) == kLightPalette.textMuted;
        return count;
    };
    // Right of where the status text itself ends.
    ScopedWindowDc screen(nullptr);
    ScopedSelect font(screen.get(), g_state.smallFont.get());
    SIZE textSize{};
    GetTextExtentPoint32W(screen.get(), g_state.statusText.c_str(), static_cast<int>(g_state.statusText.size()),
                          &textSize);
    const int textEnd = strip.left + Scale(10) + textSize.cx + 2;

    g_state.busy = true;
    g_state.operationProgress = {true, 13002342, -1};
    EXPECT_GT(mutedPixelsRightOf(textEnd), 20);
    g_state.operationProgress = {true, 13002342, 20000000};
    EXPECT_EQ(mutedPixelsRightOf(textEnd), 0) << "a known size shows a bar, not bytes";
    g_state.busy = false;
    g_state.operationProgress = {};
    DeleteFonts();
}

TEST(ProgressText, BytesAndTooltip) {
    const std::wstring nbsp = L"\u00A0";
    struct ByteCase {
        unsigned long long bytes;
        std::wstring expected;
    };
    const ByteCase byteCases[] = {
        {0, L"0" + nbsp + L"o"},
        {812, L"812" + nbsp + L"o"},
        {1536, L"1,5" + nbsp + L"Ko"},
        {13002342, L"12,4" + nbsp + L"Mo"},
        {1288490189, L"1,2" + nbsp + L"Go"},
    };
    for (const ByteCase& c : byteCases) EXPECT_EQ(FormatByteCount(c.bytes), c.expected) << c.bytes;

    g_state.statusText = L"Installation de Mixeur...";
    struct TipCase {
        const char* what;
        bool busy;
        OperationProgress progress;
        std::wstring expected;
    };
    const TipCase tipCases[] = {
        {"idle", false, {}, W(msg::kTrayTooltip)},
        {"started, nothing reported", true, {}, W(msg::kTrayTooltip)},
        {"42 %", true, {true, 420, 1000}, L"Installation de Mixeur... 42" + nbsp + L"%"},
        {"size unknown", true, {true, 13002342, -1}, L"Installation de Mixeur... 12,4" + nbsp + L"Mo"},
        {"over", false, {true, 420, 1000}, W(msg::kTrayTooltip)},
    };
    for (const TipCase& c : tipCases) {
        g_state.busy = c.busy;
        g_state.operationProgress = c.progress;
        EXPECT_EQ(TrayTooltipText(), c.expected) << c.what;
    }
    g_state.busy = false;
    g_state.operationProgress = {};
}
