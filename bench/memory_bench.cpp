// Figure 5: the program's peak working set with an empty catalogue against
// the minimal Win32 window; and what 1,000 entries with 1,000 icons add to
// it, per entry. Medians of a few starts of each, taken in turn.
//
//   memory_bench EXE_ON_LARGE_KEY EXE_ON_EMPTY_KEY MINIMAL_EXE
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "bench/process_launch.h"

namespace {

// Waits until the working set has settled (icons decoded), then reads the peak.
double PeakWorkingSetMiB(const std::wstring& exe) {
    ForgetSettings();
    Launched launched = Launch(exe);
    if (!launched.process) return -1;
    double start = NowMs();
    SIZE_T last = 0;
    double stableSince = NowMs();
    PROCESS_MEMORY_COUNTERS counters{};
    while (NowMs() - start < 60000) {
        Sleep(250);
        counters = {};
        counters.cb = sizeof(counters);
        if (!GetProcessMemoryInfo(launched.process.get(), &counters, sizeof(counters))) break;
        if (counters.WorkingSetSize != last) {
            last = counters.WorkingSetSize;
            stableSince = NowMs();
        } else if (NowMs() - stableSince > 3000 && NowMs() - start > 4000) {
            break;
        }
    }
    double peak = static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
    EndProcess(launched);
    return peak;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: memory_bench EXE_ON_LARGE_KEY EXE_ON_EMPTY_KEY MINIMAL_EXE\n");
        return 2;
    }
    std::vector<double> large, empty, minimal;
    for (int run = 0; run < 3; ++run) {
        large.push_back(PeakWorkingSetMiB(argv[1]));
        empty.push_back(PeakWorkingSetMiB(argv[2]));
        minimal.push_back(PeakWorkingSetMiB(argv[3]));
    }
    ForgetSettings();
    for (const auto* series : {&large, &empty, &minimal})
        for (double value : *series)
            if (value < 0) {
                std::printf("memory: a program could not be started: MISSED\n");
                return 1;
            }
    PrintFigure("memory", PairedRuns{empty, minimal}, "MiB", 1.5,
                "peak working set, empty catalogue vs the minimal Win32 window");
    // Each run's cost of 1,000 entries, from the two starts taken side by side.
    std::vector<double> perEntryKiB;
    for (size_t i = 0; i < large.size(); ++i) perEntryKiB.push_back((large[i] - empty[i]) * 1024.0 / 1000.0);
    std::printf("%-10s 1,000 entries with 64 x 64 icons at 96 dpi: peak %.1f MiB, empty %.1f MiB\n", "per entry",
                Median(large), Median(empty));
    PrintTargetFigure("per entry", perEntryKiB, "KiB", 8.0,
                      "working set added by 1,000 entries with 64 x 64 icons, per entry");
    return 0;
}
