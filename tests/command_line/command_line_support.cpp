#include "tests/command_line/command_line_support.h"

#include <windows.h>

#include <exception>

#include "app/policies.h"
#include "app/settings.h"
#include "base/handles.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "catalog/utf8.h"
#include "operations/shell_ops.h"
#include "tests/support/process_support.h"
#include "tests/support/run_value.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "tests/support/waiting.h"

namespace {

struct VisibleSearch {
    DWORD processId;
    bool found;
};

BOOL CALLBACK MatchVisibleWindow(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<VisibleSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    search->found = true;
    return FALSE;
}

bool ShowsAWindow(DWORD processId) {
    VisibleSearch search{processId, false};
    EnumWindows(MatchVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

std::string CatalogOf(const std::vector<TestTool>& tools, const std::string& endpoint) {
    std::string apps;
    for (const TestTool& tool : tools) {
        if (!apps.empty()) apps += ",";
        apps += R"({"id":")" + tool.id + R"(","version":"1.0","category":"Outils","description":"Outil )" + tool.id +
                R"(","sha256":")" + tool.catalogSha + R"(")" +
                (tool.rollout != 0 ? R"(,"rollout":)" + std::to_string(tool.rollout) : std::string()) + "}";
    }
    return R"({"downloadEndpoint":")" + endpoint + R"(","iconBaseUrl":"","apps":[)" + apps + "]}";
}

}  // namespace

std::wstring BuiltExe() { return WindowsPathFromLinux(ORKVANE_EXE_PATH); }

CommandRun RunCommand(const std::wstring& exe, const std::wstring& arguments) {
    ScratchFolder scratch(L"cli");
    const std::wstring reportFile = scratch / L"rapport.json";
    CommandRun run;
    // Standard output goes to a pipe read at the end: the report is small.
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    UniqueHandle readEnd, writeEnd;
    if (!CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 1 << 20)) return run;
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    StartedProcess started = StartProcess(
        exe.c_str(), L"\"" + exe + L"\" " + arguments + L" --output \"" + reportFile + L"\"", 0, &startup, TRUE);
    writeEnd.reset();
    if (!started) return run;
    // Looked at all along: a window shown even briefly is a fault.
    const ULONGLONG deadline = GetTickCount64() + 120000;
    while (WaitForSingleObject(started.process.get(), 10) == WAIT_TIMEOUT && GetTickCount64() < deadline)
        run.windowShown = run.windowShown || ShowsAWindow(started.id);
    if (WaitForSingleObject(started.process.get(), 0) != WAIT_OBJECT_0) {
        TerminateProcess(started.process.get(), 99);
        WaitForSingleObject(started.process.get(), 10000);
        return run;
    }
    GetExitCodeProcess(started.process.get(), &run.exitCode);
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        run.standardOutput.append(buffer, read);
    if (FileExists(reportFile)) {
        try {
            run.report = ParseJson(std::string_view(ReadFileBytes(reportFile)));
            run.reportRead = run.report.kind == JsonKind::Object;
        } catch (const std::exception&) {
        }
    }
    return run;
}

std::vector<std::wstring> ResultMessages(const JsonValue& report) {
    std::vector<std::wstring> messages;
    if (const JsonValue* results = FindMember(report, L"results"))
        for (const JsonValue& result : results->items) messages.push_back(GetStringMember(result, L"message"));
    return messages;
}

std::string ShaText(const std::string& bytes) {
    ScratchFolder scratch(L"sha");
    WriteFileBytes(scratch / L"f", bytes);
    return Narrow(ComputeFileSha256(scratch / L"f"));
}

TestTool GoodTool(const std::string& id, const std::string& bytes) { return {id, bytes, ShaText(bytes)}; }

void PublishOnWeb(const std::vector<TestTool>& tools) {
    // The download's id is the tool's id and the start of its catalogue digest.
    for (const TestTool& tool : tools)
        PublishFile(L"telechargement/" + Utf8ToWide(tool.id + "_" + tool.catalogSha.substr(0, 12)) + L".exe",
                    tool.bytes);
    PublishFile(L"outils/catalog.json", CatalogOf(tools, Narrow(TestServerUrl()) + "/telechargement"));
}

void PublishOnUsb(const std::vector<TestTool>& tools) {
    CreateFolderPath(std::wstring(kUsbRoot) + L"\\outils");
    for (const TestTool& tool : tools)
        WriteFileBytes(std::wstring(kUsbRoot) + L"\\outils\\" + Utf8ToWide(tool.id) + L".exe", tool.bytes);
    WriteFileBytes(std::wstring(kUsbRoot) + L"\\catalog.json", CatalogOf(tools, ""));
}

void PlaceInstalledCopy() {
    CreateFolderPath(GetInstallFolder());
    CopyFileW(BuiltExe().c_str(), GetInstalledExePath().c_str(), FALSE);
}

std::wstring AppsFile(const std::string& id) { return JoinPath(GetAppsFolder(), Utf8ToWide(id) + L".exe"); }

void CleanCommandLineState() {
    for (const std::wstring& path : {GetInstalledExePath(), ShortcutPath(L"Orkvane", true), ShortcutPath(L"Orkvane", false)})
        WaitFor([&] { return DeleteFileW(path.c_str()) || !FileExists(path); }, 10000);
    for (const wchar_t* id : {L"Outil", L"Second", L"Mauvais"}) {
        DeleteFileW(ShortcutPath(id, true).c_str());
        DeleteFileW(ShortcutPath(id, false).c_str());
    }
    RemoveTree(GetAppsFolder());
    DeleteRunValue();
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    RegDeleteTreeW(HKEY_CURRENT_USER, kPolicyKeyPath);
    RemoveTree(kUsbRoot);
    UnpublishFile(L"outils/catalog.json");
}
