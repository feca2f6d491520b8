#pragma once
// Finding a byte string in a byte buffer: the search's inner loop. One SIMD
// path for x86-64 (SSE2, which every x86-64 compiler offers) and a portable
// scalar path for other processors; both always give the same answer, and
// both are built wherever they can be so that a test can compare them.
#include "simd.h"

#include <QtGlobal>

// First place of nd[0, m) in h[0, n), or nullptr; m >= 1.
const unsigned char *FindBytes(const unsigned char *h, qsizetype n, const unsigned char *nd,
                               qsizetype m);

// The portable path, exposed for the comparison test.
const unsigned char *FindBytesScalar(const unsigned char *h, qsizetype n, const unsigned char *nd,
                                     qsizetype m);

#if defined(CIS_HAVE_SSE2)
// The SSE2 path, exposed for the comparison test.
const unsigned char *FindBytesSse2(const unsigned char *h, qsizetype n, const unsigned char *nd,
                                   qsizetype m);
#endif
