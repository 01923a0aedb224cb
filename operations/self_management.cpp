// The program's own install (from a portable copy), update (from the
// catalogue) and removal (of the installed copy).
#include "operations/self_management.h"

#include <exception>
#include <memory>
#include <system_error>
#include <thread>

#include "app/constants.h"
#include "app/error.h"
#include "app/messages.h"
#include "app/own_files.h"
#include "app/paths.h"
#include "app/post_result.h"
#include "app/settings.h"
#include "app/state.h"
#include "catalog/utf8.h"
#include "operations/deferred_command.h"
#include "operations/progress_post.h"
#include "operations/shell_ops.h"
#include "operations/tool_install.h"
#include "operations/verified_fetch.h"
#include "ui/message_box.h"

namespace {

// The verified new program waits under this name beside the installed one
// until the installed file can be replaced by a rename.
constexpr wchar_t kUpdateSideName[] = L"Orkvane.exe.nouveau";

void ShowSelfError(const std::exception& error) {
    HWND owner = IsWindow(g_state.mainWindow) ? g_state.mainWindow : nullptr;
    ShowMessageBox(owner, ErrorText(error), MB_OK | MB_ICONERROR);
}

// What was done before a failure stays done: a copy without shortcuts is
// still a usable installed copy.
void InstallSelf() {
    try {
        CreateFolderPath(GetInstallFolder());
        std::wstring installed = GetInstalledExePath();
        // CopyFileW keeps attributes: a read-only copy on a key would make
        // every later update or removal of the installed copy fail.
        ClearRestrictiveAttributes(installed);
        if (!CopyFileW(GetOwnExePath().c_str(), installed.c_str(), FALSE)) Fail(msg::kSelfCopyFailed);
        ClearRestrictiveAttributes(installed);
        std::wstring description = Utf8ToWide(msg::kSelfShortcutDescription);
        if (g_state.settings.desktopShortcut) CreateShortcut(kOwnAppId, installed, description, true);
        if (g_state.settings.menuShortcut) CreateShortcut(kOwnAppId, installed, description, false);
        // The installed copy starts first, so that when it cannot, this window
        // is still there to say so. It takes over as this copy closes (a
        // portable copy holds neither the mutex nor the installed property).
        LaunchFile(installed);
        DestroyWindow(g_state.mainWindow);
    } catch (const std::exception& error) {
        ShowSelfError(error);
    }
}

void RemoveSelf() {
    if (ShowMessageBox(g_state.mainWindow, Utf8ToWide(msg::kSelfUninstallQuestion), MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    // The question left the update popup clickable: an operation started
    // meanwhile must keep its window and its files.
    if (g_state.busy) return;
    try {
        // The files go once this process has ended; the script waits for it.
        RunDeferredCommand(BuildRemovalScript(GetCurrentProcessId()));
    } catch (const std::exception& error) {
        ShowSelfError(error);
        return;
    }
    // Autostart goes only once the removal is sure to follow.
    SetAutostart(false);
    DestroyWindow(g_state.mainWindow);
}

// Fetches and verifies the catalogue's program straight into the install
// folder (held open, read sharing only, while hashed), then names it with the
// side name. Returns that path.
std::wstring FetchBesideInstalled(const ToolRequest& request, const FetchOptions& options) {
    VerifiedFile fetched = FetchVerified(request, GetInstallFolder(), options);
    std::wstring side = SelfUpdateSidePath();
    ClearRestrictiveAttributes(side);
    if (!fetched.MoveOver(side)) Fail(msg::kSelfReplaceFailed);
    return side;
}

}  // namespace

std::wstring SelfUpdateSidePath() { return JoinPath(GetInstallFolder(), kUpdateSideName); }

void RemoveLeftoverSelfUpdate() {
    try {
        std::wstring side = SelfUpdateSidePath();
        ClearRestrictiveAttributes(side);
        DeleteFileW(side.c_str());
    } catch (const std::exception&) {
        // No install folder: nothing was left there.
    }
}

void InstallOrRemoveSelf() {
    if (g_state.busy) return;
    bool installed = false;
    try {
        installed = IsInstalledCopy();
    } catch (const std::exception& error) {
        ShowSelfError(error);
        return;
    }
    if (installed)
        RemoveSelf();
    else
        InstallSelf();
}

void StartToolboxUpdate() {
    if (g_state.busy) return;
    if (g_state.selfIndex < 0 || static_cast<size_t>(g_state.selfIndex) >= g_state.apps.size()) return;
    ToolRequest request = MakeToolRequest(g_state.apps[static_cast<size_t>(g_state.selfIndex)]);
    g_state.busy = true;
    const unsigned serial = ++g_state.operationSerial;
    g_state.operationProgress = OperationProgress{};
    g_state.statusText = Utf8ToWide(msg::kSelfUpdating);
    InvalidateRect(g_state.mainWindow, nullptr, FALSE);
    HWND window = g_state.mainWindow;
    try {
        std::thread([window, request, serial] { RunToolboxUpdate(window, request, serial); }).detach();
    } catch (const std::system_error&) {
        // No worker means no result message would ever clear busy.
        auto result = std::make_unique<OperationResult>();
        result->error = Utf8ToWide(msg::kOperationStartFailed);
        ApplyOperationResult(std::move(result));
    }
}

void RunToolboxUpdate(HWND window, const ToolRequest& request, unsigned progressSerial) {
    FetchOptions options;
    if (progressSerial != 0) options.progress = MakeProgressPoster(window, progressSerial);
    RunToolboxUpdate(window, request, options);
}

void RunToolboxUpdate(HWND window, const ToolRequest& request, const FetchOptions& options) {
    auto result = std::make_unique<OperationResult>();
    try {
        std::wstring installed = GetInstalledExePath();
        std::wstring side = FetchBesideInstalled(request, options);
        // A read-only installed file could not be replaced by the rename.
        ClearRestrictiveAttributes(installed);
        // Asked now, while the worker runs: the file that runs decides how it
        // can be replaced.
        if (IsInstalledCopy()) {
            try {
                RunDeferredCommand(BuildReplacementScript(GetCurrentProcessId(), side, installed));
            } catch (const std::exception&) {
                // No one else would ever remove the side file before the next start.
                DeleteFileW(side.c_str());
                throw;
            }
        } else {
            // Nothing runs the installed file: the rename happens now.
            if (!MoveFileExW(side.c_str(), installed.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                DeleteFileW(side.c_str());
                Fail(msg::kSelfReplaceFailed);
            }
            LaunchFile(installed);
        }
        result->closeMain = true;
        result->ok = true;
        result->message = Utf8ToWide(msg::kSelfUpdated);
    } catch (const std::exception& error) {
        result->ok = false;
        result->closeMain = false;
        result->error = ErrorText(error);
    }
    PostResultOrDelete(window, WM_APP_OPERATION_DONE, std::move(result));
}
