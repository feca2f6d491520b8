#pragma once
// The byte scans of the loading and the search come in two paths: a portable
// one, plain C++, and an SSE2 one for x86-64, where every processor has SSE2
// (GCC and Clang define __SSE2__, MSVC _M_X64). The choice is made here, at
// compile time; VERDANE_PORTABLE_SCANS (a CMake option) keeps the portable
// path on x86-64 too. Both paths of a build give the same results: the tests
// run each on the same input, through the path parameter the loader and the
// search take (the program always passes kScanPath).
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(VERDANE_PORTABLE_SCANS)
#define CIS_HAVE_SSE2 1
#include <emmintrin.h>
#endif

enum class ScanPath { Portable, Sse2 };

#if defined(CIS_HAVE_SSE2)
inline constexpr ScanPath kScanPath = ScanPath::Sse2;
inline constexpr ScanPath kScanPaths[] = {ScanPath::Portable, ScanPath::Sse2};
#else
inline constexpr ScanPath kScanPath = ScanPath::Portable;
inline constexpr ScanPath kScanPaths[] = {ScanPath::Portable};
#endif

inline const char *ScanPathName(ScanPath path)
{
    return path == ScanPath::Sse2 ? "SSE2" : "portable";
}
