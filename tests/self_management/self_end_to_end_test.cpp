// The program's own install, update and removal, end to end: the built
// Orkvane.exe runs as real processes, its header button is clicked by posted
// mouse messages, and the deferred PowerShell work is done by the test suite's
// stand-in (tests/powershell_standin), placed at PowerShell's full path in the
// system folder. A decoy powershell.exe beside the installed copy must never
// run. Every process a test starts is ended by it.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/state.h"
#include "base/constants.h"
#include "base/handles.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "operations/self_management.h"
#include "tests/support/powershell_place.h"
#include "tests/support/process_support.h"
#include "tests/support/run_value.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "tests/support/waiting.h"
#include "ui/list/card_layout.h"

namespace {

constexpr wchar_t kLogVariable[] = L"ORKVANE_STANDIN_LOG";

std::wstring BuiltExe() { return WindowsPathFromLinux(ORKVANE_EXE_PATH); }
std::wstring StandIn() { return WindowsPathFromLinux(ORKVANE_STANDIN_PATH); }
std::wstring Decoy() { return WindowsPathFromLinux(ORKVANE_DECOY_PATH); }
std::wstring PlantedDll() { return WindowsPathFromLinux(ORKVANE_PLANTED_DLL_PATH); }
std::wstring Installed() { return GetInstalledExePath(); }
std::wstring DesktopShortcut() { return JoinPath(GetKnownFolder(FOLDERID_Desktop), L"Orkvane.lnk"); }
std::wstring MenuShortcut() {
    return JoinPath(JoinPath(GetKnownFolder(FOLDERID_Programs), L"Kest Tools"), L"Orkvane.lnk");
}
std::wstring InstalledRunValue() { return L"\"" + Installed() + L"\" --minimized"; }

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

// ---------------------------------------------------------------------------
// Processes and windows

struct FoundWindow {
    HWND window = nullptr;
    DWORD processId = 0;
};

struct WindowSearch {
    bool installed;
    DWORD skipProcess;
    FoundWindow found;
};

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    wchar_t className[64] = {};
    if (GetClassNameW(window, className, 64) == 0 || lstrcmpW(className, kMainWindowClass) != 0) return TRUE;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    bool installed = GetPropW(window, kInstalledProperty) != nullptr;
    if (owner == search->skipProcess || installed != search->installed) return TRUE;
    search->found = {window, owner};
    return FALSE;
}

// The main window of a running copy, installed or portable, other than `skip`'s.
FoundWindow FindMainWindow(bool installed, DWORD skipProcess = 0) {
    WindowSearch search{installed, skipProcess, {}};
    EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

FoundWindow WaitForMainWindow(bool installed, DWORD skipProcess = 0) {
    FoundWindow found;
    WaitFor([&] { return (found = FindMainWindow(installed, skipProcess)).window != nullptr; });
    return found;
}

void EndProcess(DWORD processId) {
    if (processId == 0) return;
    UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    if (!process) return;
    TerminateProcess(process.get(), 77);
    WaitForSingleObject(process.get(), 10000);
}

// Ends every running copy of the program, whichever started it.
void EndAllCopies() {
    for (bool installed : {true, false})
        for (FoundWindow found; (found = FindMainWindow(installed)).window != nullptr;) EndProcess(found.processId);
}

class StartedCopy {
public:
    explicit StartedCopy(const std::wstring& exe, const std::wstring& arguments = L"") {
        StartedProcess started = StartProcess(exe.c_str(), L"\"" + exe + L"\"" + arguments);
        process_ = std::move(started.process);
        id_ = started.id;
    }
    ~StartedCopy() {
        if (running()) {
            TerminateProcess(process_.get(), 77);
            WaitForSingleObject(process_.get(), 10000);
        }
    }
    StartedCopy(const StartedCopy&) = delete;
    StartedCopy& operator=(const StartedCopy&) = delete;

    DWORD id() const { return id_; }
    bool running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
    DWORD ExitCode() const {
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }

private:
    UniqueHandle process_;
    DWORD id_ = 0;
};

// Clicks the centre of the header's self-management button, as the window's
// header layout places it for its current width. The click is repeated until
// the process ends, because the window ignores it while the first catalogue
// load keeps it busy.
bool ClickSelfButtonUntilExit(const StartedCopy& copy, HWND window) {
    return WaitFor(
        [&] {
            if (!copy.running()) return true;
            RECT client{};
            GetClientRect(window, &client);
            g_state.dpi = static_cast<int>(GetDpiForWindow(window));
            RECT button = ComputeHeaderLayout(client.right - client.left).selfButton;
            LPARAM at = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
            PostMessageW(window, WM_MOUSEMOVE, 0, at);
            PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageW(window, WM_LBUTTONUP, 0, at);
            return false;
        },
        60000);
}

// ---------------------------------------------------------------------------
// Registry and files

void WriteSetting(const wchar_t* name, DWORD value) {
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

void WriteSetting(const wchar_t* name, const std::wstring& text) {
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// The log's lines, CRLF-separated UTF-8.
std::vector<std::wstring> LogLines(const std::wstring& log) {
    std::vector<std::wstring> lines;
    if (!FileExists(log)) return lines;
    std::string bytes = ReadFileBytes(log);
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(Utf8ToWide(bytes.substr(start, end - start)));
    return lines;
}

std::wstring Joined(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const std::wstring& line : lines) text += line + L"\n";
    return text;
}

std::wstring ShaOf(const std::string& bytes) {
    ScratchFolder scratch(L"sha");
    WriteFileBytes(scratch / L"f", bytes);
    return ComputeFileSha256(scratch / L"f");
}

// A catalogue with a card for a tool and, when `selfSha` is given, the
// program's own entry at a version newer than this one.
std::string Catalog(const std::string& endpoint, const std::wstring& selfSha) {
    std::string apps = R"({"id":"Outil","version":"1.0.0","category":"Outils","description":"Un outil","sha256":")" +
                       std::string(64, 'A') + R"("})";
    if (!selfSha.empty())
        apps += R"(,{"id":"Orkvane","version":"99.0.0","category":"Kest","description":"Catalogue central Kest",)"
                R"("sha256":")" +
                Narrow(selfSha) + R"("})";
    return R"({"downloadEndpoint":")" + endpoint + R"(","iconBaseUrl":"","apps":[)" + apps + "]}";
}

// A USB key offering `newProgram` as the program's update, chosen as the
// source, with no automatic check to race the test.
ScratchFolder OfferUpdateOnUsbKey(const std::string& newProgram) {
    ScratchFolder usb = ScratchFolder::At(L"E:\\OrkvaneOffline");
    CreateFolderPath(usb / L"outils");
    WriteFileBytes(usb / L"outils\\Orkvane.exe", newProgram);
    WriteFileBytes(usb / L"catalog.json", Catalog("", ShaOf(newProgram)));
    WriteSetting(L"OfflineMode", 1);
    WriteSetting(L"OfflineRoot", usb.path());
    WriteSetting(L"UpdateChecks", 0);
    return usb;
}

class SelfEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        Clean();
        SetEnvironmentVariableW(kLogVariable, log_.c_str());
        SetEnvironmentVariableW(L"ORKVANE_TRACE_FILE", decoyTrace_.c_str());
        PlacePowerShellStandIn(StandIn());
    }
    void TearDown() override {
        EndAllCopies();
        SetEnvironmentVariableW(kLogVariable, nullptr);
        SetEnvironmentVariableW(L"ORKVANE_TRACE_FILE", nullptr);
        EXPECT_FALSE(FileExists(decoyTrace_)) << "the powershell.exe beside the program ran";
        Clean();
    }
    static void Clean() {
        EndAllCopies();
        for (const std::wstring& path : {Installed(), JoinPath(GetInstallFolder(), L"powershell.exe"),
                                         SelfUpdateSidePath(), DesktopShortcut(), MenuShortcut()})
            WaitFor([&] { return DeleteFileW(path.c_str()) || !FileExists(path); }, 10000);
        DeleteRunValue();
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
        RemoveTree(L"E:\\OrkvaneOffline");
    }

    // Puts the built program in the install folder, with a decoy
    // powershell.exe beside it.
    void InstallBuiltCopy() {
        CreateFolderPath(GetInstallFolder());
        ASSERT_TRUE(CopyFileW(BuiltExe().c_str(), Installed().c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(Decoy().c_str(), JoinPath(GetInstallFolder(), L"powershell.exe").c_str(), FALSE));
    }

    // Updates the running installed copy from the catalogue and checks that
    // the new file replaces it once it has ended, and starts.
    void UpdateRunningInstalledCopy(const std::string& newProgram) {
        StartedCopy old(Installed());
        FoundWindow window = WaitForMainWindow(true);
        ASSERT_NE(window.window, nullptr) << "the installed copy shows no window";
        ASSERT_EQ(window.processId, old.id());

        ASSERT_TRUE(ClickSelfButtonUntilExit(old, window.window)) << "the update did not close the program";
        EXPECT_EQ(old.ExitCode(), 0u);

        // The script starts the installed copy after its copy step; only then
        // is the file read here, so that the test never holds it open while
        // the script writes it.
        FoundWindow next = WaitForMainWindow(true, old.id());
        EXPECT_NE(next.window, nullptr) << "the installed copy did not start again";
        EXPECT_EQ(ComputeFileSha256(Installed()), ShaOf(newProgram))
            << "the installed file was not replaced; PowerShell was given:\n"
            << Joined(LogLines(log_)) << "and its file steps said:\n"
            << Joined(LogLines(log_ + L".errors"));
        std::vector<std::wstring> lines = LogLines(log_);
        ASSERT_FALSE(lines.empty());
        EXPECT_NE(lines[0].find(L"Wait-Process -Id " + std::to_wstring(old.id()) + L" "), std::wstring::npos)
            << lines[0];
        EXPECT_EQ(CountFilesIn(GetTempFolder()), tempFilesBefore_) << "the fetched copy stayed behind";
        EXPECT_FALSE(FileExists(SelfUpdateSidePath()));
    }

    ScratchFolder scratch_{L"e2e"};
    std::wstring log_ = scratch_ / L"powershell.log";
    std::wstring decoyTrace_ = scratch_ / L"decoy.txt";
    int tempFilesBefore_ = CountFilesIn(GetTempFolder());
};

TEST_F(SelfEndToEnd, PortableCopyOnUsbKeyInstallsItselfAndHandsOver) {
    ScratchFolder usb = ScratchFolder::At(L"E:\\OrkvaneOffline");
    WriteFileBytes(usb / L"catalog.json", Catalog("", L""));
    ASSERT_TRUE(CopyFileW(BuiltExe().c_str(), (usb / L"Orkvane.exe").c_str(), FALSE));
    // As some keys hand their files out: read-only, hidden and system. The
    // copy takes them along; the installed copy must keep none of them.
    constexpr DWORD kRestrictive = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    ASSERT_TRUE(SetFileAttributesW((usb / L"Orkvane.exe").c_str(), kRestrictive));
    ASSERT_EQ(GetFileAttributesW((usb / L"Orkvane.exe").c_str()) & kRestrictive, kRestrictive);
    WriteSetting(L"DesktopShortcut", 1);
    WriteSetting(L"MenuShortcut", 0);

    StartedCopy portable(usb / L"Orkvane.exe");
    FoundWindow window = WaitForMainWindow(false);
    ASSERT_NE(window.window, nullptr) << "the portable copy shows no window";
    ASSERT_EQ(window.processId, portable.id());

    ASSERT_TRUE(ClickSelfButtonUntilExit(portable, window.window)) << "the portable copy did not close";
    EXPECT_EQ(portable.ExitCode(), 0u);
    ASSERT_TRUE(FileExists(Installed()));
    EXPECT_EQ(ComputeFileSha256(Installed()), ComputeFileSha256(BuiltExe()));
    EXPECT_EQ(GetFileAttributesW(Installed().c_str()) & kRestrictive, 0u);
    SetFileAttributesW((usb / L"Orkvane.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(FileExists(DesktopShortcut()));
    EXPECT_FALSE(FileExists(MenuShortcut()));

    FoundWindow installed = WaitForMainWindow(true);
    ASSERT_NE(installed.window, nullptr) << "the installed copy did not start";
    EXPECT_TRUE(WaitFor([] { return ReadRunValue() == InstalledRunValue(); }, 10000)) << ReadRunValue();
}

TEST_F(SelfEndToEnd, InstalledCopyUpdatesItselfFromTheWebHost) {
    InstallBuiltCopy();
    // The new version: the built program with a few bytes appended, so it
    // still runs but has another SHA-256.
    std::string newProgram = ReadFileBytes(BuiltExe()) + "update from the web host";
    std::wstring sha = ShaOf(newProgram);
    std::wstring downloadId = L"Orkvane_" + sha.substr(0, 12);
    PublishFile(L"telechargement/" + downloadId + L".exe", newProgram);
    PublishFile(L"outils/catalog.json", Catalog(Narrow(TestServerUrl()) + "/telechargement", sha));
    WriteSetting(L"OfflineMode", 0);
    WriteSetting(L"UpdateChecks", 0);
    ClearRequestLog();

    UpdateRunningInstalledCopy(newProgram);

    std::vector<std::string> requests = RequestLog();
    EXPECT_NE(std::find(requests.begin(), requests.end(), "GET /telechargement?id=" + Narrow(downloadId) + "&type=exe"),
              requests.end());
    UnpublishFile(L"telechargement/" + downloadId + L".exe");
    UnpublishFile(L"outils/catalog.json");
}

// Another program holds the installed file open: the update cannot rename
// the new file over it, and the old program, intact, starts again; at that
// start it removes the new file left beside it.
TEST_F(SelfEndToEnd, UpdateOfALockedInstalledFileStartsTheOldProgramAgain) {
    InstallBuiltCopy();
    const std::string oldProgram = ReadFileBytes(Installed());
    std::string newProgram = oldProgram + "update from the USB key";
    ScratchFolder usb = OfferUpdateOnUsbKey(newProgram);

    StartedCopy old(Installed());
    FoundWindow window = WaitForMainWindow(true);
    ASSERT_NE(window.window, nullptr) << "the installed copy shows no window";
    UniqueHandle lock(CreateFileW(Installed().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock);
    ASSERT_TRUE(ClickSelfButtonUntilExit(old, window.window)) << "the update did not close the program";

    FoundWindow next = WaitForMainWindow(true, old.id());
    EXPECT_NE(next.window, nullptr) << "the old program did not start again; PowerShell was given:\n"
                                    << Joined(LogLines(log_));
    lock.reset();
    EXPECT_EQ(ReadFileBytes(Installed()), oldProgram) << "the installed program was damaged";
    EXPECT_TRUE(WaitFor([] { return !FileExists(SelfUpdateSidePath()); }, 10000))
        << "the new file stayed beside the installed one";
    EXPECT_EQ(CountFilesIn(GetTempFolder()), tempFilesBefore_) << "the fetched copy stayed behind";
}

TEST_F(SelfEndToEnd, InstalledCopyUpdatesItselfFromTheUsbFolder) {
    InstallBuiltCopy();
    std::string newProgram = ReadFileBytes(BuiltExe()) + "update from the USB key";
    ScratchFolder usb = OfferUpdateOnUsbKey(newProgram);
    ClearRequestLog();

    UpdateRunningInstalledCopy(newProgram);

    EXPECT_TRUE(RequestLog().empty()) << "the offline update went to the network";
    EXPECT_EQ(ReadFileBytes(usb / L"outils\\Orkvane.exe"), newProgram) << "the USB folder was written";
}

// The question box of a process: a dialog titled "Orkvane".
struct BoxSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchQuestionBox(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<BoxSearch*>(lParam);
    wchar_t className[16] = {};
    wchar_t title[32] = {};
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    GetClassNameW(window, className, 16);
    GetWindowTextW(window, title, 32);
    if (owner != search->processId || lstrcmpW(className, L"#32770") != 0 || lstrcmpW(title, L"Orkvane") != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindQuestionBox(DWORD processId) {
    BoxSearch search{processId, nullptr};
    EnumWindows(MatchQuestionBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The desktop moved elsewhere for the length of a test, as OneDrive does
// (Wine has no SHSetKnownFolderPath; it reads the same registry value).
class MovedDesktop {
public:
    explicit MovedDesktop(const std::wstring& path) {
        CreateFolderPath(path);
        std::vector<wchar_t> buffer(4096);
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        hadValue_ = RegGetValueW(HKEY_CURRENT_USER, kShellFolders, L"Desktop",
                                 RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type_, buffer.data(),
                                 &size) == ERROR_SUCCESS;
        if (hadValue_) previous_ = buffer.data();
        ok_ = Write(REG_SZ, path);
    }
    ~MovedDesktop() {
        if (hadValue_)
            Write(type_, previous_);
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"Desktop");
    }
    MovedDesktop(const MovedDesktop&) = delete;
    MovedDesktop& operator=(const MovedDesktop&) = delete;
    bool ok() const { return ok_; }

private:
    static constexpr wchar_t kShellFolders[] =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    static bool Write(DWORD type, const std::wstring& value) {
        return RegSetKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"Desktop", type, value.c_str(),
                               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    std::wstring previous_;
    DWORD type_ = REG_SZ;
    bool hadValue_ = false;
    bool ok_ = false;
};

// The desktop sits in "OneDrive - L’Atelier": PowerShell reads ’ as a quote,
// so a script that did not double it would not run at all.
TEST_F(SelfEndToEnd, RemovalAnsweredYesKeepsTheAppsFolder) {
    MovedDesktop desktop(JoinPath(GetKnownFolder(FOLDERID_Profile), W("OneDrive - L’Atelier\\Bureau")));
    ASSERT_TRUE(desktop.ok());
    ASSERT_NE(DesktopShortcut().find(L'\u2019'), std::wstring::npos) << Narrow(DesktopShortcut());
    InstallBuiltCopy();
    std::wstring tool = JoinPath(GetAppsFolder(), L"Outil.exe");
    std::wstring toolShortcut = JoinPath(ParentFolder(MenuShortcut()), L"Outil.lnk");
    CreateFolderPath(GetAppsFolder());
    CreateFolderPath(ParentFolder(MenuShortcut()));
    for (const std::wstring& path : {tool, toolShortcut, DesktopShortcut(), MenuShortcut()}) WriteFileBytes(path, "x");
    // Started hidden without update checks, the copy loads no catalogue and
    // is never busy, so it acts on the first request.
    WriteSetting(L"OfflineMode", 0);
    WriteSetting(L"UpdateChecks", 0);

    StartedCopy copy(Installed(), L" --minimized");
    FoundWindow window = WaitForMainWindow(true);
    ASSERT_NE(window.window, nullptr);
    ASSERT_TRUE(WaitFor([] { return ReadRunValue() == InstalledRunValue(); }, 10000));

    // What the Options dialog's button sends once the dialog has ended.
    PostMessageW(window.window, WM_APP_UNINSTALL_SELF, 0, 0);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindQuestionBox(copy.id())) != nullptr; }, 10000)) << "no question";
    wchar_t text[256] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 256);
    EXPECT_EQ(std::wstring(text), W("Désinstaller Orkvane ?\n\nLes applications du dossier Apps seront conservées."));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDYES)));

    EXPECT_TRUE(WaitFor([] { return ReadRunValue() == L"<absent>"; }, 5000)) << "autostart stayed registered";
    ASSERT_TRUE(WaitFor([&] { return !copy.running(); })) << "the program did not close";
    // The script deletes one file after the other: wait for the last one.
    EXPECT_TRUE(WaitFor([] { return !FileExists(MenuShortcut()); }, 15000)) << "the Start-menu shortcut stayed";
    EXPECT_FALSE(FileExists(Installed())) << "the executable stayed";
    EXPECT_FALSE(FileExists(DesktopShortcut())) << "the desktop shortcut stayed";
    EXPECT_TRUE(FileExists(tool));
    EXPECT_TRUE(FileExists(toolShortcut));
    std::vector<std::wstring> lines = LogLines(log_);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(L"Wait-Process -Id " + std::to_wstring(copy.id()) + L" "), std::wstring::npos);
    DeleteFileW(tool.c_str());
    DeleteFileW(toolShortcut.c_str());
}

// System DLLs that are not KnownDLLs, planted beside a portable copy (in a
// download folder, say), are never loaded: the program takes them from
// System32 only. Wine prefers its own builtin DLLs whatever the folder holds,
// so the copy is told (by Wine's per-program registry key, which Windows
// ignores) to prefer files found on the search path, as Windows does.
TEST_F(SelfEndToEnd, DllsPlantedBesideTheProgramAreNotLoaded) {
    ScratchFolder downloads(L"downloads");
    ASSERT_TRUE(CopyFileW(BuiltExe().c_str(), (downloads / L"Orkvane.exe").c_str(), FALSE));
    // The program's own delay-loaded DLLs, less bcrypt and crypt32: Wine's TLS
    // code in winhttp loads those too and, unlike Windows, searches the
    // program's folder for a system DLL's dependencies. The import table test
    // covers them.
    const std::wstring planted[] = {L"winhttp", L"gdiplus", L"comctl32", L"oleacc"};
    const wchar_t overridesKey[] = L"Software\\Wine\\AppDefaults\\Orkvane.exe\\DllOverrides";
    {
        UniqueRegKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, overridesKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                                  nullptr),
                  ERROR_SUCCESS);
        const std::wstring nativeFirst = L"native,builtin";
        for (const std::wstring& name : planted) {
            ASSERT_TRUE(CopyFileW(PlantedDll().c_str(), (downloads / (name + L".dll")).c_str(), FALSE));
            RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(nativeFirst.c_str()),
                           static_cast<DWORD>((nativeFirst.size() + 1) * sizeof(wchar_t)));
        }
    }
    PublishFile(L"outils/catalog.json", Catalog("", L""));
    WriteSetting(L"OfflineMode", 0);
    ClearRequestLog();

    StartedCopy portable(downloads / L"Orkvane.exe");
    // The catalogue request shows that WinHTTP was loaded and used.
    EXPECT_TRUE(WaitFor([] {
        std::vector<std::string> requests = RequestLog();
        return std::find(requests.begin(), requests.end(), "GET /outils/catalog.json") != requests.end();
    })) << "the portable copy asked for no catalogue";
    EXPECT_NE(WaitForMainWindow(false).window, nullptr) << "the portable copy shows no window";
    EXPECT_TRUE(portable.running());
    for (const std::wstring& name : planted)
        EXPECT_FALSE(FileExists(downloads / (name + L".dll.loaded")))
            << Narrow(name) << ".dll was loaded from the program's folder";
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Orkvane.exe");
    UnpublishFile(L"outils/catalog.json");
}

}  // namespace
