#include "bench/bench_timing.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double ThreadCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
    auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    if (n == 0) return 0;
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

namespace {

PairedRuns TimePairsBy(double (*clock)(), int runs, const std::function<void()>& a, const std::function<void()>& b) {
    PairedRuns timed;
    for (int i = 0; i < runs; ++i) {
        double start = clock();
        a();
        timed.ours.push_back(clock() - start);
        start = clock();
        b();
        timed.reference.push_back(clock() - start);
    }
    return timed;
}

struct Spread {
    double median = 0;
    double lowest = 0;
    double highest = 0;
};

Spread SpreadOf(const std::vector<double>& values) {
    if (values.empty()) return {};
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    return {Median(values), *lowest, *highest};
}

}  // namespace

PairedRuns TimePairs(int runs, const std::function<void()>& a, const std::function<void()>& b) {
    return TimePairsBy(NowMs, runs, a, b);
}

PairedRuns TimeCpuPairs(int runs, const std::function<void()>& a, const std::function<void()>& b) {
    return TimePairsBy(ThreadCpuMs, runs, a, b);
}

void PrintFigure(const std::string& name, const PairedRuns& runs, const std::string& unit, double target,
                 const std::string& comparison) {
    const Spread ours = SpreadOf(runs.ours);
    const Spread reference = SpreadOf(runs.reference);
    std::vector<double> ratios;
    bool measured = !runs.ours.empty() && runs.ours.size() == runs.reference.size();
    for (size_t i = 0; measured && i < runs.ours.size(); ++i) {
        measured = runs.ours[i] > 0 && runs.reference[i] > 0;
        if (measured) ratios.push_back(runs.ours[i] / runs.reference[i]);
    }
    if (!measured) {
        std::printf("%-10s could not be measured (ours %.2f %s, reference %.2f %s): MISSED [%s]\n", name.c_str(),
                    ours.median, unit.c_str(), reference.median, unit.c_str(), comparison.c_str());
        std::fflush(stdout);
        return;
    }
    const Spread ratio = SpreadOf(ratios);
    const bool met = ratio.median <= target;
    std::printf(
        "%-10s ratio %.3f, lowest %.3f, highest %.3f of %zu runs (target <= %.2f: %s); ours %.2f %s "
        "(%.2f-%.2f), reference %.2f %s (%.2f-%.2f) [%s]\n",
        name.c_str(), ratio.median, ratio.lowest, ratio.highest, ratios.size(), target, met ? "met" : "MISSED",
        ours.median, unit.c_str(), ours.lowest, ours.highest, reference.median, unit.c_str(), reference.lowest,
        reference.highest, comparison.c_str());
    std::fflush(stdout);
}

void PrintTargetFigure(const std::string& name, const std::vector<double>& runs, const std::string& unit, double target,
                       const std::string& comparison) {
    const Spread value = SpreadOf(runs);
    if (runs.empty() || value.lowest <= 0) {
        std::printf("%-10s could not be measured (ours %.2f %s): MISSED [%s]\n", name.c_str(), value.median,
                    unit.c_str(), comparison.c_str());
        std::fflush(stdout);
        return;
    }
    const bool met = value.median <= target;
    std::printf("%-10s ours %.2f %s, lowest %.2f, highest %.2f of %zu runs (target <= %.2f %s: %s) [%s]\n",
                name.c_str(), value.median, unit.c_str(), value.lowest, value.highest, runs.size(), target,
                unit.c_str(), met ? "met" : "MISSED", comparison.c_str());
    std::fflush(stdout);
}
