// Timing helpers shared by the benchmarks.
#pragma once

#include <functional>
#include <string>
#include <vector>

double NowMs();
double Median(std::vector<double> values);
// Runs a and b alternately `runs` times each and returns their medians.
std::pair<double, double> MedianPair(int runs, const std::function<void()>& a, const std::function<void()>& b);
// "figure: ours X, reference Y, ratio R (target ...)": one line per figure.
void PrintFigure(const std::string& name, double ours, double reference, const std::string& unit, double target,
                 const std::string& comparison);
