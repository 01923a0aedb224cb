// A window of the program and a command line at the same moment: the lock
// lets one change the Apps folder at a time, no file is lost or mixed, and
// the window's cards show what the command did right afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/state.h"
#include "base/paths.h"
#include "base/tool_action.h"
#include "catalog/utf8.h"
#include "tests/command_line/command_line_support.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/process_support.h"
#include "tests/support/test_support.h"
#include "tests/support/waiting.h"
#include "ui/jobs/catalog_start.h"
#include "ui/jobs/tool_operation.h"
#include "ui/message_box.h"

namespace {

class CommandLineBesideWindow : public MainWindowFixture {
protected:
    void SetUp() override {
        CleanCommandLineState();
        MainWindowFixture::SetUp();
        SetMessageBoxResponder([this](HWND, const std::wstring& text, UINT) {
            boxes_.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override {
        SetMessageBoxResponder(nullptr);
        MainWindowFixture::TearDown();
        CleanCommandLineState();
    }

    const CatalogApp* App(const wchar_t* id) const {
        for (const CatalogApp& app : g_state.apps)
            if (app.id == id) return &app;
        return nullptr;
    }
    size_t IndexOf(const wchar_t* id) const { return static_cast<size_t>(App(id) - g_state.apps.data()); }

    std::vector<std::wstring> boxes_;
};

TEST_F(CommandLineBesideWindow, BothInstallAtOnceAndTheCardsFollow) {
    PlaceInstalledCopy();
    // Large enough that the two installs overlap.
    const TestTool outil = GoodTool("Outil", std::string(24 << 20, 'o'));
    const TestTool second = GoodTool("Second", "un second outil");
    PublishOnWeb({outil, second});
    g_state.installedMode = true;
    StartCatalogLoad(false);
    ASSERT_TRUE(PumpUntil([] { return g_state.catalogLoaded && !g_state.busy; }, 30000)) << g_state.statusText;
    ASSERT_NE(App(L"Outil"), nullptr);
    ASSERT_NE(App(L"Second"), nullptr);

    ScratchFolder scratch(L"both");
    const std::wstring exe = GetInstalledExePath();
    StartedProcess command =
        StartProcess(exe.c_str(), L"\"" + exe + L"\" --install Outil Second --output \"" + (scratch / L"r.json") + L"\"");
    ASSERT_TRUE(command);
    StartToolOperation(IndexOf(L"Outil"), ToolAction::Install);
    ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(command.process.get(), 0) == WAIT_OBJECT_0; }, 120000));
    DWORD exitCode = 0;
    GetExitCodeProcess(command.process.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u) << ReadFileBytes(scratch / L"r.json");

    // The window's own click either ran first or was refused while the
    // command held the lock; either way it ended.
    ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000));
    const std::wstring refusal =
        W("Opération impossible : Une autre opération d’Orkvane est en cours ; réessayez dans un instant.");
    EXPECT_TRUE(boxes_.empty() || (boxes_.size() == 1 && boxes_[0] == refusal)) << WideToUtf8(boxes_.front());

    EXPECT_EQ(ReadFileBytes(AppsFile("Outil")), outil.bytes);
    EXPECT_EQ(ReadFileBytes(AppsFile("Second")), second.bytes);
    EXPECT_EQ(CountFilesIn(GetAppsFolder()), 2) << "a side file or a kept copy stayed in the Apps folder";

    // Told by the command, the window read the states again by itself.
    EXPECT_TRUE(PumpUntil(
        [&] {
            const CatalogApp* app = App(L"Second");
            return !g_state.busy && app != nullptr && app->installed && !app->updateAvailable;
        },
        30000));
    ASSERT_NE(App(L"Outil"), nullptr);
    EXPECT_TRUE(App(L"Outil")->installed);
    EXPECT_FALSE(App(L"Outil")->updateAvailable);
}

}  // namespace
