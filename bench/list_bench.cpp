// The command line's --list over the 48,000-entry benchmark catalogue on the
// USB key, against a bare start of the same program: one that reads its
// switches, refuses an unknown one and ends. Listing every tool should cost
// less than starting the program once more.
//
// Before the figure, the command's steps run in this process and are timed
// one by one, so that a slow figure says where its time goes.
//
//   list_bench ORKVANE_EXE OFFLINE_FOLDER ENTRIES
#include <windows.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/handles.h"
#include "bench/bench_timing.h"
#include "catalog/catalog_document.h"
#include "catalog/catalog_model.h"
#include "catalog/offline_source.h"
#include "cli/command_catalog.h"
#include "cli/command_line.h"
#include "cli/json_writer.h"
#include "cli/list_commands.h"
#include "cli/report.h"
#include "cli/report_output.h"

namespace {

// Process starts here come with streaks some 20-40 ms slower whatever the
// program does: nine pairs keep one or two of them from deciding the median.
constexpr int kFigureRuns = 9;
constexpr int kStepRuns = 3;

UniqueHandle OpenSink(bool inheritable) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, inheritable ? TRUE : FALSE};
    return UniqueHandle(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
}

// Runs the program to its end with its output thrown away; returns its exit code.
DWORD RunToEnd(const std::wstring& exe, const std::wstring& arguments) {
    UniqueHandle sink = OpenSink(true);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = sink.get();
    startup.hStdError = sink.get();
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info))
        return 0xFFFFFFFF;
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

// The time of each step of one --list, in the order the command takes them.
struct StepTimes {
    std::vector<std::pair<const char*, double>> steps;
    void Add(const char* name, double ms) { steps.emplace_back(name, ms); }
};

double Timed(const std::function<void()>& step) {
    const double start = NowMs();
    step();
    return NowMs() - start;
}

// One --list in this process, step by step, with the report written to NUL as
// the figure's runs write theirs. The catalogue's own steps are timed on
// their own first: reading, parsing, and a build that keeps no tool, as the
// command keeps none of the bench's; then the whole command, which also
// writes each tool's row.
bool TimeSteps(const std::wstring& folder, StepTimes& times) {
    CliRequest request;
    request.command = CliCommand::List;
    request.source = CliSource::Usb;
    request.usbRoot = folder;
    times.Add("settings", Timed([&] { PrepareSettings(request); }));

    std::string bytes;
    times.Add("read", Timed([&] { bytes = ReadOfflineFile(folder + L"\\catalog.json", 0x400000); }));
    std::unique_ptr<CatalogDocument> document;
    times.Add("parse", Timed([&] { document = std::make_unique<CatalogDocument>(bytes); }));
    CatalogLoadResult built;
    times.Add("build", Timed([&] {
                  BuildCatalog(*document, true, folder, built, [](size_t, size_t) -> CatalogToolFilter {
                      return [](const CatalogApp&) { return false; };
                  });
              }));
    document.reset();

    CliReport report;
    times.Add("load+list", Timed([&] { RunListCommand(request, report); }));
    if (!report.listed) return false;
    JsonWriter json;
    ReportPieces pieces;
    times.Add("render", Timed([&] {
                  WriteReport(report, json);
                  pieces = json.Pieces();
              }));
    UniqueHandle sink = OpenSink(false);
    const HANDLE given = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, sink.get());
    times.Add("write", Timed([&] { WriteToStandardOutput(pieces); }));
    SetStdHandle(STD_OUTPUT_HANDLE, given);
    times.Add("free report", Timed([&] {
                  pieces.clear();
                  json = JsonWriter();
                  report = CliReport();
              }));
    return true;
}

void PrintSteps(const std::vector<StepTimes>& runs) {
    std::printf("list steps, median of %zu runs in this process (ms):", runs.size());
    for (size_t step = 0; step < runs.front().steps.size(); ++step) {
        std::vector<double> values;
        for (const StepTimes& run : runs) values.push_back(run.steps[step].second);
        std::printf(" %s %.1f;", runs.front().steps[step].first, Median(values));
    }
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: list_bench ORKVANE_EXE OFFLINE_FOLDER ENTRIES\n");
        return 2;
    }
    const std::wstring exe = argv[1];
    const std::wstring folder = argv[2];
    const std::wstring list = L"--list --source usb:" + folder;
    const std::wstring bare = L"--sans-effet";
    if (RunToEnd(exe, list) != 0) {
        std::printf("list: the program did not list the catalogue\n");
        return 1;
    }
    std::vector<StepTimes> steps(kStepRuns);
    for (StepTimes& run : steps) {
        if (!TimeSteps(folder, run)) {
            std::printf("list: the catalogue could not be listed in this process\n");
            return 1;
        }
    }
    PrintSteps(steps);
    RunToEnd(exe, bare);
    PairedRuns runs = TimePairs(
        kFigureRuns, [&] { RunToEnd(exe, list); }, [&] { RunToEnd(exe, bare); });
    PrintFigure("list", runs, "ms", 2.0,
                "--list of " + std::to_string(_wtoi(argv[3])) +
                    " entries from the USB key vs a bare start of the same program");
    return 0;
}
