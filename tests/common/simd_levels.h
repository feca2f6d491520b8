#pragma once
// The SIMD paths the loader and the search may take on this processor, so
// that a test can run each on the same input.
#include "core/cis_loader.h"
#include "core/cis_store.h"
#include "core/simd.h"

#include <QByteArray>
#include <QList>

inline QList<simd::Level> simdLevels()
{
    QList<simd::Level> out{simd::Level::Scalar};
    if (simd::best() >= simd::Level::Sse2)
        out << simd::Level::Sse2;
    if (simd::best() >= simd::Level::Avx2)
        out << simd::Level::Avx2;
    if (simd::best() >= simd::Level::Avx512)
        out << simd::Level::Avx512;
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

// `bytes` loaded on one path (which stays the active one).
inline CisStore loadAtLevel(simd::Level level, const QByteArray &bytes)
{
    simd::setActiveForTesting(level);
    CisStore store;
    FillStoreFromBytes(store, bytes.constData(), bytes.size());
    return store;
}
