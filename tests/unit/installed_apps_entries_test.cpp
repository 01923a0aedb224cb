// The tools' entries in Windows' list of installed apps, through the real
// registry of the throwaway prefix: catalogues served by the loopback server,
// operations started as the window starts them.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "app/state.h"
#include "base/constants.h"
#include "base/handles.h"
#include "base/paths.h"
#include "base/tool_files.h"
#include "catalog/utf8.h"
#include "operations/installed_apps_entries.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "tests/support/uninstall_entries.h"
#include "ui/jobs/catalog_start.h"
#include "ui/jobs/tool_operation.h"

namespace {

class ToolEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnterInstalledModeForTools();
        DeleteEntry(entry);
    }
    void TearDown() override {
        for (const std::string* bytes : {&v1, &v2}) UnpublishFile(PublishedDownloadPath(MakeToolEntry(id, Sha256Of(*bytes))));
        UnpublishFile(L"outils/catalog.json");
        DeleteEntry(entry);
    }

    // The web host serves a catalogue offering `bytes` as `version` (raw JSON
    // string contents); the window loads it as "Actualiser" does.
    void Load(const std::string& bytes, const std::string& versionJson) {
        PublishFile(PublishedDownloadPath(MakeToolEntry(id, Sha256Of(bytes))), bytes);
        PublishFile(L"outils/catalog.json",
                    R"({"downloadEndpoint": ")" + WideToUtf8(TestDownloadEndpoint()) + R"(", "apps": [{"id": ")" +
                        WideToUtf8(id) + R"(", "version": ")" + versionJson +
                        R"(", "category": "Outils", "description": "Un outil", "sha256": ")" +
                        WideToUtf8(Sha256Of(bytes)) + R"("}]})");
        StartCatalogLoad(false);
        ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000)) << "the load never ended";
        ASSERT_EQ(g_state.apps.size(), 1u) << WideToUtf8(g_state.statusText);
    }
    void Run(ToolAction action) {
        StartToolOperation(0, action);
        ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000)) << "the job never ended";
    }
    std::wstring Command(const std::wstring& switches) const {
        return L"\"" + GetInstalledExePath() + L"\" " + switches;
    }

    ScopedComApartment com;
    TestMainWindow window;
    std::vector<RecordedBox>& boxes = RecordMessageBoxes();
    const std::string v1 = TraceToolBytes() + "version 1";
    const std::string v2 = TraceToolBytes() + std::string(5000, 'z');
    const std::wstring id = L"h30registre";
    const std::wstring entry = L"Orkvane." + id;
    const ToolFiles files = ToolFilesIn(GetAppsFolder(), id);
    ToolCleanup cleanup{id};
};

DWORD KiB(size_t bytes) { return static_cast<DWORD>((bytes + 1023) / 1024); }

TEST_F(ToolEntryTest, FollowsInstallUpdateRollbackAndUninstall) {
    Load(v1, "1.0");
    Run(ToolAction::Install);
    ASSERT_TRUE(FileExists(files.installed)) << WideToUtf8(g_state.statusText);
    const std::wstring exe = JoinPath(GetAppsFolder(), id + L".exe");
    const std::map<std::wstring, std::wstring> expected = {
        {L"DisplayName", id},
        {L"DisplayVersion", L"1.0"},
        {L"Publisher", L"Tramweld"},
        {L"DisplayIcon", exe + L",0"},
        {L"InstallLocation", GetAppsFolder()},
        {L"InstallDate", TodayAsInstallDate()},
        {L"EstimatedSize", std::to_wstring(KiB(v1.size()))},
        {L"UninstallString", Command(L"--uninstall " + id + L" --confirm")},
        {L"QuietUninstallString", Command(L"--uninstall " + id)},
        {L"NoModify", L"1"},
        {L"NoRepair", L"1"},
        {L"ParentDisplayName", L"Orkvane"},
    };
    EXPECT_EQ(EntryValues(entry), expected);

    // The update shows the new version and size; the replaced file is kept,
    // and the rollback shows its version again, back and forth.
    struct Step {
        const char* what;
        ToolAction action;
        const wchar_t* version;
        const wchar_t* previous;
        size_t size;
    };
    Load(v2, "2.0");
    const Step steps[] = {
        {"update", ToolAction::Install, L"2.0", L"1.0", v2.size()},
        {"rollback", ToolAction::RollBack, L"1.0", L"2.0", v1.size()},
        {"rollback of the rollback", ToolAction::RollBack, L"2.0", L"1.0", v2.size()},
        {"rollback again", ToolAction::RollBack, L"1.0", L"2.0", v1.size()},
        {"the catalogue's file again", ToolAction::Install, L"2.0", L"1.0", v2.size()},
    };
    for (const Step& step : steps) {
        Run(step.action);
        EXPECT_EQ(EntryString(entry, L"DisplayVersion"), step.version) << step.what;
        EXPECT_EQ(EntryString(entry, L"PreviousDisplayVersion"), step.previous) << step.what;
        EXPECT_EQ(EntryDword(entry, L"EstimatedSize"), KiB(step.size)) << step.what;
    }
    EXPECT_EQ(EntryString(entry, L"InstallDate"), TodayAsInstallDate());

    Run(ToolAction::Uninstall);
    EXPECT_FALSE(FileExists(files.installed));
    EXPECT_FALSE(EntryExists(entry));
}

// Another program's key of the same name is never written nor deleted, and
// neither is one that only looks like ours; the operations themselves go on.
TEST_F(ToolEntryTest, AnotherProgramsEntryIsNeverChangedNorDeleted) {
    const std::map<std::wstring, std::map<std::wstring, std::wstring>> foreign = {
        {L"another publisher", {{L"DisplayName", L"Autre"}, {L"Publisher", L"Autre éditeur"},
                                {L"UninstallString", Command(L"--uninstall " + id + L" --confirm")},
                                {L"ParentDisplayName", L"Orkvane"}}},
        {L"another program's command", {{L"DisplayName", L"Autre"}, {L"Publisher", L"Tramweld"},
                                        {L"UninstallString", L"\"C:\\Autre\\Orkvane.exe\" --uninstall " + id},
                                        {L"ParentDisplayName", L"Orkvane"}}},
        {L"no parent", {{L"Publisher", L"Tramweld"}, {L"UninstallString", Command(L"--uninstall " + id)}}},
    };
    for (const auto& [what, values] : foreign) {
        PlantEntry(entry, values);
        Load(v1, "1.0");
        Run(ToolAction::Install);
        EXPECT_TRUE(FileExists(files.installed)) << WideToUtf8(what);
        EXPECT_EQ(EntryValues(entry), values) << WideToUtf8(what) << ": changed by the install";
        Run(ToolAction::Uninstall);
        EXPECT_FALSE(FileExists(files.installed)) << WideToUtf8(what);
        EXPECT_EQ(EntryValues(entry), values) << WideToUtf8(what) << ": changed by the uninstall";
    }

    // The program's removal takes every tool entry of ours, and only those.
    DeleteEntry(entry);
    const std::wstring other = L"Orkvane.h30autre";
    PlantEntry(other, foreign.at(L"another publisher"));
    Load(v1, "1.0");
    Run(ToolAction::Install);
    ASSERT_TRUE(EntryExists(entry));
    RemoveToolEntries();
    EXPECT_FALSE(EntryExists(entry));
    EXPECT_EQ(EntryValues(other), foreign.at(L"another publisher"));
    DeleteEntry(other);
}

// A catalogue is not trusted: its version text is stored as plain, short
// text, and an id that is not a catalogue id never names a key.
TEST_F(ToolEntryTest, HostileCatalogueTextIsStoredSafely) {
    const std::string padding(100000, 'x');
    Load(v1, R"(1.0\" --remove-self \"\u0007\r\n\u202Etxt\uD800.exe\u0000)" + padding);
    Run(ToolAction::Install);
    ASSERT_TRUE(FileExists(files.installed)) << WideToUtf8(g_state.statusText);
    const std::wstring shown = L"1.0\" --remove-self \"txt.exe";
    EXPECT_EQ(EntryString(entry, L"DisplayVersion"), shown + std::wstring(128 - shown.size(), L'x'));
    EXPECT_EQ(EntryString(entry, L"UninstallString"), Command(L"--uninstall " + id + L" --confirm"));
    EXPECT_EQ(EntryString(entry, L"QuietUninstallString"), Command(L"--uninstall " + id));

    const std::set<std::wstring> before = OrkvaneEntryNames();
    const std::wstring hostileIds[] = {L"..\\..\\Run", L"x\\y", L"x y", L"x\"y", L"x.y", L"", std::wstring(129, L'a')};
    for (const std::wstring& hostile : hostileIds) {
        ToolRequest request;
        request.name = hostile;
        request.exeName = hostile + L".exe";
        request.version = L"1";
        EXPECT_EQ(RecordToolInstalled(request, false), EntryWrite::Failed) << WideToUtf8(hostile);
        EXPECT_EQ(RecordToolRolledBack(request, false), EntryWrite::Failed) << WideToUtf8(hostile);
        RemoveToolEntry(hostile);
    }
    EXPECT_EQ(OrkvaneEntryNames(), before);
    EXPECT_TRUE(EntryExists(entry));
}

}  // namespace
