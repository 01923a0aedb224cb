#include "tests/support/unix_program.h"

#include <windows.h>

#include <atomic>

#include "base/paths.h"
#include "catalog/utf8.h"
#include "tests/support/process_support.h"
#include "tests/support/test_support.h"
#include "tests/support/waiting.h"

std::string UnixPathOf(const std::wstring& path) {
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    auto unixFileName = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixFileName == nullptr) return std::string();
    char* name = unixFileName(path.c_str());
    if (name == nullptr) return std::string();
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

bool StartUnixProgram(const wchar_t* program, const std::string& commandLine) {
    return static_cast<bool>(StartProcess(program, Utf8ToWide(commandLine)));
}

bool RunShellCommand(const std::string& command) {
    // The command leaves its exit status in a mark once done, the only sign
    // Wine lets us wait for; the mark appears whole, by a rename.
    static std::atomic<unsigned> counter{0};
    const std::wstring mark = JoinPath(GetTempFolder(), L"orkvane-shell-" + std::to_wstring(GetCurrentProcessId()) +
                                                            L"-" + std::to_wstring(counter.fetch_add(1)) + L".done");
    DeleteFileW(mark.c_str());
    const std::string unixMark = UnixPathOf(mark);
    if (unixMark.empty()) return false;
    const std::string line = "/bin/sh -c \"(" + command + "); echo $? > '" + unixMark + ".part' && mv '" + unixMark +
                             ".part' '" + unixMark + "'\"";
    if (!StartUnixProgram(L"Z:\\bin\\sh", line)) return false;
    if (!WaitFor([&] { return GetFileAttributesW(mark.c_str()) != INVALID_FILE_ATTRIBUTES; })) return false;
    std::string status;
    try {
        status = ReadFileBytes(mark);
    } catch (const std::exception&) {
    }
    DeleteFileW(mark.c_str());
    return status == "0\n";
}
