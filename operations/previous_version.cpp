#include "operations/previous_version.h"

#include <windows.h>

#include <string>

#include "base/error.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/own_files.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "operations/running_tool.h"
#include "operations/tool_request_check.h"

namespace {

void Hide(const std::wstring& path) { SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN); }

// To a name that no file holds: nothing is ever replaced by it.
bool Rename(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

// Makes room for a new previous version. One that cannot be deleted because
// something runs it goes aside like a running tool. Its digest goes with it.
bool DiscardPrevious(const ToolFiles& files) {
    DeleteOwnFile(files.previousDigest);
    if (DeleteOwnFile(files.previous)) return true;
    const std::wstring aside = FreeFileName(files.appsFolder, AsideFileName(files.id));
    if (!Rename(files.previous, aside)) return false;
    Hide(aside);
    return true;
}

// The running file stays where it was moved; the previous version is a copy
// of it, so that the aside file can go once the tool has ended.
bool KeepCopyAsPrevious(const std::wstring& aside, const ToolFiles& files) {
    if (!DiscardPrevious(files)) return false;
    if (!CopyOverOwnFileWhole(aside, files.previous)) return false;
    Hide(files.previous);
    return true;
}

// The installed file becomes the previous version while keeping its own name
// until the new file takes it: a second name of the same file where the
// volume allows it, otherwise a whole copy.
bool KeepInstalledAsPrevious(const ToolFiles& files) {
    if (!DiscardPrevious(files)) return false;
    if (CreateHardLinkW(files.previous.c_str(), files.installed.c_str(), nullptr)) return true;
    return CopyOverOwnFileWhole(files.installed, files.previous);
}

// The previous version failed its check: it is neither put back nor kept.
[[noreturn]] void RefusePrevious(const ToolFiles& files, const std::wstring& side, const char* message) {
    if (!DeleteOwnFile(side)) Hide(side);
    DeleteOwnFile(files.previousDigest);
    Fail(message);
}

}  // namespace

bool ReplaceKeepingPrevious(const ToolFiles& files, const std::wstring& name, const MoveIntoPlace& moveIn,
                            const std::wstring& replacedDigest, const std::vector<std::wstring>& withdrawn) {
    if (!FileExists(files.installed)) {
        moveIn(files.installed);
        return false;
    }
    // Only a file whose digest is known, and not withdrawn, may come back.
    const bool keep = IsSha256Text(replacedDigest) && !IsWithdrawnDigest(withdrawn, replacedDigest);
    // A read-only or system file cannot be renamed over or written.
    ClearRestrictiveAttributes(files.installed);
    if (!IsFileInUse(files.installed)) {
        // The new file replaces the installed one by one rename: whenever the
        // program stops, <id>.exe is the old tool or the new one.
        if (!keep) {
            moveIn(files.installed);
            return false;
        }
        if (!KeepInstalledAsPrevious(files)) Fail(msg::kCopyToAppsFailed);
        try {
            moveIn(files.installed);
        } catch (...) {
            // Still the installed file: no version to go back to.
            DeleteOwnFile(files.previous);
            throw;
        }
        Hide(files.previous);
        WriteDigestFile(files.previousDigest, replacedDigest);
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
    if (keep && KeepCopyAsPrevious(aside, files)) WriteDigestFile(files.previousDigest, replacedDigest);
    return true;
}

void RollBackTool(const ToolRequest& request) {
    CheckToolFileName(request);
    const ToolFiles files = ToolFilesIn(GetAppsFolder(), request.name);
    if (!FileExists(files.previous)) Fail(msg::kNoPreviousVersion);
    const std::wstring recorded = ReadDigestFile(files.previousDigest);

    // The kept file leaves its name first, so that the installed one can take
    // it. Under an aside name it is cleaned up should the program stop halfway.
    const std::wstring side = FreeFileName(files.appsFolder, AsideFileName(files.id));
    ClearRestrictiveAttributes(files.previous);
    if (!Rename(files.previous, side)) {
        Hide(files.previous);
        Fail(msg::kRollbackFailed);
    }
    auto putBack = [&](const std::wstring& digest) {
        if (FileExists(side) && !FileExists(files.previous) && Rename(side, files.previous)) {
            Hide(files.previous);
            WriteDigestFile(files.previousDigest, digest);
        }
    };
    // Checked under the side name, the bytes that are put back: it was
    // verified when it was installed, and must not have changed since.
    std::wstring digest;
    try {
        digest = ComputeFileSha256(side);
    } catch (...) {
        putBack(recorded);
        throw;
    }
    if (recorded.empty() || !Sha256Matches(digest, recorded)) RefusePrevious(files, side, msg::kPreviousVersionChanged);
    if (IsWithdrawnDigest(request.withdrawn, digest)) RefusePrevious(files, side, msg::kPreviousVersionWithdrawn);

    // The installed file becomes the previous version under the same rules;
    // one that cannot be hashed is not kept.
    std::wstring installedDigest;
    try {
        if (FileExists(files.installed)) installedDigest = ComputeFileSha256(files.installed);
    } catch (const AppError&) {
    }
    try {
        ReplaceKeepingPrevious(
            files, request.name,
            [&side](const std::wstring& target) {
                if (!MoveOverOwnFile(side, target)) Fail(msg::kRollbackFailed);
            },
            installedDigest, request.withdrawn);
    } catch (...) {
        putBack(digest);
        throw;
    }
    WriteDigestFile(files.rollbackMark, request.sha256);
}

void ForgetRollback(const ToolFiles& files) { DeleteOwnFile(files.rollbackMark); }

void RemovePreviousVersion(const ToolFiles& files) {
    DeleteOwnFile(files.previous);
    DeleteOwnFile(files.previousDigest);
    ForgetRollback(files);
}
