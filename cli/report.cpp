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

void WriteApps(JsonWriter& json, const std::vector<ListedApp>& apps) {
    json.Key("apps");
    json.BeginArray();
    for (const ListedApp& app : apps) {
        json.BeginObject();
        json.Key("id");
        json.String(app.id);
        json.Key("name");
        json.String(app.name);
        json.Key("version");
        json.String(app.version);
        json.Key("category");
        json.String(app.category);
        json.Key("state");
        json.Utf8String(app.state);
        json.Key("hidden");
        json.Bool(app.hidden);
        json.Key("previousKept");
        json.Bool(app.previousKept);
        json.Key("held");
        json.Utf8String(app.held);
        json.Key("note");
        json.String(app.note);
        json.EndObject();
    }
    json.EndArray();
}

void WriteStrings(JsonWriter& json, const char* key, const std::vector<std::wstring>& texts) {
    json.Key(key);
    json.BeginArray();
    for (const std::wstring& text : texts) json.String(text);
    json.EndArray();
}

}  // namespace

std::string RenderReport(const CliReport& report) {
    JsonWriter json;
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
    if (report.listed) WriteApps(json, report.apps);
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
    std::string text = json.text();
    text.push_back('\n');
    return text;
}
