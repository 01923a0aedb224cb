#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>

#include "app/settings.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/own_files.h"
#include "base/paths.h"
#include "base/tool_files.h"
#include "base/worker_shared.h"
#include "operations/shell_ops.h"
#include "operations/tool_install.h"
#include "operations/tool_request.h"
#include "operations/verified_fetch.h"
#include "tests/support/import_hook.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"

namespace {

const std::wstring kSomeSha(64, L'A');

std::wstring Repeat(wchar_t c, size_t n) { return std::wstring(n, c); }

// Requests for the download service since the log was last cleared.
std::vector<std::string> DownloadRequests() {
    std::vector<std::string> lines;
    for (const std::string& line : RequestLog()) {
        if (line.find("/telechargement") != std::string::npos) lines.push_back(line);
    }
    return lines;
}

constexpr DWORD kRestrictiveAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

std::string RequestLineFor(const CatalogApp& app) {
    return "GET /telechargement?id=" + WideToUtf8(app.downloadId) + "&type=exe";
}

TEST(FetchToolExecutable, RefusesBadCatalogueDataBeforeAnyFileOrNetworkWork) {
    struct Case {
        const char* what;
        std::wstring name, exeName, sha256, endpoint, downloadId;
        const char* expected;
    };
    const std::wstring ep = TestDownloadEndpoint();
    const Case cases[] = {
        {"empty id", L"", L".exe", kSomeSha, ep, L"x", msg::kAppFileNameInvalid},
        {"id climbing out of Apps", L"..\\..\\Documents\\x", L"..\\..\\Documents\\x.exe", kSomeSha, ep, L"x",
         msg::kAppFileNameInvalid},
        {"id with a space", L"outil h6", L"outil h6.exe", kSomeSha, ep, L"x", msg::kAppFileNameInvalid},
        {"id with a dot", L"outil.h6", L"outil.h6.exe", kSomeSha, ep, L"x", msg::kAppFileNameInvalid},
        {"serial port", L"COM3", L"COM3.exe", kSomeSha, ep, L"x", msg::kAppFileNameInvalid},
        {"null device", L"nul", L"nul.exe", kSomeSha, ep, L"x", msg::kAppFileNameInvalid},
        {"non-ASCII id", L"outil\u00e9", L"outil\u00e9.exe", kSomeSha, ep, L"x", msg::kAppFileNameInvalid},
        {"id of 129 characters", Repeat(L'a', 129), Repeat(L'a', 129) + L".exe", kSomeSha, ep, L"x",
         msg::kAppFileNameInvalid},
        {"exeName in other case", L"outil", L"outil.EXE", kSomeSha, ep, L"x", msg::kAppFileNameInvalid},
        {"exeName of another tool", L"outil", L"autre.exe", kSomeSha, ep, L"x", msg::kAppFileNameInvalid},
        {"bad id wins over bad sha", L"a/b", L"a/b.exe", L"xyz", L"", L"", msg::kAppFileNameInvalid},
        {"sha of 63", L"outil", L"outil.exe", Repeat(L'a', 63), ep, L"x", msg::kShaMissingOrInvalid},
        {"sha of 65", L"outil", L"outil.exe", Repeat(L'a', 65), ep, L"x", msg::kShaMissingOrInvalid},
        {"sha with g", L"outil", L"outil.exe", Repeat(L'a', 63) + L"g", ep, L"x", msg::kShaMissingOrInvalid},
        {"empty sha", L"outil", L"outil.exe", L"", ep, L"x", msg::kShaMissingOrInvalid},
        {"bad sha wins over endpoint", L"outil", L"outil.exe", L"12", L"", L"", msg::kShaMissingOrInvalid},
        {"plain http endpoint", L"outil", L"outil.exe", kSomeSha, TestServerPlainUrl() + L"/telechargement", L"x",
         msg::kEndpointInvalid},
        {"upper-case scheme", L"outil", L"outil.exe", kSomeSha, L"HTTPS://localhost/telechargement", L"x",
         msg::kEndpointInvalid},
        {"no endpoint", L"outil", L"outil.exe", kSomeSha, L"", L"x", msg::kEndpointInvalid},
        {"endpoint wins over download id", L"outil", L"outil.exe", kSomeSha, L"ftp://x", L"", msg::kEndpointInvalid},
        {"no download id", L"outil", L"outil.exe", kSomeSha, ep, L"", msg::kDownloadIdMissing},
    };
    ScratchFolder scratch(L"fetchbad");
    const std::wstring folder = scratch / L"not_made_yet";
    ClearRequestLog();
    for (const Case& c : cases) {
        ToolRequest request{c.name, L"d", c.exeName, c.sha256, c.downloadId, c.endpoint, L""};
        EXPECT_EQ(ErrorOf([&] { FetchToolExecutable(request, folder); }), c.expected) << c.what;
    }
    EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES) << "folder made before validation";
    EXPECT_TRUE(RequestLog().empty()) << "network touched before validation";
}

TEST(FreeFileName, NumbersTheNameUntilOneIsFree) {
    struct Case {
        const char* what;
        std::vector<std::wstring> existing;
        std::wstring fileName;
        std::wstring expected;
    };
    const Case cases[] = {
        {"free name kept", {}, L"outil.exe", L"outil.exe"},
        {"first number", {L"outil.exe"}, L"outil.exe", L"outil_1.exe"},
        {"after three taken", {L"outil.exe", L"outil_1.exe", L"outil_2.exe"}, L"outil.exe", L"outil_3.exe"},
        {"a gap is reused", {L"outil.exe", L"outil_2.exe"}, L"outil.exe", L"outil_1.exe"},
        {"split at the last dot", {L"a.b.exe"}, L"a.b.exe", L"a.b_1.exe"},
        {"no extension", {L"outil"}, L"outil", L"outil_1"},
        {"other names do not count", {L"outil_1.exe"}, L"outil.exe", L"outil.exe"},
    };
    for (const Case& c : cases) {
        ScratchFolder folder(L"free");
        for (const std::wstring& name : c.existing) WriteFileBytes(folder / name, "x");
        EXPECT_EQ(FreeFileName(folder.path(), c.fileName), folder / c.expected) << c.what;
    }
}

TEST(FreeFileName, AFolderOfThatNameCountsAsFree) {
    ScratchFolder folder(L"freedir");
    CreateFolderPath(folder / L"outil.exe");
    EXPECT_EQ(FreeFileName(folder.path(), L"outil.exe"), folder / L"outil.exe");
}

TEST(FreeFileName, AllNumbersTakenGivesNouveauUntested) {
    ScratchFolder folder(L"free999");
    WriteFileBytes(folder / L"outil.exe", "x");
    for (int i = 1; i <= 999; ++i) WriteFileBytes(folder / (L"outil_" + std::to_wstring(i) + L".exe"), "");
    WriteFileBytes(folder / L"outil_nouveau.exe", "x");
    EXPECT_EQ(FreeFileName(folder.path(), L"outil.exe"), folder / L"outil_nouveau.exe");
    DeleteFileW((folder / L"outil_640.exe").c_str());
    EXPECT_EQ(FreeFileName(folder.path(), L"outil.exe"), folder / L"outil_640.exe");
}

TEST(FetchToolExecutable, CopiesFromUsbKeyIntoAFreeName) {
    const std::string tool = TraceToolBytes();
    const std::wstring root = OfflineRootOnUsbDrive();
    const std::wstring source = JoinPath(root, L"outils\\h6usbfetch.exe");
    WriteFileBytes(source, tool);
    // An offline entry needs neither an endpoint nor a download identifier.
    CatalogApp app = MakeToolEntry(L"h6usbfetch", Sha256Of(tool), root);
    app.downloadId.clear();
    ScratchFolder folder(L"usbfetch");
    WriteFileBytes(folder / L"h6usbfetch.exe", "an older file that must stay");

    std::wstring fetched = FetchToolExecutable(MakeToolRequest(app), folder.path());

    EXPECT_EQ(fetched, folder / L"h6usbfetch_1.exe");
    EXPECT_EQ(ReadFileBytes(fetched), tool);
    EXPECT_EQ(ReadFileBytes(folder / L"h6usbfetch.exe"), "an older file that must stay");
    EXPECT_EQ(ReadFileBytes(source), tool) << "the key is never written";
    DeleteFileW(source.c_str());
}

TEST(FetchToolExecutable, UsbFailuresLeaveNothingBehind) {
    const std::string tool = TraceToolBytes();
    const std::wstring root = OfflineRootOnUsbDrive();
    struct Case {
        const char* what;
        const char* sourceBytes;  // null: no file on the key
        std::wstring sha256;
        const char* expected;
    };
    const Case cases[] = {
        {"program missing on the key", nullptr, Sha256Of(tool), msg::kUsbCopyFailed},
        {"program differs from the catalogue", "not the catalogue's program", Sha256Of(tool), msg::kShaMismatch},
    };
    for (const Case& c : cases) {
        const std::wstring source = JoinPath(root, L"outils\\h6usbfail.exe");
        DeleteFileW(source.c_str());
        if (c.sourceBytes != nullptr) WriteFileBytes(source, c.sourceBytes);
        CatalogApp app = MakeToolEntry(L"h6usbfail", c.sha256, root);
        ScratchFolder folder(L"usbfail");
        WriteFileBytes(folder / L"h6usbfail.exe", "older");

        EXPECT_EQ(ErrorOf([&] { FetchToolExecutable(MakeToolRequest(app), folder.path()); }), c.expected) << c.what;
        EXPECT_EQ(FilesMatching(folder.path(), L"*"), std::vector<std::wstring>{L"h6usbfail.exe"}) << c.what;
        EXPECT_EQ(ReadFileBytes(folder / L"h6usbfail.exe"), "older") << c.what;
        DeleteFileW(source.c_str());
    }
}

TEST(FetchToolExecutable, DownloadsFromTheServerWithTheCatalogueQuery) {
    const std::string tool = TraceToolBytes();
    CatalogApp app = MakeToolEntry(L"h6dl", Sha256Of(tool));
    PublishFile(PublishedDownloadPath(app), tool);
    ScratchFolder folder(L"dl");
    ClearRequestLog();

    std::wstring fetched = FetchToolExecutable(MakeToolRequest(app), folder.path());

    EXPECT_EQ(fetched, folder / L"h6dl.exe");
    EXPECT_EQ(ReadFileBytes(fetched), tool);
    EXPECT_EQ(DownloadRequests(), std::vector<std::string>{RequestLineFor(app)});
    UnpublishFile(PublishedDownloadPath(app));
}

TEST(FetchToolExecutable, DownloadFailuresLeaveNothingBehind) {
    const std::string tool = TraceToolBytes();
    ASSERT_GT(tool.size(), 4096u);
    struct Case {
        const char* what;
        std::string published;  // served bytes; empty: nothing published
        std::wstring idSuffix;  // appended to the download id, unescaped
        bool offlineMode;
        std::string expected;
    };
    const Case cases[] = {
        {"body differs from the catalogue", tool + "x", L"", false, msg::kShaMismatch},
        {"connection closed cleanly after 4096 bytes", tool, L"&cut=4096", false, msg::kDownloadInterrupted},
        {"nothing to download", "", L"", false, "HTTP 404"},
        {"network refused in offline mode", tool, L"", true, msg::kNetworkDisabledOffline},
    };
    for (const Case& c : cases) {
        CatalogApp app = MakeToolEntry(L"h6dlfail", Sha256Of(tool));
        if (!c.published.empty()) PublishFile(PublishedDownloadPath(app), c.published);
        app.downloadId += c.idSuffix;
        offlineModeShared = c.offlineMode;
        ScratchFolder folder(L"dlfail");

        EXPECT_EQ(ErrorOf([&] { FetchToolExecutable(MakeToolRequest(app), folder.path()); }), c.expected) << c.what;
        EXPECT_TRUE(FilesMatching(folder.path(), L"*").empty()) << c.what;
        offlineModeShared = false;
        UnpublishFile(L"telechargement/h6dlfail_" + app.sha256.substr(0, 12) + L".exe");
    }
}

class InstallToolTest : public ::testing::Test {
protected:
    void TearDown() override { UnpublishFile(PublishedDownloadPath(app)); }
    std::vector<std::wstring> TempLeftovers() const { return FilesMatching(GetTempFolder(), app.id + L"*"); }

    std::string tool = TraceToolBytes();
    CatalogApp app = MakeToolEntry(L"h6install", Sha256Of(tool));
    ToolCleanup cleanup{L"h6install"};
};

TEST_F(InstallToolTest, InstallsOnceThenFindsTheFileCurrent) {
    PublishFile(PublishedDownloadPath(app), tool);
    ClearRequestLog();

    EXPECT_EQ(InstallTool(MakeToolRequest(app)).path, InstalledPath(app.id));
    EXPECT_EQ(ReadFileBytes(InstalledPath(app.id)), tool);
    EXPECT_EQ(DownloadRequests().size(), 1u);
    EXPECT_TRUE(TempLeftovers().empty());

    ClearRequestLog();
    EXPECT_EQ(InstallTool(MakeToolRequest(app)).path, InstalledPath(app.id));
    EXPECT_TRUE(DownloadRequests().empty()) << "a current file is fetched again";
}

TEST_F(InstallToolTest, CurrentFileNeedsNoSourceAtAll) {
    WriteFileBytes(InstalledPath(app.id), tool);
    app.sourceRoot = L"E:\\NoSuchOfflineFolder";
    app.downloadEndpoint.clear();
    EXPECT_EQ(ErrorOf([&] { InstallTool(MakeToolRequest(app)); }), "<no error>");
    EXPECT_EQ(ReadFileBytes(InstalledPath(app.id)), tool);
}

TEST_F(InstallToolTest, UpdateReplacesAChangedFile) {
    CreateFolderPath(GetAppsFolder());
    WriteFileBytes(InstalledPath(app.id), "version 1 of the tool");
    PublishFile(PublishedDownloadPath(app), tool);

    InstallTool(MakeToolRequest(app));

    EXPECT_EQ(ReadFileBytes(InstalledPath(app.id)), tool);
    EXPECT_TRUE(TempLeftovers().empty());
}

TEST_F(InstallToolTest, FailedFetchKeepsTheOlderVersion) {
    const std::wstring root = OfflineRootOnUsbDrive();
    struct Case {
        const char* what;
        std::string published;
        std::wstring idSuffix;
        std::wstring sourceRoot;
        const char* expected;
    };
    const Case cases[] = {
        {"wrong SHA-256", tool + "tampered", L"", L"", msg::kShaMismatch},
        {"cut-off download", tool, L"&cut=10000", L"", msg::kDownloadInterrupted},
        {"missing on the key", "", L"", root, msg::kUsbCopyFailed},
    };
    for (const Case& c : cases) {
        CreateFolderPath(GetAppsFolder());
        WriteFileBytes(InstalledPath(app.id), "version 1 of the tool");
        DeleteFileW(JoinPath(root, L"outils\\h6install.exe").c_str());
        CatalogApp entry = MakeToolEntry(app.id, app.sha256, c.sourceRoot);
        if (!c.published.empty()) PublishFile(PublishedDownloadPath(entry), c.published);
        entry.downloadId += c.idSuffix;

        EXPECT_EQ(ErrorOf([&] { InstallTool(MakeToolRequest(entry)); }), c.expected) << c.what;
        EXPECT_EQ(ReadFileBytes(InstalledPath(app.id)), "version 1 of the tool") << c.what;
        EXPECT_TRUE(TempLeftovers().empty()) << c.what;
    }
}

BOOL WINAPI SizeUnknown(HANDLE, PLARGE_INTEGER) {
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
}

// A tool on the key is bounded like a download. Its size is checked before
// anything is written: a sparse file of the bound and one byte costs the key
// nothing and would fill the disk before the hash refused it. What is read is
// counted as well, for a file that grows (here: one whose size cannot be read).
TEST_F(InstallToolTest, AUsbFileBeyondTheBoundIsRefusedBeforeItFillsTheDisk) {
    const std::wstring root = OfflineRootOnUsbDrive();
    const std::wstring source = JoinPath(root, L"outils\\h6install.exe");
    {
        UniqueHandle sparse(
            CreateFileW(source.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(sparse);
        LARGE_INTEGER end{};
        end.QuadPart = static_cast<LONGLONG>(kToolSizeLimit + 1);
        ASSERT_TRUE(SetFilePointerEx(sparse.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(sparse.get()));
    }
    CreateFolderPath(GetAppsFolder());
    WriteFileBytes(InstalledPath(app.id), "version 1 of the tool");
    CatalogApp entry = MakeToolEntry(app.id, app.sha256, root);
    EXPECT_EQ(ErrorOf([&] { InstallTool(MakeToolRequest(entry)); }), msg::kUsbToolTooLarge);
    EXPECT_EQ(ReadFileBytes(InstalledPath(app.id)), "version 1 of the tool");
    EXPECT_TRUE(TempLeftovers().empty());
    EXPECT_EQ(FilesMatching(GetAppsFolder(), app.id + L"*"), std::vector<std::wstring>{app.id + L".exe"});

    WriteFileBytes(source, tool);
    struct Case {
        const char* what;
        unsigned long long bound;
        bool sizeUnknown;
        std::string expected;
    };
    const Case cases[] = {
        {"one byte over, size read", tool.size() - 1, false, msg::kUsbToolTooLarge},
        {"one byte over, counted", tool.size() - 1, true, msg::kUsbToolTooLarge},
        {"exactly the bound, size read", tool.size(), false, "<no error>"},
        {"exactly the bound, counted", tool.size(), true, "<no error>"},
    };
    for (const Case& c : cases) {
        ScratchFolder folder(L"usbbound");
        FetchOptions options;
        options.limits.maxBytes = c.bound;
        std::optional<ScopedImportHook> hook;
        if (c.sizeUnknown) {
            hook.emplace("GetFileSizeEx", reinterpret_cast<void*>(&SizeUnknown));
            ASSERT_TRUE(hook->installed()) << c.what;
        }
        std::wstring fetched;
        EXPECT_EQ(ErrorOf([&] { fetched = FetchVerified(MakeToolRequest(entry), folder.path(), options).Keep(); }),
                  c.expected)
            << c.what;
        hook.reset();
        if (c.expected == "<no error>") {
            EXPECT_TRUE(ReadFileBytes(fetched) == tool) << c.what;
            DeleteFileW(fetched.c_str());
        }
        EXPECT_TRUE(FilesMatching(folder.path(), L"*").empty()) << c.what;
    }
    DeleteFileW(source.c_str());
}

// A copy from the key reads ahead of its hash into a few buffers used in
// turn: a tool of many blocks arrives whole and in order, and a stop in the
// middle of it leaves nothing behind.
TEST_F(InstallToolTest, AUsbToolOfManyBlocksArrivesWholeAndAStopLeavesNothing) {
    const std::wstring root = OfflineRootOnUsbDrive();
    const std::wstring source = JoinPath(root, L"outils\\manyblocks.exe");
    // Each word names its own offset, so that a block out of place changes the file.
    std::string large(9 * 1024 * 1024 + 12345, '\0');
    for (size_t offset = 0; offset + sizeof(uint64_t) <= large.size(); offset += sizeof(uint64_t)) {
        const uint64_t word = offset;
        std::memcpy(large.data() + offset, &word, sizeof(word));
    }
    WriteFileBytes(source, large);
    const CatalogApp entry = MakeToolEntry(L"manyblocks", Sha256Of(large), root);

    ScratchFolder folder(L"manyblocks");
    const std::wstring fetched = FetchVerified(MakeToolRequest(entry), folder.path(), {}).Keep();
    EXPECT_TRUE(ReadFileBytes(fetched) == large);
    DeleteFileW(fetched.c_str());

    FetchOptions stopping;
    stopping.progress = [](unsigned long long done, long long) {
        if (done >= 5 * 1024 * 1024) Fail("stopped by the test");
    };
    EXPECT_EQ(ErrorOf([&] { FetchVerified(MakeToolRequest(entry), folder.path(), stopping); }),
              "stopped by the test");
    EXPECT_TRUE(FilesMatching(folder.path(), L"*").empty());
    DeleteFileW(source.c_str());
}

TEST_F(InstallToolTest, RefusesANameThatLeavesTheAppsFolder) {
    // Even a file that would match the catalogue is not looked at.
    const std::wstring outside = JoinPath(GetInstallFolder(), L"h6outside.exe");
    CreateFolderPath(GetInstallFolder());
    WriteFileBytes(outside, tool);
    ToolRequest request = MakeToolRequest(app);
    request.name = L"..\\h6outside";
    request.exeName = request.name + L".exe";
    EXPECT_EQ(ErrorOf([&] { InstallTool(request); }), msg::kAppFileNameInvalid);
    EXPECT_EQ(ReadFileBytes(outside), tool);
    DeleteFileW(outside.c_str());
}

TEST(FetchVerified, SlowStalledOrEndlessDownloadsFailAndLeaveNothing) {
    // 2.5 MiB sent 64 KiB every 100 ms: slower than the window, never stalled.
    const std::string steady = SeededBytes(40 * 65536, 11);
    // 30,000 bytes sent 1,000 every 100 ms: too little in the 2 s window, and
    // over a second later the whole body has arrived. Without the stall rule
    // the fetch succeeds and the case fails by its assertion, in seconds.
    const std::string trickled = SeededBytes(30000, 12);
    struct Case {
        const char* what;
        const std::string& body;
        std::wstring endpointPath;  // empty: the download service
        std::wstring idSuffix;
        TransferLimits limits;
        std::string expected;
    };
    const TransferLimits stallIn2s{kToolSizeLimit, 0, 2000, 65536};
    const Case cases[] = {
        {"1,000 bytes every 100 ms is a stall", trickled, L"", L"&trickle=100&piece=1000", stallIn2s,
         msg::kDownloadInterrupted},
        {"slow but steady arrives", steady, L"", L"&trickle=100&piece=65536", stallIn2s, "<no error>"},
        {"announced beyond the bound", steady, L"", L"", {steady.size() - 1, 0, 0, 0}, msg::kDownloadTooLarge},
        {"endless body", steady, L"/fault/endless", L"", {1 << 20, 0, 0, 0}, msg::kDownloadTooLarge},
        {"endless chunked body",
         steady,
         L"/fault/endless?chunked=1&x=",
         L"",
         {1 << 20, 0, 0, 0},
         msg::kDownloadTooLarge},
    };
    for (const Case& c : cases) {
        CatalogApp app = MakeToolEntry(L"h6slow", Sha256Of(c.body));
        PublishFile(PublishedDownloadPath(app), c.body);
        if (!c.endpointPath.empty()) app.downloadEndpoint = TestServerUrl() + c.endpointPath;
        app.downloadId += c.idSuffix;
        ScratchFolder folder(L"slow");
        FetchOptions options;
        options.limits = c.limits;

        std::wstring fetched;
        EXPECT_EQ(ErrorOf([&] { fetched = FetchVerified(MakeToolRequest(app), folder.path(), options).Keep(); }),
                  c.expected)
            << c.what;
        if (!fetched.empty()) {
            EXPECT_TRUE(ReadFileBytes(fetched) == c.body) << c.what;
            DeleteFileW(fetched.c_str());
        }
        EXPECT_TRUE(FilesMatching(folder.path(), L"*").empty()) << c.what;
        UnpublishFile(L"telechargement/h6slow_" + app.sha256.substr(0, 12) + L".exe");
    }
}

TEST(FetchVerified, NobodyCanWriteOrDeleteTheFileBetweenHashAndPlacement) {
    const std::string tool = TraceToolBytes();
    const std::wstring root = OfflineRootOnUsbDrive();
    const std::wstring source = JoinPath(root, L"outils\\h6held.exe");
    WriteFileBytes(source, tool);
    ScratchFolder folder(L"held");
    const std::wstring dest = folder / L"h6held.exe";

    // Tried from the last progress report on: everything is written and
    // hashed, the comparison and the placement are still to come.
    bool tried = false;
    DWORD writeError = 0;
    bool deleted = true;
    FetchOptions options;
    options.progress = [&](unsigned long long done, long long expected) {
        if (expected < 0 || done != static_cast<unsigned long long>(expected)) return;
        tried = true;
        HANDLE writer = CreateFileW(dest.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        writeError = writer == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
        deleted = DeleteFileW(dest.c_str()) != 0;
    };
    VerifiedFile verified = FetchVerified(MakeToolRequest(MakeToolEntry(L"h6held", Sha256Of(tool), root)),
                                          folder.path(), options);

    EXPECT_TRUE(tried);
    EXPECT_EQ(writeError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(deleted);
    EXPECT_TRUE(ReadFileBytes(verified.Keep()) == tool);
    DeleteFileW(dest.c_str());
    DeleteFileW(source.c_str());
}

TEST_F(InstallToolTest, TheWholeDigestMustMatch) {
    const std::wstring right = Sha256Of(tool);
    const std::wstring lastDiffers = right.substr(0, 63) + (right[63] == L'0' ? L'1' : L'0');
    struct Case {
        const char* what;
        std::wstring sha256;
        bool alreadyInstalled;
        const char* expected;
    };
    const Case cases[] = {
        {"last digit differs", lastDiffers, false, msg::kShaMismatch},
        {"last digit differs, file in place", lastDiffers, true, msg::kShaMismatch},
        {"first half of the digest", right.substr(0, 32), false, msg::kShaMissingOrInvalid},
        {"first half, file in place", right.substr(0, 32), true, msg::kShaMissingOrInvalid},
        {"one digit more", right + L"0", false, msg::kShaMissingOrInvalid},
        {"one digit more, file in place", right + L"0", true, msg::kShaMissingOrInvalid},
    };
    for (const Case& c : cases) {
        cleanup.clean();
        CatalogApp entry = MakeToolEntry(app.id, c.sha256);
        // The server holds the right tool; only the catalogue's digest is off.
        PublishFile(L"telechargement/" + entry.downloadId + L".exe", tool);
        if (c.alreadyInstalled) {
            CreateFolderPath(GetAppsFolder());
            WriteFileBytes(InstalledPath(app.id), tool);
        }

        EXPECT_EQ(ErrorOf([&] { InstallTool(MakeToolRequest(entry)); }), c.expected) << c.what;
        EXPECT_EQ(FileExists(InstalledPath(app.id)), c.alreadyInstalled) << c.what;
        EXPECT_TRUE(TempLeftovers().empty()) << c.what;
        UnpublishFile(L"telechargement/" + entry.downloadId + L".exe");
    }
}

TEST(OwnFiles, RestrictiveAttributesAreClearedAndTheOthersKept) {
    ScratchFolder folder(L"attributes");
    const std::wstring file = folder / L"outil.exe";
    const DWORD cases[] = {
        FILE_ATTRIBUTE_READONLY,
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
        FILE_ATTRIBUTE_HIDDEN,
        FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE,
        kRestrictiveAttributes | FILE_ATTRIBUTE_ARCHIVE,
    };
    for (DWORD before : cases) {
        WriteFileBytes(file, "x");
        ASSERT_TRUE(SetFileAttributesW(file.c_str(), before));
        ASSERT_EQ(GetFileAttributesW(file.c_str()) & kRestrictiveAttributes, before & kRestrictiveAttributes)
            << "the test drive keeps no such attributes";
        ClearRestrictiveAttributes(file);
        const DWORD after = GetFileAttributesW(file.c_str());
        EXPECT_EQ(after & kRestrictiveAttributes, 0u) << "from " << before;
        if ((before & FILE_ATTRIBUTE_ARCHIVE) != 0) {
            EXPECT_NE(after & FILE_ATTRIBUTE_ARCHIVE, 0u) << "from " << before;
        }
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(file.c_str());
    }
    // A missing file is no error.
    ClearRestrictiveAttributes(file);
}

// Read-only, hidden or system, on the key or on an Apps file an older version
// left: the installed file has none of them and can be replaced and removed.
// The file is fetched under a hidden name, so hidden reaches it every time.
TEST_F(InstallToolTest, RestrictiveAttributesNeverStayOnTheInstalledTool) {
    const std::wstring root = OfflineRootOnUsbDrive();
    const std::wstring onKey = JoinPath(root, L"outils\\h6install.exe");
    const std::string second = tool + "version 2";
    const DWORD hiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    struct Step {
        const char* what;
        std::string bytes;
        DWORD onKey;     // the key's file
        DWORD leftover;  // the Apps file before the step; 0: as the last step left it
    };
    const Step steps[] = {
        {"install, read-only on the key", tool, kRestrictiveAttributes | FILE_ATTRIBUTE_ARCHIVE, 0},
        {"update, hidden and system on the key", second, hiddenSystem, 0},
        {"update over a read-only file", tool, FILE_ATTRIBUTE_NORMAL, kRestrictiveAttributes},
        {"update over a hidden system file", second, FILE_ATTRIBUTE_NORMAL, hiddenSystem},
    };
    for (const Step& step : steps) {
        SetFileAttributesW(onKey.c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteFileBytes(onKey, step.bytes);
        ASSERT_TRUE(SetFileAttributesW(onKey.c_str(), step.onKey));
        if (step.leftover != 0) {
            ASSERT_TRUE(SetFileAttributesW(InstalledPath(app.id).c_str(), step.leftover));
        }

        EXPECT_EQ(ErrorOf([&] { InstallTool(MakeToolRequest(MakeToolEntry(app.id, Sha256Of(step.bytes), root))); }),
                  "<no error>")
            << step.what;
        EXPECT_TRUE(ReadFileBytes(InstalledPath(app.id)) == step.bytes) << step.what;
        DWORD attributes = GetFileAttributesW(InstalledPath(app.id).c_str());
        EXPECT_EQ(attributes & kRestrictiveAttributes, 0u) << step.what;
        EXPECT_TRUE(TempLeftovers().empty()) << step.what;
        // From the first update on, the replaced file is kept as the previous
        // version, with its digest.
        std::vector<std::wstring> appsFiles{app.id + L".exe"};
        if (&step != &steps[0]) {
            appsFiles.push_back(app.id + L".precedent.exe");
            appsFiles.push_back(app.id + L".precedent.txt");
        }
        EXPECT_EQ(FilesMatching(GetAppsFolder(), app.id + L"*"), appsFiles) << step.what;
    }
    for (DWORD leftover : {kRestrictiveAttributes, hiddenSystem}) {
        WriteFileBytes(InstalledPath(app.id), tool);
        SetFileAttributesW(InstalledPath(app.id).c_str(), leftover);
        EXPECT_EQ(ErrorOf([&] { UninstallTool(MakeToolRequest(app)); }), "<no error>") << leftover;
        EXPECT_FALSE(FileExists(InstalledPath(app.id))) << leftover;
        EXPECT_EQ(FilesMatching(GetAppsFolder(), app.id + L"*"), std::vector<std::wstring>{})
            << leftover << ": the kept version goes too";
    }
    EXPECT_TRUE(ReadFileBytes(onKey) == second) << "the key is never written";
    SetFileAttributesW(onKey.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(onKey.c_str());
}

// The tool is fetched in the Apps folder itself, so it gets that folder's
// permissions: a temporary folder that does not even exist changes nothing,
// and nothing is left beside the installed file.
TEST_F(InstallToolTest, FetchesInTheAppsFolderAndNeverInTheTemporaryFolder) {
    ScratchFolder scratch(L"notemp");
    WriteFileBytes(scratch / L"file", "x");
    // Below a file: a folder that cannot exist, nor be made.
    const std::wstring noTemp = scratch / L"file\\Temp";
    const std::wstring root = OfflineRootOnUsbDrive();
    const std::wstring onKey = JoinPath(root, L"outils\\h6install.exe");
    WriteFileBytes(onKey, tool);
    PublishFile(PublishedDownloadPath(app), tool);
    // The server holds the tool, the catalogue another digest.
    const CatalogApp wrong = MakeToolEntry(app.id, Sha256Of("another tool"));
    PublishFile(PublishedDownloadPath(wrong), tool);

    struct TempVariables {
        std::wstring tmp = EnvVar(L"TMP");
        std::wstring temp = EnvVar(L"TEMP");
        ~TempVariables() {
            SetEnvironmentVariableW(L"TMP", tmp.empty() ? nullptr : tmp.c_str());
            SetEnvironmentVariableW(L"TEMP", temp.empty() ? nullptr : temp.c_str());
        }
    };
    {
        TempVariables restored;
        SetEnvironmentVariableW(L"TMP", noTemp.c_str());
        SetEnvironmentVariableW(L"TEMP", noTemp.c_str());
        ASSERT_EQ(GetTempFolder(), noTemp + L"\\");

        for (const wchar_t* sourceRoot : {L"", root.c_str()}) {
            cleanup.clean();
            const std::string what = *sourceRoot == 0 ? "download" : "USB key";
            EXPECT_EQ(ErrorOf([&] { InstallTool(MakeToolRequest(MakeToolEntry(app.id, app.sha256, sourceRoot))); }),
                      "<no error>")
                << what;
            EXPECT_TRUE(FileExists(InstalledPath(app.id)) && ReadFileBytes(InstalledPath(app.id)) == tool) << what;
            EXPECT_EQ(FilesMatching(GetAppsFolder(), app.id + L"*"), std::vector<std::wstring>{app.id + L".exe"})
                << what;
        }
        // A failed fetch leaves no side file either.
        EXPECT_EQ(ErrorOf([&] { InstallTool(MakeToolRequest(wrong)); }), msg::kShaMismatch);
        EXPECT_EQ(FilesMatching(GetAppsFolder(), app.id + L"*"), std::vector<std::wstring>{app.id + L".exe"});
    }
    EXPECT_FALSE(FileExists(noTemp));
    UnpublishFile(PublishedDownloadPath(wrong));
    DeleteFileW(onKey.c_str());
}

TEST_F(InstallToolTest, AnUpdateReplacesTheFileInsteadOfWritingIntoIt) {
    // The file's identity tells a new file renamed into place from the old
    // one written over where it lies.
    auto fileId = [](const std::wstring& path) {
        UniqueHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        BY_HANDLE_FILE_INFORMATION info{};
        if (!file || !GetFileInformationByHandle(file.get(), &info)) return 0ull;
        return (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    };
    CreateFolderPath(GetAppsFolder());
    WriteFileBytes(InstalledPath(app.id), "version 1 of the tool");
    PublishFile(PublishedDownloadPath(app), tool);
    const unsigned long long before = fileId(InstalledPath(app.id));
    ASSERT_NE(before, 0u);

    EXPECT_EQ(ErrorOf([&] { InstallTool(MakeToolRequest(app)); }), "<no error>");

    EXPECT_NE(fileId(InstalledPath(app.id)), before);
    EXPECT_TRUE(ReadFileBytes(InstalledPath(app.id)) == tool);
    // The replaced file itself is kept, hidden, as the previous version.
    const std::wstring previous = ToolFilesIn(GetAppsFolder(), app.id).previous;
    EXPECT_EQ(fileId(previous), before);
    EXPECT_EQ(ReadFileBytes(previous), "version 1 of the tool");
    EXPECT_NE(GetFileAttributesW(previous.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(FilesMatching(GetAppsFolder(), app.id + L"*"),
              (std::vector<std::wstring>{app.id + L".exe", app.id + L".precedent.exe", app.id + L".precedent.txt"}));
    EXPECT_TRUE(TempLeftovers().empty());
}

TEST_F(InstallToolTest, AFileThatCannotBeReplacedStaysWhole) {
    CreateFolderPath(GetAppsFolder());
    WriteFileBytes(InstalledPath(app.id), "version 1 of the tool");
    PublishFile(PublishedDownloadPath(app), tool);
    // Held open without delete sharing: unlike a running program's file, it
    // cannot even be moved aside.
    UniqueHandle holder(
        CreateFileW(InstalledPath(app.id).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);

    EXPECT_EQ(ErrorOf([&] { InstallTool(MakeToolRequest(app)); }), "Fermez h6install puis réessayez.");

    holder.reset();
    EXPECT_EQ(ReadFileBytes(InstalledPath(app.id)), "version 1 of the tool");
    EXPECT_EQ(FilesMatching(GetAppsFolder(), app.id + L"*"), std::vector<std::wstring>{app.id + L".exe"});
    EXPECT_TRUE(TempLeftovers().empty());
}

}  // namespace
