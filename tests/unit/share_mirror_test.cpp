// The organisation's mirror on a file share, \\serveur\partage under Wine:
// policies in the prefix's real registry, the real main window and workers.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/policies.h"
#include "app/settings.h"
#include "app/state.h"
#include "base/constants.h"
#include "base/gdiplus_session.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/worker_shared.h"
#include "catalog/catalog_keys.h"
#include "catalog/catalog_signature.h"
#include "catalog/share_source.h"
#include "operations/tool_install.h"
#include "operations/tool_request.h"
#include "publisher/catalog_signing.h"
#include "tests/support/folder_link.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/test_server.h"
#include "tests/support/test_share.h"
#include "tests/support/test_support.h"
#include "ui/jobs/catalog_start.h"
#include "ui/jobs/tool_operation.h"

namespace {

constexpr wchar_t kToolId[] = L"h6partage";

// A signed build also wants a serial and an expiry; the unsigned one ignores them.
std::string CatalogJson(const std::wstring& sha256) {
    return R"({"serial": 1, "expires": "2099-12-31T23:59:59Z", "downloadEndpoint": "", "iconBaseUrl": "", "apps": [
  {"id": ")" + WideToUtf8(kToolId) +
           R"(", "version": "1.0", "category": "Outils", "description": "Sur le partage", "sha256": ")" +
           WideToUtf8(sha256) + R"("}]})";
}

// What pack writes: the catalogue, the tools and the icons.
void PutMirror(const std::wstring& root, const std::string& tool) {
    CreateFolderPath(JoinPath(root, L"outils"));
    CreateFolderPath(JoinPath(root, L"icons"));
    WriteFileBytes(JoinPath(root, L"catalog.json"), CatalogJson(Sha256Of(tool)));
    WriteFileBytes(JoinPath(root, std::wstring(L"outils\\") + kToolId + L".exe"), tool);
    WriteFileBytes(JoinPath(root, std::wstring(L"icons\\") + kToolId + L".png"),
                   MakePng(4, 4, [](int, int) { return 0xFF2060A0u; }));
}

void ClearPolicies() {
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteTreeW(hive, kPolicyKeyPath);
}

void PutValue(HKEY hive, const wchar_t* keyPath, const wchar_t* name, DWORD number) {
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(hive, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number)),
              ERROR_SUCCESS);
}

void PutValue(HKEY hive, const wchar_t* keyPath, const wchar_t* name, const std::wstring& text) {
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(hive, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

// The organisation's setting: the share, read offline.
void ImposeShare(const std::wstring& root) {
    PutValue(HKEY_LOCAL_MACHINE, kPolicyKeyPath, L"OfflineMode", 1);
    PutValue(HKEY_LOCAL_MACHINE, kPolicyKeyPath, L"OfflineRoot", root);
    PutValue(HKEY_LOCAL_MACHINE, kPolicyKeyPath, L"AllowNetworkOffline", 1);
}

std::wstring Unreachable(const char* message) { return W(msg::kStatusCatalogUnreachable) + W(message); }

// The program as installed, with its settings and policies read from the
// registry at each start, and its real main window.
class ShareMirrorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearPolicies();
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
        ASSERT_FALSE(share.path().empty()) << "the share could not be made in the prefix";
    }
    void TearDown() override {
        // The icons are GDI+ bitmaps: gone before GDI+ is.
        g_state.apps.clear();
        ClearPolicies();
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
        offlineModeShared = false;
        ReplaceCatalogSigningKeys({});
    }

    // A start: settings and policies read again, the window kept.
    void Start() {
        ResetAppState();
        g_state.instance = GetModuleHandleW(nullptr);
        g_state.mainWindow = window.get();
        g_state.installedMode = true;
        LoadSettings();
        g_state.settings.desktopShortcut = false;
        g_state.settings.menuShortcut = false;
    }
    void Load() {
        ClearRequestLog();
        StartCatalogLoad(false);
        ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 30000)) << "the load never ended";
        EXPECT_TRUE(RequestLog().empty()) << "a load from the share went to the network";
    }
    std::vector<std::wstring> ListedIds() const {
        std::vector<std::wstring> ids;
        for (const CatalogApp& app : g_state.apps) ids.push_back(app.id);
        return ids;
    }

    TestShare share{L"partage"};
    const std::wstring root = share / L"OrkvaneOffline";
    ScopedComApartment com;
    GdiplusSession gdiplus;
    TestMainWindow window;
    std::string tool = TraceToolBytes();
};

}  // namespace

TEST_F(ShareMirrorTest, LoadsAndInstallsOnlyWhileTheUserCannotChangeIt) {
    ToolCleanup cleanup(kToolId);
    PutMirror(root, tool);
    ASSERT_TRUE(share.HandToAdministrators());
    ImposeShare(share.path());
    Start();
    EXPECT_TRUE(g_state.settings.offlineMode);
    EXPECT_EQ(g_state.settings.offlineRoot, share.path());

    // Shown, the window fetches the icons once the catalogue is in.
    ShowWindow(window.get(), SW_SHOWNOACTIVATE);
    Load();
    EXPECT_EQ(g_state.statusText, W(msg::kStatusUsbCatalogLoaded));
    ASSERT_EQ(ListedIds(), std::vector<std::wstring>{kToolId});
    EXPECT_EQ(g_state.apps[0].sourceRoot, root);
    EXPECT_TRUE(PumpUntil([] { return g_state.apps[0].iconBitmap != nullptr; }, 30000)) << "no icon from the share";

    StartToolOperation(0, ToolAction::Install);
    ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000)) << "the install never ended";
    EXPECT_EQ(g_state.statusText, std::wstring(kToolId) + W(" installé."));
    EXPECT_EQ(ReadFileBytes(InstalledPath(kToolId)), tool);

    // Whatever the user could change, or rename to put another in its place.
    const struct {
        const char* what;
        std::wstring path;
    } writable[] = {
        {"its catalog.json", JoinPath(root, L"catalog.json")},
        {"the folder", root},
        {"the share's root, where the folder could be replaced", share.path()},
    };
    for (const auto& c : writable) {
        ASSERT_TRUE(share.HandToAdministrators());
        ASSERT_TRUE(share.LetEveryoneWrite(c.path)) << c.what;
        Start();
        Load();
        EXPECT_EQ(g_state.statusText, Unreachable(msg::kShareWritableByUser)) << c.what;
        EXPECT_TRUE(ListedIds().empty()) << c.what;
    }

    // A signed build takes the share's catalogue only with its signature.
    ASSERT_TRUE(share.HandToAdministrators());
    const SigningKeyPair keys = GenerateSigningKeyPair();
    ReplaceCatalogSigningKeys({std::string(WithoutLineBreak(keys.publicKeyText))});
    Start();
    Load();
    EXPECT_EQ(g_state.statusText, Unreachable(msg::kCatalogSignatureInvalid));
    WriteFileBytes(JoinPath(root, kSignatureFileName),
                   SignCatalogBytes(ReadFileBytes(JoinPath(root, L"catalog.json")), keys.privateKeyText));
    ASSERT_TRUE(share.HandToAdministrators());
    Start();
    Load();
    EXPECT_EQ(g_state.statusText, W(msg::kStatusUsbCatalogLoaded) + L" " + W(msg::kStatusCatalogSigned));
    EXPECT_EQ(ListedIds(), std::vector<std::wstring>{kToolId});
}

TEST_F(ShareMirrorTest, OnlyTheOrganisationCanNameAShare) {
    PutMirror(root, tool);
    ASSERT_TRUE(share.HandToAdministrators());
    const std::wstring refused = Unreachable(msg::kOfflineNotDriveLetter);
    const struct {
        const char* what;
        bool policyRoot;     // the share comes from the policy "OfflineRoot", not from the user's settings
        int allowNetwork;    // the policy "AllowNetworkOffline"; -1 when absent
        std::wstring shown;  // the status line after the load
    } cases[] = {
        {"the share allowed", true, 1, W(msg::kStatusUsbCatalogLoaded)},
        {"no AllowNetworkOffline", true, -1, refused},
        {"AllowNetworkOffline = 0", true, 0, refused},
        {"the user's own choice of the share", false, 1, refused},
    };
    for (const auto& c : cases) {
        ClearPolicies();
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
        if (c.policyRoot) {
            ImposeShare(share.path());
        } else {
            PutValue(HKEY_CURRENT_USER, kSettingsKeyPath, L"OfflineMode", 1);
            PutValue(HKEY_CURRENT_USER, kSettingsKeyPath, L"OfflineRoot", share.path());
            PutValue(HKEY_LOCAL_MACHINE, kPolicyKeyPath, L"AllowNetworkOffline", 1);
        }
        if (c.allowNetwork >= 0)
            PutValue(HKEY_LOCAL_MACHINE, kPolicyKeyPath, L"AllowNetworkOffline", static_cast<DWORD>(c.allowNetwork));
        else
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kPolicyKeyPath, L"AllowNetworkOffline");
        Start();
        Load();
        EXPECT_EQ(g_state.statusText, c.shown) << c.what;
    }
}

TEST_F(ShareMirrorTest, PathsStayOnTheShareLinksAreRefusedAndTheCheckedFileIsTheOneRead) {
    PutMirror(root, tool);
    CreateFolderPath(share / L"vide");
    FolderLink link(share / L"lien", L"OrkvaneOffline");
    ASSERT_TRUE(link.made());
    ASSERT_TRUE(share.HandToAdministrators());

    const struct {
        std::wstring given;
        std::wstring outcome;  // the root, or the message
    } cases[] = {
        {L"\\\\serveur\\partage", root},
        {L"//serveur/partage/OrkvaneOffline", root},
        {L"\\\\?\\UNC\\serveur\\partage\\OrkvaneOffline", root},
        {L"\\\\?\\unc\\serveur\\partage", root},
        {L"\\\\serveur\\partage\\vide\\..\\OrkvaneOffline", root},
        // ".." never leaves the share: this is \\serveur\partage\partage.
        {L"\\\\serveur\\partage\\..\\..\\partage", W(msg::kShareNoCatalog)},
        {L"\\\\serveur\\partage\\lien", W(msg::kShareNoCatalog)},
        {L"\\\\serveur\\absent", W(msg::kShareNoCatalog)},
        {L"\\\\.\\UNC\\serveur\\partage\\OrkvaneOffline", W(msg::kShareRootInvalid)},
        {L"\\\\?\\C:\\OrkvaneOffline", W(msg::kShareRootInvalid)},
        {L"\\\\serveur", W(msg::kShareRootInvalid)},
        {L"\\\\serveur\\", W(msg::kShareRootInvalid)},
    };
    for (const auto& c : cases) {
        std::wstring found;
        std::string error = ErrorOf([&] { found = ValidateShareRoot(c.given); });
        EXPECT_EQ(error == "<no error>" ? found : W(error), c.outcome) << WideToUtf8(c.given);
    }

    // Tools behind a link on the share are not copied.
    {
        ToolCleanup cleanup(kToolId);
        CatalogApp behindLink = MakeToolEntry(kToolId, Sha256Of(tool), share / L"lien");
        EXPECT_EQ(ErrorOf([&] { InstallTool(MakeToolRequest(behindLink)); }), msg::kUsbCopyFailed);
        EXPECT_FALSE(FileExists(InstalledPath(kToolId)));
    }

    // The catalogue read is the one checked: one put in its place after the
    // check, by the user, is refused when it is read.
    const std::string published = ReadFileBytes(JoinPath(root, L"catalog.json"));
    EXPECT_EQ(ReadShareCatalog(ValidateShareRoot(root), kCatalogSizeLimit), published);
    const std::wstring checked = ValidateShareRoot(root);
    WriteFileBytes(share / L"vide\\catalog.json", R"({"apps": []})");
    ASSERT_TRUE(MoveFileExW((share / L"vide\\catalog.json").c_str(), JoinPath(root, L"catalog.json").c_str(),
                            MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(ErrorOf([&] { ReadShareCatalog(checked, kCatalogSizeLimit); }), msg::kShareWritableByUser);
}
