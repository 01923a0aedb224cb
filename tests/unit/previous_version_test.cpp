// The kept previous version: the digest it was kept with, checked again by the
// rollback, and the releases a catalogue withdraws, which never run again.
// Real files in the Apps folder of the throwaway prefix, catalogues served by
// the loopback server, operations started as the window starts them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/messages.h"
#include "base/paths.h"
#include "app/state.h"
#include "base/tool_files.h"
#include "catalog/utf8.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "ui/jobs/catalog_start.h"
#include "ui/jobs/tool_operation.h"
#include "ui/list/card_menu.h"

namespace {

class PreviousVersionTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnterInstalledModeForTools();
    }
    void TearDown() override {
        for (const std::string* bytes : {&v1, &v2, &v3}) UnpublishFile(PublishedDownloadPath(Entry(*bytes)));
        UnpublishFile(L"outils/catalog.json");
    }

    CatalogApp Entry(const std::string& bytes) const { return MakeToolEntry(id, Sha256Of(bytes)); }

    // The web host serves a catalogue offering `offered`, withdrawing
    // `withdrawn`; the window loads it as the user's "Actualiser" does.
    void Load(const std::string& offered, const std::vector<std::wstring>& withdrawn = {}) {
        PublishFile(PublishedDownloadPath(Entry(offered)), offered);
        std::string list;
        for (const std::wstring& digest : withdrawn) list += (list.empty() ? "\"" : ", \"") + WideToUtf8(digest) + "\"";
        PublishFile(L"outils/catalog.json",
                    R"({"downloadEndpoint": ")" + WideToUtf8(TestDownloadEndpoint()) + R"(", "apps": [{"id": ")" +
                        WideToUtf8(id) +
                        R"(", "version": "2", "category": "Outils", "description": "Un outil", "sha256": ")" +
                        WideToUtf8(Sha256Of(offered)) + R"(", "withdrawn": [)" + list + "]}]}");
        StartCatalogLoad(false);
        ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000)) << "the load never ended";
        ASSERT_EQ(g_state.apps.size(), 1u) << WideToUtf8(g_state.statusText);
    }
    void Run(ToolAction action) {
        StartToolOperation(0, action);
        ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000)) << "the job never ended";
    }
    static bool OffersRollBack() {
        for (const CardMenuItem& item : BuildCardMenu(g_state.apps[0], true, false)) {
            if (item.action == ToolAction::RollBack) return true;
        }
        return false;
    }
    std::vector<std::wstring> ToolFilesNow() const { return FilesMatching(GetAppsFolder(), id + L".*"); }
    static std::wstring Lower(std::wstring digest) {
        for (wchar_t& c : digest) c = static_cast<wchar_t>(towlower(c));
        return digest;
    }

    ScopedComApartment com;
    TestMainWindow window;
    // Refusals open a message box: answered and recorded.
    std::vector<RecordedBox>& boxes = RecordMessageBoxes();
    const std::string v1 = TraceToolBytes() + "version 1";
    const std::string v2 = TraceToolBytes() + "version 2";
    const std::string v3 = TraceToolBytes() + "version 3";
    const std::wstring id = L"outilrappel";
    const ToolFiles files = ToolFilesIn(GetAppsFolder(), id);
    ToolCleanup cleanup{id};
};

TEST_F(PreviousVersionTest, TheRollbackPutsBackOnlyTheFileKeptAndNothingElse) {
    WriteFileBytes(files.installed, v1);
    Load(v2);
    Run(ToolAction::Install);
    // Kept with its digest, hidden like the previous version itself.
    ASSERT_TRUE(ReadFileBytes(files.previous) == v1);
    EXPECT_EQ(ReadDigestFile(files.previousDigest), Sha256Of(v1));
    EXPECT_NE(GetFileAttributesW(files.previousDigest.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_TRUE(OffersRollBack());

    // Swapped back and forth, each file keeps the digest it came with.
    Run(ToolAction::RollBack);
    EXPECT_EQ(g_state.statusText, id + W(" : version précédente rétablie."));
    EXPECT_TRUE(ReadFileBytes(files.installed) == v1);
    EXPECT_EQ(ReadDigestFile(files.previousDigest), Sha256Of(v2));
    Run(ToolAction::RollBack);
    EXPECT_TRUE(ReadFileBytes(files.installed) == v2);
    EXPECT_EQ(ReadDigestFile(files.previousDigest), Sha256Of(v1));

    // Changed since it was kept: refused, and not kept any longer.
    SetFileAttributesW(files.previous.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteFileBytes(files.previous, v1 + "infected");
    SetFileAttributesW(files.previous.c_str(), FILE_ATTRIBUTE_HIDDEN);
    Run(ToolAction::RollBack);
    EXPECT_EQ(g_state.statusText, W("Opération impossible : Version précédente modifiée"));
    EXPECT_TRUE(ReadFileBytes(files.installed) == v2);
    EXPECT_EQ(ToolFilesNow(), (std::vector<std::wstring>{id + L".exe", id + L".retour.txt"}));
    EXPECT_FALSE(OffersRollBack());

    // A previous version without its digest (kept before digests were
    // recorded, or whose digest was cut short) is not offered, nor put back.
    Load(v3);
    Run(ToolAction::Install);
    ASSERT_TRUE(ReadFileBytes(files.previous) == v2);
    SetFileAttributesW(files.previousDigest.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteFileBytes(files.previousDigest, WideToUtf8(Sha256Of(v2)).substr(0, 40));
    Load(v3);
    EXPECT_FALSE(OffersRollBack());
    Run(ToolAction::RollBack);
    EXPECT_EQ(g_state.statusText, W("Opération impossible : Version précédente modifiée"));
    EXPECT_TRUE(ReadFileBytes(files.installed) == v3);
    EXPECT_FALSE(FileExists(files.previous));

    // Uninstalling takes the digest with the rest.
    Load(v1);
    Run(ToolAction::Install);
    ASSERT_TRUE(FileExists(files.previousDigest));
    Run(ToolAction::Uninstall);
    EXPECT_EQ(ToolFilesNow(), std::vector<std::wstring>{});
}

TEST_F(PreviousVersionTest, AWithdrawnReleaseIsNeverInstalledKeptNorRolledBackTo) {
    WriteFileBytes(files.installed, v1);
    Load(v2);
    Run(ToolAction::Install);
    ASSERT_TRUE(ReadFileBytes(files.previous) == v1);

    // Updating from a withdrawn release: the new one is installed, the
    // withdrawn one is not kept, and the version kept before stays.
    Load(v3, {Lower(Sha256Of(v2))});
    EXPECT_TRUE(OffersRollBack());
    Run(ToolAction::Install);
    EXPECT_EQ(g_state.statusText, id + W(" installé."));
    EXPECT_TRUE(ReadFileBytes(files.installed) == v3);
    EXPECT_TRUE(ReadFileBytes(files.previous) == v1);
    EXPECT_EQ(ReadDigestFile(files.previousDigest), Sha256Of(v1));
    EXPECT_TRUE(FilesMatching(GetAppsFolder(), AsideFilePattern(id)).empty());

    // The next load that withdraws the kept version deletes it.
    Load(v3, {Sha256Of(v2), Sha256Of(v1)});
    EXPECT_EQ(ToolFilesNow(), std::vector<std::wstring>{id + L".exe"});
    EXPECT_FALSE(g_state.apps[0].kept.previousKept);
    EXPECT_FALSE(OffersRollBack());

    // A catalogue that offers a release it also withdraws installs nothing,
    // not even when the file in place already is that release.
    for (const std::string* installed : {&v1, &v2}) {
        cleanup.clean();
        WriteFileBytes(files.installed, *installed);
        Load(v2, {Sha256Of(v2)});
        Run(ToolAction::Install);
        EXPECT_EQ(g_state.statusText, W("Opération impossible : ") + W(msg::kVersionWithdrawn));
        EXPECT_TRUE(ReadFileBytes(files.installed) == *installed);
        EXPECT_EQ(ToolFilesNow(), std::vector<std::wstring>{id + L".exe"});
    }

    // A withdrawn previous version that a load could not delete (it ran
    // then) is still never put back.
    cleanup.clean();
    WriteFileBytes(files.installed, v1);
    Load(v2);
    Run(ToolAction::Install);
    ASSERT_TRUE(ReadFileBytes(files.previous) == v1);
    g_state.apps[0].withdrawn = {Sha256Of(v1)};
    Run(ToolAction::RollBack);
    EXPECT_EQ(g_state.statusText, W("Opération impossible : ") + W(msg::kPreviousVersionWithdrawn));
    EXPECT_TRUE(ReadFileBytes(files.installed) == v2);
    EXPECT_EQ(ToolFilesNow(), std::vector<std::wstring>{id + L".exe"});
}

}  // namespace
