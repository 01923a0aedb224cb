// The tools an organisation requires (policy "RequiredTools"): installed after
// each catalogue load, one operation at a time, never removed by the user.
// Catalogues served by the loopback server, the real window and runner, real
// files in the Apps folder of the throwaway prefix.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/diagnostics.h"
#include "app/policies.h"
#include "app/state.h"
#include "base/paths.h"
#include "catalog/utf8.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/policy_values.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "ui/accessibility/accessible_tree.h"
#include "ui/jobs/catalog_start.h"
#include "ui/jobs/tool_operation.h"
#include "ui/list/card_menu.h"

namespace {

// One operation as it started: its status line, and which tools were
// installed at that moment.
struct OperationStart {
    std::wstring status;
    std::vector<std::wstring> installedThen;
};

class RequiredToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnterInstalledModeForTools();
        WriteFileBytes(InstalledPath(present), tool);
        PutPolicyList(HKEY_LOCAL_MACHINE, L"RequiredTools", {first, second, L"absente", broken, present});
        g_state.policies = ReadPolicies();
    }
    void TearDown() override {
        UnpublishFile(L"outils/catalog.json");
        for (const std::wstring& id : {first, second, broken, present, optional})
            UnpublishFile(PublishedDownloadPath(Entry(id)));
    }

    CatalogApp Entry(const std::wstring& id) const { return MakeToolEntry(id, Sha256Of(BytesOf(id))); }
    std::string BytesOf(const std::wstring& id) const { return id == broken ? tool + "autre" : tool; }
    size_t IndexOf(const std::wstring& id) const {
        for (size_t i = 0; i < g_state.apps.size(); ++i)
            if (g_state.apps[i].id == id) return i;
        ADD_FAILURE() << "no entry " << WideToUtf8(id);
        return 0;
    }

    void PublishCatalogue() {
        std::string apps;
        for (const std::wstring& id : {optional, first, present, second, broken}) {
            if (!apps.empty()) apps += ", ";
            apps += R"({"id": ")" + WideToUtf8(id) +
                    R"(", "version": "1", "category": "Outils", "description": "Un outil", "sha256": ")" +
                    WideToUtf8(Sha256Of(BytesOf(id))) + R"("})";
        }
        PublishFile(L"outils/catalog.json",
                    R"({"downloadEndpoint": ")" + WideToUtf8(TestDownloadEndpoint()) + R"(", "apps": [)" + apps + "]}");
    }

    // Loads the catalogue as "Actualiser" does and lets everything that follows
    // run to its end, looking after every message at the operations started.
    std::vector<OperationStart> LoadAndFollow() {
        std::vector<OperationStart> starts;
        unsigned serial = g_state.operationSerial;
        auto observe = [&] {
            if (g_state.operationSerial == serial) return;
            serial = g_state.operationSerial;
            OperationStart start{g_state.statusText, {}};
            for (const std::wstring& id : {first, second, broken})
                if (FileExists(InstalledPath(id))) start.installedThen.push_back(id);
            starts.push_back(std::move(start));
        };
        StartCatalogLoad(false);
        const ULONGLONG deadline = GetTickCount64() + 120000;
        while (g_state.busy && GetTickCount64() < deadline) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) continue;
                TranslateMessage(&message);
                DispatchMessageW(&message);
                observe();
            }
        }
        EXPECT_FALSE(g_state.busy) << "the installs never ended";
        return starts;
    }
    static std::wstring Installing(const std::wstring& id) {
        return W("Installation de ") + id + W(" (exigée par votre organisation)...");
    }

    const std::wstring first = L"exige-un";
    const std::wstring second = L"exige-deux";
    const std::wstring broken = L"exige-casse";  // its download is missing at first
    const std::wstring present = L"exige-deja";  // installed before the load
    const std::wstring optional = L"facultatif";
    PolicyKeysCleaner policies;
    ToolCleanup cleanFirst{first};
    ToolCleanup cleanSecond{second};
    ToolCleanup cleanBroken{broken};
    ToolCleanup cleanPresent{present};
    ScopedComApartment com;
    TestMainWindow window;
    std::vector<RecordedBox>& boxes = RecordMessageBoxes();
    const std::string tool = TraceToolBytes();
};

TEST_F(RequiredToolsTest, InstalledOneByOneAfterEachLoadAndNeverRemoved) {
    PublishCatalogue();
    for (const std::wstring& id : {first, second, optional}) PublishFile(PublishedDownloadPath(Entry(id)), tool);

    const std::vector<OperationStart> starts = LoadAndFollow();
    ASSERT_EQ(starts.size(), 3u) << "one operation for each missing tool the catalogue has";
    EXPECT_EQ(starts[0].status, Installing(first));
    EXPECT_EQ(starts[0].installedThen, std::vector<std::wstring>{});
    EXPECT_EQ(starts[1].status, Installing(second));
    EXPECT_EQ(starts[1].installedThen, std::vector<std::wstring>{first}) << "the next starts once the first is done";
    EXPECT_EQ(starts[2].status, Installing(broken));
    EXPECT_EQ(starts[2].installedThen, (std::vector<std::wstring>{first, second}));
    for (const std::wstring& id : {first, second}) {
        EXPECT_EQ(ReadFileBytes(InstalledPath(id)), tool) << WideToUtf8(id);
        EXPECT_TRUE(g_state.apps[IndexOf(id)].installed) << WideToUtf8(id);
    }
    EXPECT_FALSE(FileExists(InstalledPath(optional))) << "a tool nobody requires is left alone";
    // Nobody asked: a failure is told in the status line, without a box, and
    // is not tried again before the next load.
    const std::wstring failed = W("Installation de ") + broken + W(" (exigée par votre organisation) impossible : ");
    EXPECT_EQ(g_state.statusText.substr(0, failed.size()), failed) << WideToUtf8(g_state.statusText);
    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : WideToUtf8(boxes[0].text));
    const unsigned serialAfter = g_state.operationSerial;
    PumpFor(1000);
    EXPECT_EQ(g_state.operationSerial, serialAfter);

    // The id the catalogue lacks is named in the diagnostic information.
    EXPECT_EQ(g_state.missingRequiredTools, std::vector<std::wstring>{L"absente"});
    const std::wstring diagnostics = ComposeDiagnosticText(GatherDiagnosticFacts());
    EXPECT_NE(diagnostics.find(W("Applications exigées absentes du catalogue : absente\r\n")), std::wstring::npos)
        << WideToUtf8(diagnostics);
    EXPECT_NE(diagnostics.find(
                  L"  RequiredTools = exige-un, exige-deux, absente, exige-casse, exige-deja (ordinateur)"),
              std::wstring::npos)
        << WideToUtf8(diagnostics);

    // A required tool's card offers no removal, and says why to screen readers.
    const size_t index = IndexOf(first);
    bool removalOffered = false;
    for (const CardMenuItem& item : BuildCardMenu(g_state.apps[index], true, false)) {
        if (item.action != ToolAction::Uninstall) continue;
        removalOffered = true;
        EXPECT_FALSE(item.enabled);
    }
    EXPECT_TRUE(removalOffered) << "the item is there, greyed";
    const std::wstring description = DescriptionOf({WindowElement::MenuButton, index});
    EXPECT_NE(description.find(W("Désinstaller (indisponible : Application exigée par votre organisation)")),
              std::wstring::npos)
        << WideToUtf8(description);
    StartToolOperation(index, ToolAction::Uninstall);
    EXPECT_FALSE(g_state.busy);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, W("Opération impossible : Application exigée par votre organisation"));
    EXPECT_TRUE(FileExists(InstalledPath(first)));
    boxes.clear();

    // The next load tries the failed one again, once, and only it.
    PublishFile(PublishedDownloadPath(Entry(broken)), BytesOf(broken));
    const std::vector<OperationStart> again = LoadAndFollow();
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].status, Installing(broken));
    EXPECT_EQ(ReadFileBytes(InstalledPath(broken)), BytesOf(broken));
    EXPECT_EQ(g_state.statusText, broken + W(" installé."));
    EXPECT_TRUE(boxes.empty());
}

// The portable copy installs nothing by itself, but still knows what is missing.
TEST_F(RequiredToolsTest, ThePortableCopyInstallsNothing) {
    g_state.installedMode = false;
    PublishCatalogue();
    for (const std::wstring& id : {first, second}) PublishFile(PublishedDownloadPath(Entry(id)), tool);
    EXPECT_TRUE(LoadAndFollow().empty());
    EXPECT_FALSE(FileExists(InstalledPath(first)));
    EXPECT_EQ(g_state.missingRequiredTools, std::vector<std::wstring>{L"absente"});
}

}  // namespace
