// One installed instance per logon, checked with real processes of the built
// Orkvane.exe: an installed copy in %LOCALAPPDATA%\Kest_Tools and portable
// copies elsewhere, started with CreateProcessW and ended by the tests.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/settings.h"
#include "base/constants.h"
#include "base/handles.h"
#include "base/paths.h"
#include "tests/support/process_support.h"
#include "tests/support/test_support.h"
#include "tests/support/waiting.h"
#include "tests/support/window_classes.h"

namespace {

constexpr DWORD kStartTimeoutMs = 30000;

std::wstring BuiltExe() { return WindowsPathFromLinux(ORKVANE_EXE_PATH); }

// A started copy of the program; ended by the destructor if still running.
class RunningCopy {
public:
    RunningCopy(const std::wstring& exe, const std::wstring& arguments) {
        std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
        StartedProcess started = StartProcess(nullptr, commandLine);
        startError_ = started.error;
        process_ = std::move(started.process);
        id_ = started.id;
    }
    ~RunningCopy() {
        if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.get(), 77);
            WaitForSingleObject(process_.get(), 10000);
        }
    }
    RunningCopy(const RunningCopy&) = delete;
    RunningCopy& operator=(const RunningCopy&) = delete;

    bool started() const { return static_cast<bool>(process_); }
    std::string StartFailure() const { return "CreateProcessW failed, error " + std::to_string(startError_); }
    bool running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

    HWND Window() const { return FindMainWindowOf(id_); }
    HWND WaitForWindow() const {
        HWND window = nullptr;
        WaitFor([&] { return (window = Window()) != nullptr || !running(); });
        return window;
    }
    // The window of an installed copy once it is marked as such: the window
    // can be found while it is still being created, before the mark is set.
    HWND WaitForInstalledWindow() const {
        HWND window = nullptr;
        WaitFor([&] {
            window = Window();
            return (window != nullptr && GetPropW(window, kInstalledProperty) != nullptr) || !running();
        });
        return window;
    }
    // The exit code, 259 (STILL_ACTIVE) when it does not end in time, or
    // kNoExitCode when it never started: a start that failed must not pass
    // for one that hangs.
    DWORD WaitForExit(DWORD timeoutMs = kStartTimeoutMs) const {
        if (!process_) return kNoExitCode;
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process_.get(), &code);
        return code;
    }

private:
    UniqueHandle process_;
    DWORD id_ = 0;
    DWORD startError_ = 0;
};

class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override {
        installed_ = GetInstalledExePath();
        ASSERT_FALSE(FileExists(installed_)) << "an installed copy is already there";
        folderExisted_ = GetFileAttributesW(GetInstallFolder().c_str()) != INVALID_FILE_ATTRIBUTES;
        CreateFolderPath(GetInstallFolder());
        ASSERT_TRUE(CopyFileW(BuiltExe().c_str(), installed_.c_str(), FALSE)) << GetLastError();
        ASSERT_TRUE(CopyFileW(BuiltExe().c_str(), (portableA_ / kInstalledExeName).c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(BuiltExe().c_str(), (portableB_ / kInstalledExeName).c_str(), FALSE));
    }

    // Runs after every RunningCopy of the test body has ended its process.
    void TearDown() override {
        DeleteFileW(installed_.c_str());
        if (!folderExisted_) RemoveDirectoryW(GetInstallFolder().c_str());
        // The installed copy registers autostart and writes its settings.
        HKEY run = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
            RegDeleteValueW(run, kRunValueName);
            RegCloseKey(run);
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    }

    std::wstring PortableA() const { return portableA_ / kInstalledExeName; }
    std::wstring PortableB() const { return portableB_ / kInstalledExeName; }

    std::wstring installed_;
    bool folderExisted_ = false;
    ScratchFolder portableA_{L"portable"};
    ScratchFolder portableB_{L"portable"};
};

bool Visible(HWND window) { return IsWindowVisible(window) != FALSE; }

TEST_F(SingleInstance, SecondInstalledStartShowsTheFirst) {
    RunningCopy first(installed_, L"");
    ASSERT_TRUE(first.started()) << first.StartFailure();
    HWND window = first.WaitForInstalledWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_NE(GetPropW(window, kInstalledProperty), nullptr);
    ASSERT_TRUE(WaitFor([&] { return Visible(window); }));
    // Closing an installed copy with its tray icon only hides it.
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !Visible(window); }));
    EXPECT_TRUE(first.running());

    RunningCopy second(installed_, L"");
    ASSERT_TRUE(second.started()) << second.StartFailure();
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_TRUE(WaitFor([&] { return Visible(window); })) << "the first instance was not shown";
    EXPECT_TRUE(first.running());
}

// A window of the program's class that no installed copy has marked: a
// portable copy's, or the installed copy's own while it is being created.
class UnmarkedWindow {
public:
    UnmarkedWindow() {
        RegisterTestWindowClass(kMainWindowClass);
        window_ = CreateWindowExW(0, kMainWindowClass, L"Orkvane", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~UnmarkedWindow() {
        if (window_ != nullptr) DestroyWindow(window_);
    }
    UnmarkedWindow(const UnmarkedWindow&) = delete;
    UnmarkedWindow& operator=(const UnmarkedWindow&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

// An installed copy still starting holds the mutex before any window carries
// the mark: a second installed start then ends at once and shows nothing,
// whatever its switch.
TEST_F(SingleInstance, StartWhileTheInstalledCopyIsStillStartingShowsNothing) {
    UniqueHandle mutex(CreateMutexW(nullptr, FALSE, kInstanceMutexName));
    ASSERT_TRUE(mutex);
    ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    UnmarkedWindow starting;
    ASSERT_NE(starting.get(), nullptr);
    for (const wchar_t* arguments : {L"", L"--minimized"}) {
        RunningCopy second(installed_, arguments);
        ASSERT_TRUE(second.started()) << second.StartFailure();
        bool showedAWindow = false;
        // Watch for a window of its own until it ends.
        WaitFor([&] {
            showedAWindow = showedAWindow || second.Window() != nullptr;
            return !second.running();
        });
        EXPECT_EQ(second.WaitForExit(0), 0u) << "arguments: \"" << WideToUtf8(arguments) << "\"";
        EXPECT_FALSE(showedAWindow) << WideToUtf8(arguments);
        MSG asked{};
        EXPECT_FALSE(PeekMessageW(&asked, starting.get(), WM_APP_SHOW_MAIN, WM_APP_SHOW_MAIN, PM_REMOVE))
            << "the unmarked window was asked to show";
        EXPECT_FALSE(Visible(starting.get()));
    }
}

TEST_F(SingleInstance, MinimizedSecondStartStaysSilent) {
    RunningCopy first(installed_, L"--minimized");
    HWND window = first.WaitForInstalledWindow();
    ASSERT_NE(window, nullptr);
    Sleep(500);
    EXPECT_FALSE(Visible(window)) << "--minimized showed the installed copy";

    RunningCopy second(installed_, L"--minimized");
    EXPECT_EQ(second.WaitForExit(), 0u);
    Sleep(1000);
    EXPECT_FALSE(Visible(window)) << "a silent second start showed the first";

    // Without the switch the same second start does show it.
    RunningCopy third(installed_, L"");
    EXPECT_EQ(third.WaitForExit(), 0u);
    EXPECT_TRUE(WaitFor([&] { return Visible(window); }));
}

TEST_F(SingleInstance, PortableCopyHandsOverToInstalledOne) {
    RunningCopy installedCopy(installed_, L"--minimized");
    HWND window = installedCopy.WaitForInstalledWindow();
    ASSERT_NE(window, nullptr);
    Sleep(500);
    ASSERT_FALSE(Visible(window));

    RunningCopy portable(PortableA(), L"");
    EXPECT_EQ(portable.WaitForExit(), 0u);
    EXPECT_TRUE(WaitFor([&] { return Visible(window); }));
    EXPECT_TRUE(installedCopy.running());
}

TEST_F(SingleInstance, TwoPortableCopiesBothRun) {
    RunningCopy one(PortableA(), L"");
    HWND first = one.WaitForWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetPropW(first, kInstalledProperty), nullptr);

    // The same file started again, and a copy in another folder.
    RunningCopy two(PortableA(), L"");
    RunningCopy three(PortableB(), L"");
    EXPECT_NE(two.WaitForWindow(), nullptr);
    EXPECT_NE(three.WaitForWindow(), nullptr);
    EXPECT_TRUE(one.running());
    EXPECT_TRUE(two.running());
    EXPECT_TRUE(three.running());
}

TEST_F(SingleInstance, InstalledCopyRunsBesidePortableAndStaysUnique) {
    RunningCopy portable(PortableA(), L"");
    HWND portableWindow = portable.WaitForWindow();
    ASSERT_NE(portableWindow, nullptr);

    RunningCopy installedCopy(installed_, L"--minimized");
    HWND window = installedCopy.WaitForInstalledWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_NE(GetPropW(window, kInstalledProperty), nullptr);
    EXPECT_TRUE(portable.running());
    Sleep(500);
    ASSERT_FALSE(Visible(window));

    // A second installed start finds the installed window even when the
    // portable one comes first in the window order.
    SetWindowPos(portableWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(FindWindowW(kMainWindowClass, nullptr), portableWindow);
    RunningCopy second(installed_, L"");
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_TRUE(WaitFor([&] { return Visible(window); }));
    EXPECT_TRUE(portable.running());
}

}  // namespace
