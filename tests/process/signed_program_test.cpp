// The program signed with Authenticode still starts: the signature is data
// appended after the image, and a loader that mishandled it would refuse the
// file or crash before the first window. Run by the Authenticode test's
// fixture, which names the signed copy in ORKVANE_SIGNED_EXE.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/constants.h"
#include "catalog/utf8.h"
#include "tests/support/process_support.h"
#include "tests/support/test_support.h"
#include "tests/support/waiting.h"

TEST(SignedProgram, DISABLED_StartsAndShowsItsWindow) {
    const std::wstring signedExe = EnvVar(L"ORKVANE_SIGNED_EXE");
    ASSERT_FALSE(signedExe.empty()) << "ORKVANE_SIGNED_EXE is not set";
    // A portable copy in a folder of its own: it shows its window and stays.
    ScratchFolder folder(L"signed");
    const std::wstring copy = folder / kInstalledExeName;
    ASSERT_TRUE(CopyFileW(WindowsPathFromLinux(WideToUtf8(signedExe)).c_str(), copy.c_str(), FALSE)) << GetLastError();

    StartedProcess started = StartProcess(nullptr, L"\"" + copy + L"\"");
    ASSERT_TRUE(started) << "CreateProcessW failed, error " << started.error;
    HWND window = nullptr;
    const bool shown = WaitFor([&] {
        window = FindMainWindowOf(started.id);
        return window != nullptr || WaitForSingleObject(started.process.get(), 0) == WAIT_OBJECT_0;
    });
    DWORD exitCode = STILL_ACTIVE;
    GetExitCodeProcess(started.process.get(), &exitCode);
    EXPECT_TRUE(shown && window != nullptr) << "no window; exit code " << exitCode;
    EXPECT_EQ(exitCode, static_cast<DWORD>(STILL_ACTIVE));
    TerminateProcess(started.process.get(), 0);
    WaitForSingleObject(started.process.get(), 10000);
}
