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
    if (CopyOverOwnFile(aside, files.previous)) {
        Hide(files.previous);
        return true;
    }
    DeleteOwnFile(files.previous);
    return false;
}

// A file that is not kept leaves through an aside name: deleted once the new
// one is in place, or at the next clean-up of aside copies.
void ReplaceWithoutKeeping(const ToolFiles& files, const MoveIntoPlace& moveIn) {
    const std::wstring aside = FreeFileName(files.appsFolder, AsideFileName(files.id));
    if (!Rename(files.installed, aside)) Fail(msg::kCopyToAppsFailed);
    try {
        moveIn(files.installed);
    } catch (...) {
        Rename(aside, files.installed);
        throw;
    }
    if (!DeleteOwnFile(aside)) Hide(aside);
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
        if (!keep) {
            ReplaceWithoutKeeping(files, moveIn);
            return false;
        }
        if (!DiscardPrevious(files) || !Rename(files.installed, files.previous)) Fail(msg::kCopyToAppsFailed);
        try {
            moveIn(files.installed);
        } catch (...) {
            Rename(files.previous, files.installed);
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
                if (!Rename(side, target)) Fail(msg::kRollbackFailed);
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
