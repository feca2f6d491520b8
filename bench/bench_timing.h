#pragma once
// Timing helpers shared by the benchmark programs.
#include <algorithm>
#include <chrono>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Best of n runs: the figure least disturbed by the rest of the machine.
template <typename F>
double bestOf(int n, F &&f)
{
    double best = 1e300;
    for (int i = 0; i < n; ++i) {
        const auto t0 = Clock::now();
        f();
        best = std::min(best, msSince(t0));
    }
    return best;
}

} // namespace bench
