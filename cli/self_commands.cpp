#include "cli/self_commands.h"

#include <windows.h>

#include <exception>
#include <string>

#include "app/policies.h"
#include "app/settings.h"
#include "app/state.h"
#include "base/constants.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/operation_lock.h"
#include "base/paths.h"
#include "base/tool_files.h"
#include "catalog/error_text.h"
#include "catalog/utf8.h"
#include "cli/exit_codes.h"
#include "cli/outcome_codes.h"
#include "operations/deferred_command.h"
#include "operations/installed_apps_entries.h"
#include "operations/self_install.h"
#include "operations/shell_ops.h"

namespace {

std::wstring Text(const char* utf8) { return Utf8ToWide(utf8); }

void Report(CliReport& report, const char* action, bool ok, std::wstring message, int exitCode) {
    ToolOutcome outcome;
    outcome.id = kOwnAppId;
    outcome.action = action;
    outcome.ok = ok;
    outcome.status = ok ? "done" : "failed";
    outcome.message = message;
    outcome.exitCode = exitCode;
    report.results.push_back(outcome);
    report.message = std::move(message);
    report.exitCode = exitCode;
}

void ReportFailure(CliReport& report, const char* action, const std::wstring& error) {
    Report(report, action, false, error, ExitCodeOfFailure(error));
}

// The installed copy's window, whichever process shows it.
bool InstalledWindowRuns() {
    for (HWND window = FindWindowExW(nullptr, nullptr, kMainWindowClass, nullptr); window != nullptr;
         window = FindWindowExW(nullptr, window, kMainWindowClass, nullptr)) {
        if (GetPropW(window, kInstalledProperty) != nullptr) return true;
    }
    return false;
}

}  // namespace

void RunInstallSelf(const CliRequest& request, CliReport& report) {
    static constexpr char kAction[] = "install-self";
    OperationLock lock(kCommandLockWaitMs);
    if (!lock.held()) return ReportFailure(report, kAction, Text(msg::kAnotherOperationRunning));
    ScopedComApartment com;
    try {
        const std::wstring installed =
            InstallSelfFiles(g_state.settings.desktopShortcut, g_state.settings.menuShortcut);
        // What the installed copy would register at its first start.
        WriteAutostart(g_state.settings.startup);
        if (request.start) LaunchFile(installed);
    } catch (const std::exception& error) {
        return ReportFailure(report, kAction, ErrorText(error));
    }
    Report(report, kAction, true, Text(msg::kCliSelfInstalled), exit_code::kDone);
}

void RunRemoveSelf(const CliRequest& request, CliReport& report) {
    static constexpr char kAction[] = "remove-self";
    if (!g_state.policies.Allows(PolicyId::SelfRemoval))
        return Report(report, kAction, false, Text(msg::kCliSelfRemovalPolicy), exit_code::kRefused);
    if (request.confirm && MessageBoxW(nullptr, Text(msg::kSelfUninstallQuestion).c_str(), kMessageBoxTitle,
                                       MB_YESNO | MB_ICONWARNING | MB_SETFOREGROUND) != IDYES) {
        report.message = Text(msg::kCliNothingDone);
        return;
    }
    OperationLock lock(kCommandLockWaitMs);
    if (!lock.held()) return ReportFailure(report, kAction, Text(msg::kAnotherOperationRunning));
    try {
        // The user's open window holds the file; closing it behind the user's
        // back could cut short what they are doing: the run says so, and a
        // deployment tool tries again later.
        if (InstalledWindowRuns() || (!IsInstalledCopy() && IsFileInUse(GetInstalledExePath())))
            return ReportFailure(report, kAction, Text(msg::kCliCloseOrkvane));
        // As the window does: the files go once this process has ended.
        RunDeferredCommand(BuildRemovalScript(GetCurrentProcessId(), OwnsSelfEntry()));
        WriteAutostart(false);
        // The tools' entries in Windows' list run this program to uninstall.
        RemoveToolEntries();
    } catch (const std::exception& error) {
        return ReportFailure(report, kAction, ErrorText(error));
    }
    Report(report, kAction, true, Text(msg::kCliSelfRemoved), exit_code::kDone);
}
