#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/messages.h"
#include "base/side_thread.h"
#include "catalog/catalog_document.h"
#include "catalog/catalog_freshness.h"
#include "catalog/catalog_model.h"
#include "catalog/json.h"
#include "catalog/utf8.h"
#include "tests/support/test_support.h"

namespace {

constexpr char kSha[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr char kOtherSha[] = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AE";

// Every unit of a text, so that two texts differing in one unit differ here.
void DumpText(const std::wstring& text, std::string& out) {
    out += '"';
    for (wchar_t c : text) out += std::to_string(static_cast<unsigned>(c)) + ".";
    out += '"';
}

void DumpFreshness(const CatalogFreshness& freshness, std::string& out) {
    out += " serial " + (freshness.serialPresent ? std::to_string(freshness.serial.value_or(0)) : "absent");
    out += " expires " + (freshness.expiresPresent ? std::to_string(freshness.expires.value_or(0)) : "absent");
}

// Every field of a tool that the catalogue fills; without where its files
// come from, what a filter sees.
std::string DumpApp(const CatalogApp& app, bool locations = true) {
    std::string out;
    for (const std::wstring* text :
         {&app.id, &app.name, &app.version, &app.category, &app.lot, &app.description, &app.exeName, &app.sha256}) {
        DumpText(*text, out);
    }
    if (locations) {
        for (const std::wstring* text : {&app.iconLocation, &app.sourceRoot, &app.downloadId, &app.downloadEndpoint})
            DumpText(*text, out);
    }
    for (const std::wstring& digest : app.withdrawn) DumpText(digest, out);
    out += " rollout ";
    out += std::to_string(app.rollout);
    // Appended one by one: GCC 12 warns wrongly of overlapping copies in a chain.
    for (const auto& [set, word] : {std::pair{app.hidden, " hidden"}, std::pair{app.installed, " installed"},
                                    std::pair{app.updateAvailable, " update"},
                                    std::pair{app.kept.previousKept, " kept"},
                                    std::pair{app.iconBitmap != nullptr, " icon"}}) {
        if (set) out += word;
    }
    return out;
}

// The catalogue as a text: every field of every tool, the document's own
// fields, and the members a signed build reads.
template <typename Read>
std::string Outcome(Read&& read, bool offline) {
    std::string out;
    CatalogLoadResult result;
    CatalogFreshness freshness;
    const std::string error = ErrorOf([&] { read(offline, result, freshness); });
    if (error != "<no error>") return error;
    out += std::to_string(result.apps.size()) + " tools, own " + std::to_string(result.selfIndex) + ", endpoint ";
    DumpText(result.downloadEndpoint, out);
    DumpFreshness(freshness, out);
    for (const CatalogApp& app : result.apps) {
        out += '\n';
        out += DumpApp(app);
    }
    return out;
}

// What the catalogue's load builds from the bytes, and what the tree of the
// same bytes builds.
std::string FromDocument(const std::string& bytes, bool offline) {
    return Outcome(
        [&](bool off, CatalogLoadResult& result, CatalogFreshness& freshness) {
            const CatalogDocument document(bytes);
            freshness = ReadCatalogFreshness(document.top());
            BuildCatalog(document, off, L"E:\\OrkvaneOffline", result);
        },
        offline);
}

std::string FromTree(const std::string& bytes, bool offline) {
    return Outcome(
        [&](bool off, CatalogLoadResult& result, CatalogFreshness& freshness) {
            const JsonValue document = ParseJson(Utf8ToWide(bytes));
            freshness = ReadCatalogFreshness(document);
            BuildCatalog(document, off, L"E:\\OrkvaneOffline", result);
        },
        offline);
}

std::string Entry(const std::string& id, const std::string& extra = "") {
    return "{\"id\":\"" + id + "\",\"version\":\"1.0\",\"category\":\"Outils\",\"description\":\"Fait des choses\"," +
           "\"sha256\":\"" + kSha + "\"" + (extra.empty() ? "" : "," + extra) + "}";
}

std::string Catalogue(const std::string& apps, const std::string& top = "") {
    return "{\"downloadEndpoint\":\"https://dl.example/get\"," + (top.empty() ? "" : top + ",") + "\"apps\":[" + apps +
           "]}";
}

// Whether the tests' filter keeps a tool: about every other one, decided by
// the tool alone, as a part's filter sees only its part.
bool KeptByTest(const CatalogApp& app) { return (app.id.size() + app.id.back()) % 2 == 0; }

// A filtered build, keeping about every other tool: it fails as the whole
// build does, or sees every tool the whole build makes, in order and as the
// whole build makes it although its record is reused (but for where its files
// come from), and keeps what the filter keeps and the program's own entry,
// whole. Offline, the same holds for the
// build made while the document is read. Returns the parts the last filters
// were made for, after the reading and, offline, while reading.
struct FilterParts {
    size_t after = 0;
    size_t alongside = 0;
};

FilterParts ExpectFilteredBuildAgrees(const std::string& bytes, bool offline, const char* what) {
    const std::wstring root = L"E:\\OrkvaneOffline";
    CatalogLoadResult whole;
    const std::string wholeError = ErrorOf([&] { BuildCatalog(CatalogDocument(bytes), offline, root, whole); });
    std::vector<std::string> wholeSeen;
    std::vector<std::string> wholeKept;
    for (size_t i = 0; i < whole.apps.size(); ++i) {
        const bool self = static_cast<int>(i) == whole.selfIndex;
        if (!self) wholeSeen.push_back(DumpApp(whole.apps[i], false));
        if (self || KeptByTest(whole.apps[i])) wholeKept.push_back(DumpApp(whole.apps[i]));
    }
    // What each part's filter saw; the last build's parts count.
    std::vector<std::vector<std::string>> seenByPart;
    const CatalogFilterMaker maker = [&seenByPart](size_t part, size_t parts) {
        if (part == 0) seenByPart.assign(parts, {});
        std::vector<std::string>& seen = seenByPart.at(part);
        return CatalogToolFilter([&seen](const CatalogApp& app) {
            seen.push_back(DumpApp(app, false));
            return KeptByTest(app);
        });
    };
    auto expectAgrees = [&](const std::string& keptError, const CatalogLoadResult& kept, const char* how) {
        EXPECT_EQ(keptError, wholeError) << what << how;
        if (wholeError != "<no error>" || keptError != wholeError) return;
        std::vector<std::string> seen;
        for (const std::vector<std::string>& part : seenByPart) seen.insert(seen.end(), part.begin(), part.end());
        std::vector<std::string> keptLines;
        for (const CatalogApp& app : kept.apps) keptLines.push_back(DumpApp(app));
        EXPECT_EQ(seen, wholeSeen) << what << how;
        EXPECT_EQ(keptLines, wholeKept) << what << how;
        EXPECT_EQ(kept.selfIndex >= 0 ? keptLines[static_cast<size_t>(kept.selfIndex)] : "",
                  whole.selfIndex >= 0 ? DumpApp(whole.apps[static_cast<size_t>(whole.selfIndex)]) : "")
            << what << how;
        EXPECT_EQ(kept.downloadEndpoint, whole.downloadEndpoint) << what << how;
    };
    if (offline) {
        CatalogLoadResult kept;
        const std::string keptError = ErrorOf([&] {
            SideThread side;
            CatalogDocument document(bytes, CatalogDocument::ReadLater{});
            FilteredBuildAlongside build(document, root, maker, side);
            document.Read(build);
            build.Finish(kept);
        });
        expectAgrees(keptError, kept, " (built while read)");
    }
    FilterParts parts;
    parts.alongside = seenByPart.size();
    seenByPart.clear();
    CatalogLoadResult kept;
    const std::string keptError = ErrorOf([&] { BuildCatalog(CatalogDocument(bytes), offline, root, kept, maker); });
    expectAgrees(keptError, kept, "");
    parts.after = seenByPart.size();
    return parts;
}

std::string Nested(size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

// Also, a build that keeps only some tools builds each as the whole build.
TEST(CatalogDocument, BuildsWhatTheTreeOfTheSameBytesBuilds) {
    struct Case {
        const char* what;
        std::string bytes;
        // The tools built online, or the message of the failure.
        std::string online;
    };
    const std::vector<Case> cases = {
        {"plain entries", Catalogue(Entry("A") + "," + Entry("B", "\"lot\":\"L1\",\"hidden\":true")), "2 tools"},
        {"every member of an entry",
         Catalogue(Entry("Tool_1", "\"lot\":\"Lot 2\",\"icon\":\"/i/t.png\",\"hidden\":false,\"rollout\":25,"
                                   "\"withdrawn\":[\"" +
                                       std::string(kOtherSha) + "\",\"short\",7,[\"" + kOtherSha + "\"],\"" + kSha +
                                       "\"]")),
         "1 tools"},
        {"texts with escapes and accents",
         Catalogue("{\"\\u0069d\":\"Caf\\u00e9\",\"version\":\"V2\\/3\",\"category\":\"R\xC3\xA9seau "
                   "\xF0\x9F\x98\x80\",\"lot\":\"a\\u0000b\",\"description\":\"\\\"q\\\" \\ud83d\\ude00 "
                   "\\uDE00\\t\xE2\x80\x99\",\"sha256\":\"" +
                   std::string(kSha) + "\"}"),
         "1 tools"},
        {"a key written with escapes names the same member",
         "{\"downloadEndpoint\":\"https://x/\",\"\\u0061pps\":[" + Entry("A") + "]}", "1 tools"},
        {"top members repeated: the first counts",
         "{\"downloadEndpoint\":\"https://a/\",\"downloadEndpoint\":\"http://b/\",\"apps\":7,\"apps\":[" +
             Entry("A") + "]}",
         msg::kNoApps},
        {"entry members repeated: the first counts",
         Catalogue("{\"id\":\"A\",\"id\":\"B\",\"version\":1,\"version\":\"2\",\"category\":\"c\",\"description\":"
                   "\"d\",\"sha256\":\"" +
                   std::string(kSha) + "\"}"),
         msg::kEntryIncomplete},
        {"ids differing in case: the first wins", Catalogue(Entry("Tool") + "," + Entry("TOOL") + "," + Entry("b")),
         "2 tools"},
        {"own entry", Catalogue(Entry("A") + "," + Entry("orkvane") + "," + Entry("ORKVANE")), "2 tools"},
        {"icons from a base", Catalogue(Entry("A", "\"icon\":\"https://x/i.png\""), "\"iconBaseUrl\":\"https://i/\""),
         "1 tools"},
        {"icons of the entry",
         Catalogue(Entry("A", "\"icon\":\"https://x/i.png\"") + "," + Entry("B", "\"icon\":\"/b.png\"") + "," +
                   Entry("C", "\"icon\":\"http://x/c.png\"") + "," + Entry("D", "\"icon\":5")),
         "4 tools"},
        {"rollouts", Catalogue(Entry("A", "\"rollout\":1e1") + "," + Entry("B", "\"rollout\":0") + "," +
                               Entry("C", "\"rollout\":50.5") + "," + Entry("D", "\"rollout\":\"50\"") + "," +
                               Entry("E", "\"rollout\":-") + "," + Entry("F", "\"rollout\":1e999")),
         "6 tools"},
        {"hidden of other kinds", Catalogue(Entry("A", "\"hidden\":\"true\"") + "," + Entry("B", "\"hidden\":1")),
         "2 tools"},
        {"members nested deeper are not the entry's",
         Catalogue("{\"x\":{\"id\":\"A\"},\"id\":\"B\",\"version\":\"1\",\"category\":\"c\",\"description\":\"d\","
                   "\"sha256\":\"" +
                   std::string(kSha) + "\",\"more\":[{\"id\":\"C\"}," + Nested(100) + "]}"),
         "1 tools"},
        {"objects nested in apps are not entries", Catalogue("[" + Entry("A") + "],5,\"s\",null," + Entry("B")),
         "1 tools"},
        {"a sha256 of twelve units", Catalogue(Entry("A", "\"sha256\":\"0123456789ab\"")), "1 tools"},
        {"a sha256 of eleven units",
         Catalogue("{\"id\":\"A\",\"version\":\"1\",\"category\":\"c\",\"description\":\"d\",\"sha256\":"
                   "\"0123456789\\u00e9\"}"),
         msg::kEntryIncomplete},
        {"serial and expires",
         Catalogue(Entry("A"), "\"serial\":42,\"expires\":\"2031-12-31T23:59:59Z\",\"serial\":43"), "1 tools"},
        {"serial and expires of other kinds", Catalogue(Entry("A"), "\"serial\":\"42\",\"expires\":{\"a\":1}"),
         "1 tools"},
        {"an incomplete entry after a good one", Catalogue(Entry("A") + ",{\"id\":\"B\"}"), msg::kEntryIncomplete},
        {"an incomplete entry repeating an id", Catalogue(Entry("A") + ",{\"id\":\"a\"}"), "1 tools"},
        {"no endpoint", "{\"apps\":[" + Entry("A") + "]}", msg::kEndpointInvalid},
        {"apps as an object", "{\"downloadEndpoint\":\"https://x/\",\"apps\":{\"a\":" + Entry("A") + "}}",
         msg::kNoApps},
        {"apps empty", Catalogue(""), msg::kNoApps},
        {"apps without objects", Catalogue("1,\"a\",[]"), msg::kNoValidApps},
        {"root of another kind", "[" + Entry("A") + "]", msg::kEndpointInvalid},
        {"a string at the root", "\"apps\"", msg::kEndpointInvalid},
        {"an id that names no file", Catalogue(Entry("a.b") + "," + Entry("x y")), "2 tools"},
        {"byte-order mark", "\xEF\xBB\xBF" + Catalogue(Entry("A")), "1 tools"},
        {"syntax error after the entries", Catalogue(Entry("A")) + "x", msg::kJsonInvalid},
        {"syntax error before an incomplete entry", Catalogue("{\"id\":1}") + ",", msg::kJsonInvalid},
        {"malformed UTF-8 after a syntax error", Catalogue(Entry("A")) + "} \xC3\x28", msg::kUtf8Invalid},
        {"malformed UTF-8 inside a string", Catalogue(Entry("A\xED\xA0\x80")), msg::kUtf8Invalid},
        {"raw control character", Catalogue(Entry("A\tB")), msg::kJsonInvalid},
        {"escape cut by the closing quote", Catalogue(Entry("A\\u12")), msg::kJsonInvalid},
        {"deepest nesting in an entry", Catalogue(Entry("A", "\"x\":" + Nested(kMaxJsonDepth - 3))), "1 tools"},
        {"nesting too deep in an entry", Catalogue(Entry("A", "\"x\":" + Nested(kMaxJsonDepth - 2))),
         msg::kJsonInvalid},
    };
    for (const Case& c : cases) {
        const std::string online = FromDocument(c.bytes, false);
        EXPECT_EQ(online.substr(0, c.online.size()), c.online) << c.what;
        EXPECT_EQ(online, FromTree(c.bytes, false)) << c.what;
        EXPECT_EQ(FromDocument(c.bytes, true), FromTree(c.bytes, true)) << c.what;
        ExpectFilteredBuildAgrees(c.bytes, false, c.what);
        ExpectFilteredBuildAgrees(c.bytes, true, c.what);
    }
}

// A large catalogue is built in two halves side by side, after the document
// is read or, offline, while it is read; where the halves do not add up to
// one build in order, it is built again in one part, and the result is
// always the build in one part's.
TEST(CatalogDocument, BuildsALargeCatalogueInPartsAsInOne) {
    constexpr size_t kEntries = 5000;
    auto ids = [](size_t from, size_t to) {
        std::vector<std::string> entries;
        for (size_t i = from; i < to; ++i) entries.push_back(Entry(std::to_string(10000 + i).insert(0, 1, 'T')));
        return entries;
    };
    auto catalogue = [](std::vector<std::string> entries) {
        std::string apps;
        for (const std::string& entry : entries) {
            if (!apps.empty()) apps += ',';
            apps += entry;
        }
        return Catalogue(apps);
    };
    // The second half starts at entry 2500.
    auto withTail = [&](size_t at, const std::string& entry) {
        std::vector<std::string> entries = ids(0, kEntries);
        entries[at] = entry;
        return catalogue(entries);
    };
    const std::string incomplete = "{\"id\":\"Nouveau\"}";
    struct Case {
        const char* what;
        std::string bytes;
        // The parts of the build that counts, after the reading and while
        // reading.
        size_t parts;
        size_t partsAlongside;
    };
    const std::vector<Case> cases = {
        {"distinct ids", catalogue(ids(0, kEntries)), 2, 2},
        {"an id of the first half again in the second, in another case", withTail(4000, Entry("t10007")), 1, 1},
        {"an id repeated within the second half", withTail(4000, Entry("T14001")), 2, 2},
        {"the program's own entry in the second half", withTail(3000, Entry("Orkvane")), 2, 2},
        {"a failing entry of the second half skipped as a repeated id",
         withTail(4000, "{\"id\":\"T10003\",\"version\":7}"), 1, 1},
        {"a failing entry of the second half", withTail(4000, incomplete), 1, 1},
        {"failing entries in both halves: the first one's failure",
         [&] {
             std::vector<std::string> entries = ids(0, kEntries);
             entries[10] = Entry("a b");
             entries[4000] = incomplete;
             return catalogue(entries);
         }(),
         2, 2},
        {"every entry before a long member, the first part's share of the bytes past them all",
         [&] {
             std::string bytes = catalogue(ids(0, kEntries));
             bytes.insert(bytes.size() - 1, ",\"notes\":\"" + std::string(2 * bytes.size(), 'x') + "\"");
             return bytes;
         }(),
         2, 2},
        // While reading, the filters are made before the pass fails.
        {"a document that fails after all its entries", catalogue(ids(0, kEntries)) + "]", 0, 2},
    };
    for (const Case& c : cases) {
        const FilterParts parts = ExpectFilteredBuildAgrees(c.bytes, true, c.what);
        EXPECT_EQ(parts.after, c.parts) << c.what;
        EXPECT_EQ(parts.alongside, c.partsAlongside) << c.what;
        ExpectFilteredBuildAgrees(c.bytes, false, c.what);
    }
    // The failure of the first half is its own, not the second's.
    const auto both = std::find_if(cases.begin(), cases.end(), [](const Case& c) {
        return std::string_view(c.what).starts_with("failing entries in both halves");
    });
    ASSERT_NE(both, cases.end());
    CatalogLoadResult result;
    EXPECT_EQ(ErrorOf([&] {
                  BuildCatalog(CatalogDocument(both->bytes), true, L"E:\\OrkvaneOffline", result, [](size_t, size_t) {
                      return CatalogToolFilter([](const CatalogApp&) { return false; });
                  });
              }),
              msg::kOfflineIdInvalid);
}

}  // namespace
