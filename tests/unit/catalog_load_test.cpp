#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/state.h"
#include "base/constants.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/post_result.h"
#include "base/worker_shared.h"
#include "catalog/catalog_load.h"
#include "catalog/error_text.h"
#include "catalog/web_host.h"
#include "tests/support/file_access.h"
#include "tests/support/import_hook.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "tests/support/waiting.h"
#include "tests/support/window_classes.h"
#include "ui/jobs/catalog_start.h"

namespace {

constexpr unsigned long long kDay = 864000000000ULL;  // 24 h in file-time units

std::string CatalogJson(const std::string& firstId) {
    return R"({
  "downloadEndpoint": "https://localhost/telechargement",
  "iconBaseUrl": "",
  "apps": [
    {"id": ")" +
           firstId + R"(", "version": "2.0", "category": "Réseau", "lot": "A",
     "description": "Premier outil", "sha256": "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef"},
    {"id": "Orkvane", "version": "1.11.0", "category": "Système",
     "description": "Le catalogue", "sha256": "fedcba9876543210fedcba9876543210fedcba9876543210fedcba9876543210"}
  ]
})";
}

// Results that reached the test window, in arrival order.
std::vector<std::unique_ptr<CatalogLoadResult>> g_received;
int g_paints = 0;
int g_erases = 0;

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_APP_CATALOG_READY: g_received.push_back(TakePostedResult<CatalogLoadResult>(lParam)); return 0;
    case WM_ERASEBKGND: ++g_erases; return 1;
    case WM_PAINT: {
        ++g_paints;
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND MakeTestWindow() {
    RegisterTestWindowClass(L"OrkvaneCatalogLoadTest", TestWindowProc);
    return CreateWindowExW(0, L"OrkvaneCatalogLoadTest", L"test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

// Dispatches messages until `count` results have arrived or the time is up.
void PumpUntil(size_t count, std::chrono::milliseconds timeout) {
    ::PumpUntil([count] { return g_received.size() >= count; }, static_cast<DWORD>(timeout.count()));
}

unsigned long long StoredLastCheck() {
    unsigned long long value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, L"LastCheck", RRF_RT_REG_QWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return 0;
    return value;
}

std::vector<std::string> CatalogRequests() {
    std::vector<std::string> found;
    for (const std::string& line : RequestLog()) {
        if (line == "GET /outils/catalog.json") found.push_back(line);
    }
    return found;
}

// A fresh state with a real window as the main window; the settings key is
// removed before and after, since the loads save the settings.
class CatalogLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
        ResetAppState();
        offlineModeShared = false;
        g_received.clear();
        window_ = MakeTestWindow();
        ASSERT_NE(window_, nullptr);
        g_state.mainWindow = window_;
        ClearRequestLog();
    }
    void TearDown() override {
        if (IsWindow(window_)) DestroyWindow(window_);
        g_received.clear();
        UnpublishFile(L"outils/catalog.json");
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    }
    HWND window_ = nullptr;
};

}  // namespace

TEST(CatalogLoadSetup, TestBuildPointsAtTheLoopbackServer) {
    EXPECT_EQ(CatalogUrl(), TestServerUrl() + L"/outils/catalog.json");
}

TEST_F(CatalogLoadTest, OnlineLoadReachesTheWindow) {
    PublishFile(L"outils/catalog.json", CatalogJson("Outil-Un"));
    g_state.statusText = L"avant";
    unsigned long long before = NowFileTime();
    StartCatalogLoad(false);

    EXPECT_TRUE(g_state.busy);
    EXPECT_EQ(g_state.statusText, W("Chargement du catalogue…"));
    EXPECT_GE(g_state.settings.lastCheck, before);
    EXPECT_LE(g_state.settings.lastCheck, NowFileTime());
    EXPECT_EQ(StoredLastCheck(), g_state.settings.lastCheck);

    PumpUntil(1, std::chrono::seconds(20));
    ASSERT_EQ(g_received.size(), 1u);
    const CatalogLoadResult& result = *g_received[0];
    EXPECT_TRUE(result.ok) << WideToUtf8(result.error);
    EXPECT_TRUE(result.error.empty());
    EXPECT_FALSE(result.automatic);
    EXPECT_EQ(result.downloadEndpoint, L"https://localhost/telechargement");
    ASSERT_EQ(result.apps.size(), 2u);
    EXPECT_EQ(result.apps[0].id, L"Outil-Un");
    EXPECT_EQ(result.apps[0].category, W("Réseau"));
    EXPECT_TRUE(result.apps[0].sourceRoot.empty());
    EXPECT_EQ(result.selfIndex, 1);
    EXPECT_EQ(CatalogRequests().size(), 1u);
    // The result is the window's to apply: the load itself leaves busy set.
    EXPECT_TRUE(g_state.busy);
}

TEST_F(CatalogLoadTest, OfflineLoadReadsTheKeyWithoutNetwork) {
    ScratchFolder key = ScratchFolder::At(L"E:\\OrkvaneOffline");
    WriteFileBytes(key / L"catalog.json", CatalogJson("Outil-Usb"));
    g_state.settings.offlineMode = true;
    g_state.settings.offlineRoot = L"E:\\";
    offlineModeShared = true;
    StartCatalogLoad(false);

    PumpUntil(1, std::chrono::seconds(20));
    ASSERT_EQ(g_received.size(), 1u);
    const CatalogLoadResult& result = *g_received[0];
    EXPECT_TRUE(result.ok) << WideToUtf8(result.error);
    ASSERT_EQ(result.apps.size(), 2u);
    EXPECT_EQ(result.apps[0].id, L"Outil-Usb");
    EXPECT_EQ(result.apps[0].sourceRoot, L"E:\\OrkvaneOffline");
    EXPECT_EQ(result.apps[0].iconLocation, L"E:\\OrkvaneOffline\\icons\\Outil-Usb.png");
    EXPECT_TRUE(result.apps[0].downloadEndpoint.empty());
    EXPECT_TRUE(RequestLog().empty());
}

TEST_F(CatalogLoadTest, FailuresArriveAsMessages) {
    struct Case {
        const char* name;
        bool offline;
        bool offlineShared;
        std::wstring offlineRoot;
        const char* published;  // catalogue on the server, null for none
        std::string error;
    };
    const Case cases[] = {
        {"no catalogue on the server", false, false, L"", nullptr, "HTTP 404"},
        {"not JSON", false, false, L"", "{\"apps\": [", msg::kJsonInvalid},
        {"not UTF-8", false, false, L"", "{\"apps\": \"\xC3\x28\"}", msg::kUtf8Invalid},
        {"online load while offline", false, true, L"", "{}", msg::kNetworkDisabledOffline},
        {"key removed", true, true, L"E:\\OrkvaneOffline\\absent", nullptr, msg::kOfflineNoCatalog},
        {"network drive", true, true, L"G:\\", nullptr, msg::kOfflineDriveUnavailable},
    };
    for (const Case& c : cases) {
        ResetAppState();
        g_state.mainWindow = window_;
        g_received.clear();
        if (c.published != nullptr) {
            PublishFile(L"outils/catalog.json", c.published);
        } else {
            UnpublishFile(L"outils/catalog.json");
        }
        g_state.settings.offlineMode = c.offline;
        g_state.settings.offlineRoot = c.offlineRoot;
        offlineModeShared = c.offlineShared;
        StartCatalogLoad(false);
        PumpUntil(1, std::chrono::seconds(20));
        ASSERT_EQ(g_received.size(), 1u) << c.name;
        EXPECT_FALSE(g_received[0]->ok) << c.name;
        EXPECT_EQ(WideToUtf8(g_received[0]->error), c.error) << c.name;
    }
}

// A folder the organisation imposes is checked at each load as a chosen one
// is, and with fixed disks refused only a removable drive passes.
TEST_F(CatalogLoadTest, OfflineFolderFollowsThePolicies) {
    ScratchFolder usb = ScratchFolder::At(L"E:\\OrkvaneOffline");
    ScratchFolder fixed = ScratchFolder::At(L"F:\\OrkvaneOffline");
    WriteFileBytes(usb / L"catalog.json", CatalogJson("Outil-Usb"));
    WriteFileBytes(fixed / L"catalog.json", CatalogJson("Outil-Disque"));
    GrantEveryoneFullControl(fixed.path());
    struct Case {
        const char* name;
        std::wstring root;
        bool imposed;
        bool fixedDiskAllowed;
        std::string error;  // empty: the load succeeds
    };
    const Case cases[] = {
        {"imposed on the USB key", L"E:\\", true, true, ""},
        {"imposed, on a fixed disk others can write", L"F:\\OrkvaneOffline", true, true, msg::kOfflineWritableByOthers},
        {"chosen before, on a fixed disk others can write", L"F:\\OrkvaneOffline", false, true, ""},
        {"fixed disks refused", L"F:\\OrkvaneOffline", false, false, msg::kOfflineFixedDiskRefused},
        {"fixed disks refused, on the USB key", L"E:\\OrkvaneOffline", false, false, ""},
    };
    for (const Case& c : cases) {
        ResetAppState();
        g_state.mainWindow = window_;
        g_received.clear();
        g_state.settings.offlineMode = true;
        g_state.settings.offlineRoot = c.root;
        offlineModeShared = true;
        if (c.imposed) g_state.policies.Set(PolicyId::OfflineRoot, PolicyValue{PolicyScope::Machine, 0, c.root, {}});
        if (!c.fixedDiskAllowed) g_state.policies.Set(PolicyId::AllowFixedDiskOffline, PolicyValue{});
        StartCatalogLoad(false);
        PumpUntil(1, std::chrono::seconds(20));
        ASSERT_EQ(g_received.size(), 1u) << c.name;
        EXPECT_EQ(g_received[0]->ok, c.error.empty()) << c.name;
        EXPECT_EQ(WideToUtf8(g_received[0]->error), c.error) << c.name;
    }
}

TEST_F(CatalogLoadTest, SecondStartWhileBusyChangesNothing) {
    PublishFile(L"outils/catalog.json", CatalogJson("Outil-Un"));
    struct Case {
        bool firstAutomatic;
        std::wstring statusAfterFirst;
    };
    const Case cases[] = {
        {false, W("Chargement du catalogue…")},
        {true, L"avant"},  // an automatic load leaves the status line alone
    };
    for (const Case& c : cases) {
        ResetAppState();
        g_state.mainWindow = window_;
        g_received.clear();
        ClearRequestLog();
        g_state.statusText = L"avant";

        StartCatalogLoad(c.firstAutomatic);
        const unsigned long long firstCheck = g_state.settings.lastCheck;
        EXPECT_NE(firstCheck, 0u);
        EXPECT_EQ(g_state.statusText, c.statusAfterFirst);
        Sleep(30);  // a second load would stamp a later time
        StartCatalogLoad(false);
        EXPECT_EQ(g_state.settings.lastCheck, firstCheck);
        EXPECT_EQ(StoredLastCheck(), firstCheck);
        EXPECT_EQ(g_state.statusText, c.statusAfterFirst);
        EXPECT_TRUE(g_state.busy);

        PumpUntil(1, std::chrono::seconds(20));
        PumpUntil(2, std::chrono::milliseconds(1500));  // a second result would be late, not missing
        ASSERT_EQ(g_received.size(), 1u);
        EXPECT_EQ(g_received[0]->automatic, c.firstAutomatic);
        EXPECT_TRUE(g_received[0]->ok) << WideToUtf8(g_received[0]->error);
        EXPECT_EQ(CatalogRequests().size(), 1u);
    }
}

TEST_F(CatalogLoadTest, StartRepaintsWithoutErasing) {
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    UpdateWindow(window_);
    PumpMessages();
    ValidateRect(window_, nullptr);
    g_paints = 0;
    g_erases = 0;
    PublishFile(L"outils/catalog.json", CatalogJson("Outil-Un"));

    StartCatalogLoad(true);
    RECT dirty{};
    EXPECT_TRUE(GetUpdateRect(window_, &dirty, FALSE));
    RECT client{};
    GetClientRect(window_, &client);
    EXPECT_TRUE(EqualRect(&dirty, &client));
    UpdateWindow(window_);
    EXPECT_EQ(g_paints, 1);
    EXPECT_EQ(g_erases, 0);
    PumpUntil(1, std::chrono::seconds(20));
}

TEST_F(CatalogLoadTest, CheckForUpdatesIfDueStartsOnlyWhenEverythingAllows) {
    PublishFile(L"outils/catalog.json", CatalogJson("Outil-Un"));
    constexpr long long kNever = -1;
    constexpr long long kSecond = 10000000;
    struct Case {
        const char* name;
        bool installed;
        bool updateChecks;
        bool busy;
        long long age;  // of lastCheck, in file-time units; kNever for 0
        bool starts;
    };
    const Case cases[] = {
        {"never checked", true, true, false, kNever, true},
        {"24 hours ago", true, true, false, static_cast<long long>(kDay), true},
        {"a week ago", true, true, false, 7 * static_cast<long long>(kDay), true},
        {"one second short of 24 hours", true, true, false, static_cast<long long>(kDay) - kSecond, false},
        {"just checked", true, true, false, 0, false},
        {"clock behind the last check", true, true, false, -static_cast<long long>(kDay), false},
        {"portable copy", false, true, false, kNever, false},
        {"checks turned off", true, false, false, kNever, false},
        {"another job running", true, true, true, kNever, false},
    };
    for (const Case& c : cases) {
        ResetAppState();
        g_state.mainWindow = window_;
        g_received.clear();
        ClearRequestLog();
        const unsigned long long now = NowFileTime();
        const unsigned long long lastCheck = c.age == kNever ? 0 : now - static_cast<unsigned long long>(c.age);
        g_state.installedMode = c.installed;
        g_state.settings.updateChecks = c.updateChecks;
        g_state.busy = c.busy;
        g_state.settings.lastCheck = lastCheck;
        g_state.statusText = L"avant";

        CheckForUpdatesIfDue();
        if (c.starts) {
            EXPECT_TRUE(g_state.busy) << c.name;
            EXPECT_GE(g_state.settings.lastCheck, now) << c.name;
            EXPECT_EQ(g_state.statusText, L"avant") << c.name;
            PumpUntil(1, std::chrono::seconds(20));
            ASSERT_EQ(g_received.size(), 1u) << c.name;
            EXPECT_TRUE(g_received[0]->automatic) << c.name;
            EXPECT_TRUE(g_received[0]->ok) << c.name << ": " << WideToUtf8(g_received[0]->error);
        } else {
            EXPECT_EQ(g_state.busy, c.busy) << c.name;
            EXPECT_EQ(g_state.settings.lastCheck, lastCheck) << c.name;
            PumpUntil(1, std::chrono::milliseconds(300));
            EXPECT_TRUE(g_received.empty()) << c.name;
            EXPECT_TRUE(CatalogRequests().empty()) << c.name;
        }
    }
}

TEST(CatalogLoadResultPost, ResultToAGoneWindowIsDeleted) {
    struct Counted {
        explicit Counted(int* counter) : deletions(counter) {}
        ~Counted() { ++*deletions; }
        int* deletions;
    };
    RegisterTestWindowClass(L"OrkvanePostResultTest");
    HWND window = CreateWindowExW(0, L"OrkvanePostResultTest", L"", 0, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);

    int deletions = 0;
    // Delivered: the receiver owns the record, nothing is deleted on the way.
    EXPECT_TRUE(PostResultOrDelete(window, WM_APP_CATALOG_READY, std::make_unique<Counted>(&deletions)));
    EXPECT_EQ(deletions, 0);
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, window, WM_APP_CATALOG_READY, WM_APP_CATALOG_READY, PM_REMOVE));
    TakePostedResult<Counted>(message.lParam).reset();
    EXPECT_EQ(deletions, 1);

    // The window is gone: the post fails and the record is deleted.
    DestroyWindow(window);
    EXPECT_FALSE(PostResultOrDelete(window, WM_APP_CATALOG_READY, std::make_unique<Counted>(&deletions)));
    EXPECT_EQ(deletions, 2);
}

// A message queue that is full for the first few catalogue results.
std::atomic<int> refusedPostsLeft{0};
std::atomic<void*> realPostMessage{nullptr};
BOOL WINAPI PostRefusedWhileQueueFull(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP_CATALOG_READY && refusedPostsLeft.fetch_sub(1) > 0) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    }
    using PostFn = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
    return reinterpret_cast<PostFn>(realPostMessage.load())(window, message, wParam, lParam);
}

// Every load ends in a result the window receives, or busy would stay set.
TEST_F(CatalogLoadTest, AResultRefusedByAFullQueueStillArrives) {
    ScopedImportHook hook("PostMessageW", reinterpret_cast<void*>(&PostRefusedWhileQueueFull));
    ASSERT_TRUE(hook.installed());
    realPostMessage = hook.original();
    refusedPostsLeft = 3;
    g_state.settings.offlineMode = true;
    g_state.settings.offlineRoot = L"E:\\OrkvaneOffline\\absent";
    offlineModeShared = true;
    StartCatalogLoad(false);
    PumpUntil(1, std::chrono::seconds(20));
    EXPECT_LE(refusedPostsLeft.load(), 0);
    ASSERT_EQ(g_received.size(), 1u);
    ASSERT_NE(g_received[0], nullptr);
    EXPECT_FALSE(g_received[0]->ok);
    EXPECT_EQ(WideToUtf8(g_received[0]->error), msg::kOfflineNoCatalog);
    refusedPostsLeft = 0;
}

TEST(CatalogLoadResultPost, LoadForAGoneWindowEndsQuietly) {
    // The worker's post fails; the process must go on unharmed.
    PublishFile(L"outils/catalog.json", CatalogJson("Outil-Un"));
    ResetAppState();
    RegisterTestWindowClass(L"OrkvaneGoneWindowTest");
    HWND window = CreateWindowExW(0, L"OrkvaneGoneWindowTest", L"", 0, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    g_state.mainWindow = window;
    ClearRequestLog();
    StartCatalogLoad(false);
    DestroyWindow(window);
    // Wait until the worker has fetched the catalogue and tried to post.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (CatalogRequests().empty() && std::chrono::steady_clock::now() < deadline) Sleep(20);
    Sleep(500);
    EXPECT_EQ(CatalogRequests().size(), 1u);
    MSG message{};
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_APP_CATALOG_READY, WM_APP_CATALOG_READY, PM_REMOVE));
    UnpublishFile(L"outils/catalog.json");
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
}

TEST(CatalogLoadErrorText, ReadsMessagesEvenWhenNotUtf8) {
    struct Case {
        const char* utf8;
        std::wstring expected;
    };
    const Case cases[] = {
        {msg::kOfflineNoCatalog, W(msg::kOfflineNoCatalog)}, {"HTTP 404", L"HTTP 404"},      {"", L""},
        {"caf\xE9 ferm\xE9", L"caf\uFFFD ferm\uFFFD"},       {"\xC3\x28 ok", L"\uFFFD( ok"},
    };
    for (const Case& c : cases) EXPECT_EQ(ErrorMessageText(c.utf8), c.expected) << c.utf8;
}
