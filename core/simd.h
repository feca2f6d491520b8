#pragma once
// x86-64 SIMD where the compiler offers it: GCC and Clang define __SSE2__,
// MSVC defines _M_X64 (SSE2 is part of every x86-64 processor). Elsewhere
// the callers take their portable scalar paths.
#if defined(__SSE2__) || defined(_M_X64)
#define CIS_HAVE_SSE2 1
#include <emmintrin.h>
#endif

// AVX2 paths are built beside the SSE2 ones and chosen at run time, only
// where the processor has AVX2. Only with GCC or Clang, and on Windows only
// when the build makes every vector move an unaligned one
// (CIS_UNALIGNED_VECTOR_MOVES, set for GCC by the top-level CMakeLists.txt):
// Windows keeps the stack aligned to 16 bytes only, and GCC spills 32- and
// 64-byte values there with aligned moves, which fault. MSVC and Clang
// builds for Windows, which cannot be tested here, take SSE2.
#if defined(CIS_HAVE_SSE2) && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))     \
    && (!defined(_WIN32) || defined(CIS_UNALIGNED_VECTOR_MOVES))
#define CIS_HAVE_AVX2 1
#include <immintrin.h>
// Functions using AVX2 intrinsics carry this; they run only once
// simd::active() has said AVX2 or more.
#define CIS_TARGET_AVX2 __attribute__((target("avx2,bmi,popcnt")))
// AVX-512 paths (byte compares into mask registers, byte compress) beside
// them, under the same conditions, for processors with AVX512BW, VBMI and VBMI2.
#define CIS_HAVE_AVX512 1
#define CIS_TARGET_AVX512                                                                          \
    __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,avx2,bmi,bmi2,popcnt")))
#endif

// Shared scanning loops are inlined into each path, so that the AVX2 path's
// loop is built for AVX2 (CIS_ALWAYS_INLINE holds the `inline` itself:
// MSVC warns when it is written twice).
// The loops over stretches without a candidate are kept apart, so that
// their constants stay in registers whatever the caller's work needs.
// CIS_LAMBDA_INLINE is the same for a lambda, where only GCC and Clang take
// it (after the parameter list).
#if defined(__GNUC__) || defined(__clang__)
#define CIS_ALWAYS_INLINE __attribute__((always_inline)) inline
#define CIS_LAMBDA_INLINE __attribute__((always_inline))
#define CIS_NOINLINE __attribute__((noinline))
#elif defined(_MSC_VER)
#define CIS_ALWAYS_INLINE __forceinline
#define CIS_LAMBDA_INLINE
#define CIS_NOINLINE __declspec(noinline)
#else
#define CIS_ALWAYS_INLINE inline
#define CIS_LAMBDA_INLINE
#define CIS_NOINLINE
#endif

namespace simd {

// The widest path a caller may take.
// Each level may take every narrower level's paths.
enum class Level { Scalar, Sse2, Avx2, Avx512 };

// What this build and this processor offer.
Level best();
// What the code uses: best(), unless a test asked for less.
Level active();
// Lowers (or restores) the level, never above best(); for tests comparing
// the paths on the same input.
void setActiveForTesting(Level level);

} // namespace simd
