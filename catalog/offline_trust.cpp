#include "catalog/offline_trust.h"

#include <windows.h>

#include "base/error.h"
#include "base/file_security.h"
#include "base/messages.h"
#include "base/paths.h"
#include "catalog/offline_source.h"

namespace {

constexpr wchar_t kCatalogFileName[] = L"catalog.json";
constexpr wchar_t kToolsFolderName[] = L"outils";

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

bool IsDriveRoot(const std::wstring& folder) { return folder.size() <= 3 && folder.size() >= 2 && folder[1] == L':'; }

// The detection candidates beside the running executable: its folder, that
// folder's parent, and the drive root's OrkvaneOffline. Any local user may
// create folders at the root of a fixed disk, so there the root is never a
// candidate: a fixed disk counts only when the program sits in the offline
// folder, or when the user chooses it in the options.
std::vector<std::wstring> OfflineRootCandidates(const std::wstring& exePath) {
    std::wstring folder = ParentFolder(exePath);
    std::vector<std::wstring> candidates{folder, ParentFolder(folder)};
    const std::wstring driveRoot = folder.substr(0, 2) + L"\\";
    if (GetDriveTypeW(driveRoot.c_str()) == DRIVE_REMOVABLE) {
        candidates.push_back(JoinPath(driveRoot, kOfflineFolderName));
    } else {
        std::erase_if(candidates, IsDriveRoot);
    }
    return candidates;
}

}  // namespace

bool OfflineRootOpenToOthers(const std::wstring& root) {
    return OthersCanWrite(root) || OthersCanWrite(JoinPath(root, kCatalogFileName));
}

bool MayUseDetectedOfflineRoot(const std::wstring& root, bool removable, const std::wstring& exePath,
                               bool fixedDiskAllowed) {
    if (removable) return true;
    if (!fixedDiskAllowed) return false;
    const std::wstring exeFolder = ParentFolder(exePath);
    bool inside = SameText(exeFolder, root) || SameText(exeFolder, JoinPath(root, kToolsFolderName));
    return inside && !OfflineRootOpenToOthers(root);
}

std::wstring ValidateChosenOfflineRoot(const std::wstring& path, bool fixedDiskAllowed) {
    bool removable = false;
    std::wstring root = ValidateOfflineRoot(path, removable);
    if (removable) return root;
    if (!fixedDiskAllowed) Fail(msg::kOfflineFixedDiskRefused);
    if (OfflineRootOpenToOthers(root)) Fail(msg::kOfflineWritableByOthers);
    return root;
}

std::wstring DetectOfflineRoot(const std::wstring& exePath, bool fixedDiskAllowed, const std::wstring& forcedRoot) {
    for (const std::wstring& candidate : OfflineRootCandidates(exePath)) {
        try {
            bool removable = false;
            std::wstring root = ValidateOfflineRoot(candidate, removable);
            // On a fixed disk a folder beside the program may belong to another user.
            if (!MayUseDetectedOfflineRoot(root, removable, exePath, fixedDiskAllowed)) continue;
            // The organisation's folder is the only one that may be found.
            if (!forcedRoot.empty() && !SamePath(root, ValidateOfflineRoot(forcedRoot))) continue;
            return root;
        } catch (const AppError&) {
            // A candidate that does not hold a catalogue is passed over silently.
        }
    }
    return {};
}
