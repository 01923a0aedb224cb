// The command line as administrators' tools run it: the built Orkvane.exe
// started with arguments, judged by its exit code and its JSON report, against
// the loopback HTTPS server and a USB key.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/policies.h"
#include "app/settings.h"
#include "base/constants.h"
#include "base/handles.h"
#include "base/operation_lock.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "catalog/utf8.h"
#include "operations/shell_ops.h"
#include "tests/command_line/command_line_support.h"
#include "tests/support/powershell_place.h"
#include "tests/support/process_support.h"
#include "tests/support/run_value.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "tests/support/waiting.h"

namespace {

std::wstring StandIn() { return WindowsPathFromLinux(ORKVANE_STANDIN_PATH); }

void WriteDword(const wchar_t* keyPath, const wchar_t* name, DWORD value) {
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

std::wstring Text(const JsonValue& report, const wchar_t* key) { return GetStringMember(report, key); }

long long Number(const JsonValue& report, const wchar_t* key) {
    const JsonValue* value = FindMember(report, key);
    return value != nullptr && value->kind == JsonKind::Number ? static_cast<long long>(value->number) : -1;
}

std::string Show(const CommandRun& run) { return "exit " + std::to_string(run.exitCode) + ", output:\n" + run.standardOutput; }

class CommandLineProcess : public testing::Test {
protected:
    void SetUp() override { CleanCommandLineState(); }
    void TearDown() override { CleanCommandLineState(); }
};

// From a copy in a download folder: the program's file, autostart and the
// shortcuts the settings ask for, without a window; then the installed copy
// removes itself, as Windows' "quiet uninstall" runs it.
TEST_F(CommandLineProcess, InstallsAndRemovesItselfWithoutAWindow) {
    PlacePowerShellStandIn(StandIn());
    ScratchFolder downloads(L"downloads");
    const std::wstring copy = downloads / L"Orkvane.exe";
    ASSERT_TRUE(CopyFileW(BuiltExe().c_str(), copy.c_str(), FALSE));
    WriteDword(kSettingsKeyPath, L"DesktopShortcut", 1);
    WriteDword(kSettingsKeyPath, L"MenuShortcut", 0);

    CommandRun install = RunCommand(copy, L"--install-self");
    EXPECT_EQ(install.exitCode, 0u) << Show(install);
    EXPECT_FALSE(install.windowShown);
    ASSERT_TRUE(install.reportRead) << Show(install);
    EXPECT_EQ(Text(install.report, L"command"), L"--install-self");
    EXPECT_EQ(Number(install.report, L"exitCode"), 0);
    EXPECT_EQ(ResultMessages(install.report), std::vector<std::wstring>{L"Orkvane installé."});
    // The same object on standard output, the parent's pipe.
    EXPECT_NE(install.standardOutput.find("\"command\":\"--install-self\""), std::string::npos) << Show(install);
    ASSERT_TRUE(FileExists(GetInstalledExePath()));
    EXPECT_EQ(ComputeFileSha256(GetInstalledExePath()), ComputeFileSha256(BuiltExe()));
    EXPECT_EQ(ReadRunValue(), L"\"" + GetInstalledExePath() + L"\" --minimized");
    EXPECT_TRUE(FileExists(ShortcutPath(L"Orkvane", true)));
    EXPECT_FALSE(FileExists(ShortcutPath(L"Orkvane", false)));
    // Nothing started: --start was not given.
    EXPECT_EQ(FindWindowW(kMainWindowClass, nullptr), nullptr);

    CommandRun removal = RunCommand(GetInstalledExePath(), L"--remove-self");
    EXPECT_EQ(removal.exitCode, 0u) << Show(removal);
    EXPECT_FALSE(removal.windowShown);
    EXPECT_EQ(ReadRunValue(), L"<absent>");
    // The deferred script deletes the files once the command has ended.
    EXPECT_TRUE(WaitFor([] { return !FileExists(GetInstalledExePath()); }, 15000));
    EXPECT_TRUE(WaitFor([] { return !FileExists(ShortcutPath(L"Orkvane", true)); }, 15000));
}

// Install, update and uninstall, each from the web host and from a USB key,
// from the installed copy: the files the catalogue names, checked, and the
// previous version kept by the update.
TEST_F(CommandLineProcess, ToolOperationsFromTheWebAndAUsbKey) {
    PlaceInstalledCopy();
    struct Source {
        const char* name;
        void (*publish)(const std::vector<TestTool>&);
        std::wstring argument;
    };
    const Source sources[] = {{"web", PublishOnWeb, L"--source web"},
                              {"usb", PublishOnUsb, std::wstring(L"--source usb:") + kUsbRoot}};
    for (const Source& source : sources) {
        SCOPED_TRACE(source.name);
        const TestTool first = GoodTool("Outil", std::string("premiere version ") + source.name);
        source.publish({first});
        CommandRun install = RunCommand(GetInstalledExePath(), source.argument + L" --install Outil");
        EXPECT_EQ(install.exitCode, 0u) << Show(install);
        EXPECT_EQ(Text(install.report, L"source"), Utf8ToWide(source.name));
        EXPECT_EQ(ResultMessages(install.report), std::vector<std::wstring>{L"Outil installé."});
        EXPECT_EQ(ReadFileBytes(AppsFile("Outil")), first.bytes);

        const TestTool second = GoodTool("Outil", std::string("seconde version ") + source.name);
        source.publish({second});
        CommandRun list = RunCommand(GetInstalledExePath(), source.argument + L" --list");
        EXPECT_EQ(list.exitCode, 0u) << Show(list);
        const JsonValue* apps = FindMember(list.report, L"apps");
        ASSERT_TRUE(apps != nullptr && apps->items.size() == 1) << Show(list);
        EXPECT_EQ(Text(apps->items[0], L"state"), L"updateAvailable");

        CommandRun update = RunCommand(GetInstalledExePath(), source.argument + L" --update-all");
        EXPECT_EQ(update.exitCode, 0u) << Show(update);
        EXPECT_EQ(ReadFileBytes(AppsFile("Outil")), second.bytes);
        CommandRun again = RunCommand(GetInstalledExePath(), source.argument + L" --update Outil");
        EXPECT_EQ(again.exitCode, 0u) << Show(again);
        EXPECT_EQ(ResultMessages(again.report), std::vector<std::wstring>{W("Outil est à jour.")});

        CommandRun uninstall = RunCommand(GetInstalledExePath(), source.argument + L" --uninstall Outil");
        EXPECT_EQ(uninstall.exitCode, 0u) << Show(uninstall);
        EXPECT_EQ(ResultMessages(uninstall.report), std::vector<std::wstring>{W("Outil désinstallé.")});
        EXPECT_FALSE(FileExists(AppsFile("Outil")));
        RemoveTree(GetAppsFolder());
    }
}

// Each code of the table, produced by a real cause, with the French message
// the window would show.
TEST_F(CommandLineProcess, EachExitCodeHasItsCause) {
    PlaceInstalledCopy();
    const TestTool good = GoodTool("Outil", "un outil");
    const TestTool other = GoodTool("Second", "un autre outil");
    TestTool spoiled = GoodTool("Mauvais", "un outil abime");
    spoiled.catalogSha = ShaText("ce n'est pas ce fichier");
    PublishOnWeb({good, other, spoiled});
    // A tool in use: installed, then held open as a running program holds it.
    CommandRun setup = RunCommand(GetInstalledExePath(), L"--install Second");
    ASSERT_EQ(setup.exitCode, 0u) << Show(setup);
    UniqueHandle running(CreateFileW(AppsFile("Second").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(running);
    ScratchFolder downloads(L"portable");
    const std::wstring portable = downloads / L"Orkvane.exe";
    ASSERT_TRUE(CopyFileW(BuiltExe().c_str(), portable.c_str(), FALSE));

    struct Case {
        const char* cause;
        std::wstring exe;
        std::wstring arguments;
        DWORD exitCode;
        std::wstring message;  // the report's message, or its first result's
    };
    const std::wstring installed = GetInstalledExePath();
    const Case cases[] = {
        {"an unknown switch", installed, L"--installer Outil", 2, L"Argument inconnu : --installer"},
        {"a missing id", installed, L"--install", 2, W("Identifiant d’application manquant après --install")},
        {"an id the catalogue lacks", installed, L"--install Outil Inconnu", 9,
         L"Application absente du catalogue : Inconnu"},
        {"a download that fails its check", installed, L"--install Mauvais", 4,
         W("Opération impossible : SHA-256 invalide : le programme n'a pas été installé")},
        {"a tool in use", installed, L"--uninstall Second", 5,
         W("Opération impossible : Fermez Second avant de le désinstaller.")},
        {"the portable mode", portable, L"--install Outil", 6,
         W("Installez puis relancez Orkvane depuis %LOCALAPPDATA%\\Kest_Tools pour installer ou exécuter une "
           "application.")},
        {"some tools failed, others not", installed, L"--install Outil Mauvais", 8, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cause);
        CommandRun run = RunCommand(c.exe, c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << Show(run);
        ASSERT_TRUE(run.reportRead) << Show(run);
        EXPECT_EQ(Number(run.report, L"exitCode"), static_cast<long long>(c.exitCode));
        EXPECT_FALSE(run.windowShown);
        std::wstring message = Text(run.report, L"message");
        if (message.empty() && !ResultMessages(run.report).empty()) message = ResultMessages(run.report).front();
        if (!c.message.empty()) {
            EXPECT_EQ(message, c.message);
        }
        if (c.exitCode == 2) {
            EXPECT_NE(FindMember(run.report, L"usage"), nullptr);
        }
    }
    // The mixed run did what it could: the good tool is in place.
    EXPECT_EQ(ReadFileBytes(AppsFile("Outil")), good.bytes);
    EXPECT_FALSE(FileExists(AppsFile("Mauvais")));
    running.reset();

    // A catalogue that is no JSON document is refused.
    PublishFile(L"outils/catalog.json", "{\"apps\": [");
    CommandRun refused = RunCommand(installed, L"--list");
    EXPECT_EQ(refused.exitCode, 3u) << Show(refused);
    EXPECT_EQ(Text(refused.report, L"message"), L"Catalogue inaccessible : Lecture du catalogue JSON impossible");

    // The organisation forbids the program's removal.
    WriteDword(kPolicyKeyPath, L"SelfRemoval", 0);
    CommandRun forbidden = RunCommand(installed, L"--remove-self");
    EXPECT_EQ(forbidden.exitCode, 6u) << Show(forbidden);
    EXPECT_TRUE(FileExists(installed));
}

// Another operation holds the lock (here this test, as a window's operation
// would): the command waits its minute, then gives up with 7 and changes
// nothing.
TEST_F(CommandLineProcess, AHeldLockMakesTheCommandGiveUp) {
    PlaceInstalledCopy();
    PublishOnWeb({GoodTool("Outil", "un outil")});
    OperationLock held(0);
    ASSERT_TRUE(held.held());
    const ULONGLONG start = GetTickCount64();
    CommandRun run = RunCommand(GetInstalledExePath(), L"--install Outil");
    EXPECT_EQ(run.exitCode, 7u) << Show(run);
    EXPECT_GE(GetTickCount64() - start, 59000u);
    EXPECT_EQ(Text(run.report, L"message"),
              W("Opération impossible : Une autre opération d’Orkvane est en cours ; réessayez dans un instant."));
    EXPECT_FALSE(FileExists(AppsFile("Outil")));
}

}  // namespace
