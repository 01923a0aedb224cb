#include "app/tool_files.h"

#include <windows.h>

#include "app/handles.h"
#include "app/paths.h"

namespace {

constexpr wchar_t kPreviousSuffix[] = L".precedent.exe";
constexpr wchar_t kRollbackMarkSuffix[] = L".retour.txt";
constexpr wchar_t kAsideInfix[] = L".ancien";
constexpr wchar_t kExeExtension[] = L".exe";
constexpr DWORD kShaDigits = 64;

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

bool EqualsIgnoringAsciiCase(const std::wstring& text, size_t start, const std::wstring& part) {
    if (start + part.size() > text.size()) return false;
    for (size_t i = 0; i < part.size(); ++i) {
        wchar_t a = text[start + i];
        wchar_t b = part[i];
        if (a >= L'A' && a <= L'Z') a = static_cast<wchar_t>(a - L'A' + L'a');
        if (b >= L'A' && b <= L'Z') b = static_cast<wchar_t>(b - L'A' + L'a');
        if (a != b) return false;
    }
    return true;
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

bool IsAsideFileName(const std::wstring& fileName, const std::wstring& id) {
    const std::wstring infix = kAsideInfix;
    const std::wstring extension = kExeExtension;
    // The id runs up to the first dot, which begins the infix.
    const size_t dot = fileName.find(L'.');
    if (dot == std::wstring::npos || dot == 0) return false;
    if (!id.empty() && (dot != id.size() || !EqualsIgnoringAsciiCase(fileName, 0, id))) return false;
    if (!EqualsIgnoringAsciiCase(fileName, dot, infix)) return false;
    return fileName.size() >= dot + infix.size() + extension.size() &&
           EqualsIgnoringAsciiCase(fileName, fileName.size() - extension.size(), extension);
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
    std::wstring sha;
    for (DWORD i = 0; i < kShaDigits; ++i) {
        if (!IsHexDigit(digits[i])) return {};
        sha.push_back(static_cast<wchar_t>(digits[i]));
    }
    return sha;
}

KeptVersions ReadKeptVersions(const ToolFiles& files) {
    KeptVersions kept;
    kept.previousKept = FileExists(files.previous) && !IsFileInUse(files.previous);
    kept.rolledBackFrom = ReadRollbackMark(files.rollbackMark);
    return kept;
}
