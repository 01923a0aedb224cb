// The program's own update, as its worker does it: fetched beside the
// installed file, then put in its place.
#include "operations/self_management.h"

#include <exception>
#include <memory>

#include "base/constants.h"
#include "base/error.h"
#include "base/messages.h"
#include "base/operation_lock.h"
#include "base/own_files.h"
#include "base/paths.h"
#include "base/post_result.h"
#include "catalog/error_text.h"
#include "catalog/utf8.h"
#include "operations/deferred_command.h"
#include "operations/installed_apps_entries.h"
#include "operations/progress_post.h"
#include "operations/shell_ops.h"
#include "operations/tool_install.h"
#include "operations/verified_fetch.h"

namespace {

// The verified new program waits under this name beside the installed one
// until the installed file can be replaced by a rename.
constexpr wchar_t kUpdateSideName[] = L"Orkvane.exe.nouveau";

// Fetches and verifies the catalogue's program straight into the install
// folder (held open, read sharing only, while hashed), then names it with the
// side name. Returns that path.
std::wstring FetchBesideInstalled(const ToolRequest& request, const FetchOptions& options) {
    VerifiedFile fetched = FetchVerified(request, GetInstallFolder(), options);
    options.cancel.ThrowIfRequested();
    std::wstring side = SelfUpdateSidePath();
    if (!fetched.MoveOver(side)) Fail(msg::kSelfReplaceFailed);
    return side;
}

}  // namespace

std::wstring SelfUpdateSidePath() { return JoinPath(GetInstallFolder(), kUpdateSideName); }

void RemoveLeftoverSelfUpdate() {
    try {
        DeleteOwnFile(SelfUpdateSidePath());
    } catch (const std::exception&) {
        // No install folder: nothing was left there.
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
        RequiredOperationLock lock(0);
        std::wstring installed = GetInstalledExePath();
        std::wstring side = FetchBesideInstalled(request, options);
        // Asked now, while the worker runs: the file that runs decides how it
        // can be replaced.
        if (IsInstalledCopy()) {
            // A read-only installed file could not be replaced by the script's rename.
            ClearRestrictiveAttributes(installed);
            try {
                RunDeferredCommand(BuildReplacementScript(GetCurrentProcessId(), side, installed));
            } catch (const std::exception&) {
                // No one else would ever remove the side file before the next start.
                DeleteFileW(side.c_str());
                throw;
            }
        } else {
            // Nothing runs the installed file: the rename happens now.
            if (!MoveOverOwnFile(side, installed)) {
                DeleteFileW(side.c_str());
                Fail(msg::kSelfReplaceFailed);
            }
            // The catalogue's program, just verified, is the installed one now.
            RegisterSelfEntry(request.version);
            LaunchFile(installed);
        }
        result->closeMain = true;
        result->ok = true;
        result->message = Utf8ToWide(msg::kSelfUpdated);
    } catch (const std::exception& error) {
        result->ok = false;
        result->closeMain = false;
        result->error = ErrorText(error);
        if (IsCancellation(error)) MarkCancelled(*result, request.name);
    }
    DeliverJobResult(window, WM_APP_OPERATION_DONE, std::move(result));
}
