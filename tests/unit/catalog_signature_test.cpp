// Signed catalogues: the verification on its own, then whole loads from the
// loopback web server and from a USB key through the real main window, as a
// signed build (keys set for the process) and as the unsigned test build.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/constants.h"
#include "app/messages.h"
#include "app/settings.h"
#include "app/state.h"
#include "catalog/catalog_keys.h"
#include "catalog/catalog_load.h"
#include "catalog/catalog_signature.h"
#include "publisher/catalog_signing.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "ui/jobs/catalog_start.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_commands.h"

namespace {

struct TestKeys {
    SigningKeyPair first = GenerateSigningKeyPair();
    SigningKeyPair second = GenerateSigningKeyPair();
    SigningKeyPair unknown = GenerateSigningKeyPair();
};

const TestKeys& Keys() {
    static const TestKeys keys;
    return keys;
}

std::string PublicOf(const SigningKeyPair& pair) { return std::string(WithoutLineBreak(pair.publicKeyText)); }

std::string CatalogJson(const std::string& id) {
    return R"({"downloadEndpoint": "https://localhost/telechargement", "iconBaseUrl": "", "apps": [
  {"id": ")" + id + R"(", "version": "1.0", "category": "Outils", "description": "Un outil",
   "sha256": "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef"}]})";
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The digit at `index` replaced by another hexadecimal digit.
std::string FlipDigit(std::string text, size_t index) {
    text[index] = text[index] == '0' ? '1' : '0';
    return text;
}

}  // namespace

TEST(CatalogSignature, OnlyTheExactBytesSignedByATrustedKeyPass) {
    const TestKeys& keys = Keys();
    const std::string catalog = CatalogJson("Outil-Signe");
    const std::string good = SignCatalogBytes(catalog, keys.first.privateKeyText);
    const std::string digits(WithoutLineBreak(good));
    ASSERT_EQ(good.size(), 129u);
    ASSERT_EQ(digits.size(), 128u);
    const std::string bySecond = SignCatalogBytes(catalog, keys.second.privateKeyText);
    const std::string byUnknown = SignCatalogBytes(catalog, keys.unknown.privateKeyText);
    std::string changedCatalog = catalog;
    changedCatalog[catalog.find("1.0")] = '2';
    std::string nonHex = digits;
    nonHex[40] = 'g';

    const std::vector<std::string> one{PublicOf(keys.first)};
    const std::vector<std::string> two{PublicOf(keys.first), PublicOf(keys.second)};
    struct Case {
        const char* name;
        std::string catalog;
        std::string signature;
        std::vector<std::string> keys;
        bool passes;
    };
    const Case cases[] = {
        {"good signature", catalog, good, one, true},
        {"without the line break", catalog, digits, one, true},
        {"with a Windows line break", catalog, digits + "\r\n", one, true},
        {"lower-case digits", catalog, Lower(good), one, true},
        {"first key of a two-key build", catalog, good, two, true},
        {"second key of a two-key build", catalog, bySecond, two, true},
        {"one byte of the catalogue changed", changedCatalog, good, two, false},
        {"one digit of r changed", catalog, FlipDigit(good, 3), two, false},
        {"one digit of s changed", catalog, FlipDigit(good, 100), two, false},
        {"r and s swapped", catalog, digits.substr(64) + digits.substr(0, 64), two, false},
        {"truncated", catalog, digits.substr(0, 126), two, false},
        {"overlong", catalog, digits + "00", two, false},
        {"two line breaks", catalog, digits + "\n\n", two, false},
        {"leading space", catalog, " " + good, two, false},
        {"non-hexadecimal text", catalog, nonHex, two, false},
        {"the other key's signature in a one-key build", catalog, bySecond, one, false},
        {"signed by an unknown key", catalog, byUnknown, two, false},
        {"empty file", catalog, "", two, false},
        {"no key at all", catalog, good, {}, false},
        {"a malformed key in the list", catalog, good, {PublicOf(keys.first).substr(2)}, false},
    };
    for (const Case& c : cases) {
        std::string error = ErrorOf([&] { VerifyCatalogSignature(c.catalog, c.signature, c.keys); });
        EXPECT_EQ(error, c.passes ? "<no error>" : msg::kCatalogSignatureInvalid) << c.name;
    }
}

namespace {

// The real main window, as the program makes it; loads are started the
// program's way and applied by the window when their result arrives.
class SignedLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
        ResetAppState();
        offlineModeShared = false;
        g_state.instance = GetModuleHandleW(nullptr);
        g_state.taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
        ASSERT_TRUE(RegisterWindowClasses(g_state.instance, nullptr));
        window_ = CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW, 0, 0, 1180, 780,
                                  nullptr, nullptr, g_state.instance, nullptr);
        ASSERT_NE(window_, nullptr);
        ClearRequestLog();
    }
    void TearDown() override {
        ReplaceCatalogSigningKeys({});
        if (IsWindow(window_)) DestroyWindow(window_);
        UnpublishFile(L"outils/catalog.json");
        UnpublishFile(L"outils/catalog.json.sig");
        RemoveTree(L"E:\\OrkvaneOffline");
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    }

    void UseKey(bool offline) {
        g_state.settings.offlineMode = offline;
        g_state.settings.offlineRoot = offline ? L"E:\\" : L"";
        offlineModeShared = offline;
    }

    // Puts the catalogue (and its signature, unless null) where the source reads it.
    void Place(bool offline, const std::string& catalog, const std::string* signature) {
        if (offline) {
            CreateDirectoryW(L"E:\\OrkvaneOffline", nullptr);
            WriteFileBytes(L"E:\\OrkvaneOffline\\catalog.json", catalog);
            DeleteFileW(L"E:\\OrkvaneOffline\\catalog.json.sig");
            if (signature != nullptr) WriteFileBytes(L"E:\\OrkvaneOffline\\catalog.json.sig", *signature);
        } else {
            PublishFile(L"outils/catalog.json", catalog);
            UnpublishFile(L"outils/catalog.json.sig");
            if (signature != nullptr) PublishFile(L"outils/catalog.json.sig", *signature);
        }
    }

    // Starts a load and lets the window apply its result.
    void Load(bool automatic) {
        StartCatalogLoad(automatic);
        ASSERT_TRUE(g_state.busy);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (g_state.busy && std::chrono::steady_clock::now() < deadline) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        }
        ASSERT_FALSE(g_state.busy) << "no result arrived";
    }

    static std::vector<std::wstring> ListedIds() {
        std::vector<std::wstring> ids;
        for (const CatalogApp& app : g_state.apps) ids.push_back(app.id);
        return ids;
    }

    static size_t SignatureRequests() {
        size_t count = 0;
        for (const std::string& line : RequestLog()) count += line == "GET /outils/catalog.json.sig";
        return count;
    }

    HWND window_ = nullptr;
};

const std::wstring kPortableLoaded = W(msg::kStatusPortableCatalogLoaded);

}  // namespace

TEST_F(SignedLoadTest, SignedBuildTakesOnlySignedCataloguesFromEitherSource) {
    const TestKeys& keys = Keys();
    ReplaceCatalogSigningKeys({PublicOf(keys.second), PublicOf(keys.first)});
    const std::string signedCatalog = CatalogJson("Outil-Signe");
    const std::string signature = SignCatalogBytes(signedCatalog, keys.first.privateKeyText);
    const std::string intruder = CatalogJson("Outil-Intrus");
    const std::string byUnknown = SignCatalogBytes(intruder, keys.unknown.privateKeyText);
    const std::wstring refused = W(msg::kStatusCatalogUnreachable) + W(msg::kCatalogSignatureInvalid);
    const std::vector<std::wstring> kept{L"Outil-Signe"};

    for (bool offline : {false, true}) {
        SCOPED_TRACE(offline ? "USB key" : "web host");
        ResetAppState();
        g_state.mainWindow = window_;
        UseKey(offline);
        ClearRequestLog();

        Place(offline, signedCatalog, &signature);
        Load(false);
        EXPECT_EQ(g_state.statusText, kPortableLoaded + L" " + W(msg::kStatusCatalogSigned));
        EXPECT_EQ(ListedIds(), kept);
        EXPECT_EQ(SignatureRequests(), offline ? 0u : 1u);

        struct Refusal {
            const char* name;
            const std::string* signature;
        };
        const Refusal refusals[] = {
            {"unsigned", nullptr},
            {"changed after signing", &signature},
            {"signed by an unknown key", &byUnknown},
        };
        for (const Refusal& r : refusals) {
            Place(offline, intruder, r.signature);
            Load(false);
            EXPECT_EQ(g_state.statusText, refused) << r.name;
            EXPECT_EQ(ListedIds(), kept) << r.name;

            // The background check refuses it silently.
            g_state.statusText = L"avant";
            Load(true);
            EXPECT_EQ(g_state.statusText, L"avant") << r.name;
            EXPECT_EQ(ListedIds(), kept) << r.name;
        }
    }
    EXPECT_TRUE(RequestLog().empty()) << "the USB loads went to the network";
}

TEST_F(SignedLoadTest, UnsignedBuildNeverLooksAtSignatures) {
    ASSERT_TRUE(CatalogSigningKeys().empty()) << "the test build is an unsigned build";
    const std::string garbage = "pas une signature";
    for (bool offline : {false, true}) {
        SCOPED_TRACE(offline ? "USB key" : "web host");
        ResetAppState();
        g_state.mainWindow = window_;
        UseKey(offline);
        ClearRequestLog();
        for (const std::string* signature : {static_cast<const std::string*>(nullptr), &garbage}) {
            Place(offline, CatalogJson("Outil-Libre"), signature);
            Load(false);
            EXPECT_EQ(g_state.statusText, kPortableLoaded);
            EXPECT_EQ(ListedIds(), std::vector<std::wstring>{L"Outil-Libre"});
        }
        EXPECT_EQ(SignatureRequests(), 0u);
    }
}
