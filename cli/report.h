// The one JSON object a command run writes: what was asked, each tool's
// result with the French message the window would show, and the exit code.
#pragma once

#include <string>
#include <vector>

struct ToolOutcome {
    std::wstring id;
    const char* action = "";  // "install", "update", "uninstall", "install-self", "remove-self"
    bool ok = false;
    // "done", "upToDate", "notInstalled", "skipped" (an update --update-all
    // leaves aside: held, or not offered here yet), "refused", "cancelled" or "failed".
    const char* status = "failed";
    std::wstring message;
    int exitCode = 0;
};

// One catalogue entry as --list reports it.
struct ListedApp {
    std::wstring id;
    std::wstring name;
    std::wstring version;
    std::wstring category;
    const char* state = "notInstalled";  // "installed", "updateAvailable" or "notInstalled"
    bool hidden = false;
    bool previousKept = false;
    const char* held = "none";  // "user" or "organisation" when the version is kept
    std::wstring note;          // why an update is not offered here, in French; empty when it is or there is none
};

struct CliReport {
    std::vector<std::wstring> arguments;
    std::wstring command;  // the command's switch; empty for a usage error
    const char* source = "";  // "web" or "usb" once a catalogue was read
    std::wstring message;     // what the run says as a whole, in French
    bool showUsage = false;
    std::vector<ToolOutcome> results;
    bool listed = false;
    std::vector<ListedApp> apps;
    bool checked = false;
    std::vector<std::wstring> updatesAvailable;
    bool selfUpdateAvailable = false;
    int exitCode = 0;
};

// The report as UTF-8 JSON, ending with a line feed.
std::string RenderReport(const CliReport& report);
