// Whether an offline folder on a drive that is not removable can be trusted:
// on a fixed disk other local users may have made the folder, or may change
// its catalogue, and so choose the programs this one installs.
#pragma once

#include <string>

// True when anyone but the user, SYSTEM or the Administrators can write the
// folder or its catalog.json.
bool OfflineRootOpenToOthers(const std::wstring& root);
// `fixedDiskAllowed` false: the organisation accepts offline folders on
// removable drives only (policy "AllowFixedDiskOffline").

// A folder found by itself beside the program, as ValidateOfflineRoot returned
// it with whether its drive is removable: there it counts; elsewhere only
// when fixed disks are allowed, the program lies in it (or in its outils
// folder) and nobody else can write it.
bool MayUseDetectedOfflineRoot(const std::wstring& root, bool removable, const std::wstring& exePath,
                               bool fixedDiskAllowed);
// ValidateOfflineRoot for a folder the user chooses, or the organisation
// imposes; on a drive that is not removable, a folder others can write is
// refused as well, and any folder when fixed disks are not allowed.
std::wstring ValidateChosenOfflineRoot(const std::wstring& path, bool fixedDiskAllowed);
// Looks for an offline folder beside the program at `exePath`: its folder,
// that folder's parent and, on a removable drive, the drive's OrkvaneOffline.
// The first that MayUseDetectedOfflineRoot accepts (and that is `forcedRoot`,
// when the organisation imposes one), as ValidateOfflineRoot returns it;
// empty when there is none.
std::wstring DetectOfflineRoot(const std::wstring& exePath, bool fixedDiskAllowed, const std::wstring& forcedRoot);
