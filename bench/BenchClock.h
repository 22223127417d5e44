#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

// What the benchmarks time with and how they report a goal.
namespace BenchClock {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The middle of the values (the upper one of an even count); empty gives 0.
inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline const char *verdict(bool met)
{
    return met ? "met" : "MISSED";
}

} // namespace BenchClock
