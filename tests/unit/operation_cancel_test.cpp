// "Annuler": stopping an install while it checks the installed file, copies
// from the key or downloads, at the worker and through the real window (its
// button clicked, or pressed by a screen reader), and what a stop leaves: the
// installed and the kept previous version as they were, no side file, `busy`
// cleared and the status line saying so.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "base/handles.h"
#include "base/messages.h"
#include "base/operation_cancel.h"
#include "base/paths.h"
#include "app/state.h"
#include "operations/tool_install.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "ui/jobs/tool_operation.h"

namespace {

// The tool's files as a stop must leave them: the installed and the kept
// previous version, and nothing else of it in Apps or in the temporary folder.
class ToolOnDisk {
public:
    ToolOnDisk(const std::wstring& id, std::string installed, std::string previous)
        : id_(id), installed_(std::move(installed)), previous_(std::move(previous)) {
        CreateFolderPath(GetAppsFolder());
        WriteFileBytes(InstalledPath(id_), installed_);
        WriteFileBytes(PreviousPath(), previous_);
    }
    std::wstring PreviousPath() const { return JoinPath(GetAppsFolder(), id_ + L".precedent.exe"); }

    void ExpectUntouched(const char* what) const {
        EXPECT_EQ(Sha256Of(ReadFileBytes(InstalledPath(id_))), Sha256Of(installed_)) << what;
        EXPECT_EQ(Sha256Of(ReadFileBytes(PreviousPath())), Sha256Of(previous_)) << what;
        const std::vector<std::wstring> expected{id_ + L".exe", id_ + L".precedent.exe"};
        std::vector<std::wstring> inApps = FilesMatching(GetAppsFolder(), id_ + L"*");
        std::sort(inApps.begin(), inApps.end());
        EXPECT_EQ(inApps, expected) << what << ": a side file is left in Apps";
        EXPECT_TRUE(FilesMatching(GetTempFolder(), id_ + L"*").empty()) << what << ": a file is left in Temp";
    }

private:
    std::wstring id_;
    std::string installed_;
    std::string previous_;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool RequestSeenFor(const std::wstring& downloadId) {
    const std::string wanted(downloadId.begin(), downloadId.begin() + static_cast<long>(downloadId.find(L'&')));
    for (const std::string& line : RequestLog()) {
        if (line.find(wanted) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

TEST(OperationCancel, EachLongStepStopsAtItsNextBlockAndLeavesTheToolAsItWas) {
    const std::wstring id = L"outilarrete";
    const std::wstring root = OfflineRootOnUsbDrive();
    // Three blocks of the file loops each; the sizes tell the steps apart.
    const std::string installed = SeededBytes(3 << 20, 51);
    const std::string fresh = SeededBytes((3 << 20) + 1, 53);
    struct Case {
        const char* what;
        bool fromUsb;
        size_t stopDuring;  // the size of the file whose loop is stopped
    };
    const Case cases[] = {
        {"checking the installed file", true, installed.size()},
        {"copying from the key", true, fresh.size()},
        {"downloading", false, fresh.size()},
    };
    for (const Case& c : cases) {
        ToolCleanup cleanup(id);
        const ToolOnDisk disk(id, installed, SeededBytes(5000, 52));
        CatalogApp app = MakeToolEntry(id, Sha256Of(fresh), c.fromUsb ? root : L"");
        WriteFileBytes(JoinPath(root, L"outils\\" + id + L".exe"), fresh);
        PublishFile(PublishedDownloadPath(app), fresh);

        FetchOptions options;
        options.cancel = CancelToken::OfNewOperation();
        bool stopped = false;
        int reportsAfterStop = 0;
        options.progress = [&](unsigned long long done, long long expected) {
            if (stopped) ++reportsAfterStop;
            if (!stopped && done > 0 && expected == static_cast<long long>(c.stopDuring)) {
                stopped = true;
                CancelRunningOperation();
            }
        };
        EXPECT_EQ(ErrorOf([&] { InstallTool(MakeToolRequest(app), options); }), msg::kOperationCancelled) << c.what;
        EXPECT_TRUE(stopped) << c.what;
        EXPECT_EQ(reportsAfterStop, 0) << c.what << ": the loop went on after the stop";
        disk.ExpectUntouched(c.what);
        UnpublishFile(PublishedDownloadPath(app));
    }
    DeleteFileW(JoinPath(root, L"outils\\" + id + L".exe").c_str());
}

class CancelWindowTest : public MainWindowFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(com_.ok());
        MainWindowFixture::SetUp();
    }
    ScopedComApartment com_;
};

TEST_F(CancelWindowTest, AnnulerStopsAStalledDownloadOrALargeCopyWithinASecond) {
    std::vector<RecordedBox>& boxes = RecordMessageBoxes();
    g_state.installedMode = true;
    g_state.settings.desktopShortcut = false;
    g_state.settings.menuShortcut = false;
    const std::wstring id = L"outilannule";
    const std::wstring root = OfflineRootOnUsbDrive();
    const std::wstring onKey = JoinPath(root, L"outils\\" + id + L".exe");
    struct Case {
        const char* what;
        bool fromUsb;
        size_t size;
        bool byScreenReader;  // else by a click on the painted button
    };
    const Case cases[] = {
        // One block, then the server says nothing for longer than the test.
        {"download from a stalled server", false, 1 << 20, false},
        // Long enough to copy that the stop comes in the middle.
        {"copy of a large file from the key", true, 192u << 20, true},
    };
    ComPtr<IAccessible> root11y;
    ASSERT_EQ(AccessibleObjectFromWindow(window_, OBJID_CLIENT, __uuidof(IAccessible), root11y.putVoid()), S_OK);
    VARIANT cancelId;
    VariantInit(&cancelId);
    cancelId.vt = VT_I4;
    cancelId.lVal = 7;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ToolCleanup cleanup(id);
        const ToolOnDisk disk(id, SeededBytes(4000, 61), SeededBytes(3000, 62));
        const std::string fresh = SeededBytes(c.size, 63);
        CatalogApp app = MakeToolEntry(id, Sha256Of(fresh), c.fromUsb ? root : L"");
        const std::wstring published = PublishedDownloadPath(app);
        if (c.fromUsb) {
            WriteFileBytes(onKey, fresh);
        } else {
            PublishFile(published, fresh);
            app.downloadId += L"&trickle=60000&piece=65536";
        }
        const std::wstring downloadId = app.downloadId;
        g_state.apps.clear();
        g_state.apps.push_back(std::move(app));
        g_state.catalogLoaded = true;
        UpdateScrollMetrics();
        ClearRequestLog();

        StartToolOperation(0, ToolAction::Install);
        ASSERT_TRUE(g_state.busy);
        if (c.fromUsb) {
            // The copy's first report: it has started.
            ASSERT_TRUE(
                PumpUntil([&] { return g_state.operationProgress.expected == static_cast<long long>(c.size); }, 30000));
        } else {
            ASSERT_TRUE(PumpUntil([&] { return RequestSeenFor(downloadId); }, 30000));
            PumpFor(300);  // the first block arrives; then the server stalls
        }
        ASSERT_TRUE(g_state.busy) << "the install ended before it could be stopped";
        Paint();
        const RECT button = g_state.cancelButtonRect;
        ASSERT_FALSE(IsRectEmpty(&button)) << "no \"Annuler\" in the status strip";
        BSTR name = nullptr;
        ASSERT_EQ(root11y->get_accName(cancelId, &name), S_OK);
        EXPECT_EQ(std::wstring(name, SysStringLen(name)), L"Annuler");
        SysFreeString(name);
        VARIANT role;
        VariantInit(&role);
        ASSERT_EQ(root11y->get_accRole(cancelId, &role), S_OK);
        EXPECT_EQ(role.lVal, ROLE_SYSTEM_PUSHBUTTON);

        const auto pressed = std::chrono::steady_clock::now();
        if (c.byScreenReader) {
            ASSERT_EQ(root11y->accDoDefaultAction(cancelId), S_OK);
        } else {
            const POINT centre{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
            SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
            SendMessageW(window_, WM_LBUTTONUP, 0, MAKELPARAM(centre.x, centre.y));
        }
        ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 15000));
        const double seconds = SecondsSince(pressed);
        EXPECT_LT(seconds, 1.0) << "the worker stopped after " << seconds << " s";
        EXPECT_EQ(g_state.statusText, id + W(msg::kOperationCancelled));
        EXPECT_TRUE(boxes.empty()) << "a stop is not reported as a failure";
        disk.ExpectUntouched(c.what);

        Paint();
        EXPECT_TRUE(IsRectEmpty(&g_state.cancelButtonRect)) << "\"Annuler\" stays after the stop";
        BSTR gone = nullptr;
        EXPECT_NE(root11y->get_accName(cancelId, &gone), S_OK) << "\"Annuler\" stays in the accessibility tree";
        SysFreeString(gone);
        if (!c.fromUsb) UnpublishFile(published);
    }
    DeleteFileW(onKey.c_str());
}
