// Timing helpers shared by the benchmarks.
#pragma once

#include <functional>
#include <string>
#include <vector>

double NowMs();
// CPU time of the calling thread, in ms. Under Wine it moves in 10 ms steps:
// time batches long enough for that. Unlike NowMs it leaves out the time the
// thread waits for other jobs on a busy machine.
double ThreadCpuMs();
double Median(std::vector<double> values);

// The runs behind one figure: ours[i] and reference[i] were taken one after
// the other, so that their ratio cancels what the machine did meanwhile.
struct PairedRuns {
    std::vector<double> ours;
    std::vector<double> reference;
};
// Runs a and b alternately `runs` times each, timed with NowMs.
PairedRuns TimePairs(int runs, const std::function<void()>& a, const std::function<void()>& b);
// The same with the calling thread's CPU time (ThreadCpuMs).
PairedRuns TimeCpuPairs(int runs, const std::function<void()>& a, const std::function<void()>& b);

// One line per figure: the median ratio of the paired runs, its lowest and
// highest run, and the medians and spreads of both sides. The target is met
// when the median ratio is at or below it.
void PrintFigure(const std::string& name, const PairedRuns& runs, const std::string& unit, double target,
                 const std::string& comparison);
// A figure whose target is a value, not a ratio: its median, lowest and highest run.
void PrintTargetFigure(const std::string& name, const std::vector<double>& runs, const std::string& unit, double target,
                       const std::string& comparison);
