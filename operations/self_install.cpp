#include "operations/self_install.h"

#include "base/constants.h"
#include "base/error.h"
#include "base/messages.h"
#include "base/own_files.h"
#include "base/paths.h"
#include "catalog/utf8.h"
#include "operations/installed_apps_entries.h"
#include "operations/shell_ops.h"

std::wstring InstallSelfFiles(bool desktopShortcut, bool menuShortcut) {
    CreateFolderPath(GetInstallFolder());
    std::wstring installed = GetInstalledExePath();
    // The installed copy repairing itself keeps its file.
    // A read-only copy on a key would otherwise make every later update or
    // removal of the installed copy fail.
    if (!IsInstalledCopy() && !CopyOverOwnFile(GetOwnExePath(), installed)) Fail(msg::kSelfCopyFailed);
    RegisterSelfEntry();
    std::wstring description = Utf8ToWide(msg::kSelfShortcutDescription);
    if (desktopShortcut) CreateShortcut(kOwnAppId, installed, description, true);
    if (menuShortcut) CreateShortcut(kOwnAppId, installed, description, false);
    return installed;
}
