// The tests' way of running a console program: a program that never ran, or
// did not end, must never look like one that succeeded.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/process_support.h"
#include "tests/support/test_support.h"

namespace {

// This test program itself, asked to run only the test that never ends in time.
std::wstring SlowCommandLine() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return L"\"" + std::wstring(self) +
           L"\" --gtest_also_run_disabled_tests --gtest_filter=RunAndCapture.DISABLED_TakesHalfAMinute";
}

TEST(RunAndCapture, DISABLED_TakesHalfAMinute) { Sleep(30000); }

TEST(RunAndCapture, OnlyAProgramThatRanToItsEndHasAnExitCode) {
    ScratchFolder folder;
    struct Case {
        const char* what;
        std::wstring commandLine;
        DWORD timeoutMs;
        bool finished;
        DWORD exitCode;
        const char* output;
    };
    const Case cases[] = {
        {"missing program", L"\"" + (folder / L"absent.exe") + L"\"", 60000, false, kNoExitCode,
         "[RunAndCapture] CreateProcessW failed, error 2"},
        {"not a program", L"\"" + folder.path() + L"\"", 60000, false, kNoExitCode,
         "[RunAndCapture] CreateProcessW failed"},
        {"runs and fails", L"cmd.exe /c echo dit && exit 3", 60000, true, 3, "dit"},
        {"runs and succeeds", L"cmd.exe /c echo dit", 60000, true, 0, "dit"},
        {"does not end in time", SlowCommandLine(), 300, false, kNoExitCode,
         "[RunAndCapture] still running after 300 ms"},
    };
    for (const Case& c : cases) {
        ProcessOutcome outcome = RunAndCapture(c.commandLine, c.timeoutMs);
        EXPECT_EQ(outcome.finished, c.finished) << c.what;
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.what;
        EXPECT_NE(outcome.output.find(c.output), std::string::npos) << c.what << ": " << outcome.output;
    }
}

}  // namespace
