#pragma once

// Summaries of repeated timings, and how the figures are printed.

#include <string>
#include <vector>

// The value at quantile q (0..1) of the samples, nearest rank; 0 for no samples.
double quantile(std::vector<double> samples, double q);
inline double median(const std::vector<double>& samples)
{
    return quantile(samples, 0.5);
}
inline double p99(const std::vector<double>& samples)
{
    return quantile(samples, 0.99);
}

// "1.23x", or "n/a" when the floor is not positive.
std::string ratioText(double value, double floor);

// One goal's line of the summary: "PASS  what  (measured)" or "MISS ...".
std::string goalLine(bool met, const std::string& what, const std::string& measured);
