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
// Runs a and b alternately `runs` times each and returns their medians.
std::pair<double, double> MedianPair(int runs, const std::function<void()>& a, const std::function<void()>& b);
// The same with the calling thread's CPU time (ThreadCpuMs) instead of NowMs.
std::pair<double, double> MedianCpuPair(int runs, const std::function<void()>& a, const std::function<void()>& b);
// "figure: ours X, reference Y, ratio R (target ...)": one line per figure.
void PrintFigure(const std::string& name, double ours, double reference, const std::string& unit, double target,
                 const std::string& comparison);
// "figure: ours X (target <= T)": a figure whose target is a value, not a ratio.
void PrintTargetFigure(const std::string& name, double ours, const std::string& unit, double target,
                       const std::string& comparison);
