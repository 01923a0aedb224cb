// The program's own install (from a portable copy), update (from the
// catalogue) and removal (of the installed copy).
#include "operations/self_management.h"

#include <memory>
#include <system_error>
#include <thread>

#include "app/constants.h"
#include "app/error.h"
#include "app/messages.h"
#include "app/paths.h"
#include "app/post_result.h"
#include "app/settings.h"
#include "app/state.h"
#include "catalog/utf8.h"
#include "operations/progress_post.h"
#include "operations/shell_ops.h"
#include "operations/tool_install.h"
#include "ui/message_box.h"

namespace {

void ShowSelfError(const AppError& error) {
    HWND owner = IsWindow(g_state.mainWindow) ? g_state.mainWindow : nullptr;
    ShowMessageBox(owner, Utf8ToWide(error.what()), MB_OK | MB_ICONERROR);
}

// What was done before a failure stays done: a copy without shortcuts is
// still a usable installed copy.
void InstallSelf() {
    try {
        CreateFolderPath(GetInstallFolder());
        std::wstring installed = GetInstalledExePath();
        if (!CopyFileW(GetOwnExePath().c_str(), installed.c_str(), FALSE)) Fail(msg::kSelfCopyFailed);
        std::wstring description = Utf8ToWide(msg::kSelfShortcutDescription);
        if (g_state.settings.desktopShortcut) CreateShortcut(kOwnAppId, installed, description, true);
        if (g_state.settings.menuShortcut) CreateShortcut(kOwnAppId, installed, description, false);
        // The message loop ends with the window; the installed copy takes over.
        DestroyWindow(g_state.mainWindow);
        LaunchFile(installed);
    } catch (const AppError& error) {
        ShowSelfError(error);
    }
}

void RemoveSelf() {
    if (ShowMessageBox(g_state.mainWindow, Utf8ToWide(msg::kSelfUninstallQuestion), MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    SetAutostart(false);
    try {
        // The files go once this process has ended; the script waits for it.
        RunDeferredCommand(BuildRemovalScript(GetCurrentProcessId()));
        DestroyWindow(g_state.mainWindow);
    } catch (const AppError& error) {
        ShowSelfError(error);
    }
}

}  // namespace

void InstallOrRemoveSelf() {
    if (g_state.busy) return;
    bool installed = false;
    try {
        installed = IsInstalledCopy();
    } catch (const AppError& error) {
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
    auto result = std::make_unique<OperationResult>();
    try {
        FetchOptions options;
        if (progressSerial != 0) options.progress = MakeProgressPoster(window, progressSerial);
        std::wstring newExe = FetchToolExecutable(request, GetTempFolder(), options);
        std::wstring installed = GetInstalledExePath();
        // Asked now, while the worker runs: the file that runs decides how it
        // can be replaced.
        if (IsInstalledCopy()) {
            try {
                RunDeferredCommand(BuildReplacementScript(GetCurrentProcessId(), newExe, installed));
            } catch (const AppError&) {
                // No one else would ever remove the downloaded copy.
                DeleteFileW(newExe.c_str());
                throw;
            }
        } else {
            bool copied = CopyFileW(newExe.c_str(), installed.c_str(), FALSE) != 0;
            DeleteFileW(newExe.c_str());
            if (!copied) Fail(msg::kSelfReplaceFailed);
            LaunchFile(installed);
        }
        result->closeMain = true;
        result->ok = true;
        result->message = Utf8ToWide(msg::kSelfUpdated);
    } catch (const AppError& error) {
        result->ok = false;
        result->closeMain = false;
        result->error = Utf8ToWide(error.what());
    }
    PostResultOrDelete(window, WM_APP_OPERATION_DONE, std::move(result));
}
