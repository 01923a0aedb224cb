#include "catalog/offline_trust.h"

#include <windows.h>

#include "app/error.h"
#include "app/file_security.h"
#include "app/messages.h"
#include "app/paths.h"
#include "catalog/offline_source.h"

namespace {

constexpr wchar_t kCatalogFileName[] = L"catalog.json";
constexpr wchar_t kToolsFolderName[] = L"outils";

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

}  // namespace

bool IsOnRemovableDrive(const std::wstring& fullPath) {
    if (fullPath.size() < 2 || fullPath[1] != L':') return false;
    return GetDriveTypeW((fullPath.substr(0, 2) + L"\\").c_str()) == DRIVE_REMOVABLE;
}

bool OfflineRootOpenToOthers(const std::wstring& root) {
    return OthersCanWrite(root) || OthersCanWrite(JoinPath(root, kCatalogFileName));
}

bool MayUseDetectedOfflineRoot(const std::wstring& root, const std::wstring& exePath, bool fixedDiskAllowed) {
    if (IsOnRemovableDrive(root)) return true;
    if (!fixedDiskAllowed) return false;
    const std::wstring exeFolder = ParentFolder(exePath);
    bool inside = SameText(exeFolder, root) || SameText(exeFolder, JoinPath(root, kToolsFolderName));
    return inside && !OfflineRootOpenToOthers(root);
}

std::wstring ValidateChosenOfflineRoot(const std::wstring& path, bool fixedDiskAllowed) {
    std::wstring root = ValidateOfflineRoot(path);
    if (IsOnRemovableDrive(root)) return root;
    if (!fixedDiskAllowed) Fail(msg::kOfflineFixedDiskRefused);
    if (OfflineRootOpenToOthers(root)) Fail(msg::kOfflineWritableByOthers);
    return root;
}
