// The publisher's console tool, run for real under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

#include "base/constants.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "catalog/catalog_load.h"
#include "publisher/file_tree.h"
#include "tests/support/folder_link.h"
#include "tests/support/import_hook.h"
#include "tests/support/process_support.h"
#include "tests/support/test_support.h"

namespace {

const char kPng[] =
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x02\x00\x00\x00\x02\x08\x06\x00"
    "\x00\x00\x72\xb6\x0d\x24\x00\x00\x00\x11\x49\x44\x41\x54\x78\x9c\x63\x10\xaf\xbd\xf3\x1f\x84\x19\x60\x0c\x00"
    "\x51\x80\x09\xbd\x91\x17\x84\x5d\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82";
const std::string kPngBytes(kPng, sizeof(kPng) - 1);

std::wstring Tool() { return WindowsPathFromLinux(ORKVANE_CATALOG_TOOL_PATH); }

ProcessOutcome RunTool(const std::wstring& arguments) {
    ProcessOutcome outcome = RunAndCapture(L"\"" + Tool() + L"\" " + arguments);
    EXPECT_TRUE(outcome.finished) << outcome.output;
    return outcome;
}

std::wstring Q(const std::wstring& path) { return L"\"" + path + L"\""; }

std::string Sha(const std::wstring& file) { return WideToUtf8(ComputeFileSha256(file)); }

std::string Entry(const std::string& id, const std::string& sha, const std::string& extra = "") {
    return "{\"id\":\"" + id +
           "\",\"version\":\"1.0\",\"category\":\"Outils\",\"description\":\"Un outil\",\"sha256\":\"" + sha + "\"" +
           extra + "}";
}

std::string Catalog(const std::string& entries, const std::string& endpoint = "https://dl.example/get") {
    return "{\"downloadEndpoint\":\"" + endpoint + "\",\"apps\":[" + entries + "]}";
}

bool Has(const std::string& output, const std::string& line) { return output.find(line) != std::string::npos; }

const std::string kSha64(64, 'A');

TEST(PublisherTool, HashPrintsTheCatalogueFormAndFailsOnMissingFiles) {
    ScratchFolder dir;
    WriteFileBytes(dir / L"a.exe", "abc");
    ProcessOutcome out = RunTool(L"hash " + Q(dir / L"a.exe"));
    ASSERT_TRUE(out.finished);
    EXPECT_EQ(out.exitCode, 0u) << out.output;
    EXPECT_TRUE(Has(out.output, "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD  ")) << out.output;

    out = RunTool(L"hash " + Q(dir / L"a.exe") + L" " + Q(dir / L"missing.exe"));
    EXPECT_EQ(out.exitCode, 1u);
    EXPECT_TRUE(Has(out.output, "BA7816BF")) << out.output;
    EXPECT_TRUE(Has(out.output, msg::kFileReadFailed)) << out.output;
}

TEST(PublisherTool, UsageErrorsExitWithOne) {
    for (const wchar_t* args : {L"", L"check", L"pack a b", L"frobnicate x", L"check a --online b"}) {
        ProcessOutcome out = RunTool(args);
        ASSERT_TRUE(out.finished);
        EXPECT_EQ(out.exitCode, 1u) << args;
        EXPECT_TRUE(Has(out.output, "Utilisation")) << args;
    }
}

TEST(PublisherTool, GoodOnlineCatalogueIsAccepted) {
    ScratchFolder dir;
    WriteFileBytes(dir / L"catalog.json",
                   Catalog(Entry("Alpha", kSha64) + "," + Entry("Beta", kSha64, ",\"hidden\":true") + "," +
                           Entry("Orkvane", kSha64)));
    ProcessOutcome out = RunTool(L"check " + Q(dir / L"catalog.json"));
    EXPECT_EQ(out.exitCode, 0u) << out.output;
    EXPECT_TRUE(Has(out.output, "Catalogue valide en ligne : 3 applications.")) << out.output;
    // The program's own entry is worth a word, not a failure.
    EXPECT_TRUE(Has(out.output, "entrée 3 (« Orkvane ») : entrée du programme lui-même")) << out.output;
}

TEST(PublisherTool, EveryProblemOfAnOnlineCatalogueIsReportedAtOnce) {
    ScratchFolder dir;
    std::string entries = Entry("Alpha", kSha64) + "," +  // 1 fine
                          "{\"id\":\"Beta\",\"version\":\"1\",\"category\":\"X\",\"sha256\":\"" + kSha64 +
                          "\"}," +                                                // 2
                          Entry("a.b", kSha64) + "," +                            // 3 bad id
                          Entry("Gamma", "0123456789AB") + "," +                  // 4 short sha
                          Entry("alpha", kSha64) + "," +                          // 5 duplicate
                          Entry("Delta", kSha64, ",\"hidden\":\"true\"") + "," +  // 6 hidden string
                          "42";                                                   // 7 not an object
    WriteFileBytes(dir / L"catalog.json", Catalog(entries, "http://dl.example/get"));
    ProcessOutcome out = RunTool(L"check " + Q(dir / L"catalog.json"));
    EXPECT_EQ(out.exitCode, 1u);
    const std::string file = WideToUtf8(dir / L"catalog.json");
    const std::string expected[] = {
        file + " : " + msg::kEndpointInvalid,
        "entrée 2 (« Beta ») : " + std::string(msg::kEntryIncomplete) +
            " (absent, vide ou trop court : « description »)",
        "entrée 3 (« a.b ») : " + std::string(msg::kAppFileNameInvalid),
        "entrée 4 (« Gamma ») : " + std::string(msg::kShaMissingOrInvalid),
        "entrée 5 (« alpha ») : identifiant déjà utilisé par l’entrée 1",
        "entrée 6 (« Delta ») : « hidden » n’est pas true ou false",
        "entrée 7 : élément ignoré par le programme",
        "Bilan en ligne : 7 entrées, 7 problèmes.",
    };
    for (const std::string& line : expected) EXPECT_TRUE(Has(out.output, line)) << line << "\n---\n" << out.output;
}

// "withdrawn" lists releases that must never run again: each a digest the
// program can compare, and never the release the entry offers.
TEST(PublisherTool, CheckValidatesWithdrawnDigests) {
    ScratchFolder dir;
    const std::string other(64, 'b');
    const std::string ownLower(64, 'a');
    std::string entries = Entry("Alpha", kSha64, ",\"withdrawn\":[\"" + other + "\"]") + "," +  // 1 fine
                          Entry("Beta", kSha64, ",\"withdrawn\":[\"0123\",42,\"" + other + "\",\"" + ownLower + "\"]") +
                          "," +                                                        // 2
                          Entry("Gamma", kSha64, ",\"withdrawn\":\"" + other + "\"");  // 3
    WriteFileBytes(dir / L"catalog.json", Catalog(entries));
    ProcessOutcome out = RunTool(L"check " + Q(dir / L"catalog.json"));
    EXPECT_EQ(out.exitCode, 1u);
    const std::string expected[] = {
        "entrée 2 (« Beta ») : « withdrawn », élément 1 : 64 chiffres hexadécimaux attendus",
        "entrée 2 (« Beta ») : « withdrawn », élément 2 : 64 chiffres hexadécimaux attendus",
        "entrée 2 (« Beta ») : " + std::string(msg::kVersionWithdrawn) +
            " (« withdrawn », élément 4 est le « sha256 » de l’entrée)",
        "entrée 3 (« Gamma ») : « withdrawn » n’est pas un tableau",
        "Bilan en ligne : 3 entrées, 4 problèmes.",
    };
    for (const std::string& line : expected) EXPECT_TRUE(Has(out.output, line)) << line << "\n---\n" << out.output;

    WriteFileBytes(dir / L"catalog.json", Catalog(Entry("Alpha", kSha64, ",\"withdrawn\":[\"" + other + "\"]")));
    out = RunTool(L"check " + Q(dir / L"catalog.json"));
    EXPECT_EQ(out.exitCode, 0u) << out.output;
}

TEST(PublisherTool, DocumentLevelFailuresStopEarly) {
    ScratchFolder dir;
    struct Case {
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {"\xC3\x28", msg::kUtf8Invalid},
        {"{\"apps\":[", msg::kJsonInvalid},
        {"{\"downloadEndpoint\":\"https://x\",\"apps\":[]}", msg::kNoApps},
        {"{\"downloadEndpoint\":\"https://x\",\"apps\":[1,\"a\"]}", msg::kNoValidApps},
    };
    for (const Case& c : cases) {
        WriteFileBytes(dir / L"catalog.json", c.bytes);
        ProcessOutcome out = RunTool(L"check " + Q(dir / L"catalog.json"));
        EXPECT_EQ(out.exitCode, 1u) << c.message;
        EXPECT_TRUE(Has(out.output, c.message)) << c.message << "\n" << out.output;
    }
}

TEST(PublisherTool, OfflineCheckLooksAtTheFilesOnTheKey) {
    ScratchFolder key = ScratchFolder::At(L"E:\\PubCheck\\OrkvaneOffline");
    CreateFolderPath(key / L"outils");
    CreateFolderPath(key / L"icons");
    WriteFileBytes(key / L"outils\\Good.exe", "good tool");
    WriteFileBytes(key / L"outils\\Changed.exe", "changed tool");
    WriteFileBytes(key / L"icons\\Good.png", kPngBytes);
    WriteFileBytes(key / L"icons\\Changed.png", "not a picture");
    const std::string goodSha = Sha(key / L"outils\\Good.exe");
    std::string entries = Entry("Good", goodSha) + "," + Entry("Changed", goodSha) + "," + Entry("Missing", goodSha) +
                          "," + Entry("bad id", goodSha);
    WriteFileBytes(key / L"catalog.json", Catalog(entries, ""));

    ProcessOutcome out = RunTool(L"check " + Q(key / L"catalog.json") + L" --offline E:\\PubCheck");
    EXPECT_EQ(out.exitCode, 1u) << out.output;
    const std::string expected[] = {
        "entrée 2 (« Changed ») : " + std::string(msg::kShaMismatch),
        "entrée 2 (« Changed ») : icons\\Changed.png illisible",
        "entrée 3 (« Missing ») : " + std::string(msg::kUsbCopyFailed) + " (outils\\Missing.exe absent)",
        "entrée 3 (« Missing ») : icons\\Missing.png absent",
        "entrée 4 (« bad id ») : " + std::string(msg::kOfflineIdInvalid),
    };
    for (const std::string& line : expected) EXPECT_TRUE(Has(out.output, line)) << line << "\n---\n" << out.output;
    EXPECT_FALSE(Has(out.output, "entrée 1 ")) << out.output;
    RemoveTree(L"E:\\PubCheck");
}

// A tool behind a link on the key: the program would not copy it, so the
// check refuses it too.
TEST(PublisherTool, OfflineCheckRefusesAToolBehindALink) {
    ScratchFolder drive = ScratchFolder::At(L"E:\\PubLinks");
    const std::wstring key = drive / L"OrkvaneOffline";
    CreateFolderPath(JoinPath(key, L"autres"));
    CreateFolderPath(JoinPath(key, L"icons"));
    WriteFileBytes(JoinPath(key, L"autres\\Good.exe"), "good tool");
    WriteFileBytes(JoinPath(key, L"icons\\Good.png"), kPngBytes);
    WriteFileBytes(JoinPath(key, L"catalog.json"), Catalog(Entry("Good", Sha(JoinPath(key, L"autres\\Good.exe"))), ""));
    FolderLink tools(JoinPath(key, L"outils"), L"autres");
    ASSERT_TRUE(tools.made());

    ProcessOutcome out = RunTool(L"check " + Q(JoinPath(key, L"catalog.json")) + L" --offline E:\\PubLinks");
    EXPECT_EQ(out.exitCode, 1u) << out.output;
    EXPECT_TRUE(Has(out.output, "entrée 1 (« Good ») : " + std::string(msg::kUsbCopyFailed) +
                                    " (outils\\Good.exe passe par un lien symbolique ou une jonction"))
        << out.output;
}

TEST(PublisherTool, OfflineCheckRefusesANetworkFolder) {
    ScratchFolder dir;
    WriteFileBytes(dir / L"catalog.json", Catalog(Entry("Good", kSha64)));
    ProcessOutcome out = RunTool(L"check " + Q(dir / L"catalog.json") +
                                 L" --offline \\\\server\\share\\OrkvaneOffline");
    EXPECT_EQ(out.exitCode, 1u);
    EXPECT_TRUE(Has(out.output, msg::kOfflineNotDriveLetter)) << out.output;
}

struct PackSource {
    ScratchFolder source{L"pack_src"};
    std::string catalog;
    std::vector<std::wstring> ids{L"Alpha", L"Beta", L"Gamma"};
    PackSource() {
        std::string entries;
        for (const std::wstring& id : ids) {
            WriteFileBytes(source / (id + L".exe"), "tool " + WideToUtf8(id));
            WriteFileBytes(source / (id + L".png"), kPngBytes);
            if (!entries.empty()) entries += ",";
            entries += Entry(WideToUtf8(id), Sha(source / (id + L".exe")));
        }
        catalog = Catalog(entries, "");
        WriteFileBytes(source / L"catalog.json", catalog);
    }
};

TEST(PublisherTool, PackBuildsAFolderTheProgramLoadsTheSame) {
    PackSource src;
    ScratchFolder out_parent(L"pack_dst");
    const std::wstring dest = out_parent / L"OrkvaneOffline";
    ProcessOutcome out = RunTool(L"pack " + Q(src.source / L"catalog.json") + L" " + Q(src.source.path()) + L" " +
                                 Q(dest));
    ASSERT_EQ(out.exitCode, 0u) << out.output;
    for (const std::wstring& id : src.ids) {
        EXPECT_TRUE(FileExists(dest + L"\\outils\\" + id + L".exe")) << id;
        EXPECT_TRUE(FileExists(dest + L"\\icons\\" + id + L".png")) << id;
    }
    EXPECT_EQ(ReadFileBytes(dest + L"\\catalog.json"), src.catalog);

    CatalogLoadJob job;
    job.offline = true;
    job.offlineRoot = dest;
    std::unique_ptr<CatalogLoadResult> loaded = LoadCatalog(job);
    ASSERT_TRUE(loaded->ok) << WideToUtf8(loaded->error);
    std::vector<std::wstring> ids;
    for (const CatalogApp& app : loaded->apps) ids.push_back(app.id);
    EXPECT_EQ(ids, src.ids);
}

TEST(PublisherTool, PackNeverWritesIntoANonEmptyDestination) {
    PackSource src;
    ScratchFolder dest(L"pack_full");
    WriteFileBytes(dest / L"keep.txt", "mine");
    ProcessOutcome out = RunTool(L"pack " + Q(src.source / L"catalog.json") + L" " + Q(src.source.path()) + L" " +
                                 Q(dest.path()));
    EXPECT_EQ(out.exitCode, 1u);
    EXPECT_TRUE(Has(out.output, "n’est pas vide")) << out.output;
    EXPECT_EQ(ReadFileBytes(dest / L"keep.txt"), "mine");
    EXPECT_EQ(CountFilesIn(dest.path()), 1);
}

TEST(PublisherTool, PackInterruptedMidwayLeavesNothing) {
    PackSource src;
    ScratchFolder out_parent(L"pack_cut");
    const std::wstring dest = out_parent / L"OrkvaneOffline";
    // The second tool cannot be read while the pack runs: the first one has
    // already been copied into the work folder when it fails.
    UniqueHandle lock(CreateFileW((src.source / L"Beta.exe").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    ProcessOutcome out = RunTool(L"pack " + Q(src.source / L"catalog.json") + L" " + Q(src.source.path()) + L" " +
                                 Q(dest));
    EXPECT_EQ(out.exitCode, 1u);
    EXPECT_TRUE(Has(out.output, "Beta.exe : " + std::string(msg::kFileReadFailed))) << out.output;
    EXPECT_EQ(GetFileAttributesW(dest.c_str()), INVALID_FILE_ATTRIBUTES);
    // No work folder left beside the destination either.
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW((out_parent / L"*").c_str(), &data);
    int entries = 0;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") ++entries;
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    EXPECT_EQ(entries, 0);
}

TEST(PublisherTool, PackRefusesAToolThatDoesNotMatchItsDigest) {
    PackSource src;
    WriteFileBytes(src.source / L"Gamma.exe", "tampered");
    ScratchFolder out_parent(L"pack_bad");
    const std::wstring dest = out_parent / L"OrkvaneOffline";
    ProcessOutcome out = RunTool(L"pack " + Q(src.source / L"catalog.json") + L" " + Q(src.source.path()) + L" " +
                                 Q(dest));
    EXPECT_EQ(out.exitCode, 1u);
    EXPECT_TRUE(Has(out.output, "Gamma.exe : " + std::string(msg::kShaMismatch))) << out.output;
    EXPECT_EQ(GetFileAttributesW(dest.c_str()), INVALID_FILE_ATTRIBUTES);
}

// A work folder already there under the pack's name (a prepared key, or a
// link someone planted there) is refused and left as it is: the pack never
// deletes what it did not make. The tool is started suspended, so that the
// folder can be made for its process identifier before it runs.
TEST(PublisherTool, PackRefusesAWorkFolderItDidNotMake) {
    PackSource src;
    ScratchFolder out_parent(L"pack_work");
    ScratchFolder precious(L"pack_precious");
    WriteFileBytes(precious / L"keep.txt", "mine");
    const std::wstring dest = out_parent / L"OrkvaneOffline";

    std::wstring commandLine = Q(Tool()) + L" pack " + Q(src.source / L"catalog.json") + L" " + Q(src.source.path()) +
                               L" " + Q(dest);
    StartedProcess started = StartProcess(Tool().c_str(), commandLine, CREATE_SUSPENDED | CREATE_NO_WINDOW);
    ASSERT_TRUE(started) << "error " << started.error;
    const UniqueHandle& process = started.process;
    const UniqueHandle& thread = started.thread;
    const std::wstring work = dest + L".orkvane-tmp-" + std::to_wstring(started.id);
    CreateFolderPath(work);
    WriteFileBytes(JoinPath(work, L"keep.txt"), "mine");
    // A link inside it to a folder of the publisher's own.
    const bool linked = CreateSymbolicLinkW(JoinPath(work, L"lien").c_str(), precious.path().c_str(),
                                            SYMBOLIC_LINK_FLAG_DIRECTORY |
                                                SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
    ResumeThread(thread.get());
    ASSERT_EQ(WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.get(), &exitCode);

    EXPECT_EQ(exitCode, 1u);
    EXPECT_TRUE(FileExists(JoinPath(work, L"keep.txt"))) << "the work folder found there was emptied";
    EXPECT_TRUE(FileExists(precious / L"keep.txt")) << "the pack deleted through a link";
    EXPECT_EQ(GetFileAttributesW(dest.c_str()), INVALID_FILE_ATTRIBUTES);
    if (linked) RemoveDirectoryW(JoinPath(work, L"lien").c_str());
    RemoveTreeIfPresent(work);
}

// Deleting a folder removes the junctions and symbolic links inside it, never
// what they point to.
TEST(PublisherFileTree, RemovingATreeNeverFollowsLinks) {
    ScratchFolder outside(L"tree_outside");
    CreateFolderPath(outside / L"dossier");
    WriteFileBytes(outside / L"dossier\\garde.txt", "mine");
    WriteFileBytes(outside / L"fichier.txt", "mine");
    ScratchFolder tree(L"tree_links");
    CreateFolderPath(tree / L"sous");
    WriteFileBytes(tree / L"sous\\a.txt", "x");
    ASSERT_TRUE(CreateSymbolicLinkW((tree / L"sous\\lien-dossier").c_str(), (outside / L"dossier").c_str(),
                                    SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
        << GetLastError();
    ASSERT_TRUE(CreateSymbolicLinkW((tree / L"lien-fichier.txt").c_str(), (outside / L"fichier.txt").c_str(),
                                    SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
        << GetLastError();
    ASSERT_NE(GetFileAttributesW((tree / L"sous\\lien-dossier").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);

    RemoveTreeIfPresent(tree.path());

    EXPECT_EQ(GetFileAttributesW(tree.path().c_str()), INVALID_FILE_ATTRIBUTES) << "the tree stayed";
    EXPECT_EQ(ReadFileBytes(outside / L"dossier\\garde.txt"), "mine");
    EXPECT_EQ(ReadFileBytes(outside / L"fichier.txt"), "mine");
}

// The moment the walk lists the folder `sous` of the tree it removes (it has
// found it to be a real folder by then), `sous` is renamed away and a link to
// a folder of the publisher's own is put in its place.
struct SwapDuringWalk {
    std::wstring folder;
    std::wstring movedTo;
    std::wstring linkTarget;  // relative to the tree
    bool listed = false;
    bool swapped = false;
    std::optional<FolderLink> link;
    ScopedImportHook* findFirst = nullptr;
    ScopedImportHook* byHandle = nullptr;
};
SwapDuringWalk* swapDuringWalk = nullptr;

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && _wcsicmp(text.c_str() + text.size() - end.size(), end.c_str()) == 0;
}

void SwapOnce() {
    SwapDuringWalk& swap = *swapDuringWalk;
    if (swap.listed) return;
    swap.listed = true;
    if (!MoveFileW(swap.folder.c_str(), swap.movedTo.c_str())) return;
    swap.link.emplace(swap.folder, swap.linkTarget);
    swap.swapped = swap.link->made();
}

// The walk lists a folder by its path or from its handle; either way `sous`
// is swapped just before its listing is read.
HANDLE WINAPI SwappingFindFirstFile(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
    if (EndsWith(pattern, L"\\sous\\*")) SwapOnce();
    using Fn = HANDLE(WINAPI*)(LPCWSTR, LPWIN32_FIND_DATAW);
    return reinterpret_cast<Fn>(swapDuringWalk->findFirst->original())(pattern, data);
}

BOOL WINAPI SwappingHandleListing(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID buffer, DWORD size) {
    std::vector<wchar_t> path(32768);
    const DWORD length = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length > 0 && length < path.size() && EndsWith(path.data(), L"\\sous")) SwapOnce();
    using Fn = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
    return reinterpret_cast<Fn>(swapDuringWalk->byHandle->original())(file, kind, buffer, size);
}

// A folder swapped for a link while the tree is being removed is never
// followed: the walk holds each folder it is in, so it cannot even be renamed.
TEST(PublisherFileTree, AFolderSwappedForALinkDuringTheWalkIsNotFollowed) {
    ScratchFolder outside(L"swap_outside");
    CreateFolderPath(outside / L"dossier");
    WriteFileBytes(outside / L"dossier\\garde.txt", "mine");
    ScratchFolder tree(L"swap_tree");
    CreateFolderPath(tree / L"sous");
    WriteFileBytes(tree / L"sous\\a.txt", "x");
    WriteFileBytes(tree / L"b.txt", "x");

    SwapDuringWalk swap;
    swap.folder = tree / L"sous";
    swap.movedTo = outside / L"sous-deplace";
    swap.linkTarget = L"..\\" + outside.path().substr(outside.path().find_last_of(L'\\') + 1) + L"\\dossier";
    swapDuringWalk = &swap;
    {
        ScopedImportHook findFirst("FindFirstFileW", reinterpret_cast<void*>(&SwappingFindFirstFile));
        ScopedImportHook byHandle("GetFileInformationByHandleEx", reinterpret_cast<void*>(&SwappingHandleListing));
        ASSERT_TRUE(findFirst.installed() || byHandle.installed());
        swap.findFirst = &findFirst;
        swap.byHandle = &byHandle;
        RemoveTreeIfPresent(tree.path());
    }
    swapDuringWalk = nullptr;

    EXPECT_TRUE(swap.listed) << "the walk never listed the folder";
    EXPECT_FALSE(swap.swapped) << "the folder was renamed away while the walk was in it";
    EXPECT_TRUE(FileExists(outside / L"dossier\\garde.txt")) << "the walk followed the link";
    if (!swap.swapped) {
        EXPECT_EQ(GetFileAttributesW(tree.path().c_str()), INVALID_FILE_ATTRIBUTES) << "the tree stayed";
    }
    swap.link.reset();
}

}  // namespace
