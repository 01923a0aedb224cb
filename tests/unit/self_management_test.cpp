// The program's own install, update and removal, and the deferred PowerShell
// command that finishes them. The powershell_standin.exe beside this test
// program is the test suite's stand-in (tests/powershell_standin), which logs
// its command line to ORKVANE_STANDIN_LOG and carries out the scripts' file
// steps; the tests put it where the program starts PowerShell, in the system
// folder.
//
// Tests that need the process to be the installed copy copy this very test
// program to %LOCALAPPDATA%\Kest_Tools\Orkvane.exe and run one of the
// SelfInInstalledCopy tests there (they are disabled in a normal run).
#include <gtest/gtest.h>

#include <shlobj.h>

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "app/policies.h"
#include "app/settings.h"
#include "app/state.h"
#include "base/constants.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/operation_cancel.h"
#include "base/paths.h"
#include "base/post_result.h"
#include "base/sha256.h"
#include "operations/deferred_command.h"
#include "operations/installed_apps_entries.h"
#include "operations/operation_runner.h"
#include "operations/progress_post.h"
#include "operations/self_management.h"
#include "tests/support/import_hook.h"
#include "tests/support/powershell_place.h"
#include "tests/support/process_support.h"
#include "tests/support/run_value.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "tests/support/uninstall_entries.h"
#include "tests/support/waiting.h"
#include "ui/jobs/self_commands.h"
#include "ui/message_box.h"

namespace {

struct WindowTraits {
    using Type = HWND;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { DestroyWindow(h); }
};
using UniqueWindow = Unique<WindowTraits>;

constexpr wchar_t kLogVariable[] = L"ORKVANE_STANDIN_LOG";
constexpr wchar_t kUpdateSourceVariable[] = L"ORKVANE_SELF_UPDATE_SOURCE";
constexpr wchar_t kUpdateShaVariable[] = L"ORKVANE_SELF_UPDATE_SHA";

std::wstring OwnFolder() { return ParentFolder(GetOwnExePath()); }
// The stand-in, in its place in the system folder.
std::wstring StandInPath() {
    static const std::wstring placed = PlacePowerShellStandIn(JoinPath(OwnFolder(), L"powershell_standin.exe"));
    return placed;
}

std::string ReadIfExists(const std::wstring& path) { return FileExists(path) ? ReadFileBytes(path) : std::string(); }

// The log's lines, CRLF-separated UTF-8.
std::vector<std::wstring> LogLines(const std::wstring& log) {
    std::vector<std::wstring> lines;
    std::string bytes = ReadIfExists(log);
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(Utf8ToWide(bytes.substr(start, end - start)));
    return lines;
}

DWORD WaitForExit(const StartedProcess& started, DWORD timeoutMs) {
    if (WaitForSingleObject(started.process.get(), timeoutMs) != WAIT_OBJECT_0) return 999;
    DWORD code = 0;
    GetExitCodeProcess(started.process.get(), &code);
    return code;
}

// The stand-in, started directly with the deferred command line of a script.
DWORD RunStandIn(const std::wstring& script, DWORD timeoutMs = 30000) {
    StartedProcess started = StartProcess(StandInPath().c_str(), BuildDeferredCommandLine(script));
    if (!started.process) return 998;
    return WaitForExit(started, timeoutMs);
}

// A finished process whose handle stays open, so its id is not reused.
StartedProcess FinishedProcess() {
    StartedProcess started = StartProcess(StandInPath().c_str(), L"powershell.exe");
    WaitForExit(started, 30000);
    return started;
}

class ScopedEnv {
public:
    ScopedEnv(const wchar_t* name, const std::wstring& value) : name_(name) {
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedEnv() { SetEnvironmentVariableW(name_, nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const wchar_t* name_;
};

// A window that receives the workers' results; message-only, never shown.
UniqueWindow MakeResultWindow() {
    return UniqueWindow(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
}

std::unique_ptr<OperationResult> WaitForResult(HWND window, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    MSG message{};
    while (std::chrono::steady_clock::now() < deadline) {
        if (PeekMessageW(&message, window, WM_APP_OPERATION_DONE, WM_APP_OPERATION_DONE, PM_REMOVE))
            return TakePostedResult<OperationResult>(message.lParam);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return nullptr;
}

std::wstring DesktopShortcut() { return JoinPath(GetKnownFolder(FOLDERID_Desktop), L"Orkvane.lnk"); }
std::wstring MenuShortcut() {
    return JoinPath(JoinPath(GetKnownFolder(FOLDERID_Programs), L"Kest Tools"), L"Orkvane.lnk");
}

bool DeleteWithRetry(const std::wstring& path) {
    return WaitUntil([&] { return DeleteFileW(path.c_str()) || !FileExists(path); }, 15000);
}

// Files of the temporary folder whose name starts with "Orkvane" (fetched copies).
int FetchedCopiesInTemp() {
    int count = 0;
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(JoinPath(GetTempFolder(), L"Orkvane*.exe").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do ++count;
    while (FindNextFileW(find, &data));
    FindClose(find);
    return count;
}

// The program's own catalogue entry, served from an offline folder.
CatalogApp SelfEntry(const std::wstring& offlineRoot, const std::wstring& sha256) {
    CatalogApp app;
    app.id = kOwnAppId;
    app.name = kOwnAppId;
    app.version = L"9.0.0";
    app.description = L"Catalogue central Kest";
    app.exeName = L"Orkvane.exe";
    app.sourceRoot = offlineRoot;
    app.sha256 = sha256;
    return app;
}

// An offline folder holding outils\Orkvane.exe with the given bytes.
std::wstring MakeOfflineRoot(const ScratchFolder& scratch, const std::string& program) {
    std::wstring root = scratch / L"OrkvaneOffline";
    CreateFolderPath(JoinPath(root, L"outils"));
    WriteFileBytes(JoinPath(root, L"outils\\Orkvane.exe"), program);
    return root;
}

// Leaves the install folder as a fresh prefix has it: nothing of the program.
void RemoveInstalledCopy() {
    DeleteWithRetry(GetInstalledExePath());
    RemoveTree(GetInstalledExePath());  // when a test made it a folder
    DeleteFileW(DesktopShortcut().c_str());
    DeleteFileW(MenuShortcut().c_str());
}

// ---------------------------------------------------------------------------
// Scripts and command line

TEST(DeferredScript, QuotingDoublesEverySingleQuote) {
    struct Case {
        std::wstring text;
        std::wstring quoted;
    };
    const Case cases[] = {
        {L"C:\\Users\\Zoé\\Orkvane.exe", L"'C:\\Users\\Zoé\\Orkvane.exe'"},
        {L"C:\\l'atelier\\Orkvane.exe", L"'C:\\l''atelier\\Orkvane.exe'"},
        // PowerShell reads the four typographic single quotes as quotes too.
        {L"C:\\Users\\d\u2019Arc", L"'C:\\Users\\d\u2019\u2019Arc'"},
        {L"\u2018a\u201Ab\u201B", L"'\u2018\u2018a\u201A\u201Ab\u201B\u201B'"},
        {L"x\u2019'y", L"'x\u2019\u2019''y'"},
        {L"\u201C\u201D", L"'\u201C\u201D'"},
        {L"D:\\a''b\\x", L"'D:\\a''''b\\x'"},
        {L"'", L"''''"},
        {L"'x'", L"'''x'''"},
        {L"", L"''"},
        {L"say \"hi\" $env:x", L"'say \"hi\" $env:x'"},
    };
    for (const Case& c : cases) EXPECT_EQ(QuoteForPowerShell(c.text), c.quoted) << c.text;
}

TEST(DeferredScript, ReplacementScriptAndCommandLine) {
    std::wstring script = BuildReplacementScript(4242, L"C:\\Users\\l'atelier\\Orkvane.exe.nouveau",
                                                 L"C:\\Users\\l'atelier\\Orkvane.exe");
    const std::wstring expected =
        L"$ErrorActionPreference='SilentlyContinue'; try { Wait-Process -Id 4242 -Timeout 20 } catch {}; "
        L"Start-Sleep -Milliseconds 500; try { [System.IO.File]::Replace("
        L"'C:\\Users\\l''atelier\\Orkvane.exe.nouveau', 'C:\\Users\\l''atelier\\Orkvane.exe', $null, $true) } "
        L"catch { [System.IO.File]::Move('C:\\Users\\l''atelier\\Orkvane.exe.nouveau', "
        L"'C:\\Users\\l''atelier\\Orkvane.exe') }; Start-Process -FilePath 'C:\\Users\\l''atelier\\Orkvane.exe'";
    EXPECT_EQ(script, expected);
    EXPECT_EQ(BuildDeferredCommandLine(script),
              L"powershell.exe -NoProfile -ExecutionPolicy Bypass -WindowStyle Hidden -Command \"" + expected + L"\"");
}

TEST(DeferredScript, RemovalScriptNamesTheInstalledCopyAndBothShortcuts) {
    std::wstring local = GetKnownFolder(FOLDERID_LocalAppData);
    std::wstring desktop = GetKnownFolder(FOLDERID_Desktop);
    std::wstring programs = GetKnownFolder(FOLDERID_Programs);
    EXPECT_EQ(BuildRemovalScript(17),
              L"$ErrorActionPreference='SilentlyContinue'; try { Wait-Process -Id 17 -Timeout 20 } catch {}; "
              L"Start-Sleep -Milliseconds 500; Remove-Item -LiteralPath '" +
                  local +
                  L"\\Kest_Tools\\Orkvane.exe' "
                  L"-Force; Remove-Item -LiteralPath '" +
                  desktop + L"\\Orkvane.lnk' -Force; Remove-Item -LiteralPath '" + programs +
                  L"\\Kest Tools\\Orkvane.lnk' -Force");
    // The largest process identifier is written out in full, in decimal.
    EXPECT_NE(BuildRemovalScript(4294967295UL).find(L"-Id 4294967295 -Timeout"), std::wstring::npos);
}

// ---------------------------------------------------------------------------
// The scripts under the stand-in

TEST(PowerShellStandIn, ReplacementWaitsForTheProgramThenSwapsAndStarts) {
    ScratchFolder scratch(L"replace");
    std::wstring log = scratch / L"log.txt";
    ScopedEnv logEnv(kLogVariable, log);
    // Typographic apostrophes as in "OneDrive - L’Atelier": quoted wrongly,
    // the whole script would not even be read.
    CreateFolderPath(scratch / L"d\u2019Arc");
    std::wstring installed = scratch / L"d\u2019Arc\\Orkvane.exe";
    std::wstring side = scratch / L"d\u2019Arc\\Orkvane.exe.nouveau";
    WriteFileBytes(installed, "old program");
    // The new copy is the stand-in itself, so that its start shows in the log.
    ASSERT_TRUE(CopyFileW(StandInPath().c_str(), side.c_str(), FALSE));
    std::string freshBytes = ReadFileBytes(side);

    // The "program" the script waits for: a stand-in that sleeps 1.5 s.
    auto begin = std::chrono::steady_clock::now();
    StartedProcess program = StartProcess(StandInPath().c_str(),
                                          BuildDeferredCommandLine(L"Start-Sleep -Milliseconds 1500"));
    ASSERT_TRUE(program.process);
    std::wstring script = BuildReplacementScript(program.id, side, installed);
    ASSERT_EQ(RunStandIn(script), 0u);
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begin);

    EXPECT_EQ(WaitForSingleObject(program.process.get(), 0), WAIT_OBJECT_0) << "replaced before the program ended";
    EXPECT_GE(elapsed.count(), 1900) << "no wait for the program and the half second after it";
    EXPECT_EQ(ReadFileBytes(installed), freshBytes);
    EXPECT_FALSE(FileExists(side));
    // The sleeper and the script start together and log in either order; the
    // new copy's start comes last.
    ASSERT_TRUE(WaitUntil([&] { return LogLines(log).size() >= 3; }, 10000));
    std::vector<std::wstring> lines = LogLines(log);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0] == BuildDeferredCommandLine(script) || lines[1] == BuildDeferredCommandLine(script));
    EXPECT_EQ(lines[2], L"\"" + installed + L"\"") << "the new installed copy was not started";
}

// The replacement is all or nothing: when the old file cannot go (another
// program holds it) or the new one cannot move (a scanner holds it), the old
// program stays whole and starts again; with no old file the new one is put
// in place.
TEST(PowerShellStandIn, ReplacementIsAllOrNothingAndStartsAProgram) {
    // Both programs are the stand-in, so that a start shows in the log; the
    // bytes appended tell them apart.
    const std::string oldBytes = ReadFileBytes(StandInPath()) + "old program";
    const std::string newBytes = ReadFileBytes(StandInPath()) + "new program";
    struct Case {
        const char* what;
        bool oldFile;
        bool holdOld;
        bool holdNew;
        const std::string& expected;
    };
    const Case cases[] = {
        {"old file held by another program", true, true, false, oldBytes},
        {"new file held by a scanner", true, false, true, oldBytes},
        {"no old file", false, false, false, newBytes},
    };
    for (const Case& c : cases) {
        ScratchFolder scratch(L"locked");
        StartedProcess gone = FinishedProcess();
        std::wstring log = scratch / L"log.txt";
        ScopedEnv logEnv(kLogVariable, log);
        std::wstring installed = scratch / L"Orkvane.exe";
        std::wstring side = scratch / L"Orkvane.exe.nouveau";
        if (c.oldFile) WriteFileBytes(installed, oldBytes);
        WriteFileBytes(side, newBytes);
        {
            // Held without delete sharing: neither renamed nor deleted.
            auto hold = [](const std::wstring& path) {
                return UniqueHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
            };
            UniqueHandle oldHolder = c.holdOld ? hold(installed) : UniqueHandle();
            UniqueHandle newHolder = c.holdNew ? hold(side) : UniqueHandle();
            ASSERT_EQ(static_cast<bool>(oldHolder), c.holdOld) << c.what;
            ASSERT_EQ(static_cast<bool>(newHolder), c.holdNew) << c.what;
            EXPECT_EQ(RunStandIn(BuildReplacementScript(gone.id, side, installed)), 0u) << c.what;
        }
        EXPECT_TRUE(FileExists(installed) && ReadFileBytes(installed) == c.expected)
            << c.what << ": the installed program was damaged or lost";
        EXPECT_TRUE(WaitUntil([&] { return LogLines(log).size() >= 2; }, 10000)) << c.what;
        const std::vector<std::wstring> lines = LogLines(log);
        EXPECT_TRUE(lines.size() >= 2 && lines[1] == L"\"" + installed + L"\"") << c.what << ": no program started";
        // The started copy logs as it starts; it may still hold its file.
        WaitUntil([&] { return DeleteFileW(installed.c_str()) != FALSE || !FileExists(installed); }, 10000);
    }
}

TEST(PowerShellStandIn, RemovalDeletesProgramAndShortcutsOnly) {
    ScratchFolder scratch(L"remove");
    ScopedEnv logEnv(kLogVariable, scratch / L"log.txt");
    CreateFolderPath(GetAppsFolder());
    CreateFolderPath(ParentFolder(MenuShortcut()));
    std::wstring tool = JoinPath(GetAppsFolder(), L"Outil.exe");
    std::wstring toolShortcut = JoinPath(ParentFolder(MenuShortcut()), L"Outil.lnk");
    for (const std::wstring& path : {GetInstalledExePath(), DesktopShortcut(), MenuShortcut(), tool, toolShortcut})
        WriteFileBytes(path, "x");

    StartedProcess gone = FinishedProcess();
    EXPECT_EQ(RunStandIn(BuildRemovalScript(gone.id)), 0u);

    EXPECT_FALSE(FileExists(GetInstalledExePath()));
    EXPECT_FALSE(FileExists(DesktopShortcut()));
    EXPECT_FALSE(FileExists(MenuShortcut()));
    EXPECT_TRUE(FileExists(tool));
    EXPECT_TRUE(FileExists(toolShortcut));
    DeleteFileW(tool.c_str());
    DeleteFileW(toolShortcut.c_str());
}

TEST(PowerShellStandIn, UnreadableScriptRunsNothing) {
    ScratchFolder scratch(L"strict");
    ScopedEnv logEnv(kLogVariable, scratch / L"log.txt");
    std::wstring keep = scratch / L"keep.txt";
    WriteFileBytes(keep, "x");
    std::wstring remove = L"Remove-Item -LiteralPath " + QuoteForPowerShell(keep) + L" -Force";
    struct Case {
        std::wstring script;
        DWORD exitCode;
        bool kept;
    };
    const Case cases[] = {
        {remove + L"; Format-Volume -DriveLetter C", 2, true},
        {remove + L"; Remove-Item -Path 'x' -Force", 2, true},
        {L"Remove-Item -LiteralPath 'unclosed -Force", 2, true},
        {remove, 0, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunStandIn(c.script), c.exitCode) << c.script;
        EXPECT_EQ(FileExists(keep), c.kept) << c.script;
    }
}

TEST(DeferredCommand, StartsPowerShellWithTheExactCommandLineAndReturnsAtOnce) {
    ScratchFolder scratch(L"deferred");
    std::wstring log = scratch / L"log.txt";
    ScopedEnv logEnv(kLogVariable, log);
    std::wstring marker = scratch / L"l'atelier.txt";
    WriteFileBytes(marker, "x");
    std::wstring script = L"Start-Sleep -Milliseconds 1500; Remove-Item -LiteralPath " + QuoteForPowerShell(marker) +
                          L" -Force";

    StandInPath();
    // A powershell.exe in the current folder is never the one started.
    std::wstring decoyTrace = scratch / L"decoy.txt";
    ScopedEnv trace(L"ORKVANE_TRACE_FILE", decoyTrace);
    ASSERT_TRUE(CopyFileW(ORKVANE_TRACE_TOOL_PATH, (scratch / L"powershell.exe").c_str(), FALSE));
    std::vector<wchar_t> previousFolder(32768);
    GetCurrentDirectoryW(static_cast<DWORD>(previousFolder.size()), previousFolder.data());
    ASSERT_TRUE(SetCurrentDirectoryW(scratch.path().c_str()));

    auto begin = std::chrono::steady_clock::now();
    RunDeferredCommand(script);
    auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begin);
    SetCurrentDirectoryW(previousFolder.data());
    EXPECT_LT(spent.count(), 1000) << "RunDeferredCommand waited for the process";

    ASSERT_TRUE(WaitUntil([&] { return !FileExists(marker); }, 15000)) << "the stand-in did not run the script";
    EXPECT_FALSE(FileExists(decoyTrace)) << "the powershell.exe of the current folder ran";
    std::vector<std::wstring> lines = LogLines(log);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0],
              L"powershell.exe -NoProfile -ExecutionPolicy Bypass -WindowStyle Hidden -Command \"Start-Sleep "
              L"-Milliseconds 1500; Remove-Item -LiteralPath '" +
                  scratch.path() + L"\\l''atelier.txt' -Force\"");
}

// ---------------------------------------------------------------------------
// Update from a copy that is not the installed one (this test program)

TEST(SelfUpdate, DownloadThatDoesNotMatchLeavesInstalledCopyAlone) {
    ScratchFolder scratch(L"badsha");
    const std::string wrongProgram = "a program that is not the catalogue's";
    const std::wstring sha(64, L'A');
    // From the USB folder and from the web host.
    ToolRequest offline = MakeToolRequest(SelfEntry(MakeOfflineRoot(scratch, wrongProgram), sha));
    CatalogApp onlineEntry = SelfEntry(L"", sha);
    onlineEntry.downloadEndpoint = TestServerUrl() + L"/telechargement";
    onlineEntry.downloadId = L"Orkvane_AAAAAAAAAAAA";
    ToolRequest online = MakeToolRequest(onlineEntry);
    PublishFile(L"telechargement/Orkvane_AAAAAAAAAAAA.exe", wrongProgram);
    CreateFolderPath(GetInstallFolder());
    WriteFileBytes(GetInstalledExePath(), "installed program");
    int copiesBefore = FetchedCopiesInTemp();
    UniqueWindow window = MakeResultWindow();

    for (const ToolRequest* request : {&offline, &online}) {
        ClearRequestLog();
        RunToolboxUpdate(window.get(), *request);

        std::unique_ptr<OperationResult> result = WaitForResult(window.get(), 15000);
        ASSERT_NE(result, nullptr);
        EXPECT_FALSE(result->ok);
        EXPECT_FALSE(result->closeMain);
        EXPECT_EQ(result->error, W("SHA-256 invalide : le programme n'a pas été installé"));
        EXPECT_EQ(result->appIndex, -1);
        EXPECT_EQ(ReadFileBytes(GetInstalledExePath()), "installed program");
        EXPECT_EQ(FetchedCopiesInTemp(), copiesBefore);
        EXPECT_EQ(RequestLog().size(), request == &online ? 1u : 0u);
    }
    UnpublishFile(L"telechargement/Orkvane_AAAAAAAAAAAA.exe");
    RemoveInstalledCopy();
}

TEST(SelfUpdate, ReportsTheDownloadsProgressBeforeTheResult) {
    ScratchFolder scratch(L"selfprogress");
    // Not the catalogue's program: the update stops after the fetch, before
    // anything is replaced or started.
    const std::string fresh(3 << 20, 'x');
    std::wstring root = MakeOfflineRoot(scratch, fresh);
    CreateFolderPath(GetInstallFolder());
    WriteFileBytes(GetInstalledExePath(), "installed program");
    UniqueWindow window = MakeResultWindow();

    RunToolboxUpdate(window.get(), MakeToolRequest(SelfEntry(root, std::wstring(64, L'b'))), 9);

    std::unique_ptr<OperationResult> result = WaitForResult(window.get(), 15000);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->error, W("SHA-256 invalide : le programme n'a pas été installé"));
    std::vector<ProgressReport> reports;
    MSG message{};
    while (PeekMessageW(&message, window.get(), WM_APP_PROGRESS, WM_APP_PROGRESS, PM_REMOVE))
        reports.push_back(*TakePostedResult<ProgressReport>(message.lParam));
    ASSERT_FALSE(reports.empty());
    for (const ProgressReport& report : reports) EXPECT_EQ(report.serial, 9u);
    EXPECT_EQ(reports.back().done, fresh.size());
    EXPECT_EQ(reports.back().expected, static_cast<long long>(fresh.size()));
    RemoveInstalledCopy();
}

TEST(SelfUpdate, AnnulerLeavesAStalledDownloadWithinASecondAndKeepsTheInstalledProgram) {
    const std::string fresh = SeededBytes(1 << 20, 71);
    const std::array<unsigned char, 32> digest = ComputeSha256(fresh);
    CatalogApp entry = SelfEntry(L"", W(HexOf(digest.data(), digest.size())));
    entry.downloadEndpoint = TestServerUrl() + L"/telechargement";
    entry.downloadId = L"Orkvane_annuler";
    PublishFile(L"telechargement/Orkvane_annuler.exe", fresh);
    // One block, then the server says nothing for longer than the test.
    entry.downloadId += L"&trickle=60000&piece=65536";
    CreateFolderPath(GetInstallFolder());
    WriteFileBytes(GetInstalledExePath(), "installed program");
    UniqueWindow window = MakeResultWindow();

    std::atomic<bool> arrived{false};
    FetchOptions options;
    options.cancel = CancelToken::OfNewOperation();
    options.progress = [&](unsigned long long done, long long) { arrived = arrived || done > 0; };
    std::thread worker([&] { RunToolboxUpdate(window.get(), MakeToolRequest(entry), options); });
    ASSERT_TRUE(WaitFor([&] { return arrived.load(); }, 15000));
    Sleep(300);  // the worker now waits for a server that stalls
    const auto pressed = std::chrono::steady_clock::now();
    CancelRunningOperation();
    std::unique_ptr<OperationResult> result = WaitForResult(window.get(), 15000);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - pressed).count();
    worker.join();

    ASSERT_NE(result, nullptr);
    EXPECT_LT(seconds, 1.0);
    EXPECT_TRUE(result->cancelled);
    EXPECT_FALSE(result->ok);
    EXPECT_FALSE(result->closeMain);
    EXPECT_EQ(result->message, L"Orkvane" + W(msg::kOperationCancelled));
    EXPECT_EQ(ReadFileBytes(GetInstalledExePath()), "installed program");
    WIN32_FIND_DATAW data{};
    std::vector<std::wstring> left;
    HANDLE find = FindFirstFileW(JoinPath(GetInstallFolder(), L"Orkvane*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do left.push_back(data.cFileName);
        while (FindNextFileW(find, &data));
        FindClose(find);
    }
    EXPECT_EQ(left, std::vector<std::wstring>{L"Orkvane.exe"}) << "the partial download is left";
    UnpublishFile(L"telechargement/Orkvane_annuler.exe");
    RemoveInstalledCopy();
}

TEST(SelfUpdate, FromAnotherCopyReplacesTheInstalledFileAndStartsIt) {
    ScratchFolder scratch(L"update");
    std::wstring log = scratch / L"log.txt";
    ScopedEnv logEnv(kLogVariable, log);
    std::string fresh = ReadFileBytes(StandInPath());
    std::wstring root = MakeOfflineRoot(scratch, fresh);
    CreateFolderPath(GetInstallFolder());
    WriteFileBytes(GetInstalledExePath(), "installed program");
    int copiesBefore = FetchedCopiesInTemp();
    UniqueWindow window = MakeResultWindow();

    RunToolboxUpdate(window.get(),
                     MakeToolRequest(SelfEntry(root, ComputeFileSha256(JoinPath(root, L"outils\\Orkvane.exe")))));

    std::unique_ptr<OperationResult> result = WaitForResult(window.get(), 5000);
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(result->ok) << result->error;
    EXPECT_TRUE(result->closeMain);
    EXPECT_EQ(result->message, L"Orkvane mise à jour.");
    EXPECT_EQ(result->appIndex, -1);
    EXPECT_EQ(ReadFileBytes(GetInstalledExePath()), fresh);
    EXPECT_EQ(FetchedCopiesInTemp(), copiesBefore);
    // The new installed copy (here the stand-in) was started.
    EXPECT_TRUE(WaitUntil([&] { return !LogLines(log).empty(); }, 10000));
    std::vector<std::wstring> lines = LogLines(log);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(L"Orkvane.exe"), std::wstring::npos) << lines[0];
    RemoveInstalledCopy();
}

TEST(SelfUpdate, InstalledFileThatCannotBeReplacedIsReported) {
    ScratchFolder scratch(L"noreplace");
    std::string fresh = "new program";
    std::wstring root = MakeOfflineRoot(scratch, fresh);
    // Another program holds the installed file open: nothing can replace it.
    CreateFolderPath(GetInstallFolder());
    WriteFileBytes(GetInstalledExePath(), "installed program");
    UniqueHandle lock(CreateFileW(GetInstalledExePath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock);
    int copiesBefore = FetchedCopiesInTemp();
    UniqueWindow window = MakeResultWindow();

    RunToolboxUpdate(window.get(),
                     MakeToolRequest(SelfEntry(root, ComputeFileSha256(JoinPath(root, L"outils\\Orkvane.exe")))));

    std::unique_ptr<OperationResult> result = WaitForResult(window.get(), 5000);
    ASSERT_NE(result, nullptr);
    EXPECT_FALSE(result->ok);
    EXPECT_FALSE(result->closeMain);
    EXPECT_EQ(result->error, L"Remplacement de Orkvane impossible");
    EXPECT_EQ(FetchedCopiesInTemp(), copiesBefore) << "the fetched copy was left in the temporary folder";
    lock.reset();
    EXPECT_EQ(ReadFileBytes(GetInstalledExePath()), "installed program");
    EXPECT_EQ(CountFilesIn(GetInstallFolder()), 1) << "the new file was left beside the installed one";
    RemoveInstalledCopy();
}

// Not only the program's own errors: an allocation failure (here thrown by
// the progress report) also ends in a result, with nothing left behind.
TEST(SelfUpdate, AnyFailureInTheWorkerBecomesItsResult) {
    ScratchFolder scratch(L"throws");
    std::wstring root = MakeOfflineRoot(scratch, "new program");
    CreateFolderPath(GetInstallFolder());
    WriteFileBytes(GetInstalledExePath(), "installed program");
    UniqueWindow window = MakeResultWindow();
    FetchOptions options;
    options.progress = [](unsigned long long, long long) { throw std::bad_alloc(); };

    RunToolboxUpdate(window.get(),
                     MakeToolRequest(SelfEntry(root, ComputeFileSha256(JoinPath(root, L"outils\\Orkvane.exe")))),
                     options);

    std::unique_ptr<OperationResult> result = WaitForResult(window.get(), 5000);
    ASSERT_NE(result, nullptr);
    EXPECT_FALSE(result->ok);
    EXPECT_FALSE(result->closeMain);
    EXPECT_FALSE(result->error.empty());
    EXPECT_EQ(ReadFileBytes(GetInstalledExePath()), "installed program");
    EXPECT_EQ(CountFilesIn(GetInstallFolder()), 1) << "a fetched copy stayed beside the installed file";
    RemoveInstalledCopy();
}

TEST(SelfUpdate, StartRunsOnAWorkerOnlyWhenIdleAndTheEntryExists) {
    ScratchFolder scratch(L"start");
    std::wstring root = MakeOfflineRoot(scratch, "not the catalogue's program");
    UniqueWindow window = MakeResultWindow();
    struct Case {
        bool busy;
        bool withEntry;
        bool starts;
    };
    const Case cases[] = {{true, true, false}, {false, false, false}, {false, true, true}};
    for (const Case& c : cases) {
        ResetAppState();
        g_state.mainWindow = window.get();
        g_state.busy = c.busy;
        if (c.withEntry) {
            g_state.apps.push_back(SelfEntry(root, std::wstring(64, L'b')));
            g_state.selfIndex = 0;
        }
        std::wstring statusBefore = g_state.statusText;

        StartToolboxUpdate();

        if (!c.starts) {
            EXPECT_EQ(g_state.busy, c.busy);
            EXPECT_EQ(g_state.statusText, statusBefore);
            EXPECT_EQ(WaitForResult(window.get(), 500), nullptr);
            continue;
        }
        EXPECT_TRUE(g_state.busy);
        EXPECT_EQ(g_state.statusText, L"Mise à jour de Orkvane...");
        std::unique_ptr<OperationResult> result = WaitForResult(window.get(), 10000);
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->error, W("SHA-256 invalide : le programme n'a pas été installé"));
    }
    ResetAppState();
}

// ---------------------------------------------------------------------------
// Install from a copy that is not the installed one (this test program)

struct RecordedBox {
    int count = 0;
    HWND owner = nullptr;
    std::wstring text;
    UINT flags = 0;
};

void RecordBoxes(RecordedBox& box, int answer) {
    SetMessageBoxResponder([&box, answer](HWND owner, const std::wstring& text, UINT flags) {
        ++box.count;
        box.owner = owner;
        box.text = text;
        box.flags = flags;
        return answer;
    });
}

TEST(SelfInstall, CopiesItselfMakesTheChosenShortcutsAndCloses) {
    RemoveInstalledCopy();
    ScopedComApartment com;  // as start-up does on the user-interface thread
    // The installed copy that gets started is this test program: run nothing.
    ScopedEnv filter(L"GTEST_FILTER", L"NoSuchSuite.NoSuchTest");
    struct Case {
        bool desktop;
        bool menu;
    };
    const Case cases[] = {{false, true}, {true, false}};
    for (const Case& c : cases) {
        ResetAppState();
        RecordedBox box;
        RecordBoxes(box, IDOK);
        UniqueWindow window = MakeResultWindow();
        g_state.mainWindow = window.get();
        g_state.settings.desktopShortcut = c.desktop;
        g_state.settings.menuShortcut = c.menu;

        InstallOrRemoveSelf();

        EXPECT_EQ(box.count, 0) << box.text;
        EXPECT_FALSE(IsWindow(window.get())) << "the window of the portable copy stays";
        window.release();
        ASSERT_TRUE(FileExists(GetInstalledExePath()));
        EXPECT_EQ(ComputeFileSha256(GetInstalledExePath()), ComputeFileSha256(GetOwnExePath()));
        EXPECT_EQ(FileExists(DesktopShortcut()), c.desktop);
        EXPECT_EQ(FileExists(MenuShortcut()), c.menu);
        RemoveInstalledCopy();
    }
    SetMessageBoxResponder(nullptr);
}

TEST(SelfInstall, RefusedWhileBusyAndFailedCopyKeepsTheWindow) {
    RemoveInstalledCopy();
    ResetAppState();
    RecordedBox box;
    RecordBoxes(box, IDOK);
    UniqueWindow window = MakeResultWindow();
    g_state.mainWindow = window.get();

    g_state.busy = true;
    InstallOrRemoveSelf();
    EXPECT_FALSE(FileExists(GetInstalledExePath()));
    EXPECT_EQ(box.count, 0);
    EXPECT_TRUE(IsWindow(window.get()));

    g_state.busy = false;
    CreateFolderPath(GetInstalledExePath());  // a folder in the way of the copy
    InstallOrRemoveSelf();
    EXPECT_EQ(box.count, 1);
    EXPECT_EQ(box.text, L"Copie de Orkvane impossible");
    EXPECT_EQ(box.flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_TRUE(IsWindow(window.get()));
    EXPECT_FALSE(FileExists(MenuShortcut()));
    SetMessageBoxResponder(nullptr);
    RemoveInstalledCopy();
}

// The shell refusing to start the fresh installed copy (blocked by policy, an
// antivirus holding the file): the portable window must stay to say so,
// instead of closing with nothing left running.
// Returns SE_ERR_ACCESSDENIED (5), as the shell does for a blocked program.
HINSTANCE WINAPI RefusedShellExecute(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) {
    return reinterpret_cast<HINSTANCE>(INT_PTR{5});
}

TEST(SelfInstall, InstalledCopyThatCannotStartKeepsThePortableWindow) {
    RemoveInstalledCopy();
    ResetAppState();
    ScopedComApartment com;
    RecordedBox box;
    RecordBoxes(box, IDOK);
    UniqueWindow window = MakeResultWindow();
    g_state.mainWindow = window.get();
    {
        ScopedImportHook hook("ShellExecuteW", reinterpret_cast<void*>(&RefusedShellExecute));
        ASSERT_TRUE(hook.installed());
        InstallOrRemoveSelf();
    }
    EXPECT_EQ(box.count, 1);
    EXPECT_EQ(box.text, L"Lancement impossible");
    EXPECT_TRUE(IsWindow(window.get())) << "the portable copy closed although nothing took over";
    EXPECT_TRUE(FileExists(GetInstalledExePath()));
    SetMessageBoxResponder(nullptr);
    RemoveInstalledCopy();
}

// ---------------------------------------------------------------------------
// The program's entry in Windows' list of installed apps

TEST(SelfEntry, InstallWritesEveryValueAndAnUpdateItsNewVersion) {
    RemoveInstalledCopy();
    DeleteEntry(kOwnAppId);
    ResetAppState();
    ScopedComApartment com;
    ScopedEnv filter(L"GTEST_FILTER", L"NoSuchSuite.NoSuchTest");
    RecordedBox box;
    RecordBoxes(box, IDOK);
    UniqueWindow window = MakeResultWindow();
    g_state.mainWindow = window.get();
    g_state.settings.desktopShortcut = false;
    g_state.settings.menuShortcut = false;
    const std::wstring dayBefore = TodayAsInstallDate();

    InstallOrRemoveSelf();

    const std::wstring dayAfter = TodayAsInstallDate();
    EXPECT_EQ(box.count, 0) << box.text;
    window.release();
    const std::wstring exe = GetInstalledExePath();
    const std::wstring command = L"\"" + exe + L"\" --remove-self";
    std::map<std::wstring, std::wstring> values = EntryValues(kOwnAppId);
    const std::wstring installDate = values[L"InstallDate"];
    EXPECT_TRUE(installDate == dayBefore || installDate == dayAfter) << WideToUtf8(installDate);
    const std::map<std::wstring, std::wstring> expected = {
        {L"DisplayName", L"Orkvane"},
        {L"DisplayVersion", kVersionText},
        {L"Publisher", L"Tramweld"},
        {L"DisplayIcon", exe + L",0"},
        {L"InstallLocation", GetInstallFolder()},
        {L"InstallDate", installDate},
        {L"EstimatedSize", std::to_wstring((ReadFileBytes(GetOwnExePath()).size() + 1023) / 1024)},
        {L"UninstallString", command + L" --confirm"},
        {L"QuietUninstallString", command},
        {L"NoModify", L"1"},
        {L"NoRepair", L"1"},
    };
    EXPECT_EQ(values, expected);

    // An update from another copy puts the catalogue's program in place at
    // once: its version and size, the install date kept.
    ScratchFolder scratch(L"entryupdate");
    ScopedEnv logEnv(kLogVariable, scratch / L"log.txt");
    const std::string fresh = ReadFileBytes(StandInPath());
    const std::wstring root = MakeOfflineRoot(scratch, fresh);
    ASSERT_TRUE(DeleteWithRetry(exe)) << "the started installed copy still holds its file";
    WriteFileBytes(exe, "installed program");
    UniqueWindow results = MakeResultWindow();
    RunToolboxUpdate(results.get(), MakeToolRequest(SelfEntry(root, ComputeFileSha256(JoinPath(root, L"outils\\Orkvane.exe")))));
    std::unique_ptr<OperationResult> result = WaitForResult(results.get(), 5000);
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(result->ok) << WideToUtf8(result->error);
    values = EntryValues(kOwnAppId);
    EXPECT_EQ(values[L"DisplayVersion"], L"9.0.0");
    EXPECT_EQ(values[L"EstimatedSize"], std::to_wstring((fresh.size() + 1023) / 1024));
    EXPECT_EQ(values[L"InstallDate"], installDate);
    EXPECT_EQ(values[L"UninstallString"], command + L" --confirm");
    // The new installed copy (the stand-in) logs its start.
    EXPECT_TRUE(WaitUntil([&] { return !LogLines(scratch / L"log.txt").empty(); }, 10000));
    SetMessageBoxResponder(nullptr);
    RemoveInstalledCopy();
    DeleteEntry(kOwnAppId);
}

// The removal script deletes the entry only once the program's file is gone,
// so that a removal that failed can be asked for again from Windows' list;
// another program's key of that name is never written nor deleted.
TEST(SelfEntry, GoesWithTheProgramOnlyAndNeverWhenAnotherProgramsKey) {
    ScratchFolder scratch(L"entryremove");
    ScopedEnv logEnv(kLogVariable, scratch / L"log.txt");
    const std::wstring exe = GetInstalledExePath();
    const std::map<std::wstring, std::wstring> anotherPublisher = {
        {L"DisplayName", L"Orkvane"}, {L"Publisher", L"Autre éditeur"},
        {L"UninstallString", L"\"" + exe + L"\" --remove-self --confirm"}};
    const std::map<std::wstring, std::wstring> anotherProgram = {
        {L"DisplayName", L"Orkvane"}, {L"Publisher", L"Tramweld"},
        {L"UninstallString", L"\"C:\\Autre\\Orkvane.exe\" --remove-self"}};
    struct Case {
        const char* what;
        const std::map<std::wstring, std::wstring>* foreign;
        bool fileHeld;
    };
    const Case cases[] = {
        {"ours", nullptr, false},
        {"ours, the file held by another program", nullptr, true},
        {"another publisher", &anotherPublisher, false},
        {"another program's command", &anotherProgram, false},
    };
    for (const Case& c : cases) {
        CreateFolderPath(GetInstallFolder());
        WriteFileBytes(exe, "installed program");
        DeleteEntry(kOwnAppId);
        if (c.foreign != nullptr) PlantEntry(kOwnAppId, *c.foreign);
        EXPECT_EQ(RegisterSelfEntry(), c.foreign ? EntryWrite::Foreign : EntryWrite::Written) << c.what;
        const std::map<std::wstring, std::wstring> before = EntryValues(kOwnAppId);
        EXPECT_EQ(OwnsSelfEntry(), c.foreign == nullptr) << c.what;
        UniqueHandle held;
        if (c.fileHeld)
            held.reset(CreateFileW(exe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));

        StartedProcess gone = FinishedProcess();
        EXPECT_EQ(RunStandIn(BuildRemovalScript(gone.id, OwnsSelfEntry())), 0u) << c.what;

        held.reset();
        EXPECT_EQ(FileExists(exe), c.fileHeld) << c.what;
        if (c.foreign != nullptr || c.fileHeld)
            EXPECT_EQ(EntryValues(kOwnAppId), before) << c.what;
        else
            EXPECT_FALSE(EntryExists(kOwnAppId)) << c.what;
    }

    // A removal done by this process: the entry goes with the file only.
    DeleteEntry(kOwnAppId);
    WriteFileBytes(exe, "installed program");
    ASSERT_EQ(RegisterSelfEntry(), EntryWrite::Written);
    ForgetSelfEntryIfRemoved();
    EXPECT_TRUE(EntryExists(kOwnAppId));
    ASSERT_TRUE(DeleteFileW(exe.c_str()));
    ForgetSelfEntryIfRemoved();
    EXPECT_FALSE(EntryExists(kOwnAppId));
    RemoveInstalledCopy();
}

// ---------------------------------------------------------------------------
// Removal and update as the installed copy: this program copies itself to the
// install folder and runs one SelfInInstalledCopy test there.

struct InstalledRun {
    DWORD exitCode = 0;
    DWORD processId = 0;
};

// Installs this test program, with the stand-in in its place, runs `test` in it.
InstalledRun RunAsInstalledCopy(const std::wstring& test) {
    StandInPath();
    CreateFolderPath(GetInstallFolder());
    EXPECT_TRUE(CopyFileW(GetOwnExePath().c_str(), GetInstalledExePath().c_str(), FALSE));
    StartedProcess started = StartProcess(GetInstalledExePath().c_str(), L"\"" + GetInstalledExePath() +
                                                                             L"\" --gtest_filter=" + test +
                                                                             L" --gtest_also_run_disabled_tests");
    EXPECT_TRUE(started.process);
    return {WaitForExit(started, 60000), started.id};
}

class SelfAsInstalledCopy : public testing::Test {
protected:
    void SetUp() override {
        RemoveInstalledCopy();
        DeleteRunValue();
        CreateFolderPath(GetAppsFolder());
        CreateFolderPath(ParentFolder(MenuShortcut()));
        WriteFileBytes(tool_, "tool");
        WriteFileBytes(DesktopShortcut(), "link");
        WriteFileBytes(MenuShortcut(), "link");
        WriteRunValue(L"\"" + GetInstalledExePath() + L"\" --minimized");
        ASSERT_EQ(RegisterSelfEntry(), EntryWrite::Written);
        ToolRequest tool;
        tool.name = L"Outil";
        tool.exeName = L"Outil.exe";
        tool.version = L"1.0";
        ASSERT_EQ(RecordToolInstalled(tool, false), EntryWrite::Written);
        PlantEntry(kOtherEntry, {{L"Publisher", L"Autre éditeur"}, {L"UninstallString", L"autre.exe"}});
    }
    void TearDown() override {
        RemoveInstalledCopy();
        DeleteFileW(tool_.c_str());
        DeleteRunValue();
        for (const wchar_t* entry : {kOwnAppId, kToolEntry, kOtherEntry}) DeleteEntry(entry);
    }
    // Windows' list keeps the program's entry, and its tools', as long as it is there.
    static void ExpectEntriesKept() {
        EXPECT_EQ(EntryString(kOwnAppId, L"Publisher"), L"Tramweld");
        EXPECT_EQ(EntryString(kToolEntry, L"DisplayVersion"), L"1.0");
        EXPECT_TRUE(EntryExists(kOtherEntry));
    }
    static constexpr wchar_t kToolEntry[] = L"Orkvane.Outil";
    static constexpr wchar_t kOtherEntry[] = L"Orkvane.Autre";
    ScratchFolder scratch_{L"installed"};
    std::wstring log_ = scratch_ / L"log.txt";
    ScopedEnv logEnv_{kLogVariable, log_};
    std::wstring tool_ = JoinPath(GetAppsFolder(), L"Outil.exe");
};

TEST_F(SelfAsInstalledCopy, AnsweringNoToTheRemovalChangesNothing) {
    InstalledRun run = RunAsInstalledCopy(L"SelfInInstalledCopy.DISABLED_RemovalAnsweredNo");
    EXPECT_EQ(run.exitCode, 0u) << "the test inside the installed copy failed";
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_TRUE(FileExists(GetInstalledExePath()));
    EXPECT_TRUE(FileExists(DesktopShortcut()));
    EXPECT_TRUE(FileExists(MenuShortcut()));
    EXPECT_EQ(ReadRunValue(), L"\"" + GetInstalledExePath() + L"\" --minimized");
    EXPECT_TRUE(LogLines(log_).empty()) << "PowerShell was started";
    ExpectEntriesKept();
}

TEST_F(SelfAsInstalledCopy, AnsweringYesRemovesTheProgramAfterItHasEnded) {
    InstalledRun run = RunAsInstalledCopy(L"SelfInInstalledCopy.DISABLED_RemovalAnsweredYes");
    EXPECT_EQ(run.exitCode, 0u) << "the test inside the installed copy failed";
    // The script deletes one file after the other: wait for the last one.
    EXPECT_TRUE(WaitUntil([] { return !FileExists(MenuShortcut()); }, 15000));
    EXPECT_FALSE(FileExists(GetInstalledExePath()));
    EXPECT_FALSE(FileExists(DesktopShortcut()));
    EXPECT_EQ(ReadRunValue(), L"<absent>");
    EXPECT_TRUE(FileExists(tool_)) << "the Apps folder must be kept";
    EXPECT_TRUE(WaitUntil([] { return !EntryExists(kOwnAppId); }, 15000)) << "the program's entry stayed";
    EXPECT_FALSE(EntryExists(kToolEntry)) << "a tool's entry still runs the removed program";
    EXPECT_TRUE(EntryExists(kOtherEntry)) << "another program's entry went";
    std::vector<std::wstring> lines = LogLines(log_);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], BuildDeferredCommandLine(BuildRemovalScript(run.processId, true)));
}

TEST_F(SelfAsInstalledCopy, UpdateReplacesTheFileOnceTheProgramHasEnded) {
    std::wstring root = MakeOfflineRoot(scratch_, ReadFileBytes(StandInPath()));
    ScopedEnv source(kUpdateSourceVariable, root);
    ScopedEnv sha(kUpdateShaVariable, ComputeFileSha256(StandInPath()));
    int copiesBefore = FetchedCopiesInTemp();
    InstalledRun run = RunAsInstalledCopy(L"SelfInInstalledCopy.DISABLED_UpdateFromOfflineFolder");
    EXPECT_EQ(run.exitCode, 0u) << "the test inside the installed copy failed";
    // The stand-in logs the deferred command, then its own start as the new copy.
    ASSERT_TRUE(WaitUntil([&] { return LogLines(log_).size() >= 2; }, 15000));
    std::vector<std::wstring> lines = LogLines(log_);
    EXPECT_EQ(lines[1], L"\"" + GetInstalledExePath() + L"\"");
    EXPECT_EQ(ComputeFileSha256(GetInstalledExePath()), ComputeFileSha256(StandInPath()));
    EXPECT_NE(lines[0].find(L"Wait-Process -Id " + std::to_wstring(run.processId) + L" "), std::wstring::npos);
    EXPECT_EQ(FetchedCopiesInTemp(), copiesBefore) << "the downloaded copy stayed in the temporary folder";
}

// "Oui" while an operation runs, or with no PowerShell to start, or a removal
// the organisation refuses: the program, its shortcuts and its autostart all stay.
TEST_F(SelfAsInstalledCopy, RemovalThatCannotGoAheadKeepsEverything) {
    const std::wstring powershell = StandInPath();
    const std::wstring away = powershell + L".ailleurs";
    ASSERT_TRUE(MoveFileExW(powershell.c_str(), away.c_str(), MOVEFILE_REPLACE_EXISTING));
    InstalledRun run = RunAsInstalledCopy(
        L"SelfInInstalledCopy.DISABLED_RemovalAnsweredYesWhileBusy:"
        L"SelfInInstalledCopy.DISABLED_RemovalAnsweredYesWithoutPowerShell:"
        L"SelfInInstalledCopy.DISABLED_RemovalRefusedByPolicy");
    EXPECT_TRUE(MoveFileExW(away.c_str(), powershell.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(run.exitCode, 0u) << "a test inside the installed copy failed";
    EXPECT_TRUE(FileExists(GetInstalledExePath()));
    EXPECT_TRUE(FileExists(DesktopShortcut()));
    EXPECT_TRUE(FileExists(MenuShortcut()));
    EXPECT_EQ(ReadRunValue(), L"\"" + GetInstalledExePath() + L"\" --minimized");
    EXPECT_TRUE(LogLines(log_).empty()) << "PowerShell was started";
    ExpectEntriesKept();
}

// The halves that run inside the installed copy.

TEST(SelfInInstalledCopy, DISABLED_RemovalAnsweredNo) {
    ASSERT_TRUE(IsInstalledCopy());
    g_state.installedMode = true;
    UniqueWindow window = MakeResultWindow();
    g_state.mainWindow = window.get();
    RecordedBox box;
    RecordBoxes(box, IDNO);

    InstallOrRemoveSelf();

    EXPECT_EQ(box.count, 1);
    EXPECT_EQ(box.owner, window.get());
    EXPECT_EQ(box.text, W("Désinstaller Orkvane ?\n\nLes applications du dossier Apps seront conservées."));
    EXPECT_EQ(box.flags, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
    EXPECT_TRUE(IsWindow(window.get()));
    SetMessageBoxResponder(nullptr);
}

TEST(SelfInInstalledCopy, DISABLED_RemovalAnsweredYes) {
    ASSERT_TRUE(IsInstalledCopy());
    g_state.installedMode = true;
    UniqueWindow window = MakeResultWindow();
    g_state.mainWindow = window.get();
    RecordedBox box;
    RecordBoxes(box, IDYES);

    InstallOrRemoveSelf();

    EXPECT_EQ(box.count, 1);
    EXPECT_FALSE(IsWindow(window.get()));
    window.release();
    EXPECT_EQ(ReadRunValue(), L"<absent>") << "autostart must go at once";
    EXPECT_TRUE(FileExists(GetInstalledExePath())) << "removed while the program still runs";
    SetMessageBoxResponder(nullptr);
}

TEST(SelfInInstalledCopy, DISABLED_UpdateFromOfflineFolder) {
    ASSERT_TRUE(IsInstalledCopy());
    UniqueWindow window = MakeResultWindow();
    RunToolboxUpdate(window.get(),
                     MakeToolRequest(SelfEntry(EnvVar(kUpdateSourceVariable), EnvVar(kUpdateShaVariable))));
    std::unique_ptr<OperationResult> result = WaitForResult(window.get(), 5000);
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(result->ok) << result->error;
    EXPECT_TRUE(result->closeMain);
    EXPECT_EQ(result->message, L"Orkvane mise à jour.");
    // Still the old file while this process runs: the script waits for it.
    EXPECT_NE(ComputeFileSha256(GetInstalledExePath()), EnvVar(kUpdateShaVariable));
    // The new one waits, verified, beside it, for a rename in the same folder.
    EXPECT_EQ(ComputeFileSha256(SelfUpdateSidePath()), EnvVar(kUpdateShaVariable));
}

TEST(SelfInInstalledCopy, DISABLED_RemovalAnsweredYesWhileBusy) {
    ASSERT_TRUE(IsInstalledCopy());
    ResetAppState();
    g_state.installedMode = true;
    UniqueWindow window = MakeResultWindow();
    g_state.mainWindow = window.get();
    ScratchFolder scratch(L"busy");
    g_state.apps.push_back(SelfEntry(MakeOfflineRoot(scratch, "not the catalogue's program"), std::wstring(64, L'b')));
    g_state.selfIndex = 0;
    int boxes = 0;
    // While the question is up, "Mettre à jour" of the update popup starts the update.
    SetMessageBoxResponder([&boxes](HWND, const std::wstring&, UINT) {
        ++boxes;
        StartToolboxUpdate();
        return IDYES;
    });

    InstallOrRemoveSelf();

    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(g_state.busy);
    EXPECT_TRUE(IsWindow(window.get())) << "the window went while the update worker runs";
    EXPECT_EQ(ReadRunValue(), L"\"" + GetInstalledExePath() + L"\" --minimized");
    EXPECT_NE(WaitForResult(window.get(), 15000), nullptr) << "the update worker did not finish";
    SetMessageBoxResponder(nullptr);
}

TEST(SelfInInstalledCopy, DISABLED_RemovalAnsweredYesWithoutPowerShell) {
    ASSERT_TRUE(IsInstalledCopy());
    ResetAppState();
    g_state.installedMode = true;
    UniqueWindow window = MakeResultWindow();
    g_state.mainWindow = window.get();
    std::vector<std::wstring> texts;
    SetMessageBoxResponder([&texts](HWND, const std::wstring& text, UINT) {
        texts.push_back(text);
        return IDYES;
    });

    InstallOrRemoveSelf();

    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], W("Lancement de la tâche différée impossible"));
    EXPECT_TRUE(IsWindow(window.get()));
    EXPECT_EQ(ReadRunValue(), L"\"" + GetInstalledExePath() + L"\" --minimized") << "autostart went for nothing";
    SetMessageBoxResponder(nullptr);
}

// Asked for by message while the policy refuses it: not even the question.
TEST(SelfInInstalledCopy, DISABLED_RemovalRefusedByPolicy) {
    ASSERT_TRUE(IsInstalledCopy());
    ResetAppState();
    g_state.installedMode = true;
    g_state.policies.Set(PolicyId::SelfRemoval, PolicyValue{});
    UniqueWindow window = MakeResultWindow();
    g_state.mainWindow = window.get();
    RecordedBox box;
    RecordBoxes(box, IDYES);

    InstallOrRemoveSelf();

    EXPECT_EQ(box.count, 0);
    EXPECT_TRUE(IsWindow(window.get()));
    SetMessageBoxResponder(nullptr);
}

}  // namespace
