#include "cli/outcome_codes.h"

#include "base/messages.h"
#include "catalog/utf8.h"
#include "cli/exit_codes.h"

namespace {

bool Is(const std::wstring& error, const char* message) { return error == Utf8ToWide(message); }

bool StartsWith(const std::wstring& error, const char* prefix) { return error.rfind(Utf8ToWide(prefix), 0) == 0; }

}  // namespace

int ExitCodeOfFailure(const std::wstring& error) {
    if (Is(error, msg::kAnotherOperationRunning)) return exit_code::kBusy;
    // The file work refused: something holds the tool or the program open.
    if (StartsWith(error, msg::kCloseToolPrefix) || Is(error, msg::kUninstallFailed) ||
        Is(error, msg::kCopyToAppsFailed) || Is(error, msg::kRollbackFailed) || Is(error, msg::kSelfCopyFailed) ||
        Is(error, msg::kCliCloseOrkvane))
        return exit_code::kInUse;
    return exit_code::kOperationFailed;
}

int CombinedExitCode(const std::vector<ToolOutcome>& results) {
    bool anyOk = false;
    int firstFailure = exit_code::kDone;
    for (const ToolOutcome& result : results) {
        if (result.ok)
            anyOk = true;
        else if (firstFailure == exit_code::kDone)
            firstFailure = result.exitCode;
    }
    if (firstFailure == exit_code::kDone) return exit_code::kDone;
    return anyOk ? exit_code::kPartial : firstFailure;
}
