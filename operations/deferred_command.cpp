// The hidden PowerShell process that finishes the program's own replacement or
// removal once the running process has ended: the scripts it is given and the
// way it is started.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "base/constants.h"
#include "base/error.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/paths.h"
#include "operations/deferred_command.h"
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

namespace {

// PowerShell reads the typographic single quotes as it reads the ASCII one:
// each of them ends a quoted string unless doubled.
bool IsPowerShellSingleQuote(wchar_t c) {
    return c == L'\'' || c == L'\u2018' || c == L'\u2019' || c == L'\u201A' || c == L'\u201B';
}

}  // namespace

std::wstring QuoteForPowerShell(const std::wstring& text) {
    std::wstring quoted = L"'";
    for (wchar_t c : text) {
        if (IsPowerShellSingleQuote(c)) quoted += c;
        quoted += c;
    }
    return quoted + L"'";
}

std::wstring BuildRemovalScript(unsigned long processId, bool withEntry) {
    const std::wstring installed = QuoteForPowerShell(GetInstalledExePath());
    // An installed file that could not be deleted keeps its entry, from which
    // the removal can be asked for again.
    const std::wstring entry =
        withEntry ? L"; if (-not (Test-Path -LiteralPath " + installed + L")) { Remove-Item -LiteralPath " +
                        QuoteForPowerShell(std::wstring(L"HKCU:\\") + kUninstallKeyPath + L"\\" + kOwnAppId) +
                        L" -Recurse -Force }"
                  : std::wstring();
    std::wstring desktopShortcut = JoinPath(GetKnownFolder(FOLDERID_Desktop), kProgramShortcutFile);
    std::wstring menuShortcut = JoinPath(JoinPath(GetKnownFolder(FOLDERID_Programs), kStartMenuFolderName),
                                         kProgramShortcutFile);
    return kScriptOpening + std::to_wstring(processId) + kAfterWait + L"Remove-Item -LiteralPath " + installed +
           L" -Force; Remove-Item -LiteralPath " + QuoteForPowerShell(desktopShortcut) +
           L" -Force; Remove-Item -LiteralPath " + QuoteForPowerShell(menuShortcut) + L" -Force" + entry;
}

// ReplaceFileW puts the new file in place in one step or not at all (Move-Item
// -Force deletes the old file first, and a failed move then leaves none).
// Only when there is no installed file to replace does the plain move, which
// never overwrites, put it there. Either way the installed copy starts again,
// new or old.
std::wstring BuildReplacementScript(unsigned long processId, const std::wstring& sideExe,
                                    const std::wstring& installedExe) {
    const std::wstring side = QuoteForPowerShell(sideExe);
    const std::wstring installed = QuoteForPowerShell(installedExe);
    return kScriptOpening + std::to_wstring(processId) + kAfterWait + L"try { [System.IO.File]::Replace(" + side +
           L", " + installed + L", $null, $true) } catch { [System.IO.File]::Move(" + side + L", " + installed +
           L") }; Start-Process -FilePath " + installed;
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
    if (!CreateProcessW(application.c_str(), buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &started))
        Fail(msg::kDeferredTaskFailed);
    // Nothing waits for the process: it outlives the program.
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
}
