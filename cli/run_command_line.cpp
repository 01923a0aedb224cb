#include "cli/run_command_line.h"

#include <exception>
#include <string>
#include <vector>

#include "app/state.h"
#include "base/paths.h"
#include "catalog/error_text.h"
#include "catalog/utf8.h"
#include "cli/command_catalog.h"
#include "cli/command_line.h"
#include "cli/exit_codes.h"
#include "cli/json_writer.h"
#include "cli/list_commands.h"
#include "cli/report.h"
#include "cli/report_output.h"
#include "cli/self_commands.h"
#include "cli/tool_commands.h"

namespace {

void Dispatch(const CliRequest& request, CliReport& report) {
    switch (request.command) {
    case CliCommand::InstallSelf: RunInstallSelf(request, report); return;
    case CliCommand::RemoveSelf: RunRemoveSelf(request, report); return;
    case CliCommand::List: RunListCommand(request, report); return;
    case CliCommand::Check: RunCheckCommand(request, report); return;
    case CliCommand::Install:
    case CliCommand::Update:
    case CliCommand::UpdateAll:
    case CliCommand::Uninstall: RunToolCommand(request, report); return;
    }
}

void Run(const std::vector<std::wstring>& arguments, CliReport& report, std::wstring& outputPath) {
    ParsedCommandLine parsed = ParseCommandLine(arguments);
    outputPath = parsed.ok ? parsed.request.outputPath : FindOutputPath(arguments);
    if (!parsed.ok) {
        report.exitCode = exit_code::kUsage;
        report.message = Utf8ToWide(parsed.error);
        report.showUsage = true;
        return;
    }
    const CliRequest& request = parsed.request;
    report.command = CommandSwitch(request.command);
    try {
        g_state.installedMode = IsInstalledCopy();
        std::string refusal = PrepareSettings(request);
        if (!refusal.empty()) {
            report.exitCode = exit_code::kRefused;
            report.message = Utf8ToWide(refusal);
            return;
        }
        Dispatch(request, report);
    } catch (const std::exception& error) {
        // Only the ground's own checks get here (no local application data
        // folder, say): the command could not run at all.
        report.exitCode = exit_code::kOperationFailed;
        report.message = ErrorText(error);
    }
}

}  // namespace

bool IsCommandLine(PCWSTR commandLine) { return IsCommandRun(SplitArguments(commandLine)); }

int RunCommandLine(PCWSTR commandLine) {
    CliReport report;
    report.arguments = SplitArguments(commandLine);
    std::wstring outputPath;
    Run(report.arguments, report, outputPath);
    JsonWriter json;
    WriteReport(report, json);
    const ReportPieces pieces = json.Pieces();
    WriteToStandardOutput(pieces);
    if (!outputPath.empty()) WriteReportFile(outputPath, pieces);
    return report.exitCode;
}
