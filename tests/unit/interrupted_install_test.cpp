// An install stopped dead, as by a logoff or a crash: a child process (this
// test program, running one disabled test) installs a large tool and is
// killed at one step of the install after another; the start-up tidy then
// runs, and the tool must be the old version or the new one, whole, with no
// side file left.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/handles.h"
#include "base/paths.h"
#include "base/tool_files.h"
#include "catalog/utf8.h"
#include "operations/apps_folder_tidy.h"
#include "operations/tool_install.h"
#include "tests/support/import_hook.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/process_support.h"
#include "tests/support/test_support.h"

namespace {

constexpr wchar_t kRootVariable[] = L"ORKVANE_TEST_STOP_ROOT";
constexpr wchar_t kShaVariable[] = L"ORKVANE_TEST_STOP_SHA";
constexpr wchar_t kEventVariable[] = L"ORKVANE_TEST_STOP_EVENT";
// "call:N" stops before the Nth file-system call of the install,
// "copy:N" once N bytes of the tool are written.
constexpr wchar_t kStopVariable[] = L"ORKVANE_TEST_STOP_AT";
constexpr wchar_t kToolId[] = L"outilentier";
constexpr size_t kLargeToolBytes = 16 * 1024 * 1024;

std::wstring Env(const wchar_t* name) {
    wchar_t value[1024] = {};
    const DWORD units = GetEnvironmentVariableW(name, value, 1024);
    return units > 0 && units < 1024 ? std::wstring(value) : std::wstring();
}

ToolRequest OfflineRequest(const std::wstring& root, const std::wstring& sha256) {
    return {kToolId, L"", std::wstring(kToolId) + L".exe", sha256, L"", L"", root};
}

// --- The child: installs, and stops for good at the step it was given. ---

HANDLE g_stopped = nullptr;
long g_stopAtCall = 0;
long g_calls = 0;

void Step() {
    if (++g_calls != g_stopAtCall) return;
    SetEvent(g_stopped);
    Sleep(INFINITE);  // until the test kills this process
}

// Every call by which the install changes files, or opens one, counts as a step.
struct Hooks {
    static inline void* createFile = nullptr;
    static inline void* moveFileEx = nullptr;
    static inline void* setFileInformation = nullptr;
    static inline void* createHardLink = nullptr;
    static inline void* deleteFile = nullptr;
    static inline void* copyFile = nullptr;
    static inline void* flush = nullptr;
    static inline void* setAttributes = nullptr;

    template <typename Function>
    static Function* As(void* original) {
        return reinterpret_cast<Function*>(original);
    }
    static HANDLE WINAPI OnCreateFile(LPCWSTR a, DWORD b, DWORD c, LPSECURITY_ATTRIBUTES d, DWORD e, DWORD f,
                                      HANDLE g) {
        Step();
        return As<decltype(CreateFileW)>(createFile)(a, b, c, d, e, f, g);
    }
    static BOOL WINAPI OnMoveFileEx(LPCWSTR a, LPCWSTR b, DWORD c) {
        Step();
        return As<decltype(MoveFileExW)>(moveFileEx)(a, b, c);
    }
    static BOOL WINAPI OnSetFileInformation(HANDLE a, FILE_INFO_BY_HANDLE_CLASS b, LPVOID c, DWORD d) {
        Step();
        return As<decltype(SetFileInformationByHandle)>(setFileInformation)(a, b, c, d);
    }
    static BOOL WINAPI OnCreateHardLink(LPCWSTR a, LPCWSTR b, LPSECURITY_ATTRIBUTES c) {
        Step();
        return As<decltype(CreateHardLinkW)>(createHardLink)(a, b, c);
    }
    static BOOL WINAPI OnDeleteFile(LPCWSTR a) {
        Step();
        return As<decltype(DeleteFileW)>(deleteFile)(a);
    }
    static BOOL WINAPI OnCopyFile(LPCWSTR a, LPCWSTR b, BOOL c) {
        Step();
        return As<decltype(CopyFileW)>(copyFile)(a, b, c);
    }
    static BOOL WINAPI OnFlush(HANDLE a) {
        Step();
        return As<decltype(FlushFileBuffers)>(flush)(a);
    }
    static BOOL WINAPI OnSetAttributes(LPCWSTR a, DWORD b) {
        Step();
        return As<decltype(SetFileAttributesW)>(setAttributes)(a, b);
    }

    std::vector<std::unique_ptr<ScopedImportHook>> installed;
    void Add(const char* name, void* replacement, void*& original) {
        installed.push_back(std::make_unique<ScopedImportHook>(name, replacement));
        EXPECT_TRUE(installed.back()->installed()) << name;
        original = installed.back()->original();
    }
    Hooks() {
        Add("CreateFileW", reinterpret_cast<void*>(&OnCreateFile), createFile);
        Add("MoveFileExW", reinterpret_cast<void*>(&OnMoveFileEx), moveFileEx);
        Add("SetFileInformationByHandle", reinterpret_cast<void*>(&OnSetFileInformation), setFileInformation);
        Add("CreateHardLinkW", reinterpret_cast<void*>(&OnCreateHardLink), createHardLink);
        Add("DeleteFileW", reinterpret_cast<void*>(&OnDeleteFile), deleteFile);
        Add("CopyFileW", reinterpret_cast<void*>(&OnCopyFile), copyFile);
        Add("FlushFileBuffers", reinterpret_cast<void*>(&OnFlush), flush);
        Add("SetFileAttributesW", reinterpret_cast<void*>(&OnSetAttributes), setAttributes);
    }
};

TEST(InterruptedInstall, DISABLED_InstallUntilStopped) {
    UniqueHandle stopped(OpenEventW(EVENT_MODIFY_STATE, FALSE, Env(kEventVariable).c_str()));
    ASSERT_TRUE(stopped);
    g_stopped = stopped.get();
    const std::wstring stop = Env(kStopVariable);
    const unsigned long long at = std::wcstoull(stop.c_str() + 5, nullptr, 10);
    FetchOptions options;
    if (stop.rfind(L"copy:", 0) == 0) {
        // Only the new tool's copy: hashing the installed file reports too.
        options.progress = [at](unsigned long long done, long long expected) {
            if (expected == static_cast<long long>(kLargeToolBytes) && done >= at) {
                SetEvent(g_stopped);
                Sleep(INFINITE);
            }
        };
    } else {
        g_stopAtCall = static_cast<long>(at);
    }
    Hooks hooks;
    InstallTool(OfflineRequest(Env(kRootVariable), Env(kShaVariable)), options);
}

// --- The test: kills the child at each step in turn. ---

class InterruptedInstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateFolderPath(GetAppsFolder());
        CreateFolderPath(source / L"outils");
        WriteFileBytes(JoinPath(source / L"outils", std::wstring(kToolId) + L".exe"), v2);
        SetEnvironmentVariableW(kRootVariable, source.path().c_str());
        SetEnvironmentVariableW(kShaVariable, Sha256Of(v2).c_str());
        SetEnvironmentVariableW(kEventVariable, eventName.c_str());
    }
    void TearDown() override {
        for (const wchar_t* name : {kRootVariable, kShaVariable, kEventVariable, kStopVariable})
            SetEnvironmentVariableW(name, nullptr);
    }

    // The installed old version, and the one kept before it.
    void InstallOldVersion() {
        cleanup.clean();
        WriteFileBytes(files.installed, v1);
        WriteFileBytes(files.previous, v0);
        SetFileAttributesW(files.previous.c_str(), FILE_ATTRIBUTE_HIDDEN);
    }

    // Runs the install in a child until `stop`; true when it was stopped there,
    // false when it ran to its end first.
    bool InstallStoppedAt(const std::wstring& stop) {
        SetEnvironmentVariableW(kStopVariable, stop.c_str());
        const std::wstring self = GetOwnExePath();
        StartedProcess child = StartProcess(self.c_str(),
                                            L"\"" + self +
                                                L"\" --gtest_also_run_disabled_tests "
                                                L"--gtest_filter=InterruptedInstall.DISABLED_InstallUntilStopped");
        EXPECT_TRUE(child) << "error " << child.error;
        if (!child) return false;
        HANDLE waits[] = {stopped.get(), child.process.get()};
        const DWORD woken = WaitForMultipleObjects(2, waits, FALSE, 120000);
        if (woken == WAIT_OBJECT_0) {
            TerminateProcess(child.process.get(), 9);
            WaitForSingleObject(child.process.get(), INFINITE);
            return true;
        }
        EXPECT_EQ(woken, WAIT_OBJECT_0 + 1) << "the install neither stopped nor ended";
        DWORD code = kNoExitCode;
        GetExitCodeProcess(child.process.get(), &code);
        EXPECT_EQ(code, 0u) << "the install failed";
        return false;
    }

    // After the start-up tidy: the old tool or the new one, whole, and
    // nothing half-made beside it.
    void ExpectWholeTool(const std::wstring& stop) {
        SCOPED_TRACE(WideToUtf8(stop));
        TidyAppsFolder(GetAppsFolder());
        ASSERT_TRUE(FileExists(files.installed)) << "no tool left at all";
        const std::wstring installed = Sha256Of(ReadFileBytes(files.installed));
        EXPECT_TRUE(installed == Sha256Of(v1) || installed == Sha256Of(v2)) << "neither version";
        if (FileExists(files.previous)) {
            const std::wstring previous = Sha256Of(ReadFileBytes(files.previous));
            EXPECT_TRUE(previous == Sha256Of(v0) || previous == Sha256Of(v1)) << "a kept version that never was";
        }
        EXPECT_EQ(FilesMatching(GetAppsFolder(), L"*.nouveau"), std::vector<std::wstring>{});
        // The copy a running tool was moved to stays while it runs.
        if (!tool) {
            EXPECT_EQ(FilesMatching(GetAppsFolder(), AsideFilePattern(kToolId)), std::vector<std::wstring>{});
        }
    }

    // Before each file-system call, up to the install that runs to its end;
    // the old tool runs meanwhile when asked.
    void KillBeforeEveryCall(bool running) {
        bool finished = false;
        for (int call = 1; call < 100 && !finished && !HasFailure(); ++call) {
            InstallOldVersion();
            if (running) StartOldTool();
            const std::wstring stop = L"call:" + std::to_wstring(call);
            finished = !InstallStoppedAt(stop);
            ExpectWholeTool(stop);
            tool.reset();
        }
        ASSERT_TRUE(finished);
        EXPECT_TRUE(ReadFileBytes(files.installed) == v2);
        EXPECT_TRUE(ReadFileBytes(files.previous) == v1);
    }

    void StartOldTool() {
        ArmTrace(traces / L"run.txt", 600000);
        tool = std::make_unique<StartedProgram>(files.installed);
        TraceRecord record;
        ASSERT_TRUE(WaitForTrace(traces / L"run.txt", record, false, 20000)) << "the tool did not start";
    }

    ScratchFolder source{L"stop"};
    ScratchFolder traces{L"trace"};
    std::unique_ptr<StartedProgram> tool;
    const std::string v0 = std::string(300000, 'a');
    std::string v1 = std::string(500000, 'b');
    const std::string v2 = std::string(kLargeToolBytes - 7, 'c') + "dernier";
    const ToolFiles files = ToolFilesIn(GetAppsFolder(), kToolId);
    ToolCleanup cleanup{kToolId};
    const std::wstring eventName = L"Local\\OrkvaneInstallStopped" + std::to_wstring(GetCurrentProcessId());
    UniqueHandle stopped{CreateEventW(nullptr, FALSE, FALSE, eventName.c_str())};
};

TEST_F(InterruptedInstallTest, AKillAtAnyStepLeavesTheOldOrTheNewToolWhole) {
    ASSERT_TRUE(stopped);
    // While the tool is copied: at its first block, halfway, with every byte written.
    for (size_t bytes : {size_t{1}, kLargeToolBytes / 2, kLargeToolBytes}) {
        InstallOldVersion();
        const std::wstring stop = L"copy:" + std::to_wstring(bytes);
        ASSERT_TRUE(InstallStoppedAt(stop));
        ExpectWholeTool(stop);
        EXPECT_TRUE(ReadFileBytes(files.installed) == v1) << "replaced before the copy was checked";
    }

    KillBeforeEveryCall(false);
}

// A running tool is moved aside before the new file takes its name: stopped
// in between, the start puts the old one back.
TEST_F(InterruptedInstallTest, AKillAtAnyStepWhileTheOldToolRunsLeavesItWhole) {
    ASSERT_TRUE(stopped);
    v1 = TraceToolBytes();
    KillBeforeEveryCall(true);
}

}  // namespace
