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

std::pair<double, double> MedianPairBy(double (*clock)(), int runs, const std::function<void()>& a,
                                       const std::function<void()>& b) {
    std::vector<double> ta, tb;
    for (int i = 0; i < runs; ++i) {
        double start = clock();
        a();
        ta.push_back(clock() - start);
        start = clock();
        b();
        tb.push_back(clock() - start);
    }
    return {Median(ta), Median(tb)};
}

}  // namespace

std::pair<double, double> MedianPair(int runs, const std::function<void()>& a, const std::function<void()>& b) {
    return MedianPairBy(NowMs, runs, a, b);
}

std::pair<double, double> MedianCpuPair(int runs, const std::function<void()>& a, const std::function<void()>& b) {
    return MedianPairBy(ThreadCpuMs, runs, a, b);
}

void PrintFigure(const std::string& name, double ours, double reference, const std::string& unit, double target,
                 const std::string& comparison) {
    if (ours <= 0 || reference <= 0) {
        std::printf("%-10s could not be measured (ours %.2f %s, reference %.2f %s): MISSED [%s]\n", name.c_str(), ours,
                    unit.c_str(), reference, unit.c_str(), comparison.c_str());
        std::fflush(stdout);
        return;
    }
    double ratio = ours / reference;
    bool met = ratio <= target;
    std::printf("%-10s ours %.2f %s, reference %.2f %s, ratio %.3f (target <= %.2f: %s) [%s]\n", name.c_str(), ours,
                unit.c_str(), reference, unit.c_str(), ratio, target, met ? "met" : "MISSED", comparison.c_str());
    std::fflush(stdout);
}

void PrintTargetFigure(const std::string& name, double ours, const std::string& unit, double target,
                       const std::string& comparison) {
    if (ours <= 0) {
        std::printf("%-10s could not be measured (ours %.2f %s): MISSED [%s]\n", name.c_str(), ours, unit.c_str(),
                    comparison.c_str());
        std::fflush(stdout);
        return;
    }
    const bool met = ours <= target;
    std::printf("%-10s ours %.2f %s (target <= %.2f %s: %s) [%s]\n", name.c_str(), ours, unit.c_str(), target,
                unit.c_str(), met ? "met" : "MISSED", comparison.c_str());
    std::fflush(stdout);
}
