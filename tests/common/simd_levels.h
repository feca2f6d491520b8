#pragma once
// The SIMD paths the loader and the search may take on this processor, so
// that a test can run each on the same input.
#include "simd.h"

#include <QList>

inline QList<simd::Level> simdLevels()
{
    QList<simd::Level> out{simd::Level::Scalar};
    if (simd::best() >= simd::Level::Sse2)
        out << simd::Level::Sse2;
    if (simd::best() >= simd::Level::Avx2)
        out << simd::Level::Avx2;
    return out;
}

// Puts the widest path back, however the test ends.
struct SimdLevelGuard
{
    SimdLevelGuard() = default;
    SimdLevelGuard(const SimdLevelGuard &) = delete;
    SimdLevelGuard &operator=(const SimdLevelGuard &) = delete;
    ~SimdLevelGuard() { simd::setActiveForTesting(simd::best()); }
};
