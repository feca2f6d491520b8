#pragma once
// x86-64 SIMD where the compiler offers it: GCC and Clang define __SSE2__,
// MSVC defines _M_X64 (SSE2 is part of every x86-64 processor). Elsewhere
// the callers take their portable scalar paths.
#if defined(__SSE2__) || defined(_M_X64)
#define CIS_HAVE_SSE2 1
#include <emmintrin.h>
#endif
