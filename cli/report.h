// The one JSON object a command run writes: what was asked, each tool's
// result with the French message the window would show, and the exit code.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "catalog/catalog_model.h"

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

// What --list says of an entry besides the catalogue's own fields.
struct ListedStatus {
    const char* held = "none";  // "user" or "organisation" when the version is kept
    // Why an update is not offered here, in French (UTF-8); null when it is
    // or when there is none.
    const char* note = nullptr;
};

struct CliReport {
    std::vector<std::wstring> arguments;
    std::wstring command;  // the command's switch; empty for a usage error
    const char* source = "";  // "web" or "usb" once a catalogue was read
    std::wstring message;     // what the run says as a whole, in French
    bool showUsage = false;
    std::vector<ToolOutcome> results;
    // --list: the catalogue as read, every entry but the program's own
    // reported straight from it: its state ("installed", "updateAvailable"
    // or "notInstalled"), whether it is hidden and whether a previous version
    // is kept. Not copied entry by entry: a catalogue holds tens of
    // thousands of them. `listedStatus` has one element per catalogue entry.
    std::unique_ptr<CatalogLoadResult> listed;
    std::vector<ListedStatus> listedStatus;
    bool checked = false;
    std::vector<std::wstring> updatesAvailable;
    bool selfUpdateAvailable = false;
    int exitCode = 0;
};

// The report as UTF-8 JSON, ending with a line feed.
std::string RenderReport(const CliReport& report);
