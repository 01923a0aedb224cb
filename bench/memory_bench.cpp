// Figure 5: the program's peak working set with 1,000 entries and 1,000
// icons loaded, against the same program with an empty catalogue.
//
//   memory_bench EXE_ON_LARGE_KEY EXE_ON_EMPTY_KEY
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

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
    if (argc < 3) {
        std::fprintf(stderr, "usage: memory_bench EXE_ON_LARGE_KEY EXE_ON_EMPTY_KEY\n");
        return 2;
    }
    double large = PeakWorkingSetMiB(argv[1]);
    double empty = PeakWorkingSetMiB(argv[2]);
    ForgetSettings();
    if (large < 0 || empty < 0) {
        std::printf("memory: the program could not be started\n");
        return 1;
    }
    std::printf("memory     1,000 entries and icons: peak working set %.1f MiB; empty catalogue: %.1f MiB; "
                "difference %.1f MiB (%.1f KiB per entry)\n",
                large, empty, large - empty, (large - empty) * 1024.0 / 1000.0);
    return 0;
}
