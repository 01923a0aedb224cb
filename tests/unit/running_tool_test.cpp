// Updating, rolling back and uninstalling a tool that runs: real files in the
// Apps folder of the throwaway prefix, real processes started from them, and
// the operations started as the window starts them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/state.h"
#include "base/handles.h"
#include "base/paths.h"
#include "base/tool_files.h"
#include "operations/apps_folder_tidy.h"
#include "operations/running_tool.h"
#include "operations/shell_ops.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/process_support.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "ui/jobs/tool_operation.h"
#include "ui/list/card_menu.h"
#include "ui/popup/update_popup.h"

namespace {

class RunningToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_state.installedMode = true;
        g_state.settings.desktopShortcut = false;
        g_state.settings.menuShortcut = false;
        CreateFolderPath(GetAppsFolder());
    }
    void TearDown() override { UnpublishFile(PublishedDownloadPath(g_state.apps.at(0))); }

    // The catalogue offers `published` for the tool, as a fresh load would show it.
    void UseEntry(const std::string& published) {
        if (!g_state.apps.empty()) UnpublishFile(PublishedDownloadPath(g_state.apps[0]));
        CatalogApp app = MakeToolEntry(id, Sha256Of(published));
        PublishFile(PublishedDownloadPath(app), published);
        RefreshInstalledState(app, false);
        g_state.apps.clear();
        g_state.apps.push_back(std::move(app));
    }
    void Run(ToolAction action) {
        StartToolOperation(0, action);
        ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000)) << "the job never ended";
    }
    // Starts a file of the Apps folder as a real process and waits until it runs.
    std::unique_ptr<StartedProgram> Start(const std::wstring& path) {
        ArmTrace(traces / L"run.txt", 600000);
        auto program = std::make_unique<StartedProgram>(path);
        TraceRecord record;
        EXPECT_TRUE(WaitForTrace(traces / L"run.txt", record, false, 20000)) << "the tool did not start";
        return program;
    }
    std::vector<std::wstring> AsideFiles() const { return FilesMatching(GetAppsFolder(), AsideFilePattern(id)); }
    std::wstring Apps(const std::wstring& name) const { return JoinPath(GetAppsFolder(), name); }
    static bool Hidden(const std::wstring& path) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    }

    ScopedComApartment com;
    TestMainWindow window;
    std::vector<RecordedBox>& boxes = RecordMessageBoxes();
    ScratchFolder traces{L"trace"};
    const std::string v1 = TraceToolBytes();
    const std::string v2 = v1 + "version 2";
    const std::string v3 = v1 + "version 3";
    const std::wstring id = L"outilencours";
    const ToolFiles files = ToolFilesIn(GetAppsFolder(), id);
    ToolCleanup cleanup{id};
};

TEST_F(RunningToolTest, AnUpdateOfARunningToolServesAtItsNextLaunchAndTheOldCopyGoesOnceItEnds) {
    WriteFileBytes(files.installed, v1);
    UseEntry(v2);
    g_state.settings.menuShortcut = true;
    std::unique_ptr<StartedProgram> tool = Start(files.installed);

    Run(ToolAction::Install);

    EXPECT_EQ(g_state.statusText, id + W(" mis à jour ; la nouvelle version servira au prochain lancement."));
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(ReadFileBytes(files.installed) == v2);
    EXPECT_FALSE(g_state.apps[0].updateAvailable);
    EXPECT_TRUE(ReadFileBytes(files.previous) == v1);
    EXPECT_TRUE(Hidden(files.previous));
    EXPECT_EQ(ReadDigestFile(files.previousDigest), Sha256Of(v1)) << "the copy is kept with its digest";
    const std::vector<std::wstring> aside = AsideFiles();
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_TRUE(ReadFileBytes(Apps(aside[0])) == v1) << "the running file moved aside";
    EXPECT_TRUE(Hidden(Apps(aside[0])));
    EXPECT_TRUE(_wcsicmp(ReadShortcut(ShortcutPath(id, false)).target.c_str(), files.installed.c_str()) == 0);

    // The copy stays while it runs, whether the program starts or an operation does.
    TidyAppsFolderAtStart();
    Run(ToolAction::Install);
    EXPECT_EQ(g_state.statusText, id + W(" installé."));
    EXPECT_EQ(AsideFiles(), aside);
    EXPECT_TRUE(tool->Running());

    tool->End();
    TidyAppsFolderAtStart();
    EXPECT_TRUE(AsideFiles().empty());
    EXPECT_TRUE(ReadFileBytes(files.previous) == v1) << "the previous version is kept";
}

TEST_F(RunningToolTest, AnUninstallRefusedWhileTheToolRunsDeletesNothingAndRemovesAllOnceItEnds) {
    WriteFileBytes(files.installed, v1);
    UseEntry(v2);
    CreateShortcut(id, files.installed, L"d", true);
    CreateShortcut(id, files.installed, L"d", false);
    const std::wstring refused = W("Opération impossible : Fermez ") + id + W(" avant de le désinstaller.");
    std::unique_ptr<StartedProgram> tool = Start(files.installed);

    Run(ToolAction::Uninstall);
    EXPECT_EQ(g_state.statusText, refused);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, refused);
    EXPECT_TRUE(ReadFileBytes(files.installed) == v1);

    // Updated while it runs, it still runs from the copy moved aside.
    Run(ToolAction::Install);
    ASSERT_EQ(AsideFiles().size(), 1u);
    Run(ToolAction::Uninstall);
    EXPECT_EQ(g_state.statusText, refused);
    EXPECT_TRUE(ReadFileBytes(files.installed) == v2);
    EXPECT_TRUE(ReadFileBytes(files.previous) == v1);
    EXPECT_EQ(AsideFiles().size(), 1u);
    EXPECT_TRUE(FileExists(ShortcutPath(id, true)));
    EXPECT_TRUE(FileExists(ShortcutPath(id, false)));

    tool->End();
    Run(ToolAction::Uninstall);
    EXPECT_EQ(g_state.statusText, id + W(" désinstallé."));
    EXPECT_EQ(FilesMatching(GetAppsFolder(), id + L".*"), std::vector<std::wstring>{})
        << "the tool, its previous version and the aside copy";
    EXPECT_FALSE(FileExists(ShortcutPath(id, true)));
    EXPECT_FALSE(FileExists(ShortcutPath(id, false)));
    EXPECT_FALSE(g_state.apps[0].installed);
}

TEST_F(RunningToolTest, AnUninstallIsRefusedWhileTheKeptPreviousVersionRuns) {
    WriteFileBytes(files.installed, v1);
    UseEntry(v2);
    CreateShortcut(id, files.installed, L"d", true);
    Run(ToolAction::Install);
    ASSERT_TRUE(ReadFileBytes(files.previous) == v1);
    std::unique_ptr<StartedProgram> kept = Start(files.previous);

    Run(ToolAction::Uninstall);
    EXPECT_EQ(g_state.statusText, W("Opération impossible : Fermez ") + id + W(" avant de le désinstaller."));
    EXPECT_TRUE(ReadFileBytes(files.installed) == v2);
    EXPECT_TRUE(ReadFileBytes(files.previous) == v1);
    EXPECT_TRUE(FileExists(ShortcutPath(id, true)));
    EXPECT_TRUE(g_state.apps[0].installed);

    kept->End();
    Run(ToolAction::Uninstall);
    EXPECT_EQ(g_state.statusText, id + W(" désinstallé."));
    EXPECT_EQ(FilesMatching(GetAppsFolder(), id + L".*"), std::vector<std::wstring>{});
    EXPECT_FALSE(FileExists(ShortcutPath(id, true)));
}

TEST_F(RunningToolTest, GoingBackToThePreviousVersionIsUndoneTheSameWayEvenWhileTheToolRuns) {
    WriteFileBytes(files.installed, v1);
    UseEntry(v2);
    Run(ToolAction::Install);
    ASSERT_TRUE(ReadFileBytes(files.previous) == v1);
    ASSERT_TRUE(g_state.apps[0].kept.previousKept);
    const std::wstring rolledBack = id + W(" : version précédente rétablie.");

    StartToolOperation(0, ToolAction::RollBack);
    EXPECT_EQ(g_state.statusText, W("Retour à la version précédente de ") + id + L"...");
    ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000));
    EXPECT_EQ(g_state.statusText, rolledBack);
    EXPECT_TRUE(ReadFileBytes(files.installed) == v1);
    EXPECT_FALSE(Hidden(files.installed));
    EXPECT_TRUE(ReadFileBytes(files.previous) == v2);
    EXPECT_TRUE(Hidden(files.previous));
    EXPECT_TRUE(g_state.apps[0].updateAvailable) << "the card shows the update again";
    EXPECT_TRUE(g_state.apps[0].kept.previousKept);

    // Undone while the restored version runs: it moves aside and is kept.
    std::unique_ptr<StartedProgram> tool = Start(files.installed);
    Run(ToolAction::RollBack);
    EXPECT_EQ(g_state.statusText, rolledBack);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(ReadFileBytes(files.installed) == v2);
    EXPECT_TRUE(ReadFileBytes(files.previous) == v1);
    EXPECT_EQ(AsideFiles().size(), 1u);
    EXPECT_FALSE(g_state.apps[0].updateAvailable);
    tool->End();

    // The menu offers the step only while nothing runs the kept file.
    const auto offersRollBack = [] {
        for (const CardMenuItem& item : BuildCardMenu(g_state.apps[0], true, false)) {
            if (item.action == ToolAction::RollBack) return item.label == W("Revenir à la version précédente");
        }
        return false;
    };
    EXPECT_TRUE(offersRollBack());
    std::unique_ptr<StartedProgram> kept = Start(files.previous);
    RefreshInstalledState(g_state.apps[0], false);
    EXPECT_FALSE(offersRollBack());
    kept->End();
    RefreshInstalledState(g_state.apps[0], false);
    EXPECT_TRUE(offersRollBack());
}

TEST_F(RunningToolTest, ThePopupDoesNotOfferTheUpdateRolledBackFromUntilTheCatalogueChanges) {
    g_state.settings.updateChecks = true;
    WriteFileBytes(files.installed, v1);
    UseEntry(v2);
    Run(ToolAction::Install);
    Run(ToolAction::RollBack);
    ASSERT_TRUE(g_state.apps[0].updateAvailable);

    // A new catalogue with the same entry: the card shows the update, the popup does not.
    UseEntry(v2);
    EXPECT_TRUE(g_state.apps[0].updateAvailable);
    ShowUpdatePopup();
    EXPECT_EQ(g_state.popupWindow, nullptr);
    EXPECT_TRUE(g_state.popupEntries.empty());

    UseEntry(v3);
    ShowUpdatePopup();
    EXPECT_NE(g_state.popupWindow, nullptr);
    ASSERT_EQ(g_state.popupEntries.size(), 1u);
    EXPECT_EQ(g_state.popupEntries[0].sha256, Sha256Of(v3));
    EXPECT_EQ(FindPopupEntry(g_state.popupEntries[0]), 0);
    CloseUpdatePopup();

    // Taking the update forgets the rollback.
    Run(ToolAction::Install);
    EXPECT_TRUE(ReadFileBytes(files.installed) == v3);
    EXPECT_FALSE(FileExists(files.rollbackMark));
}

}  // namespace
