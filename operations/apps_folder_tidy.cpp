#include "operations/apps_folder_tidy.h"

#include <windows.h>

#include <exception>
#include <functional>
#include <map>
#include <string_view>

#include "base/handles.h"
#include "base/own_files.h"
#include "base/paths.h"
#include "base/text_fold.h"
#include "base/tool_files.h"
#include "operations/running_tool.h"

namespace {

bool EndsWith(std::wstring_view name, std::wstring_view ending) {
    return name.size() > ending.size() && FoldedEquals(name.substr(name.size() - ending.size()), ending);
}

// The files (not folders) of `folder` that match `pattern`, by their long names.
void ForEachFile(const std::wstring& folder, const std::wstring& pattern,
                 const std::function<void(const WIN32_FIND_DATAW&)>& visit) {
    WIN32_FIND_DATAW data{};
    UniqueFind find(
        FindFirstFileExW(JoinPath(folder, pattern).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (!find) return;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) visit(data);
    } while (FindNextFileW(find.get(), &data));
}

unsigned long long WriteTime(const WIN32_FIND_DATAW& data) {
    return (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

// An update stopped between moving a running tool aside and putting the new
// file in its place: the tool takes back the copy it had last.
void PutBackToolsMovedAside(const std::wstring& appsFolder) {
    struct Latest {
        std::wstring name;
        unsigned long long time = 0;
    };
    std::map<std::wstring, Latest> byTool;  // by A-Z folded id
    ForEachFile(appsFolder, AsideFilePattern(L""), [&](const WIN32_FIND_DATAW& data) {
        const std::wstring name = data.cFileName;
        if (!IsAsideFileName(name, L"")) return;
        const std::wstring id = name.substr(0, name.find(L'.'));
        Latest& latest = byTool[FoldedCopy(id)];
        if (latest.name.empty() || WriteTime(data) >= latest.time) latest = {name, WriteTime(data)};
    });
    for (const auto& [key, latest] : byTool) {
        const std::wstring id = latest.name.substr(0, latest.name.find(L'.'));
        const ToolFiles files = ToolFilesIn(appsFolder, id);
        if (FileExists(files.installed)) continue;
        const std::wstring aside = JoinPath(appsFolder, latest.name);
        ClearRestrictiveAttributes(aside);
        MoveFileExW(aside.c_str(), files.installed.c_str(), MOVEFILE_WRITE_THROUGH);
    }
}

}  // namespace

void TidyAppsFolder(const std::wstring& appsFolder) {
    // A download, a copy or a small file stopped before its rename.
    ForEachFile(appsFolder, std::wstring(L"*") + kSideFileSuffix, [&](const WIN32_FIND_DATAW& data) {
        if (EndsWith(data.cFileName, kSideFileSuffix)) DeleteOwnFile(JoinPath(appsFolder, data.cFileName));
    });
    // A rollback mark written by an older program, stopped halfway.
    ForEachFile(appsFolder, RollbackMarkPattern(), [&](const WIN32_FIND_DATAW& data) {
        const std::wstring name = data.cFileName;
        const std::wstring path = JoinPath(appsFolder, name);
        const bool isMark = FoldedEquals(ToolFilesIn(appsFolder, name.substr(0, name.find(L'.'))).rollbackMark, path);
        if (isMark && ReadRollbackMark(path).empty()) DeleteOwnFile(path);
    });
    PutBackToolsMovedAside(appsFolder);
    RemoveUnusedAsideFiles(appsFolder, L"");
}

void TidyAppsFolderAtStart() {
    try {
        TidyAppsFolder(GetAppsFolder());
    } catch (const std::exception&) {
        // No Apps folder to be found: nothing to put right either.
    }
}
