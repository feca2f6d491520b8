#pragma once
// Timing helpers shared by the benchmark programs. Figures are medians of
// several runs; ratios are taken within one run, the two sides interleaved,
// so that the rest of the machine weighs on both alike.
#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

template <typename F>
double timeOnce(F &&f)
{
    const auto t0 = Clock::now();
    f();
    return msSince(t0);
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Median of n runs.
template <typename F>
double medianOf(int n, F &&f)
{
    std::vector<double> t;
    for (int i = 0; i < n; ++i)
        t.push_back(timeOnce(f));
    return median(t);
}

// A measured side against its floor: n runs of each, interleaved.
struct Pair
{
    double floor = 0;    // median of the floor's runs
    double measured = 0; // median of the measured runs
    double ratio = 0;    // median of the per-run ratios measured / floor
};

template <typename F, typename G>
Pair interleaved(int n, F &&floorRun, G &&measuredRun)
{
    std::vector<double> a, b, r;
    for (int i = 0; i < n; ++i) {
        a.push_back(timeOnce(floorRun));
        b.push_back(timeOnce(measuredRun));
        r.push_back(a.back() > 0 ? b.back() / a.back() : 0);
    }
    return {median(a), median(b), median(r)};
}

} // namespace bench
