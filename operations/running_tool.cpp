#include "operations/running_tool.h"

#include <windows.h>

#include <string>

#include "base/error.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/own_files.h"
#include "base/paths.h"
#include "catalog/utf8.h"

[[noreturn]] void FailToolRunning(const std::wstring& name, const char* ending) {
    const std::string text = msg::kCloseToolPrefix + WideToUtf8(name) + ending;
    throw AppError(text.c_str());
}

std::wstring MoveInstalledAside(const ToolFiles& files) {
    const std::wstring aside = FreeFileName(files.appsFolder, AsideFileName(files.id));
    if (!MoveFileExW(files.installed.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH)) return {};
    SetFileAttributesW(aside.c_str(), FILE_ATTRIBUTE_HIDDEN);
    return aside;
}

size_t RemoveUnusedAsideFiles(const std::wstring& appsFolder, const std::wstring& id) {
    size_t inUse = 0;
    WIN32_FIND_DATAW data{};
    UniqueFind find(FindFirstFileExW(JoinPath(appsFolder, AsideFilePattern(id)).c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, 0));
    if (!find) return 0;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !IsAsideFileName(data.cFileName, id)) continue;
        const std::wstring path = JoinPath(appsFolder, data.cFileName);
        if (!DeleteOwnFile(path)) {
            ++inUse;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
        }
    } while (FindNextFileW(find.get(), &data));
    return inUse;
}

void RefuseUninstallWhileRunning(const ToolFiles& files, const std::wstring& name) {
    const bool running = RemoveUnusedAsideFiles(files.appsFolder, files.id) > 0;
    ClearRestrictiveAttributes(files.installed);
    if (running || IsFileInUse(files.installed) || IsFileInUse(files.previous))
        FailToolRunning(name, msg::kCloseBeforeUninstall);
}
