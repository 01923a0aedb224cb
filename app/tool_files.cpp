#include "app/tool_files.h"

#include <windows.h>

#include "app/handles.h"
#include "app/paths.h"
#include "app/sha256.h"
#include "app/text_fold.h"

namespace {

constexpr wchar_t kPreviousSuffix[] = L".precedent.exe";
constexpr wchar_t kRollbackMarkSuffix[] = L".retour.txt";
constexpr wchar_t kAsideInfix[] = L".ancien";
constexpr wchar_t kExeExtension[] = L".exe";
constexpr DWORD kShaDigits = 64;

// Whether `part` stands in `text` at `start`, A-Z folded.
bool FoldedAt(std::wstring_view text, size_t start, std::wstring_view part) {
    return start + part.size() <= text.size() && FoldedEquals(text.substr(start, part.size()), part);
}

}  // namespace

ToolFiles ToolFilesIn(const std::wstring& appsFolder, const std::wstring& id) {
    ToolFiles files;
    files.appsFolder = appsFolder;
    files.id = id;
    files.installed = JoinPath(appsFolder, id + kExeExtension);
    files.previous = JoinPath(appsFolder, id + kPreviousSuffix);
    files.rollbackMark = JoinPath(appsFolder, id + kRollbackMarkSuffix);
    return files;
}

std::wstring AsideFileName(const std::wstring& id) { return id + kAsideInfix + kExeExtension; }

std::wstring AsideFilePattern(const std::wstring& id) {
    return (id.empty() ? std::wstring(L"*") : id) + kAsideInfix + L"*" + kExeExtension;
}

std::wstring RollbackMarkPattern() { return std::wstring(L"*") + kRollbackMarkSuffix; }

bool IsAsideFileName(const std::wstring& fileName, const std::wstring& id) {
    const std::wstring_view infix = kAsideInfix;
    const std::wstring_view extension = kExeExtension;
    // The id runs up to the first dot, which begins the infix.
    const size_t dot = fileName.find(L'.');
    if (dot == std::wstring::npos || dot == 0) return false;
    if (!id.empty() && (dot != id.size() || !FoldedAt(fileName, 0, id))) return false;
    if (!FoldedAt(fileName, dot, infix)) return false;
    return fileName.size() >= dot + infix.size() + extension.size() &&
           FoldedAt(fileName, fileName.size() - extension.size(), extension);
}

bool IsFileInUse(const std::wstring& path) {
    // A running program's file refuses to be opened for writing, even with
    // every sharing allowed, while renaming it still works.
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return false;
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

std::wstring ReadRollbackMark(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    char digits[kShaDigits + 1] = {};
    DWORD read = 0;
    if (!ReadFile(file.get(), digits, sizeof(digits), &read, nullptr) || read != kShaDigits) return {};
    const std::wstring sha(digits, digits + kShaDigits);
    return IsSha256Text(sha) ? sha : std::wstring();
}

KeptVersions ReadKeptVersions(const ToolFiles& files) {
    KeptVersions kept;
    kept.previousKept = FileExists(files.previous) && !IsFileInUse(files.previous);
    kept.rolledBackFrom = ReadRollbackMark(files.rollbackMark);
    return kept;
}
