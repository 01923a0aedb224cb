#include <gtest/gtest.h>

#include <shlobj.h>

#include "base/handles.h"
#include "base/messages.h"
#include "base/paths.h"
#include "operations/shell_ops.h"
#include "operations/tool_request.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/test_support.h"

namespace {

ToolRequest RequestFor(const std::wstring& id) { return MakeToolRequest(MakeToolEntry(id, std::wstring(64, L'0'))); }

void InstallTraceTool(const std::wstring& id) {
    CreateFolderPath(GetAppsFolder());
    WriteFileBytes(InstalledPath(id), TraceToolBytes());
}

std::wstring StartMenuFolder() { return JoinPath(GetKnownFolder(FOLDERID_Programs), kStartMenuFolderName); }

TEST(Shortcut, PathsAreOnTheDesktopAndInTheStartMenuFolder) {
    EXPECT_EQ(ShortcutPath(L"outil", true), JoinPath(GetKnownFolder(FOLDERID_Desktop), L"outil.lnk"));
    EXPECT_EQ(ShortcutPath(L"outil", false), JoinPath(StartMenuFolder(), L"outil.lnk"));
}

TEST(Shortcut, CreatedLinksPointAtTheExecutableAndCanBeRewritten) {
    ScopedComApartment com;
    ToolCleanup cleanup(L"h6link");
    RemoveTree(StartMenuFolder());
    const std::wstring target = InstalledPath(L"h6link");
    for (bool toDesktop : {true, false}) {
        CreateShortcut(L"h6link", target, L"Première description", toDesktop);
        CreateShortcut(L"h6link", target, L"Deuxième « description »", toDesktop);

        ShortcutInfo info = ReadShortcut(ShortcutPath(L"h6link", toDesktop));
        EXPECT_TRUE(_wcsicmp(info.target.c_str(), target.c_str()) == 0) << info.target;
        EXPECT_TRUE(_wcsicmp(info.workingFolder.c_str(), GetAppsFolder().c_str()) == 0) << info.workingFolder;
        EXPECT_EQ(info.description, L"Deuxième « description »");
        EXPECT_TRUE(_wcsicmp(info.iconPath.c_str(), target.c_str()) == 0) << info.iconPath;
        EXPECT_EQ(info.iconIndex, 0);
        EXPECT_EQ(FilesMatching(ParentFolder(ShortcutPath(L"h6link", toDesktop)), L"h6link*"),
                  std::vector<std::wstring>{L"h6link.lnk"});
    }
}

TEST(Shortcut, RemovingAMissingShortcutIsQuiet) {
    ToolCleanup cleanup(L"h6nolink");
    EXPECT_EQ(ErrorOf([] { RemoveShortcut(L"h6nolink", InstalledPath(L"h6nolink"), true); }), "<no error>");
    EXPECT_EQ(ErrorOf([] { RemoveShortcut(L"h6nolink", InstalledPath(L"h6nolink"), false); }), "<no error>");
}

// A shortcut of the tool's name that does not lead to Apps\<id>.exe is the
// user's own: installing neither rewrites it, uninstalling leaves it.
TEST(Shortcut, TheUsersOwnShortcutOfThatNameIsNeverReplacedOrDeleted) {
    ScopedComApartment com;
    ToolCleanup cleanup(L"h6teams");
    struct Case {
        const char* what;
        std::wstring leadsTo;  // empty: a file that is no shortcut at all
    };
    const Case cases[] = {
        {"a shortcut to another program", L"C:\\Program Files\\Teams\\h6teams.exe"},
        {"a shortcut to another tool of Apps", InstalledPath(L"h6other")},
        {"a file that is no shortcut", L""},
    };
    for (const Case& c : cases) {
        for (bool toDesktop : {true, false}) {
            const std::wstring path = ShortcutPath(L"h6teams", toDesktop);
            CreateFolderPath(ParentFolder(path));
            DeleteFileW(path.c_str());
            if (c.leadsTo.empty())
                WriteFileBytes(path, "not a shortcut");
            else
                CreateShortcut(L"h6teams", c.leadsTo, L"Le raccourci de l’utilisateur", toDesktop);
            const std::string before = ReadFileBytes(path);
            InstallTraceTool(L"h6teams");

            CreateShortcut(L"h6teams", InstalledPath(L"h6teams"), L"d", toDesktop);
            EXPECT_TRUE(ReadFileBytes(path) == before) << c.what << ": replaced on install";
            EXPECT_EQ(ErrorOf([] { UninstallTool(RequestFor(L"h6teams")); }), "<no error>") << c.what;
            EXPECT_FALSE(FileExists(InstalledPath(L"h6teams"))) << c.what;
            ASSERT_TRUE(FileExists(path)) << c.what << ": deleted on uninstall";
            EXPECT_TRUE(ReadFileBytes(path) == before) << c.what;
            DeleteFileW(path.c_str());
        }
    }
}

TEST(Shortcut, CannotBeSavedOverAFolder) {
    ScopedComApartment com;
    const std::wstring blocker = ShortcutPath(L"h6blocked", true);
    CreateFolderPath(blocker);
    EXPECT_EQ(ErrorOf([] { CreateShortcut(L"h6blocked", InstalledPath(L"h6blocked"), L"d", true); }),
              msg::kShortcutSaveFailed);
    RemoveDirectoryW(blocker.c_str());
}

TEST(LaunchTool, StartsTheToolInItsOwnFolder) {
    ToolCleanup cleanup(L"h6launch");
    InstallTraceTool(L"h6launch");
    ScratchFolder traces(L"trace");
    ArmTrace(traces / L"launch.txt", 0);

    LaunchTool(RequestFor(L"h6launch"));

    TraceRecord record;
    ASSERT_TRUE(WaitForTrace(traces / L"launch.txt", record, true, 20000)) << "the tool did not start";
    EXPECT_TRUE(_wcsicmp(W(record.currentFolder).c_str(), GetAppsFolder().c_str()) == 0) << record.currentFolder;
    EXPECT_TRUE(_wcsicmp(W(record.exePath).c_str(), InstalledPath(L"h6launch").c_str()) == 0) << record.exePath;
}

TEST(LaunchTool, FailsWithoutTheExecutable) {
    ToolCleanup cleanup(L"h6gone");
    EXPECT_EQ(ErrorOf([] { LaunchTool(RequestFor(L"h6gone")); }), msg::kAppNotInstalled);
    ScratchFolder folder(L"nolaunch");
    EXPECT_EQ(ErrorOf([&] { LaunchFile(folder / L"absent.exe"); }), msg::kLaunchFailed);
}

TEST(UninstallTool, RemovesTheFileAndBothShortcuts) {
    ScopedComApartment com;
    ToolCleanup cleanup(L"h6remove");
    InstallTraceTool(L"h6remove");
    CreateShortcut(L"h6remove", InstalledPath(L"h6remove"), L"d", true);
    CreateShortcut(L"h6remove", InstalledPath(L"h6remove"), L"d", false);

    UninstallTool(RequestFor(L"h6remove"));

    EXPECT_FALSE(FileExists(InstalledPath(L"h6remove")));
    EXPECT_FALSE(FileExists(ShortcutPath(L"h6remove", true)));
    EXPECT_FALSE(FileExists(ShortcutPath(L"h6remove", false)));
    EXPECT_NE(GetFileAttributesW(StartMenuFolder().c_str()), INVALID_FILE_ATTRIBUTES) << "the Start-menu folder stays";
    // Gone already, with no shortcuts: still a success.
    EXPECT_EQ(ErrorOf([] { UninstallTool(RequestFor(L"h6remove")); }), "<no error>");
}

TEST(UninstallTool, RunningToolIsKeptWithItsShortcuts) {
    ScopedComApartment com;
    ToolCleanup cleanup(L"h6busy");
    InstallTraceTool(L"h6busy");
    CreateShortcut(L"h6busy", InstalledPath(L"h6busy"), L"d", true);
    CreateShortcut(L"h6busy", InstalledPath(L"h6busy"), L"d", false);
    ScratchFolder traces(L"trace");
    ArmTrace(traces / L"busy.txt", 4000);
    LaunchTool(RequestFor(L"h6busy"));
    TraceRecord record;
    ASSERT_TRUE(WaitForTrace(traces / L"busy.txt", record, false, 20000)) << "the tool did not start";

    EXPECT_EQ(ErrorOf([] { UninstallTool(RequestFor(L"h6busy")); }), "Fermez h6busy avant de le désinstaller.");
    EXPECT_TRUE(FileExists(InstalledPath(L"h6busy")));
    EXPECT_TRUE(FileExists(ShortcutPath(L"h6busy", true)));
    EXPECT_TRUE(FileExists(ShortcutPath(L"h6busy", false)));

    ASSERT_TRUE(WaitForTrace(traces / L"busy.txt", record, true, 20000));
    PumpUntil([] { return DeleteFileW(InstalledPath(L"h6busy").c_str()) != FALSE; }, 5000);
}

TEST(LaunchAndUninstall, RefuseDeviceNames) {
    ScopedComApartment com;
    for (const wchar_t* device : {L"CON", L"nul", L"Com3", L"LPT1"}) {
        ToolRequest request = RequestFor(device);
        EXPECT_EQ(ErrorOf([&] { UninstallTool(request); }), msg::kAppFileNameInvalid) << WideToUtf8(device);
        EXPECT_EQ(ErrorOf([&] { LaunchTool(request); }), msg::kAppFileNameInvalid) << WideToUtf8(device);
    }
}

TEST(LaunchAndUninstall, RefuseNamesThatAreNotPlainToolNames) {
    ScopedComApartment com;
    // Files where a hostile name would lead: the tool file and both shortcuts.
    struct Case {
        const char* what;
        std::wstring name;
        std::wstring exeName;
    };
    const Case cases[] = {
        {"climbs out of Apps", L"..\\..\\Documents\\h6x", L"..\\..\\Documents\\h6x.exe"},
        {"forward slashes", L"../h6x", L"../h6x.exe"},
        {"exeName of another tool", L"h6victim", L"h6other.exe"},
        {"exeName without the id", L"h6victim", L"..\\h6victim.exe"},
    };
    for (const Case& c : cases) {
        const std::wstring exe = JoinPath(GetAppsFolder(), c.exeName);
        const std::wstring desktopLink = ShortcutPath(c.name, true);
        const std::wstring menuLink = ShortcutPath(c.name, false);
        for (const std::wstring& path : {exe, desktopLink, menuLink}) {
            CreateFolderPath(ParentFolder(GetFullPath(path)));
            WriteFileBytes(path, "must survive");
        }
        ToolRequest request = RequestFor(L"h6victim");
        request.name = c.name;
        request.exeName = c.exeName;

        EXPECT_EQ(ErrorOf([&] { UninstallTool(request); }), msg::kAppFileNameInvalid) << c.what;
        EXPECT_EQ(ErrorOf([&] { LaunchTool(request); }), msg::kAppFileNameInvalid) << c.what;
        for (const std::wstring& path : {exe, desktopLink, menuLink}) {
            EXPECT_TRUE(FileExists(path)) << c.what << " lost " << WideToUtf8(path);
            DeleteFileW(path.c_str());
        }
    }
}

}  // namespace
