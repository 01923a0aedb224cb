// The hidden PowerShell process that finishes the program's own replacement or
// removal once the running process has ended: the scripts it is given and the
// way it is started.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "app/error.h"
#include "app/handles.h"
#include "app/messages.h"
#include "app/paths.h"
#include "operations/self_management.h"
#include "operations/shell_ops.h"

namespace {

constexpr wchar_t kCommandLinePrefix[] =
    L"powershell.exe -NoProfile -ExecutionPolicy Bypass -WindowStyle Hidden -Command \"";
// Every error is silenced; the wait gives the program up to 20 s to exit, then
// half a second more for the file to be released.
constexpr wchar_t kScriptOpening[] = L"$ErrorActionPreference='SilentlyContinue'; try { Wait-Process -Id ";
constexpr wchar_t kAfterWait[] = L" -Timeout 20 } catch {}; Start-Sleep -Milliseconds 500; ";
constexpr wchar_t kProgramShortcutFile[] = L"Orkvane.lnk";

}  // namespace

std::wstring QuoteForPowerShell(const std::wstring& text) {
    std::wstring quoted = text;
    for (size_t at = quoted.find(L'\''); at != std::wstring::npos; at = quoted.find(L'\'', at + 2))
        quoted.insert(at, 1, L'\'');
    return L"'" + quoted + L"'";
}

std::wstring BuildRemovalScript(unsigned long processId) {
    std::wstring desktopShortcut = JoinPath(GetKnownFolder(FOLDERID_Desktop), kProgramShortcutFile);
    std::wstring menuShortcut =
        JoinPath(JoinPath(GetKnownFolder(FOLDERID_Programs), kStartMenuFolderName), kProgramShortcutFile);
    return kScriptOpening + std::to_wstring(processId) + kAfterWait + L"Remove-Item -LiteralPath " +
           QuoteForPowerShell(GetInstalledExePath()) + L" -Force; Remove-Item -LiteralPath " +
           QuoteForPowerShell(desktopShortcut) + L" -Force; Remove-Item -LiteralPath " +
           QuoteForPowerShell(menuShortcut) + L" -Force";
}

std::wstring BuildReplacementScript(unsigned long processId, const std::wstring& newExe,
                                    const std::wstring& installedExe) {
    return kScriptOpening + std::to_wstring(processId) + kAfterWait + L"Copy-Item -LiteralPath " +
           QuoteForPowerShell(newExe) + L" -Destination " + QuoteForPowerShell(installedExe) +
           L" -Force; Remove-Item -LiteralPath " + QuoteForPowerShell(newExe) + L" -Force; Start-Process -FilePath " +
           QuoteForPowerShell(installedExe);
}

std::wstring BuildDeferredCommandLine(const std::wstring& script) { return kCommandLinePrefix + script + L"\""; }

std::wstring PowerShellPath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    UINT length = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length >= buffer.size()) {
        buffer.resize(length);
        length = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    }
    if (length == 0 || length >= buffer.size()) Fail(msg::kDeferredTaskFailed);
    return JoinPath(std::wstring(buffer.data(), length), L"WindowsPowerShell\\v1.0\\powershell.exe");
}

void RunDeferredCommand(const std::wstring& script) {
    std::wstring commandLine = BuildDeferredCommandLine(script);
    // CreateProcessW may write into the command line, so it gets its own copy.
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    // Named by its full path, so that no powershell.exe in the program's folder
    // or the current folder runs instead.
    const std::wstring application = PowerShellPath();
    if (!CreateProcessW(application.c_str(), buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &started))
        Fail(msg::kDeferredTaskFailed);
    // Nothing waits for the process: it outlives the program.
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
}
