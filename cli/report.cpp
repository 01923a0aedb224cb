#include "cli/report.h"

#include "base/constants.h"
#include "cli/command_line.h"
#include "cli/json_writer.h"

namespace {

void WriteResults(JsonWriter& json, const std::vector<ToolOutcome>& results) {
    json.Key("results");
    json.BeginArray();
    for (const ToolOutcome& result : results) {
        json.BeginObject();
        json.Key("id");
        json.String(result.id);
        json.Key("action");
        json.Utf8String(result.action);
        json.Key("ok");
        json.Bool(result.ok);
        json.Key("status");
        json.Utf8String(result.status);
        json.Key("message");
        json.String(result.message);
        json.Key("exitCode");
        json.Number(result.exitCode);
        json.EndObject();
    }
    json.EndArray();
}

// The program's own words are copied as literals, which the compiler copies
// in place: a list writes them in every one of tens of thousands of rows.
char* WriteState(const CatalogApp& app, char* out) {
    if (!app.installed) return JsonWriter::Copy("notInstalled", out);
    if (app.updateAvailable) return JsonWriter::Copy("updateAvailable", out);
    return JsonWriter::Copy("installed", out);
}

char* WriteHold(HoldKind hold, char* out) {
    switch (hold) {
    case HoldKind::User: return JsonWriter::Copy("user", out);
    case HoldKind::Organisation: return JsonWriter::Copy("organisation", out);
    case HoldKind::None: break;
    }
    return JsonWriter::Copy("none", out);
}


void WriteApps(JsonWriter& json, const CliReport& report) {
    const CatalogLoadResult& catalog = *report.listed;
    json.Key("apps");
    json.BeginArray();
    // Each part's kept entries come at their breaks; those beyond every
    // break follow all the rows.
    size_t next = 0;
    auto writeKept = [&] {
        if (static_cast<long long>(next) == catalog.selfIndex) ++next;
        if (next >= catalog.apps.size()) return;
        WriteListedApp(json, catalog.apps[next],
                       next < report.listedStatus.size() ? report.listedStatus[next] : ListedStatus());
        ++next;
    };
    for (const ListedRows& part : report.listedParts) {
        const std::string_view rows = part.rows;
        size_t from = 0;
        for (const size_t to : part.breaks) {
            json.Values(rows.substr(from, to - from));
            from = to;
            writeKept();
        }
        json.Values(rows.substr(from));
    }
    while (next < catalog.apps.size()) writeKept();
    json.EndArray();
}

void WriteStrings(JsonWriter& json, const char* key, const std::vector<std::wstring>& texts) {
    json.Key(key);
    json.BeginArray();
    for (const std::wstring& text : texts) json.String(text);
    json.EndArray();
}

// What a report takes besides its list, and a listed entry with short texts.
constexpr size_t kReportBytes = 4096;
constexpr size_t kListedEntryBytes = 200;

// Room for the whole report at once: a list of thousands of entries kept
// whole would otherwise be copied each time the text outgrows its buffer.
// The rows written already stay where they are.
size_t ExpectedReportBytes(const CliReport& report) {
    return kReportBytes + (report.listed ? report.listed->apps.size() * kListedEntryBytes : 0);
}

}  // namespace

void WriteListedApp(JsonWriter& json, const CatalogApp& app, const ListedStatus& status) {
    const std::string_view note = status.note != nullptr ? status.note : "";
    // The members' names, the quotes, the state, the hold and the two
    // booleans take less.
    constexpr size_t kRowFrame = 160;
    const size_t most = kRowFrame + JsonWriter::MostEscapedBytes(app.id.size() + app.name.size() + app.version.size() +
                                                                 app.category.size() + note.size());
    char* out = json.BeginRun(most);
    out = JsonWriter::Copy("{\"id\":\"", out);
    out = JsonWriter::Escape(app.id, out);
    out = JsonWriter::Copy("\",\"name\":\"", out);
    out = JsonWriter::Escape(app.name, out);
    out = JsonWriter::Copy("\",\"version\":\"", out);
    out = JsonWriter::Escape(app.version, out);
    out = JsonWriter::Copy("\",\"category\":\"", out);
    out = JsonWriter::Escape(app.category, out);
    out = JsonWriter::Copy("\",\"state\":\"", out);
    out = WriteState(app, out);
    out = JsonWriter::Copy(app.hidden ? "\",\"hidden\":true" : "\",\"hidden\":false", out);
    out = JsonWriter::Copy(app.kept.previousKept ? ",\"previousKept\":true" : ",\"previousKept\":false", out);
    out = JsonWriter::Copy(",\"held\":\"", out);
    out = WriteHold(status.held, out);
    out = JsonWriter::Copy("\",\"note\":\"", out);
    if (!note.empty()) out = JsonWriter::EscapeUtf8(note, out);
    out = JsonWriter::Copy("\"}", out);
    json.EndRun(out);
}

void WriteReport(const CliReport& report, JsonWriter& json) {
    json.Reserve(ExpectedReportBytes(report));
    json.BeginObject();
    json.Key("program");
    json.String(kOwnAppId);
    json.Key("version");
    json.String(kVersionText);
    WriteStrings(json, "arguments", report.arguments);
    json.Key("command");
    json.String(report.command);
    if (*report.source != '\0') {
        json.Key("source");
        json.Utf8String(report.source);
    }
    WriteResults(json, report.results);
    if (report.listed) WriteApps(json, report);
    if (report.checked) {
        WriteStrings(json, "updatesAvailable", report.updatesAvailable);
        json.Key("selfUpdateAvailable");
        json.Bool(report.selfUpdateAvailable);
    }
    json.Key("message");
    json.String(report.message);
    if (report.showUsage) {
        json.Key("usage");
        json.Utf8String(UsageText());
    }
    json.Key("exitCode");
    json.Number(report.exitCode);
    json.EndObject();
    json.EndLine();
}

std::string RenderReport(const CliReport& report) {
    JsonWriter json;
    WriteReport(report, json);
    std::string text;
    for (std::string_view piece : json.Pieces()) text.append(piece);
    return text;
}
