#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cwctype>
#include <string>
#include <vector>

#include "base/handles.h"
#include "base/messages.h"
#include "base/paths.h"
#include "catalog/catalog_model.h"
#include "catalog/json.h"
#include "catalog/utf8.h"
#include "catalog/web_host.h"
#include "tests/support/import_hook.h"
#include "tests/support/test_support.h"

namespace {

// SHA-256 of the three bytes "abc", as sha256sum prints it.
constexpr char kAbcSha[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr char kOfflineRoot[] = "E:\\OrkvaneOffline";

struct Built {
    std::string error;
    CatalogLoadResult result;
};

Built Build(const std::string& utf8Json, bool offline = false, const std::wstring& root = std::wstring()) {
    Built built;
    JsonValue document = ParseJson(Utf8ToWide(utf8Json));
    built.error = ErrorOf([&] { BuildCatalog(document, offline, root, built.result); });
    return built;
}

// A complete entry; `extra` is spliced in as further members.
std::string Entry(const std::string& id, const std::string& extra = "") {
    return "{\"id\":\"" + id +
           "\",\"version\":\"1.0\",\"category\":\"Outils\",\"description\":\"Fait des choses\","
           "\"sha256\":\"" +
           std::string(kAbcSha) + "\"" + (extra.empty() ? "" : "," + extra) + "}";
}

std::string Catalogue(const std::string& apps, const std::string& top = "") {
    return "{\"downloadEndpoint\":\"https://dl.example/get\"," + (top.empty() ? "" : top + ",") + "\"apps\":[" + apps +
           "]}";
}

// A file placed for one test and removed after it.
class PlacedFile {
public:
    PlacedFile(const std::wstring& path, std::string_view bytes) : path_(path) {
        CreateFolderPath(ParentFolder(path));
        WriteFileBytes(path, bytes);
    }
    ~PlacedFile() { DeleteFileW(path_.c_str()); }
    PlacedFile(const PlacedFile&) = delete;
    PlacedFile& operator=(const PlacedFile&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

CatalogApp ToolEntry(const std::wstring& id, const std::wstring& sha256) {
    CatalogApp app;
    app.id = id;
    app.name = id;
    app.exeName = id + L".exe";
    app.sha256 = sha256;
    return app;
}

TEST(CatalogBuild, FailuresCarryTheirMessage) {
    struct Case {
        const char* what;
        std::string json;
        bool offline;
        const char* message;
    };
    const Case cases[] = {
        {"no endpoint", "{\"apps\":[" + Entry("A") + "]}", false, msg::kEndpointInvalid},
        {"http endpoint", "{\"downloadEndpoint\":\"http://x/\",\"apps\":[" + Entry("A") + "]}", false,
         msg::kEndpointInvalid},
        {"upper-case scheme", "{\"downloadEndpoint\":\"HTTPS://x/\",\"apps\":[" + Entry("A") + "]}", false,
         msg::kEndpointInvalid},
        {"endpoint not a string", "{\"downloadEndpoint\":1,\"apps\":[" + Entry("A") + "]}", false,
         msg::kEndpointInvalid},
        {"endpoint checked before apps", "{\"downloadEndpoint\":\"ftp://x\"}", false, msg::kEndpointInvalid},
        {"document is an array", "[" + Entry("A") + "]", true, msg::kNoApps},
        {"apps missing", "{\"downloadEndpoint\":\"https://x\"}", false, msg::kNoApps},
        {"apps empty", Catalogue(""), false, msg::kNoApps},
        {"apps an object", "{\"downloadEndpoint\":\"https://x\",\"apps\":{\"a\":" + Entry("A") + "}}", false,
         msg::kNoApps},
        {"apps a string", "{\"downloadEndpoint\":\"https://x\",\"apps\":\"A\"}", false, msg::kNoApps},
        {"apps of numbers and strings", Catalogue("1,\"A\",null,[],true"), false, msg::kNoValidApps},
        {"no description among good entries",
         Catalogue(Entry("A") + ",{\"id\":\"B\",\"version\":\"1\",\"category\":\"c\",\"sha256\":\"" +
                   std::string(kAbcSha) + "\"}," + Entry("C")),
         false, msg::kEntryIncomplete},
        {"empty id", Catalogue(Entry("")), false, msg::kEntryIncomplete},
        {"version as a number",
         Catalogue("{\"id\":\"A\",\"version\":1,\"category\":\"c\",\"description\":\"d\",\"sha256\":\"" +
                   std::string(kAbcSha) + "\"}"),
         false, msg::kEntryIncomplete},
        {"no category",
         Catalogue("{\"id\":\"A\",\"version\":\"1\",\"description\":\"d\",\"sha256\":\"" + std::string(kAbcSha) +
                   "\"}"),
         false, msg::kEntryIncomplete},
        {"sha256 of 11 units",
         Catalogue("{\"id\":\"A\",\"version\":\"1\",\"category\":\"c\",\"description\":\"d\",\"sha256\":"
                   "\"0123456789a\"}"),
         false, msg::kEntryIncomplete},
        {"offline id with a dot", Catalogue(Entry("a.b")), true, msg::kOfflineIdInvalid},
        {"offline id with a space", Catalogue(Entry("a b")), true, msg::kOfflineIdInvalid},
        {"offline id climbing out", Catalogue(Entry("..\\\\x")), true, msg::kOfflineIdInvalid},
        {"offline bad id after good ones", Catalogue(Entry("Good") + "," + Entry("a.b")), true, msg::kOfflineIdInvalid},
        {"offline serial port", Catalogue(Entry("COM3")), true, msg::kOfflineIdInvalid},
        {"offline null device in lower case", Catalogue(Entry("Good") + "," + Entry("nul")), true,
         msg::kOfflineIdInvalid},
        {"incomplete is checked before the offline id",
         Catalogue("{\"id\":\"a.b\",\"version\":\"1\",\"category\":\"c\",\"sha256\":\"" + std::string(kAbcSha) + "\"}"),
         true, msg::kEntryIncomplete},
    };
    for (const Case& c : cases) {
        Built built = Build(c.json, c.offline, W(kOfflineRoot));
        EXPECT_EQ(built.error, c.message) << c.what;
        EXPECT_FALSE(built.result.ok) << c.what;
    }
}

TEST(CatalogBuild, AcceptedDocuments) {
    struct Case {
        const char* what;
        std::string json;
        bool offline;
        size_t count;
    };
    const Case cases[] = {
        {"no lot", Catalogue(Entry("A")), false, 1},
        {"non-objects skipped", Catalogue("1," + Entry("A") + ",\"x\",[]," + Entry("B")), false, 2},
        {"offline ignores the endpoint", "{\"apps\":[" + Entry("A") + "]}", true, 1},
        {"offline with a plain http endpoint", "{\"downloadEndpoint\":\"http://x\",\"apps\":[" + Entry("A") + "]}",
         true, 1},
        {"online id with a dot loads", Catalogue(Entry("a.b")), false, 1},
        {"online id with a space loads", Catalogue(Entry("a b")), false, 1},
        {"online device names load", Catalogue(Entry("COM3") + "," + Entry("nul") + "," + Entry("Lpt9")), false, 3},
        {"12-unit sha256",
         Catalogue("{\"id\":\"A\",\"version\":\"1\",\"category\":\"c\",\"description\":\"d\",\"sha256\":"
                   "\"0123456789ab\"}"),
         false, 1},
    };
    for (const Case& c : cases) {
        Built built = Build(c.json, c.offline, W(kOfflineRoot));
        EXPECT_EQ(built.error, "<no error>") << c.what;
        EXPECT_TRUE(built.result.ok) << c.what;
        EXPECT_EQ(built.result.apps.size(), c.count) << c.what;
    }
}

TEST(CatalogBuild, ReadsEveryFieldOfAnEntry) {
    const std::string json =
        "{\"downloadEndpoint\":\"https://dl.example/get\",\"unknown\":[1,2],\"apps\":[{"
        "\"id\":\"Relev\xC3\xA9_1\",\"version\":\"2.3.4\",\"category\":\"Cat\xC3\xA9gorie\",\"lot\":\"Lot B\","
        "\"description\":\"L\xE2\x80\x99outil\",\"sha256\":\"" +
        std::string(kAbcSha) +
        "\",\"hidden\":true,"
        "\"icon\":\"https://cdn.example/x.png\",\"extra\":{\"nested\":1}}]}";
    Built built = Build(json);
    ASSERT_EQ(built.error, "<no error>");
    const CatalogLoadResult& result = built.result;
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.downloadEndpoint, L"https://dl.example/get");
    EXPECT_EQ(result.selfIndex, -1);
    ASSERT_EQ(result.apps.size(), 1u);
    const CatalogApp& app = result.apps[0];
    EXPECT_EQ(app.id, L"Relev\u00E9_1");
    EXPECT_EQ(app.name, L"Relev\u00E9_1");
    EXPECT_EQ(app.version, L"2.3.4");
    EXPECT_EQ(app.category, L"Cat\u00E9gorie");
    EXPECT_EQ(app.lot, L"Lot B");
    EXPECT_EQ(app.description, L"L\u2019outil");
    EXPECT_EQ(app.exeName, L"Relev\u00E9_1.exe");
    EXPECT_EQ(app.iconLocation, L"https://cdn.example/x.png");
    EXPECT_EQ(app.sourceRoot, L"");
    EXPECT_EQ(app.sha256, W(kAbcSha));
    EXPECT_EQ(app.downloadId, L"Relev\u00E9_1_ba7816bf8f01");
    EXPECT_EQ(app.downloadEndpoint, L"https://dl.example/get");
    EXPECT_TRUE(app.hidden);
    EXPECT_FALSE(app.installed);
    EXPECT_FALSE(app.updateAvailable);
    EXPECT_TRUE(app.iconBitmap == nullptr);

    Built noLot = Build(Catalogue(Entry("A")));
    ASSERT_EQ(noLot.result.apps.size(), 1u);
    EXPECT_EQ(noLot.result.apps[0].lot, L"");
    EXPECT_FALSE(noLot.result.apps[0].hidden);
}

TEST(CatalogBuild, HiddenIsTrueOnlyForTheJsonTrue) {
    struct Case {
        const char* hidden;
        bool expected;
    };
    const Case cases[] = {
        {"\"hidden\":true", true},  {"\"hidden\":false", false}, {"\"hidden\":\"true\"", false},
        {"\"hidden\":1", false},    {"\"hidden\":null", false},  {"", false},
        {"\"Hidden\":true", false},
    };
    for (const Case& c : cases) {
        Built built = Build(Catalogue(Entry("A", c.hidden)));
        ASSERT_EQ(built.result.apps.size(), 1u) << c.hidden;
        EXPECT_EQ(built.result.apps[0].hidden, c.expected) << c.hidden;
    }
}

TEST(CatalogBuild, DownloadIdTakesTwelveUnitsOfTheSha) {
    struct Case {
        const char* sha;
        const wchar_t* downloadId;
    };
    const Case cases[] = {
        {"0123456789ab", L"Tool_0123456789ab"},
        {"0123456789abc", L"Tool_0123456789ab"},
        {"ZZZZZZZZZZZZZZ", L"Tool_ZZZZZZZZZZZZ"},  // not examined here
        {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9X",
         L"Tool_\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9"},
    };
    for (const Case& c : cases) {
        Built built = Build(
            Catalogue("{\"id\":\"Tool\",\"version\":\"1\",\"category\":\"c\",\"description\":\"d\","
                      "\"sha256\":\"" +
                      std::string(c.sha) + "\"}"));
        ASSERT_EQ(built.error, "<no error>") << c.sha;
        EXPECT_EQ(built.result.apps[0].downloadId, c.downloadId) << c.sha;
        EXPECT_EQ(built.result.apps[0].sha256, W(c.sha));
    }
}

TEST(CatalogBuild, IconLocations) {
    const std::wstring site = SiteRoot();
    ASSERT_EQ(site.rfind(L"https://", 0), 0u);
    ASSERT_NE(site.back(), L'/');
    struct Case {
        const char* top;
        const char* entryExtra;
        std::wstring expected;
    };
    const Case cases[] = {
        {"\"iconBaseUrl\":\"https://img.example/icons\"", "", L"https://img.example/icons/Tool.png"},
        {"\"iconBaseUrl\":\"https://img.example/icons/\"", "", L"https://img.example/icons/Tool.png"},
        {"\"iconBaseUrl\":\"https://img.example/icons\"", "\"icon\":\"https://other/x.png\"",
         L"https://img.example/icons/Tool.png"},
        {"", "\"icon\":\"https://cdn.example/t.png\"", L"https://cdn.example/t.png"},
        {"", "\"icon\":\"/outils/icons/t.png\"", site + L"/outils/icons/t.png"},
        {"\"iconBaseUrl\":\"\"", "\"icon\":\"/t.png\"", site + L"/t.png"},
        {"\"iconBaseUrl\":5", "\"icon\":\"https://cdn.example/t.png\"", L"https://cdn.example/t.png"},
        // Anything but HTTPS is no address at all.
        {"\"iconBaseUrl\":5", "\"icon\":\"t.png\"", L""},
        {"", "\"icon\":\"http://cdn.example/t.png\"", L""},
        {"", "\"icon\":\"HTTPS://cdn.example/t.png\"", L""},
        {"", "\"icon\":\"file:///C:/t.png\"", L""},
        {"", "\"icon\":\"\\\\\\\\host\\\\share\\\\t.png\"", L""},
        {"", "\"icon\":\" https://cdn.example/t.png\"", L""},
        {"\"iconBaseUrl\":\"http://img.example/icons\"", "\"icon\":\"https://other/x.png\"", L""},
        {"", "", L""},
        {"", "\"icon\":\"\"", L""},
        {"", "\"icon\":7", L""},
    };
    for (const Case& c : cases) {
        Built built = Build(Catalogue(Entry("Tool", c.entryExtra), c.top));
        ASSERT_EQ(built.error, "<no error>") << c.top << " " << c.entryExtra;
        EXPECT_EQ(built.result.apps[0].iconLocation, c.expected) << c.top << " " << c.entryExtra;
    }
}

TEST(CatalogBuild, OfflineEntriesPointIntoTheOfflineFolder) {
    const std::wstring root = W(kOfflineRoot);
    Built built = Build(Catalogue(Entry("Tool_1-x", "\"icon\":\"/x.png\"") + "," + Entry("B"),
                                  "\"iconBaseUrl\":\"https://img.example\""),
                        true, root);
    ASSERT_EQ(built.error, "<no error>");
    EXPECT_EQ(built.result.downloadEndpoint, L"https://dl.example/get");
    ASSERT_EQ(built.result.apps.size(), 2u);
    const CatalogApp& app = built.result.apps[0];
    EXPECT_EQ(app.sourceRoot, root);
    EXPECT_EQ(app.iconLocation, L"E:\\OrkvaneOffline\\icons\\Tool_1-x.png");
    EXPECT_EQ(app.downloadEndpoint, L"");
    EXPECT_EQ(app.downloadId, L"Tool_1-x_ba7816bf8f01");
    EXPECT_EQ(built.result.apps[1].iconLocation, L"E:\\OrkvaneOffline\\icons\\B.png");

    Built online = Build(Catalogue(Entry("Tool_1-x")));
    ASSERT_EQ(online.result.apps.size(), 1u);
    EXPECT_EQ(online.result.apps[0].sourceRoot, L"");
    EXPECT_EQ(online.result.apps[0].downloadEndpoint, L"https://dl.example/get");
}

TEST(CatalogBuild, OwnEntryIndex) {
    struct Case {
        const char* what;
        std::string apps;
        int selfIndex;
    };
    const Case cases[] = {
        {"none", Entry("A") + "," + Entry("B"), -1},
        {"exact name", Entry("A") + "," + Entry("Orkvane"), 1},
        {"capitals", Entry("ORKVANE"), 0},
        {"skipped elements do not count", "1,\"x\"," + Entry("A") + ",null," + Entry("orkvane"), 1},
        {"a later own entry is skipped",
         Entry("Orkvane") + "," + Entry("A") + "," + Entry("ORKVANE") + "," + Entry("B"), 0},
        {"near names are tools", Entry("Orkvane2") + "," + Entry("Orkvan") + "," + Entry(" Orkvane"), -1},
    };
    for (const Case& c : cases) {
        Built built = Build(Catalogue(c.apps));
        ASSERT_EQ(built.error, "<no error>") << c.what;
        EXPECT_EQ(built.result.selfIndex, c.selfIndex) << c.what;
    }
}

TEST(CatalogAppId, ValidIdentifiers) {
    struct Case {
        std::wstring id;
        bool valid;
    };
    const Case cases[] = {
        {L"Tool_1-x", true},
        {L"a", true},
        {L"Z9", true},
        {std::wstring(128, L'a'), true},
        {std::wstring(129, L'a'), false},
        {L"", false},
        {L"a.b", false},
        {L"a b", false},
        {L"a/b", false},
        {L"a\\b", false},
        {L"..", false},
        {L"a:b", false},
        {L"\u00E9", false},
        {L"\xFF21", false},  // full-width A
        {L"\x0661", false},  // Arabic-Indic one
        {std::wstring(L"a\0b", 3), false},
        {L"a\t", false},
        // Names of devices, whatever the letter case.
        {L"CON", false},
        {L"prn", false},
        {L"Aux", false},
        {L"nUL", false},
        {L"COM0", false},
        {L"com3", false},
        {L"COM9", false},
        {L"LPT0", false},
        {L"lpt1", false},
        {L"LpT9", false},
        {L"COM10", true},
        {L"LPT10", true},
        {L"CONSOLE", true},
        {L"CON_", true},
        {L"NULL", true},
        {L"COM", true},
        {L"LPT", true},
        {L"AUX1", true},
        {L"COMA", true},
        {L"XCOM1", true},
    };
    for (const Case& c : cases) EXPECT_EQ(IsValidAppId(c.id), c.valid) << c.id;
}

TEST(CatalogAppId, OwnIdIgnoresAsciiCase) {
    struct Case {
        const wchar_t* id;
        bool own;
    };
    const Case cases[] = {
        {L"Orkvane", true}, {L"ORKVANE", true},   {L"orkvane", true}, {L"oRkVaNe", true},       {L"Orkvane ", false},
        {L"Orkvan", false}, {L"Orkvanes", false}, {L"", false},       {L"Orkv\u00C0ne", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsOwnAppId(c.id), c.own) << c.id;
}

TEST(CatalogOfflineToolPath, JoinsRootFolderAndId) {
    struct Case {
        const wchar_t* root;
        const wchar_t* id;
        const wchar_t* folder;
        const wchar_t* ext;
        std::string result;
    };
    const Case cases[] = {
        {L"E:\\OrkvaneOffline", L"Tool_1-x", L"outils", L".exe", "E:\\OrkvaneOffline\\outils\\Tool_1-x.exe"},
        {L"E:\\OrkvaneOffline\\", L"Tool", L"icons", L".png", "E:\\OrkvaneOffline\\icons\\Tool.png"},
        {L"E:\\OrkvaneOffline", L"a.b", L"outils", L".exe", msg::kOfflineIdInvalid},
        {L"E:\\OrkvaneOffline", L"..", L"outils", L".exe", msg::kOfflineIdInvalid},
        {L"E:\\OrkvaneOffline", L"", L"outils", L".exe", msg::kOfflineIdInvalid},
    };
    for (const Case& c : cases) {
        CatalogApp app = ToolEntry(c.id, L"");
        std::string got;
        std::string error = ErrorOf([&] { got = WideToUtf8(OfflineToolPath(c.root, c.folder, app, c.ext)); });
        EXPECT_EQ(error == "<no error>" ? got : error, c.result) << c.id;
    }
}

TEST(Version, ParseVersionComponents) {
    struct Case {
        const wchar_t* text;
        std::vector<unsigned long long> parts;
    };
    const Case cases[] = {
        {L"", {0}},
        {L"V2", {2}},
        {L"v2.5", {2, 5}},
        {L"V", {0}},
        {L"VV2", {0}},
        {L"1..3", {1, 0, 3}},
        {L"1.", {1}},
        {L"1..", {1, 0}},
        {L".", {0}},
        {L".5", {0, 5}},
        {L"1.11.0", {1, 11, 0}},
        {L"3-beta.rc1", {3, 0}},
        {L"007.010", {7, 10}},
        {L"1.2.3.4.5", {1, 2, 3, 4, 5}},
        {L" 1", {0}},
        {L"2\x0663", {2}},  // only ASCII digits count
        {L"18446744073709551615", {18446744073709551615ULL}},
        {L"99999999999999999999999", {18446744073709551615ULL}},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseVersion(c.text), c.parts) << c.text;
}

TEST(Version, CompareVersions) {
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        int order;
    };
    const Case cases[] = {
        {L"1.11.0", L"1.9.9", 1}, {L"1.9.9", L"1.11.0", -1},      {L"1.2", L"1.2.0", 0},       {L"1.2.0.0", L"1.2", 0},
        {L"V1.10", L"1.9", 1},    {L"1.11.1", L"1.11.0", 1},      {L"1.11", L"1.11.0.1", -1},  {L"2", L"10", -1},
        {L"", L"0.0", 0},         {L"1.11.0-beta", L"1.11.0", 0}, {L"v1.11.0", L"V1.11.0", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareVersions(ParseVersion(c.a), ParseVersion(c.b)), c.order) << c.a << L" vs " << c.b;
    }
}

TEST(CatalogInstalledState, ToolFilesInTheAppsFolder) {
    ScratchFolder apps = ScratchFolder::At(GetAppsFolder());
    const std::wstring abc = W(kAbcSha);
    std::wstring upper = abc;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    struct Case {
        const char* what;
        const char* content;
        std::wstring sha;
        bool installed;
        bool update;
    };
    const Case cases[] = {
        {"missing", nullptr, abc, false, false},
        {"matching lower case", "abc", abc, true, false},
        {"matching upper case", "abc", upper, true, false},
        {"different content", "abd", abc, true, true},
        {"no expected digest", "abd", L"", true, false},
        {"only the first 12 units", "abc", abc.substr(0, 12), true, true},
    };
    for (const Case& c : cases) {
        std::wstring path = apps / L"Tool.exe";
        DeleteFileW(path.c_str());
        if (c.content != nullptr) WriteFileBytes(path, c.content);
        CatalogApp app = ToolEntry(L"Tool", c.sha);
        app.installed = !c.installed;
        app.updateAvailable = !c.update;
        RefreshInstalledState(app, false);
        EXPECT_EQ(app.installed, c.installed) << c.what;
        EXPECT_EQ(app.updateAvailable, c.update) << c.what;
    }
}

TEST(CatalogInstalledState, FolderIsNotAnInstalledTool) {
    ScratchFolder apps = ScratchFolder::At(GetAppsFolder());
    CreateFolderPath(apps / L"Tool.exe");
    CatalogApp app = ToolEntry(L"Tool", W(kAbcSha));
    app.installed = true;
    app.updateAvailable = true;
    RefreshInstalledState(app, false);
    EXPECT_FALSE(app.installed);
    EXPECT_FALSE(app.updateAvailable);
}

TEST(CatalogInstalledState, UnreadableToolOffersAnUpdate) {
    ScratchFolder apps = ScratchFolder::At(GetAppsFolder());
    std::wstring path = apps / L"Tool.exe";
    WriteFileBytes(path, "abc");
    CatalogApp app = ToolEntry(L"Tool", W(kAbcSha));
    {
        UniqueHandle lock(
            CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        RefreshInstalledState(app, false);
        EXPECT_TRUE(app.installed);
        EXPECT_TRUE(app.updateAvailable);
    }
    // Once readable again the same file matches.
    RefreshInstalledState(app, false);
    EXPECT_TRUE(app.installed);
    EXPECT_FALSE(app.updateAvailable);
}

TEST(CatalogInstalledState, IdsThatLeaveTheAppsFolderAreNeverInstalled) {
    ScratchFolder apps = ScratchFolder::At(GetAppsFolder());
    // Apps\..\..\x.exe is the local application-data folder's x.exe.
    PlacedFile outside(JoinPath(GetKnownFolder(FOLDERID_LocalAppData), L"x.exe"), "abd");
    PlacedFile beside(JoinPath(GetInstallFolder(), L"y.exe"), "abd");
    ASSERT_TRUE(FileExists(apps / L"..\\..\\x.exe"));
    ASSERT_TRUE(FileExists(apps / L"..\\y.exe"));

    std::vector<CatalogApp> entries;
    entries.push_back(ToolEntry(L"..\\..\\x", W(kAbcSha)));
    entries.push_back(ToolEntry(L"../../x", W(kAbcSha)));
    entries.push_back(ToolEntry(L"..\\y", W(kAbcSha)));
    // Device names: the "file" exists whatever the folder.
    for (const wchar_t* device : {L"NUL", L"con", L"COM1", L"lpt1"}) entries.push_back(ToolEntry(device, W(kAbcSha)));
    CatalogApp renamed = ToolEntry(L"x", W(kAbcSha));
    renamed.exeName = L"..\\..\\x.exe";
    entries.push_back(std::move(renamed));
    for (CatalogApp& app : entries) {
        app.installed = true;
        app.updateAvailable = true;
        RefreshInstalledState(app, false);
        EXPECT_FALSE(app.installed) << app.id << L" / " << app.exeName;
        EXPECT_FALSE(app.updateAvailable) << app.id << L" / " << app.exeName;
    }
}

TEST(CatalogInstalledState, OwnEntryUsesTheInstalledProgram) {
    ScratchFolder apps = ScratchFolder::At(GetAppsFolder());
    CatalogApp own = ToolEntry(L"ORKVANE", W(kAbcSha));
    RefreshInstalledState(own, true);
    EXPECT_FALSE(own.installed);
    {
        PlacedFile program(GetInstalledExePath(), "abd");
        RefreshInstalledState(own, true);
        EXPECT_TRUE(own.installed);
        EXPECT_TRUE(own.updateAvailable);
        // As a tool the same entry would look in the Apps folder instead.
        RefreshInstalledState(own, false);
        EXPECT_FALSE(own.installed);
    }
    WriteFileBytes(apps / L"ORKVANE.exe", "abc");
    RefreshInstalledState(own, true);
    EXPECT_FALSE(own.installed);
    RefreshInstalledState(own, false);
    EXPECT_TRUE(own.installed);
    EXPECT_FALSE(own.updateAvailable);
}

TEST(CatalogInstalledState, BuildRefreshesEveryEntry) {
    ScratchFolder apps = ScratchFolder::At(GetAppsFolder());
    WriteFileBytes(apps / L"Same.exe", "abc");
    WriteFileBytes(apps / L"Changed.exe", "abd");
    PlacedFile program(GetInstalledExePath(), "abc");
    Built built = Build(
        Catalogue(Entry("Same") + "," + Entry("Changed") + "," + Entry("Absent") + "," + Entry("orkvane")));
    ASSERT_EQ(built.error, "<no error>");
    struct Case {
        bool installed;
        bool update;
    };
    const Case expected[] = {{true, false}, {true, true}, {false, false}, {true, false}};
    ASSERT_EQ(built.result.apps.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(built.result.apps[i].installed, expected[i].installed) << i;
        EXPECT_EQ(built.result.apps[i].updateAvailable, expected[i].update) << i;
    }
    EXPECT_EQ(built.result.selfIndex, 3);
}

// The catalogue step reads the Apps folder in one listing: it must answer as
// asking the file system for each file would.
TEST(CatalogInstalledState, BuildMatchesTheAppsFolderAsTheFileSystemDoes) {
    {
        ScratchFolder apps = ScratchFolder::At(GetAppsFolder());
        WriteFileBytes(apps / L"mixedcase.EXE", "abc");
        CreateFolderPath(apps / L"Folder.exe");
        WriteFileBytes(apps / L"Other.exe.bak", "abc");
        Built built = Build(Catalogue(Entry("MixedCase") + "," + Entry("Folder") + "," + Entry("Other")));
        ASSERT_EQ(built.error, "<no error>");
        ASSERT_EQ(built.result.apps.size(), 3u);
        const bool expected[] = {true, false, false};
        for (size_t i = 0; i < 3; ++i) {
            CatalogApp asked = ToolEntry(built.result.apps[i].id, W(kAbcSha));
            RefreshInstalledState(asked, false);
            EXPECT_EQ(built.result.apps[i].installed, expected[i]) << i;
            EXPECT_EQ(built.result.apps[i].installed, asked.installed) << i;
            EXPECT_FALSE(built.result.apps[i].updateAvailable) << i;
        }
    }
    // No Apps folder at all: nothing is installed.
    RemoveTree(GetAppsFolder());
    Built built = Build(Catalogue(Entry("MixedCase")));
    ASSERT_EQ(built.error, "<no error>");
    EXPECT_FALSE(built.result.apps[0].installed);
}

// A directory listing that a network or file-system error cuts short after
// `listingEntriesLeft` more entries.
int listingEntriesLeft = 0;
ScopedImportHook* listingHook = nullptr;
BOOL WINAPI CutShortFindNextFile(HANDLE find, LPWIN32_FIND_DATAW data) {
    if (listingEntriesLeft-- <= 0) {
        SetLastError(ERROR_UNEXP_NET_ERR);
        return FALSE;
    }
    using FindNextFn = BOOL(WINAPI*)(HANDLE, LPWIN32_FIND_DATAW);
    return reinterpret_cast<FindNextFn>(listingHook->original())(find, data);
}

// A listing that ends on an error is not taken for the whole folder: the
// tools it did not reach are asked for one by one and still show installed.
TEST(CatalogInstalledState, AListingCutShortFallsBackToAskingEachFile) {
    ScratchFolder apps = ScratchFolder::At(GetAppsFolder());
    const char* ids[] = {"Alpha", "Bravo", "Charlie", "Delta"};
    std::string entries;
    for (const char* id : ids) {
        WriteFileBytes(apps / (W(id) + L".exe"), "abc");
        if (!entries.empty()) entries += ",";
        entries += Entry(id);
    }
    for (int entriesBeforeTheError : {0, 2}) {
        ScopedImportHook hook("FindNextFileW", reinterpret_cast<void*>(&CutShortFindNextFile));
        ASSERT_TRUE(hook.installed());
        listingHook = &hook;
        listingEntriesLeft = entriesBeforeTheError;
        Built built = Build(Catalogue(entries));
        listingHook = nullptr;
        ASSERT_EQ(built.error, "<no error>");
        ASSERT_EQ(built.result.apps.size(), 4u);
        for (const CatalogApp& app : built.result.apps) {
            EXPECT_TRUE(app.installed) << WideToUtf8(app.id) << " after " << entriesBeforeTheError;
            EXPECT_FALSE(app.updateAvailable) << WideToUtf8(app.id);
        }
    }
}

// A catalogue of the largest size the offline source accepts.
TEST(CatalogBuild, RecordsAreReservedForObjectsOnly) {
    // 4 MiB of empty arrays once reserved a tool record for each: over 500 MB.
    std::string apps;
    apps.reserve(4u << 20);
    while (apps.size() < (4u << 20) - 3) apps += apps.empty() ? "[]" : ",[]";
    Built empty = Build(Catalogue(apps));
    EXPECT_EQ(empty.error, msg::kNoValidApps);
    EXPECT_EQ(empty.result.apps.capacity(), 0u);

    Built mixed = Build(Catalogue(Entry("A") + "," + apps + "," + Entry("B")));
    ASSERT_EQ(mixed.error, "<no error>");
    EXPECT_EQ(mixed.result.apps.size(), 2u);
    EXPECT_EQ(mixed.result.apps.capacity(), 2u);
}

// 4 MiB of empty objects: each fails the load, so none may be reserved for.
TEST(CatalogBuild, EmptyObjectsReserveNothing) {
    std::string apps;
    apps.reserve(4u << 20);
    while (apps.size() < (4u << 20) - 3) apps += apps.empty() ? "{}" : ",{}";
    for (const std::string& listed : {apps, Entry("A") + "," + apps}) {
        Built built = Build(Catalogue(listed));
        EXPECT_EQ(built.error, msg::kEntryIncomplete);
        EXPECT_LE(built.result.apps.capacity(), 1u);
    }
}

// Ids name files, and file names ignore case: a later entry of the same id is
// skipped whatever it holds, like an element that is not an object.
TEST(CatalogBuild, TheFirstEntryOfAnIdWins) {
    Built built = Build(Catalogue(Entry("Outil-A", "\"lot\":\"premier\"") + "," + Entry("B") + "," +
                                  Entry("OUTIL-a", "\"lot\":\"second\"") + ",{\"id\":\"b\"}," + Entry("outil-b") + "," +
                                  Entry("Orkvane") + "," + Entry("ORKVANE")));
    ASSERT_EQ(built.error, "<no error>");
    std::vector<std::wstring> ids;
    for (const CatalogApp& app : built.result.apps) ids.push_back(app.id);
    EXPECT_EQ(ids, (std::vector<std::wstring>{L"Outil-A", L"B", L"outil-b", L"Orkvane"}));
    EXPECT_EQ(built.result.apps[0].lot, L"premier");
    EXPECT_EQ(built.result.selfIndex, 3);
}

TEST(CatalogBuild, LargeCatalogue) {
    const int count = 10000;
    std::string apps;
    apps.reserve(4u << 20);
    for (int i = 0; i < count; ++i) {
        if (i) apps += ",\n";
        std::string id = "Tool_" + std::to_string(i);
        apps += Entry(id, "\"lot\":\"Lot " + std::to_string(i % 7) + "\",\"icon\":\"/outils/icons/" + id +
                              ".png\",\"hidden\":" + (i % 3 == 0 ? "true" : "false") + ",\"notes\":\"" +
                              std::string(140, 'n') + " \\u00e9\\n\",\"size\":" + std::to_string(i * 1.5));
    }
    std::string json = Catalogue(apps);
    ASSERT_GT(json.size(), 3u << 20);
    ASSERT_LT(json.size(), 4u << 20);

    Built built = Build(json);
    ASSERT_EQ(built.error, "<no error>");
    ASSERT_EQ(built.result.apps.size(), static_cast<size_t>(count));
    for (int i : {0, 1, 4999, count - 1}) {
        const CatalogApp& app = built.result.apps[i];
        std::wstring id = L"Tool_" + std::to_wstring(i);
        EXPECT_EQ(app.id, id);
        EXPECT_EQ(app.lot, L"Lot " + std::to_wstring(i % 7));
        EXPECT_EQ(app.iconLocation, SiteRoot() + L"/outils/icons/" + id + L".png");
        EXPECT_EQ(app.hidden, i % 3 == 0);
    }
}

}  // namespace
