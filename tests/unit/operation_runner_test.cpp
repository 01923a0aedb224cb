#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "app/state.h"
#include "base/constants.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "operations/operation_runner.h"
#include "operations/shell_ops.h"
#include "tests/support/import_hook.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "ui/jobs/operation_apply.h"
#include "ui/jobs/tool_operation.h"

namespace {

const std::wstring kPortableText = W(
    "Installez puis relancez Orkvane depuis %LOCALAPPDATA%\\Kest_Tools pour installer ou exécuter une application.");

std::wstring Failure(const char* message) { return W("Opération impossible : ") + W(message); }

// Every file the user-interface thread opens while the hook is in place.
struct OpenedOnWindowThread {
    std::atomic<DWORD> thread{0};
    std::mutex lock;
    std::vector<std::wstring> paths;
    ScopedImportHook* hook = nullptr;
} g_opened;

HANDLE WINAPI RecordingCreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                   DWORD disposition, DWORD flags, HANDLE templateFile) {
    if (GetCurrentThreadId() == g_opened.thread && name != nullptr) {
        std::lock_guard<std::mutex> hold(g_opened.lock);
        g_opened.paths.push_back(name);
    }
    auto original = reinterpret_cast<decltype(&CreateFileW)>(g_opened.hook->original());
    return original(name, access, share, security, disposition, flags, templateFile);
}

std::vector<std::wstring> OpenedUnder(const std::wstring& folder) {
    std::lock_guard<std::mutex> hold(g_opened.lock);
    std::vector<std::wstring> found;
    for (const std::wstring& path : g_opened.paths)
        if (_wcsnicmp(path.c_str(), folder.c_str(), folder.size()) == 0) found.push_back(path);
    return found;
}

// The real main window and real workers; message boxes are recorded.
class ToolOperationTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_state.installedMode = true;
        g_state.settings.desktopShortcut = false;
        g_state.settings.menuShortcut = false;
    }
    void TearDown() override {
        for (const CatalogApp& app : g_state.apps) UnpublishFile(PublishedDownloadPath(app));
    }

    void UseEntry(CatalogApp app) {
        g_state.apps.clear();
        g_state.apps.push_back(std::move(app));
    }
    void WaitUntilIdle() {
        ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000)) << "the job never ended";
    }
    std::vector<std::wstring> TempLeftovers(const std::wstring& id) const {
        return FilesMatching(GetTempFolder(), id + L"*");
    }

    ScopedComApartment com;
    TestMainWindow window;
    std::vector<RecordedBox>& boxes = RecordMessageBoxes();
    std::string tool = TraceToolBytes();
};

TEST_F(ToolOperationTest, InstallsFromEitherSourceWithTheShortcutsAskedForAtTheClick) {
    const std::wstring usbRoot = OfflineRootOnUsbDrive();
    struct Case {
        const char* what;
        std::wstring id;
        bool fromUsb;
        bool desktop;
        bool menu;
    };
    const Case cases[] = {
        {"server, both shortcuts", L"h6opnet", false, true, true},
        {"USB key, Start menu only", L"h6opusb", true, false, true},
        {"server, desktop only", L"h6opdesk", false, true, false},
    };
    for (const Case& c : cases) {
        ToolCleanup cleanup(c.id);
        CatalogApp app = MakeToolEntry(c.id, Sha256Of(tool), c.fromUsb ? usbRoot : L"");
        if (c.fromUsb) {
            WriteFileBytes(JoinPath(usbRoot, L"outils\\" + c.id + L".exe"), tool);
        } else {
            PublishFile(PublishedDownloadPath(app), tool);
        }
        UseEntry(std::move(app));
        g_state.settings.desktopShortcut = c.desktop;
        g_state.settings.menuShortcut = c.menu;

        StartToolOperation(0, ToolAction::Install);
        EXPECT_TRUE(g_state.busy) << c.what;
        EXPECT_EQ(g_state.statusText, L"Installation de " + c.id + L"...") << c.what;
        // Settings changed after the click do not change this job.
        g_state.settings.desktopShortcut = !c.desktop;
        g_state.settings.menuShortcut = !c.menu;
        WaitUntilIdle();

        EXPECT_EQ(g_state.statusText, c.id + W(" installé.")) << c.what;
        EXPECT_TRUE(boxes.empty()) << c.what << ": " << (boxes.empty() ? "" : WideToUtf8(boxes[0].text));
        const std::wstring target = InstalledPath(c.id);
        ASSERT_TRUE(FileExists(target)) << c.what;
        EXPECT_EQ(ComputeFileSha256(target), g_state.apps[0].sha256) << c.what;
        EXPECT_TRUE(g_state.apps[0].installed) << c.what;
        EXPECT_FALSE(g_state.apps[0].updateAvailable) << c.what;
        EXPECT_TRUE(TempLeftovers(c.id).empty()) << c.what;
        EXPECT_EQ(FileExists(ShortcutPath(c.id, true)), c.desktop) << c.what;
        EXPECT_EQ(FileExists(ShortcutPath(c.id, false)), c.menu) << c.what;
        for (bool toDesktop : {true, false}) {
            if (!FileExists(ShortcutPath(c.id, toDesktop))) continue;
            ShortcutInfo link = ReadShortcut(ShortcutPath(c.id, toDesktop));
            EXPECT_TRUE(_wcsicmp(link.target.c_str(), target.c_str()) == 0) << c.what << " " << link.target;
            EXPECT_EQ(link.description, g_state.apps[0].description) << c.what;
        }
        DeleteFileW(JoinPath(usbRoot, L"outils\\" + c.id + L".exe").c_str());
    }
}

TEST_F(ToolOperationTest, UpdateReplacesTheFileAndClearsTheUpdateBadge) {
    ToolCleanup cleanup(L"h6opupd");
    CatalogApp app = MakeToolEntry(L"h6opupd", Sha256Of(tool));
    PublishFile(PublishedDownloadPath(app), tool);
    CreateFolderPath(GetAppsFolder());
    WriteFileBytes(InstalledPath(L"h6opupd"), "version 1");
    app.installed = true;
    app.updateAvailable = true;
    UseEntry(std::move(app));

    StartToolOperation(0, ToolAction::Install);
    WaitUntilIdle();

    EXPECT_EQ(g_state.statusText, W("h6opupd installé."));
    EXPECT_EQ(ReadFileBytes(InstalledPath(L"h6opupd")), tool);
    EXPECT_TRUE(g_state.apps[0].installed);
    EXPECT_FALSE(g_state.apps[0].updateAvailable);
}

TEST_F(ToolOperationTest, FailedInstallsReportAndKeepTheOlderVersion) {
    const std::wstring usbRoot = OfflineRootOnUsbDrive();
    struct Case {
        const char* what;
        std::string published;
        std::wstring idSuffix;
        bool fromUsb;
        const char* expected;
    };
    const Case cases[] = {
        {"wrong SHA-256", tool + "tampered", L"", false, msg::kShaMismatch},
        {"cut-off download", tool, L"&cut=2048", false, msg::kDownloadInterrupted},
        {"missing on the key", "", L"", true, msg::kUsbCopyFailed},
    };
    ToolCleanup cleanup(L"h6opfail");
    for (const Case& c : cases) {
        boxes.clear();
        CreateFolderPath(GetAppsFolder());
        WriteFileBytes(InstalledPath(L"h6opfail"), "version 1");
        CatalogApp app = MakeToolEntry(L"h6opfail", Sha256Of(tool), c.fromUsb ? usbRoot : L"");
        if (!c.published.empty()) PublishFile(PublishedDownloadPath(app), c.published);
        app.downloadId += c.idSuffix;
        UseEntry(std::move(app));
        g_state.settings.menuShortcut = true;

        StartToolOperation(0, ToolAction::Install);
        WaitUntilIdle();

        const std::wstring expected = Failure(c.expected);
        EXPECT_EQ(g_state.statusText, expected) << c.what;
        ASSERT_EQ(boxes.size(), 1u) << c.what;
        EXPECT_EQ(boxes[0].owner, window.get()) << c.what;
        EXPECT_EQ(boxes[0].text, expected) << c.what;
        EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_ICONERROR | MB_OK)) << c.what;
        EXPECT_EQ(ReadFileBytes(InstalledPath(L"h6opfail")), "version 1") << c.what;
        EXPECT_TRUE(TempLeftovers(L"h6opfail").empty()) << c.what;
        EXPECT_FALSE(FileExists(ShortcutPath(L"h6opfail", false))) << c.what << ": shortcut after a failure";
        UnpublishFile(L"telechargement/h6opfail_" + g_state.apps[0].sha256.substr(0, 12) + L".exe");
    }
}

TEST_F(ToolOperationTest, LaunchStartsTheInstalledTool) {
    ToolCleanup cleanup(L"h6oplaunch");
    CreateFolderPath(GetAppsFolder());
    WriteFileBytes(InstalledPath(L"h6oplaunch"), tool);
    UseEntry(MakeToolEntry(L"h6oplaunch", Sha256Of(tool)));
    ScratchFolder traces(L"trace");
    ArmTrace(traces / L"launch.txt", 0);

    StartToolOperation(0, ToolAction::Launch);
    EXPECT_EQ(g_state.statusText, L"Lancement de h6oplaunch...");
    WaitUntilIdle();

    EXPECT_EQ(g_state.statusText, W("h6oplaunch lancé."));
    TraceRecord record;
    ASSERT_TRUE(WaitForTrace(traces / L"launch.txt", record, true, 20000));
    EXPECT_TRUE(_wcsicmp(W(record.currentFolder).c_str(), GetAppsFolder().c_str()) == 0) << record.currentFolder;

    // Deleted outside the program: launching now fails.
    DeleteFileW(InstalledPath(L"h6oplaunch").c_str());
    StartToolOperation(0, ToolAction::Launch);
    WaitUntilIdle();
    EXPECT_EQ(g_state.statusText, Failure(msg::kAppNotInstalled));
    EXPECT_EQ(boxes.size(), 1u);
}

// The worker says what the tool's file is; the window reads none of it, even
// for a tool of gigabytes.
TEST_F(ToolOperationTest, TheWindowOpensNoToolFileDuringAnInstallAndALaunch) {
    ToolCleanup cleanup(L"h6opnoui");
    CatalogApp app = MakeToolEntry(L"h6opnoui", Sha256Of(tool));
    PublishFile(PublishedDownloadPath(app), tool);
    UseEntry(std::move(app));
    ScratchFolder traces(L"trace");
    ArmTrace(traces / L"noui.txt", 0);
    const std::wstring target = InstalledPath(L"h6opnoui");
    const std::wstring apps = GetAppsFolder();

    ScopedImportHook hook("CreateFileW", reinterpret_cast<void*>(&RecordingCreateFileW));
    ASSERT_TRUE(hook.installed());
    g_opened.hook = &hook;
    g_opened.thread = GetCurrentThreadId();

    StartToolOperation(0, ToolAction::Install);
    WaitUntilIdle();
    EXPECT_EQ(g_state.statusText, W("h6opnoui installé."));
    EXPECT_TRUE(g_state.apps[0].installed);
    EXPECT_FALSE(g_state.apps[0].updateAvailable);

    // Changed outside the program (it still runs): the launch's worker sees it.
    g_opened.thread = 0;
    WriteFileBytes(target, tool + "changed");
    g_opened.thread = GetCurrentThreadId();
    StartToolOperation(0, ToolAction::Launch);
    WaitUntilIdle();
    EXPECT_EQ(g_state.statusText, W("h6opnoui lancé."));
    EXPECT_TRUE(g_state.apps[0].installed);
    EXPECT_TRUE(g_state.apps[0].updateAvailable);
    TraceRecord record;
    EXPECT_TRUE(WaitForTrace(traces / L"noui.txt", record, true, 20000));

    EXPECT_TRUE(OpenedUnder(apps).empty()) << WideToUtf8(OpenedUnder(apps).front());
    // The hook does see this thread open a tool file.
    ComputeFileSha256(target);
    EXPECT_EQ(OpenedUnder(apps).size(), 1u);
    g_opened.thread = 0;
}

TEST_F(ToolOperationTest, UninstallWaitsUntilTheToolHasExited) {
    ToolCleanup cleanup(L"h6opbusy");
    CreateFolderPath(GetAppsFolder());
    WriteFileBytes(InstalledPath(L"h6opbusy"), tool);
    CreateShortcut(L"h6opbusy", InstalledPath(L"h6opbusy"), L"d", true);
    CreateShortcut(L"h6opbusy", InstalledPath(L"h6opbusy"), L"d", false);
    CatalogApp app = MakeToolEntry(L"h6opbusy", Sha256Of(tool));
    app.installed = true;
    UseEntry(std::move(app));
    ScratchFolder traces(L"trace");
    ArmTrace(traces / L"busy.txt", 4000);
    StartToolOperation(0, ToolAction::Launch);
    WaitUntilIdle();
    TraceRecord record;
    ASSERT_TRUE(WaitForTrace(traces / L"busy.txt", record, false, 20000));

    StartToolOperation(0, ToolAction::Uninstall);
    EXPECT_EQ(g_state.statusText, W("Désinstallation de h6opbusy..."));
    WaitUntilIdle();
    EXPECT_EQ(g_state.statusText, W("Opération impossible : Fermez h6opbusy avant de le désinstaller."));
    EXPECT_TRUE(FileExists(InstalledPath(L"h6opbusy")));
    EXPECT_TRUE(FileExists(ShortcutPath(L"h6opbusy", true)));
    EXPECT_TRUE(FileExists(ShortcutPath(L"h6opbusy", false)));

    ASSERT_TRUE(WaitForTrace(traces / L"busy.txt", record, true, 20000));
    // The process may need a moment after its last write to let go of its file.
    const std::wstring done = W("h6opbusy désinstallé.");
    for (int attempt = 0; attempt < 40 && g_state.statusText != done; ++attempt) {
        PumpFor(250);
        StartToolOperation(0, ToolAction::Uninstall);
        WaitUntilIdle();
    }
    EXPECT_EQ(g_state.statusText, done);
    EXPECT_FALSE(FileExists(InstalledPath(L"h6opbusy")));
    EXPECT_FALSE(FileExists(ShortcutPath(L"h6opbusy", true)));
    EXPECT_FALSE(FileExists(ShortcutPath(L"h6opbusy", false)));
    EXPECT_FALSE(g_state.apps[0].installed);
}

TEST_F(ToolOperationTest, UninstallingAMissingToolSucceedsAndRemovesItsShortcuts) {
    ToolCleanup cleanup(L"h6opmissing");
    CreateShortcut(L"h6opmissing", InstalledPath(L"h6opmissing"), L"d", true);
    UseEntry(MakeToolEntry(L"h6opmissing", Sha256Of(tool)));

    StartToolOperation(0, ToolAction::Uninstall);
    WaitUntilIdle();

    EXPECT_EQ(g_state.statusText, W("h6opmissing désinstallé."));
    EXPECT_FALSE(FileExists(ShortcutPath(L"h6opmissing", true)));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ToolOperationTest, PortableCopyRefusesInstallAndLaunchButUninstalls) {
    ToolCleanup cleanup(L"h6opportable");
    CatalogApp app = MakeToolEntry(L"h6opportable", Sha256Of(tool));
    PublishFile(PublishedDownloadPath(app), tool);
    UseEntry(std::move(app));
    g_state.installedMode = false;
    ScratchFolder traces(L"trace");
    ArmTrace(traces / L"portable.txt", 0);
    ClearRequestLog();

    for (ToolAction action : {ToolAction::Install, ToolAction::Launch}) {
        g_state.statusText = L"avant";
        StartToolOperation(0, action);
        EXPECT_EQ(g_state.statusText, kPortableText);
        EXPECT_FALSE(g_state.busy);
    }
    PumpFor(500);
    EXPECT_TRUE(RequestLog().empty());
    EXPECT_FALSE(FileExists(InstalledPath(L"h6opportable")));
    EXPECT_FALSE(FileExists(traces / L"portable.txt"));

    CreateFolderPath(GetAppsFolder());
    WriteFileBytes(InstalledPath(L"h6opportable"), tool);
    StartToolOperation(0, ToolAction::Uninstall);
    WaitUntilIdle();
    EXPECT_EQ(g_state.statusText, W("h6opportable désinstallé."));
    EXPECT_FALSE(FileExists(InstalledPath(L"h6opportable")));
}

TEST_F(ToolOperationTest, ClicksWhileBusyAndBeyondTheListChangeNothing) {
    ToolCleanup cleanup(L"h6opclick");
    CatalogApp app = MakeToolEntry(L"h6opclick", Sha256Of(tool));
    PublishFile(PublishedDownloadPath(app), tool);
    UseEntry(std::move(app));

    g_state.statusText = L"avant";
    StartToolOperation(1, ToolAction::Uninstall);
    EXPECT_FALSE(g_state.busy);
    EXPECT_EQ(g_state.statusText, L"avant");

    StartToolOperation(0, ToolAction::Install);
    StartToolOperation(0, ToolAction::Uninstall);
    EXPECT_EQ(g_state.statusText, L"Installation de h6opclick...");
    WaitUntilIdle();
    PumpFor(300);
    EXPECT_EQ(g_state.statusText, W("h6opclick installé."));
    EXPECT_TRUE(FileExists(InstalledPath(L"h6opclick"))) << "the second click ran";
}

TEST_F(ToolOperationTest, HostileNamesAreRefusedByLaunchAndUninstall) {
    const std::wstring victim = JoinPath(GetInstallFolder(), L"h6victim.exe");
    CreateFolderPath(GetInstallFolder());
    WriteFileBytes(victim, tool);
    CatalogApp app = MakeToolEntry(L"..\\h6victim", Sha256Of(tool));
    UseEntry(std::move(app));
    for (ToolAction action : {ToolAction::Uninstall, ToolAction::Launch}) {
        StartToolOperation(0, action);
        WaitUntilIdle();
        EXPECT_EQ(g_state.statusText, Failure(msg::kAppFileNameInvalid));
    }
    EXPECT_TRUE(FileExists(victim));
    DeleteFileW(victim.c_str());
}

// A message queue that is full for the first few results of a job.
std::atomic<int> refusedPostsLeft{0};
std::atomic<void*> realPostMessage{nullptr};
BOOL WINAPI PostRefusedWhileQueueFull(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP_OPERATION_DONE && refusedPostsLeft.fetch_sub(1) > 0) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    }
    using PostFn = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
    return reinterpret_cast<PostFn>(realPostMessage.load())(window, message, wParam, lParam);
}

// Every job ends in a result the window receives, or busy would stay set.
TEST_F(ToolOperationTest, AResultRefusedByAFullQueueStillArrives) {
    ToolCleanup cleanup(L"h6opqueue");
    UseEntry(MakeToolEntry(L"h6opqueue", Sha256Of(tool)));
    ScopedImportHook hook("PostMessageW", reinterpret_cast<void*>(&PostRefusedWhileQueueFull));
    ASSERT_TRUE(hook.installed());
    realPostMessage = hook.original();
    refusedPostsLeft = 3;

    StartToolOperation(0, ToolAction::Uninstall);
    ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 20000)) << "the refused result never arrived";
    EXPECT_LE(refusedPostsLeft.load(), 0);
    EXPECT_EQ(g_state.statusText, W("h6opqueue désinstallé."));
    refusedPostsLeft = 0;
}

TEST_F(ToolOperationTest, MissingResultIsAnUnknownError) {
    g_state.busy = true;
    ApplyOperationResult(nullptr);
    EXPECT_FALSE(g_state.busy);
    EXPECT_EQ(g_state.statusText, W("Opération impossible : Erreur inconnue"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_ICONERROR | MB_OK));
}

TEST_F(ToolOperationTest, ResultAskingToCloseDestroysTheMainWindow) {
    UseEntry(MakeToolEntry(L"h6opclose", Sha256Of(tool)));
    g_state.busy = true;
    auto result = std::make_unique<OperationResult>();
    result->ok = true;
    result->closeMain = true;
    result->message = L"fini";
    ApplyOperationResult(std::move(result));
    EXPECT_FALSE(g_state.busy);
    EXPECT_EQ(g_state.statusText, L"fini");
    EXPECT_FALSE(IsWindow(window.get()));
}

}  // namespace
