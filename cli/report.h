// The one JSON object a command run writes: what was asked, each tool's
// result with the French message the window would show, and the exit code.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/update_offer.h"
#include "catalog/catalog_model.h"

class JsonWriter;

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
    HoldKind held = HoldKind::None;  // who keeps the installed version, if anyone
    // Why an update is not offered here, in French (UTF-8); null when it is
    // or when there is none.
    const char* note = nullptr;
};

// The rows of one part of a listed catalogue, and where in them each entry of
// that part kept whole comes, in order.
struct ListedRows {
    std::string rows;
    std::vector<size_t> breaks;
};

struct CliReport {
    std::vector<std::wstring> arguments;
    std::wstring command;  // the command's switch; empty for a usage error
    const char* source = "";  // "web" or "usb" once a catalogue was read
    std::wstring message;     // what the run says as a whole, in French
    bool showUsage = false;
    std::vector<ToolOutcome> results;
    // --list: every entry but the program's own, in the catalogue's order: its
    // state ("installed", "updateAvailable" or "notInstalled"), whether it is
    // hidden and whether a previous version is kept. A catalogue holds tens
    // of thousands of entries, so most are not kept whole: `listedParts` has
    // them already written, as JSON objects separated by commas, one run per
    // part of the catalogue built side by side. `listed` holds the entries
    // kept whole, with one element of `listedStatus` each.
    std::unique_ptr<CatalogLoadResult> listed;
    std::vector<ListedStatus> listedStatus;
    std::vector<ListedRows> listedParts;
    bool checked = false;
    std::vector<std::wstring> updatesAvailable;
    bool selfUpdateAvailable = false;
    int exitCode = 0;
};

// One entry of --list, as an object of `json`.
void WriteListedApp(JsonWriter& json, const CatalogApp& app, const ListedStatus& status);
// Writes the report as UTF-8 JSON into `json`, ending with a line feed. The
// listed rows are not copied: `json` refers to them where they lie in
// `report`, which must outlive its pieces.
void WriteReport(const CliReport& report, JsonWriter& json);
// The report as one text.
std::string RenderReport(const CliReport& report);
