// The command line's reading of its switches, its JSON writing, the --list
// report and the exit code of a run of several tools.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "catalog/json.h"
#include "catalog/utf8.h"
#include "cli/command_line.h"
#include "cli/json_writer.h"
#include "cli/outcome_codes.h"
#include "cli/report.h"
#include "tests/support/catalog_entries.h"
#include "tests/support/test_support.h"

namespace {

TEST(CommandLineParse, ReadsSwitchesAndRefusesWhatItDoesNotKnow) {
    struct Case {
        const wchar_t* line;
        bool command;  // a command rather than the window
        bool ok;
        CliCommand kind;
        std::vector<std::wstring> ids;
        CliSource source;
        std::wstring usbRoot;
        std::wstring output;
    };
    const Case cases[] = {
        {L"", false, false, CliCommand::List, {}, CliSource::Settings, L"", L""},
        {L"--minimized", false, false, CliCommand::List, {}, CliSource::Settings, L"", L""},
        {L"--list", true, true, CliCommand::List, {}, CliSource::Settings, L"", L""},
        {L"--INSTALL A b_2 --output \"C:\\r d.json\"", true, true, CliCommand::Install, {L"A", L"b_2"},
         CliSource::Settings, L"", L"C:\\r d.json"},
        {L"--update-all --source web --minimized", true, true, CliCommand::UpdateAll, {}, CliSource::Web, L"", L""},
        {L"--source \"usb:E:\\Mon dossier\\OrkvaneOffline\" --uninstall X --confirm", true, true,
         CliCommand::Uninstall, {L"X"}, CliSource::Usb, L"E:\\Mon dossier\\OrkvaneOffline", L""},
        {L"--install-self --start", true, true, CliCommand::InstallSelf, {}, CliSource::Settings, L"", L""},
        // Refused: a missing id, two commands, an unknown switch, a bad
        // source, --start or --confirm where they mean nothing, no command.
        {L"--install", true, false, CliCommand::List, {}, CliSource::Settings, L"", L""},
        {L"--install --list", true, false, CliCommand::List, {}, CliSource::Settings, L"", L""},
        {L"--list --check", true, false, CliCommand::List, {}, CliSource::Settings, L"", L""},
        {L"--list --verbose", true, false, CliCommand::List, {}, CliSource::Settings, L"", L""},
        {L"Outil --minimized", false, false, CliCommand::List, {}, CliSource::Settings, L"", L""},
        {L"Outil --list", true, false, CliCommand::List, {}, CliSource::Settings, L"", L""},
        {L"--list --source ftp", true, false, CliCommand::List, {}, CliSource::Settings, L"", L""},
        {L"--list --source usb:", true, false, CliCommand::List, {}, CliSource::Settings, L"", L""},
        {L"--list --output", true, false, CliCommand::List, {}, CliSource::Settings, L"", L""},
        {L"--list --start", true, false, CliCommand::List, {}, CliSource::Settings, L"", L""},
        {L"--install A --confirm", true, false, CliCommand::List, {}, CliSource::Settings, L"", L""},
        {L"--source web", true, false, CliCommand::List, {}, CliSource::Settings, L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.line));
        const std::vector<std::wstring> arguments = SplitArguments(c.line);
        EXPECT_EQ(IsCommandRun(arguments), c.command);
        if (!c.command) continue;
        ParsedCommandLine parsed = ParseCommandLine(arguments);
        EXPECT_EQ(parsed.ok, c.ok) << parsed.error;
        if (!c.ok) {
            EXPECT_FALSE(parsed.error.empty());
            continue;
        }
        EXPECT_EQ(parsed.request.command, c.kind);
        EXPECT_EQ(parsed.request.ids, c.ids);
        EXPECT_EQ(parsed.request.source, c.source);
        EXPECT_EQ(parsed.request.usbRoot, c.usbRoot);
        EXPECT_EQ(parsed.request.outputPath, c.output);
    }
    // A refused line still names its report file.
    EXPECT_EQ(FindOutputPath(SplitArguments(L"--bogus --output r.json")), L"r.json");
}

TEST(CommandLineParse, WritesJsonThatReadsBackTheSameText) {
    const std::wstring texts[] = {
        L"",
        L"Outil \"cité\" \\ C:\\Apps",
        std::wstring(L"tab\tline\ncr\rbell\x07") + L'\x1f',
        W("Désinstaller « Outil » ’ 日本 😀"),
    };
    for (const std::wstring& text : texts) {
        JsonWriter json;
        json.BeginObject();
        json.Key("t");
        json.String(text);
        json.Key("n");
        json.Number(-42);
        json.Key("a");
        json.BeginArray();
        json.Bool(true);
        json.String(text);
        json.EndArray();
        json.EndObject();
        JsonValue read = ParseJson(std::string_view(json.text()));
        EXPECT_EQ(GetStringMember(read, L"t"), text);
        EXPECT_EQ(FindMember(read, L"n")->number, -42.0);
        ASSERT_EQ(FindMember(read, L"a")->items.size(), 2u);
        EXPECT_EQ(FindMember(read, L"a")->items[1].text, text);
    }
    // A lone surrogate cannot be written as UTF-8: it becomes U+FFFD.
    JsonWriter lone;
    lone.String(std::wstring(L"a") + static_cast<wchar_t>(0xD800) + L"b");
    EXPECT_EQ(lone.text(), "\"a\xEF\xBF\xBD" "b\"");
}

// Each entry in the catalogue's order, the program's own left out, with its
// texts escaped, its state, whether it is hidden or keeps a previous version,
// who holds it and why its update waits.
TEST(CommandLineParse, ListReportsEveryEntryButTheProgramsOwn) {
    CliReport report;
    report.command = L"--list";
    report.source = "usb";
    report.listed = std::make_unique<CatalogLoadResult>();
    std::vector<CatalogApp>& apps = report.listed->apps;
    apps.push_back(MakeApp(AppShape{L"Outil", W("Réseau « 日本 😀 »"), true, true, false, true}));
    apps.push_back(MakeApp(AppShape{L"Orkvane", L"Kest", true, true}));
    apps.push_back(MakeApp(AppShape{L"Autre", L"Sys\"t\\", true, false, true}));
    // Not installed: an update flag left over means nothing.
    apps.push_back(MakeApp(AppShape{L"Dernier", std::wstring(L"a\tb") + L'\x01', false, true}));
    report.listed->selfIndex = 1;
    report.listedStatus = {{HoldKind::User, msg::kHeldByUser}, {}, {}, {HoldKind::Organisation, msg::kUpdateDelayed}};

    const std::string text = RenderReport(report);
    EXPECT_NE(text.find("\"command\":\"--list\",\"source\":\"usb\",\"results\":[],\"apps\":["
                        "{\"id\":\"Outil\",\"name\":\"Outil\",\"version\":\"2.0\",\"category\":\"Réseau « 日本 😀 »\","
                        "\"state\":\"updateAvailable\",\"hidden\":false,\"previousKept\":true,\"held\":\"user\","
                        "\"note\":\"Version conservée\"},"
                        "{\"id\":\"Autre\",\"name\":\"Autre\",\"version\":\"2.0\",\"category\":\"Sys\\\"t\\\\\","
                        "\"state\":\"installed\",\"hidden\":true,\"previousKept\":false,\"held\":\"none\",\"note\":\"\"},"
                        "{\"id\":\"Dernier\",\"name\":\"Dernier\",\"version\":\"2.0\",\"category\":\"a\\tb\\u0001\","
                        "\"state\":\"notInstalled\",\"hidden\":false,\"previousKept\":false,\"held\":\"organisation\","
                        "\"note\":\"mise à jour différée par votre organisation\"}],\"message\":\"\""),
              std::string::npos)
        << text;
    EXPECT_EQ(text.back(), '\n');
    const JsonValue read = ParseJson(std::string_view(text));
    ASSERT_EQ(FindMember(read, L"apps")->items.size(), 3u);
    EXPECT_EQ(GetStringMember(FindMember(read, L"apps")->items[0], L"category"), W("Réseau « 日本 😀 »"));

    // The same list with other entries already written as rows around the
    // kept ones: each kept entry comes at its break, the rows keep their order.
    CliReport rows = std::move(report);
    JsonWriter written;
    for (int i = 0; i < 3; ++i) WriteListedApp(written, rows.listed->apps[2], rows.listedStatus[2]);
    const size_t row = written.text().size() / 3;  // three rows and two commas
    rows.listedParts = {{std::string(written.text()), {row, 2 * row + 1}}};
    rows.listed->apps.erase(rows.listed->apps.begin() + 2);
    rows.listedStatus.erase(rows.listedStatus.begin() + 2);
    const std::string again = RenderReport(rows);
    const JsonValue listed = ParseJson(std::string_view(again));
    std::vector<std::wstring> order;
    for (const JsonValue& app : FindMember(listed, L"apps")->items) order.push_back(GetStringMember(app, L"id"));
    EXPECT_EQ(order, (std::vector<std::wstring>{L"Autre", L"Outil", L"Autre", L"Dernier", L"Autre"})) << again;
    // The same rows in two parts, built side by side: the second part's kept
    // entry comes at its own break, after every row of the first.
    CliReport split;
    split.command = rows.command;
    split.source = rows.source;
    split.listed = std::move(rows.listed);
    split.listedStatus = rows.listedStatus;
    split.listedParts = {{std::string(written.text().substr(0, 2 * row + 1)), {row}},
                         {std::string(written.text().substr(2 * row + 2)), {0}}};
    EXPECT_EQ(RenderReport(split), again);
    // Each kept entry with its own status.
    EXPECT_EQ(GetStringMember(FindMember(listed, L"apps")->items[1], L"note"), W("Version conservée"));
    EXPECT_EQ(GetStringMember(FindMember(listed, L"apps")->items[3], L"held"), L"organisation");
}

TEST(CommandLineParse, ExitCodeOfSeveralTools) {
    auto outcome = [](bool ok, int code) {
        ToolOutcome o;
        o.ok = ok;
        o.exitCode = code;
        return o;
    };
    EXPECT_EQ(CombinedExitCode({}), 0);
    EXPECT_EQ(CombinedExitCode({outcome(true, 0), outcome(true, 0)}), 0);
    EXPECT_EQ(CombinedExitCode({outcome(false, 5)}), 5);
    EXPECT_EQ(CombinedExitCode({outcome(false, 4), outcome(false, 5)}), 4);
    EXPECT_EQ(CombinedExitCode({outcome(true, 0), outcome(false, 5)}), 8);
    EXPECT_EQ(ExitCodeOfFailure(W("Fermez Outil puis réessayez.")), 5);
    EXPECT_EQ(ExitCodeOfFailure(W("Suppression de l'application impossible")), 5);
    EXPECT_EQ(ExitCodeOfFailure(W("Une autre opération d’Orkvane est en cours ; réessayez dans un instant.")), 7);
    EXPECT_EQ(ExitCodeOfFailure(W("SHA-256 invalide : le programme n'a pas été installé")), 4);
    EXPECT_EQ(ExitCodeOfFailure(L"Connexion OVH impossible"), 4);
}

}  // namespace
