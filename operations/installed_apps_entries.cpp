#include "operations/installed_apps_entries.h"

#include <windows.h>

#include <exception>
#include <optional>
#include <vector>

#include "base/handles.h"
#include "base/paths.h"
#include "catalog/catalog_model.h"

namespace {

constexpr wchar_t kToolEntryPrefix[] = L"Orkvane.";

// The entry of the tool's file as it is now; `versions` are chosen by the caller.
UninstallEntryValues ToolValues(const ToolRequest& request, const EntryVersions& versions) {
    const std::wstring apps = GetAppsFolder();
    const std::wstring exe = JoinPath(apps, request.exeName);
    UninstallEntryValues v;
    v.displayName = EntryText(request.name);
    v.versions = versions;
    v.displayIcon = exe + L",0";
    v.installLocation = apps;
    const std::wstring uninstall = std::wstring(kUninstallSwitch) + L" " + request.name;
    v.uninstallString = InstalledProgramCommand(uninstall + L" " + kConfirmSwitch);
    v.quietUninstallString = InstalledProgramCommand(uninstall);
    v.parentDisplayName = kOwnAppId;
    v.estimatedSizeKiB = FileSizeKiB(exe);
    return v;
}

// The id becomes part of a key name and of a command line: only a catalogue
// id (letters, digits, '-' and '_') may, and the file name must be its own.
bool IsToolEntryRequest(const ToolRequest& request) {
    return IsValidAppId(request.name) && request.exeName == request.name + L".exe";
}

std::optional<std::wstring> VersionText(const std::wstring& version) {
    std::wstring text = EntryText(version);
    if (text.empty()) return std::nullopt;
    return text;
}

}  // namespace

std::wstring ToolEntryName(const std::wstring& id) { return kToolEntryPrefix + id; }

EntryWrite RegisterSelfEntry(const std::wstring& version) {
    std::wstring exe;
    std::wstring folder;
    try {
        exe = GetInstalledExePath();
        folder = GetInstallFolder();
    } catch (const std::exception&) {
        return EntryWrite::Failed;
    }
    return WriteUninstallEntry(kOwnAppId, L"", [&](const EntryVersions&) {
        UninstallEntryValues v;
        v.displayName = kOwnAppId;
        v.versions.display = VersionText(version);
        v.displayIcon = exe + L",0";
        v.installLocation = folder;
        v.uninstallString = InstalledProgramCommand(std::wstring(kRemoveSelfSwitch) + L" " + kConfirmSwitch);
        v.quietUninstallString = InstalledProgramCommand(kRemoveSelfSwitch);
        v.estimatedSizeKiB = FileSizeKiB(exe);
        return v;
    });
}

bool OwnsSelfEntry() {
    try {
        return OwnsUninstallEntry(kOwnAppId, L"");
    } catch (const std::exception&) {
        return false;
    }
}

void ForgetSelfEntryIfRemoved() {
    try {
        if (!FileExists(GetInstalledExePath())) DeleteUninstallEntry(kOwnAppId, L"");
    } catch (const std::exception&) {
        // No known folder: no path to compare the entry with, so it stays.
    }
}

EntryWrite RecordToolInstalled(const ToolRequest& request, bool replacedKept) {
    if (!IsToolEntryRequest(request)) return EntryWrite::Failed;
    try {
        return WriteUninstallEntry(ToolEntryName(request.name), kOwnAppId, [&](const EntryVersions& now) {
            EntryVersions versions{VersionText(request.version), now.previous};
            if (replacedKept) versions.previous = now.display;
            return ToolValues(request, versions);
        });
    } catch (const std::exception&) {
        return EntryWrite::Failed;
    }
}

EntryWrite RecordToolRolledBack(const ToolRequest& request, bool replacedKept) {
    if (!IsToolEntryRequest(request)) return EntryWrite::Failed;
    try {
        return WriteUninstallEntry(ToolEntryName(request.name), kOwnAppId, [&](const EntryVersions& now) {
            // The two files swapped places; a version never recorded stays unknown.
            EntryVersions versions{now.previous, std::nullopt};
            if (replacedKept) versions.previous = now.display;
            return ToolValues(request, versions);
        });
    } catch (const std::exception&) {
        return EntryWrite::Failed;
    }
}

void RemoveToolEntry(const std::wstring& id) {
    if (!IsValidAppId(id)) return;
    try {
        DeleteUninstallEntry(ToolEntryName(id), kOwnAppId);
    } catch (const std::exception&) {
    }
}

void RemoveToolEntries() {
    UniqueRegKey uninstall;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallKeyPath, 0, KEY_ENUMERATE_SUB_KEYS, uninstall.put()) !=
        ERROR_SUCCESS)
        return;
    // Names first: deleting while enumerating would skip some.
    std::vector<std::wstring> ids;
    const size_t prefixLength = std::wstring(kToolEntryPrefix).size();
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {};
        DWORD length = 256;
        const LSTATUS status = RegEnumKeyExW(uninstall.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;
        const std::wstring key(name, length);
        if (key.size() > prefixLength &&
            CompareStringOrdinal(key.c_str(), static_cast<int>(prefixLength), kToolEntryPrefix,
                                 static_cast<int>(prefixLength), TRUE) == CSTR_EQUAL)
            ids.push_back(key.substr(prefixLength));
    }
    for (const std::wstring& id : ids) RemoveToolEntry(id);
}
