#include "benchStats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

double quantile(std::vector<double> samples, double q)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(samples.size())));
    return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}

std::string ratioText(double value, double floor)
{
    if (floor <= 0)
        return "n/a";
    char text[32];
    std::snprintf(text, sizeof text, "%.2fx", value / floor);
    return text;
}

std::string goalLine(bool met, const std::string& what, const std::string& measured)
{
    return std::string(met ? "PASS  " : "MISS  ") + what + "  (" + measured + ")";
}
