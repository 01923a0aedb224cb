#include "operations/shell_ops.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "base/error.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/own_files.h"
#include "base/paths.h"
#include "base/tool_files.h"
#include "operations/previous_version.h"
#include "operations/running_tool.h"
#include "operations/tool_request_check.h"

namespace {

std::wstring ShortcutFolder(bool toDesktop) {
    if (toDesktop) return GetKnownFolder(FOLDERID_Desktop);
    return JoinPath(GetKnownFolder(FOLDERID_Programs), kStartMenuFolderName);
}

constexpr int kLinkPathUnits = 32768;

// Where an existing shortcut leads, read through the shell link object; empty
// when the file is no shortcut the shell can read.
std::wstring ShortcutTarget(const std::wstring& path) {
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid())))
        return {};
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.putVoid())) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return {};
    std::vector<wchar_t> buffer(kLinkPathUnits);
    if (link->GetPath(buffer.data(), kLinkPathUnits, nullptr, 0) != S_OK) return {};
    return buffer.data();
}

// A file of the shortcut's name that does not lead to our executable is the
// user's own (a "Teams.lnk" of theirs): never ours to replace or delete.
bool IsSomeoneElsesFile(const std::wstring& path, const std::wstring& target) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
    const std::wstring leadsTo = ShortcutTarget(path);
    return leadsTo.empty() || !SamePath(leadsTo, target);
}

}  // namespace

// The installed executable of a tool, once its name is known to be harmless.
std::wstring InstalledToolPath(const ToolRequest& request) {
    CheckToolFileName(request);
    return JoinPath(GetAppsFolder(), request.exeName);
}

std::wstring ShortcutPath(const std::wstring& name, bool toDesktop) {
    return JoinPath(ShortcutFolder(toDesktop), name + L".lnk");
}

void LaunchFile(const std::wstring& path) {
    std::wstring folder = ParentFolder(path);
    HINSTANCE result = ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, folder.empty() ? nullptr : folder.c_str(),
                                     SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) <= 32) Fail(msg::kLaunchFailed);
}

void LaunchTool(const ToolRequest& request) {
    std::wstring target = InstalledToolPath(request);
    if (!FileExists(target)) Fail(msg::kAppNotInstalled);
    LaunchFile(target);
}

void UninstallTool(const ToolRequest& request) {
    std::wstring target = InstalledToolPath(request);
    const ToolFiles files = ToolFilesIn(GetAppsFolder(), request.name);
    // Nothing goes while the tool runs, not even its shortcuts.
    RefuseUninstallWhileRunning(files, request.name);
    // The tool goes last: stopped halfway, the uninstall leaves it whole.
    RemovePreviousVersion(files);
    if (!DeleteOwnFile(target)) {
        if (IsFileInUse(target)) FailToolRunning(request.name, msg::kCloseBeforeUninstall);
        Fail(msg::kUninstallFailed);
    }
    RemoveShortcut(request.name, target, true);
    RemoveShortcut(request.name, target, false);
}

void CreateShortcut(const std::wstring& name, const std::wstring& target, const std::wstring& description,
                    bool toDesktop) {
    std::wstring folder = ShortcutFolder(toDesktop);
    CreateFolderPath(folder);
    std::wstring path = JoinPath(folder, name + L".lnk");
    if (IsSomeoneElsesFile(path, target)) return;

    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid()))) {
        Fail(msg::kShortcutCreateFailed);
    }
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(ParentFolder(target).c_str());
    link->SetDescription(description.c_str());
    link->SetIconLocation(target.c_str(), 0);

    ComPtr<IPersistFile> file;
    bool saved = SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.putVoid())) &&
                 SUCCEEDED(file->Save(path.c_str(), TRUE));
    if (!saved) Fail(msg::kShortcutSaveFailed);
}

void RemoveShortcut(const std::wstring& name, const std::wstring& target, bool toDesktop) {
    const std::wstring path = ShortcutPath(name, toDesktop);
    if (!IsSomeoneElsesFile(path, target)) DeleteFileW(path.c_str());
}
