// Signed catalogues: the verification on its own, then whole loads from the
// loopback web server and from a USB key through the real main window, as a
// signed build (keys set for the process) and as the unsigned test build.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/state.h"
#include "base/constants.h"
#include "base/messages.h"
#include "base/worker_shared.h"
#include "catalog/catalog_freshness.h"
#include "catalog/catalog_keys.h"
#include "catalog/catalog_load.h"
#include "catalog/catalog_signature.h"
#include "publisher/catalog_signing.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "tests/support/waiting.h"
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

constexpr char kFarExpiry[] = R"("expires": "2099-12-31T23:59:59Z", )";

// A signed build requires a serial (0 leaves it out) and an expiry; `extra`
// holds the members besides "serial", by default a far expiry.
std::string CatalogJson(const std::string& id, unsigned serial = 1, const std::string& extra = kFarExpiry) {
    std::string freshness = serial == 0 ? "" : R"("serial": )" + std::to_string(serial) + ", ";
    return R"({)" + freshness + extra +
           R"("downloadEndpoint": "https://localhost/telechargement", "iconBaseUrl": "", "apps": [
  {"id": ")" +
           id + R"(", "version": "1.0", "category": "Outils", "description": "Un outil",
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
        window_ = CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW, 0, 0, 1180, 780, nullptr,
                                  nullptr, g_state.instance, nullptr);
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
        PumpUntil([] { return !g_state.busy; }, 20000);
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

namespace {

std::optional<unsigned long long> StoredSerial(const wchar_t* name) {
    unsigned long long value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, name, RRF_RT_REG_QWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

}  // namespace

// A catalogue signed long ago is still signed: the serial and the expiry tell
// it from the latest. Each source keeps its own highest serial.
TEST_F(SignedLoadTest, SignedBuildRefusesAnOlderOrExpiredCatalogue) {
    const TestKeys& keys = Keys();
    ReplaceCatalogSigningKeys({PublicOf(keys.first)});
    const std::optional<unsigned long long> now = ParseUtcTime(L"2030-01-01T00:00:00Z");
    ASSERT_TRUE(now.has_value());
    ReplaceCatalogClock([now] { return *now; });
    auto place = [&](bool offline, const std::string& catalog) {
        const std::string signature = SignCatalogBytes(catalog, keys.first.privateKeyText);
        Place(offline, catalog, &signature);
    };
    const std::wstring signedStatus = kPortableLoaded + L" " + W(msg::kStatusCatalogSigned);
    const std::wstring unreachable = W(msg::kStatusCatalogUnreachable);

    ResetAppState();
    g_state.mainWindow = window_;
    for (bool offline : {false, true}) {
        SCOPED_TRACE(offline ? "USB key" : "web host");
        const wchar_t* value = offline ? L"OfflineCatalogSerial" : L"OnlineCatalogSerial";
        UseKey(offline);

        // Valid to the very second of "now"; on the key after the web host's 9, 7 is still new.
        place(offline, CatalogJson("Outil-Sept", 7, R"("expires": "2030-01-01T00:00:00Z", )"));
        Load(false);
        EXPECT_EQ(g_state.statusText, signedStatus);
        EXPECT_EQ(ListedIds(), std::vector<std::wstring>{L"Outil-Sept"});
        EXPECT_EQ(StoredSerial(value), 7u);

        struct Refusal {
            const char* name;
            std::string catalog;
            const char* message;
        };
        const Refusal refusals[] = {
            {"an older serial", CatalogJson("Outil-Six", 6), msg::kCatalogSignedOlder},
            {"no serial", CatalogJson("Outil-Sans", 0), msg::kCatalogSignedOlder},
            {"a serial that is not a number", CatalogJson("Outil-Texte", 0, R"("serial": "8", )"),
             msg::kCatalogSignedOlder},
            {"a serial that is not a whole number", CatalogJson("Outil-Demi", 0, R"("serial": 8.5, )"),
             msg::kCatalogSignedOlder},
            {"expired a second ago", CatalogJson("Outil-Perime", 8, R"("expires": "2029-12-31T23:59:59Z", )"),
             msg::kCatalogSignedExpired},
            {"an expiry that is no date", CatalogJson("Outil-Fevrier", 8, R"("expires": "2030-02-30T00:00:00Z", )"),
             msg::kCatalogSignedExpired},
            {"no expiry: a host could serve it for ever", CatalogJson("Outil-Eternel", 8, ""),
             msg::kCatalogSignedWithoutExpiry},
        };
        for (const Refusal& r : refusals) {
            place(offline, r.catalog);
            Load(false);
            EXPECT_EQ(g_state.statusText, unreachable + W(r.message)) << r.name;
            EXPECT_EQ(ListedIds(), std::vector<std::wstring>{L"Outil-Sept"}) << r.name;

            g_state.statusText = L"avant";
            Load(true);
            EXPECT_EQ(g_state.statusText, L"avant") << r.name;
            EXPECT_EQ(ListedIds(), std::vector<std::wstring>{L"Outil-Sept"}) << r.name;
            EXPECT_EQ(StoredSerial(value), 7u) << r.name;
        }

        // The same serial loads again; a higher one becomes the new floor.
        place(offline, CatalogJson("Outil-Egal", 7));
        Load(false);
        EXPECT_EQ(ListedIds(), std::vector<std::wstring>{L"Outil-Egal"});
        place(offline, CatalogJson("Outil-Neuf", 9));
        Load(false);
        EXPECT_EQ(ListedIds(), std::vector<std::wstring>{L"Outil-Neuf"});
        EXPECT_EQ(StoredSerial(value), 9u);
        place(offline, CatalogJson("Outil-Huit", 8));
        Load(false);
        EXPECT_EQ(g_state.statusText, unreachable + W(msg::kCatalogSignedOlder));
    }

    // Read back at the next start.
    ResetAppState();
    LoadSettings();
    EXPECT_EQ(g_state.settings.onlineCatalogSerial, 9u);
    EXPECT_EQ(g_state.settings.offlineCatalogSerial, 9u);

    // An unsigned build reads neither member.
    ReplaceCatalogSigningKeys({});
    g_state.mainWindow = window_;
    UseKey(false);
    Place(false, CatalogJson("Outil-Libre", 2, R"("expires": "2001-01-01T00:00:00Z", )"), nullptr);
    Load(false);
    EXPECT_EQ(g_state.statusText, kPortableLoaded);
    EXPECT_EQ(ListedIds(), std::vector<std::wstring>{L"Outil-Libre"});
    ReplaceCatalogClock({});
}
