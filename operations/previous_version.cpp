#include "operations/previous_version.h"

#include <windows.h>

#include <string>

#include "app/error.h"
#include "app/handles.h"
#include "app/messages.h"
#include "app/own_files.h"
#include "app/paths.h"
#include "app/sha256.h"
#include "operations/running_tool.h"
#include "operations/tool_request_check.h"

namespace {

void Hide(const std::wstring& path) { SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN); }

// To a name that no file holds: nothing is ever replaced by it.
bool Rename(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

// Makes room for a new previous version. One that cannot be deleted because
// something runs it goes aside like a running tool.
bool DiscardPrevious(const ToolFiles& files) {
    if (DeleteOwnFile(files.previous)) return true;
    const std::wstring aside = FreeFileName(files.appsFolder, AsideFileName(files.id));
    if (!Rename(files.previous, aside)) return false;
    Hide(aside);
    return true;
}

// The running file stays where it was moved; the previous version is a copy
// of it, so that the aside file can go once the tool has ended.
void KeepCopyAsPrevious(const std::wstring& aside, const ToolFiles& files) {
    if (!DiscardPrevious(files)) return;
    if (CopyOverOwnFileWhole(aside, files.previous)) Hide(files.previous);
}

// The installed file becomes the previous version while keeping its own name
// until the new file takes it: a second name of the same file where the
// volume allows it, otherwise a whole copy.
bool KeepInstalledAsPrevious(const ToolFiles& files) {
    if (!DiscardPrevious(files)) return false;
    if (CreateHardLinkW(files.previous.c_str(), files.installed.c_str(), nullptr)) return true;
    return CopyOverOwnFileWhole(files.installed, files.previous);
}

void WriteRollbackMark(const ToolFiles& files, const std::wstring& sha256) {
    if (!IsSha256Text(sha256)) {
        ForgetRollback(files);
        return;
    }
    const std::string digits(sha256.begin(), sha256.end());
    if (!WriteOwnFileWhole(files.rollbackMark, digits, FILE_ATTRIBUTE_HIDDEN)) ForgetRollback(files);
}

}  // namespace

bool ReplaceKeepingPrevious(const ToolFiles& files, const std::wstring& name, const MoveIntoPlace& moveIn) {
    if (!FileExists(files.installed)) {
        moveIn(files.installed);
        return false;
    }
    // A read-only or system file cannot be renamed over or written.
    ClearRestrictiveAttributes(files.installed);
    if (!IsFileInUse(files.installed)) {
        // The new file replaces the installed one by one rename: whenever the
        // program stops, <id>.exe is the old tool or the new one.
        if (!KeepInstalledAsPrevious(files)) Fail(msg::kCopyToAppsFailed);
        try {
            moveIn(files.installed);
        } catch (...) {
            // Still the installed file: no version to go back to.
            DeleteOwnFile(files.previous);
            throw;
        }
        Hide(files.previous);
        return false;
    }

    const std::wstring aside = MoveInstalledAside(files);
    if (aside.empty()) FailToolRunning(name, msg::kCloseThenRetry);
    try {
        moveIn(files.installed);
    } catch (...) {
        ClearRestrictiveAttributes(aside);
        Rename(aside, files.installed);
        throw;
    }
    KeepCopyAsPrevious(aside, files);
    return true;
}

void RollBackTool(const ToolRequest& request) {
    CheckToolFileName(request);
    const ToolFiles files = ToolFilesIn(GetAppsFolder(), request.name);
    if (!FileExists(files.previous)) Fail(msg::kNoPreviousVersion);

    // The kept file leaves its name first, so that the installed one can take
    // it. Under an aside name it is cleaned up should the program stop halfway.
    const std::wstring side = FreeFileName(files.appsFolder, AsideFileName(files.id));
    ClearRestrictiveAttributes(files.previous);
    if (!Rename(files.previous, side)) {
        Hide(files.previous);
        Fail(msg::kRollbackFailed);
    }
    try {
        ReplaceKeepingPrevious(files, request.name, [&side](const std::wstring& target) {
            if (!MoveOverOwnFile(side, target)) Fail(msg::kRollbackFailed);
        });
    } catch (...) {
        if (FileExists(side) && !FileExists(files.previous) && Rename(side, files.previous)) Hide(files.previous);
        throw;
    }
    WriteRollbackMark(files, request.sha256);
}

void ForgetRollback(const ToolFiles& files) { DeleteOwnFile(files.rollbackMark); }

void RemovePreviousVersion(const ToolFiles& files) {
    DeleteOwnFile(files.previous);
    ForgetRollback(files);
}
