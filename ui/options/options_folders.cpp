// The Options dialog's two folder buttons: "Parcourir…" for the offline source
// and "Dossier des applications".
#include "ui/options/options_folders.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <utility>

#include "app/policies.h"
#include "app/state.h"
#include "base/error.h"
#include "base/paths.h"
#include "catalog/offline_trust.h"
#include "catalog/utf8.h"
#include "resources/resource.h"
#include "ui/message_box.h"
#include "ui/options/options_dialog.h"
#include "ui/options/options_policies.h"

namespace {

FolderPicker g_folderPicker;

std::wstring AskShellForFolder(HWND owner) {
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.lpszTitle = L"Sélectionnez la clé USB ou le dossier OrkvaneOffline";
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    CoTaskMemPtr<PIDLIST_ABSOLUTE> chosen;
    *chosen.put() = SHBrowseForFolderW(&browse);
    if (chosen.get() == nullptr) return {};
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(chosen.get(), path)) return {};
    return path;
}

}  // namespace

void SetFolderPicker(FolderPicker picker) { g_folderPicker = std::move(picker); }

void BrowseOfflineFolder(HWND dialog) {
    if (g_state.busy || PolicyFixesControl(IDC_OPT_BROWSE)) return;
    std::wstring folder = g_folderPicker ? g_folderPicker(dialog) : AskShellForFolder(dialog);
    if (folder.empty()) return;
    try {
        std::wstring root = ValidateChosenOfflineRoot(folder, g_state.policies.Allows(PolicyId::AllowFixedDiskOffline));
        SetDlgItemTextW(dialog, IDC_OPT_FOLDER, root.c_str());
        // A source the organisation fixed stays as it is.
        if (!g_state.policies.Forces(PolicyId::OfflineMode))
            CheckRadioButton(dialog, IDC_OPT_SOURCE_ONLINE, IDC_OPT_SOURCE_OFFLINE, IDC_OPT_SOURCE_OFFLINE);
    } catch (const AppError& error) {
        ShowMessageBox(dialog, Utf8ToWide(error.what()), MB_ICONERROR);
    }
}

void OpenAppsFolder(HWND dialog) {
    try {
        std::wstring folder = GetAppsFolder();
        CreateFolderPath(folder);
        ShellExecuteW(dialog, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    } catch (const AppError&) {
        // Not being able to show the folder changes nothing else.
    }
}
