#pragma once
// Finding a byte string in a byte buffer: the search's inner loop. SIMD paths
// for x86-64 (SSE2, which every x86-64 processor has, and AVX2 where the
// processor has it: see simd.h) and a portable scalar path for other
// processors; all give the same answer, and all are built wherever they can
// be so that a test can compare them. The plain names take the widest path
// simd::active() allows.
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
#if defined(CIS_HAVE_AVX2)
// The AVX2 path: only where simd::best() is AVX2.
const unsigned char *FindBytesAvx2(const unsigned char *h, qsizetype n, const unsigned char *nd,
                                   qsizetype m);
#endif

// First place p of h[0, n) where (h[p] | maskA) == a and (h[p + d] | maskB)
// == b, with p + d < n; nullptr if none. d >= 0; with d == 0, b and maskB
// must equal a and maskA. The masks let one compare accept both cases of a
// letter (mask 0x20, with a holding the bit) or only the byte itself (0).
const unsigned char *FindBytePair(const unsigned char *h, qsizetype n, unsigned char a,
                                  unsigned char maskA, unsigned char b, unsigned char maskB,
                                  qsizetype d);
const unsigned char *FindBytePairScalar(const unsigned char *h, qsizetype n, unsigned char a,
                                        unsigned char maskA, unsigned char b, unsigned char maskB,
                                        qsizetype d);
#if defined(CIS_HAVE_SSE2)
const unsigned char *FindBytePairSse2(const unsigned char *h, qsizetype n, unsigned char a,
                                      unsigned char maskA, unsigned char b, unsigned char maskB,
                                      qsizetype d);
#endif
#if defined(CIS_HAVE_AVX2)
const unsigned char *FindBytePairAvx2(const unsigned char *h, qsizetype n, unsigned char a,
                                      unsigned char maskA, unsigned char b, unsigned char maskB,
                                      qsizetype d);
#endif
