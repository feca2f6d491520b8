#include "core/simd.h"

#include <atomic>

namespace simd {

namespace {

Level detect()
{
#if defined(CIS_HAVE_AVX2)
    // The builtin checks the processor and that the system saves the wide
    // registers.
    __builtin_cpu_init();
#if defined(CIS_HAVE_AVX512)
    if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi")
        && __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("avx2")
        && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2")
        && __builtin_cpu_supports("popcnt"))
        return Level::Avx512;
#endif
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi")
        && __builtin_cpu_supports("popcnt"))
        return Level::Avx2;
#endif
#if defined(CIS_HAVE_SSE2)
    return Level::Sse2;
#else
    return Level::Scalar;
#endif
}

std::atomic<Level> &current()
{
    static std::atomic<Level> level{best()};
    return level;
}

} // namespace

Level best()
{
    static const Level level = detect();
    return level;
}

Level active()
{
    return current().load(std::memory_order_relaxed);
}

void setActiveForTesting(Level level)
{
    current().store(level > best() ? best() : level, std::memory_order_relaxed);
}

} // namespace simd
