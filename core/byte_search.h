#pragma once
// Finding bytes in the store's text: the search's inner loop and the scan
// for the "not marketed" mark, on each path of core/scan_path.h. Both paths
// give the same answers; the plain names take the path they are given.
#include "core/scan_path.h"

#include <QtGlobal>

#include <algorithm>
#include <bit>

// First place of nd[0, m) in h[0, n), or nullptr; m >= 1.
const unsigned char *FindBytes(const unsigned char *h, qsizetype n, const unsigned char *nd,
                               qsizetype m, ScanPath path = kScanPath);
const unsigned char *FindBytesPortable(const unsigned char *h, qsizetype n, const unsigned char *nd,
                                       qsizetype m);
#if defined(CIS_HAVE_SSE2)
const unsigned char *FindBytesSse2(const unsigned char *h, qsizetype n, const unsigned char *nd,
                                   qsizetype m);
#endif

// The search's two-place test: place p is a candidate when
// (h[p] | maskA) == a and (h[p + d] | maskB) == b, with p + d < n. The masks
// let one compare accept both cases of a letter (mask 0x20, with a holding
// the bit) or only the byte itself (0). d >= 0; with d == 0, b and maskB
// must equal a and maskA.
struct BytePair
{
    unsigned char a = 0, maskA = 0, b = 0, maskB = 0;
    qsizetype d = 0;
    bool accepts(const unsigned char *h, qsizetype p) const
    {
        return (h[p] | maskA) == a && (h[p + d] | maskB) == b;
    }
    // Whether any place of [from, to) is a candidate: a loop without a
    // branch, which the compiler may vectorise.
    bool anyIn(const unsigned char *h, qsizetype from, qsizetype to) const
    {
        bool any = false;
        for (qsizetype p = from; p < to; ++p)
            any |= ((h[p] | maskA) == a) & ((h[p + d] | maskB) == b);
        return any;
    }
};

// Hands the candidates of h[0, n) from `from` on to `next`, in increasing
// order and without leaving the scan between them: next(p) gives the place
// to go on from (> p), or n or more to stop. The caller checks each
// candidate, and skips what it has no more use for, in the same call.
template <typename Next>
void ScanBytePairPortable(const unsigned char *h, qsizetype n, const BytePair &t, Next &&next,
                          qsizetype from = 0)
{
    // Most stretches of 32 places hold no candidate: one test each.
    constexpr qsizetype kStretch = 32;
    for (qsizetype p = from; p + t.d < n;) {
        const qsizetype end = std::min(p + kStretch, n - t.d);
        if (!t.anyIn(h, p, end)) {
            p = end;
            continue;
        }
        while (!t.accepts(h, p))
            ++p;
        const qsizetype r = next(p);
        Q_ASSERT(r > p);
        p = r;
    }
}

#if defined(CIS_HAVE_SSE2)
namespace byte_scan {

// The candidates of the 16 places from `at`, one byte each (0xFF for one).
template <bool Pair>
struct PairSse2
{
    const unsigned char *h;
    qsizetype d;
    __m128i a, maskA, b, maskB;

    PairSse2(const unsigned char *h, const BytePair &t)
        : h(h)
        , d(t.d)
        , a(_mm_set1_epi8(char(t.a)))
        , maskA(_mm_set1_epi8(char(t.maskA)))
        , b(_mm_set1_epi8(char(t.b)))
        , maskB(_mm_set1_epi8(char(t.maskB)))
    {
    }
    __m128i operator()(qsizetype at) const
    {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + at));
        const __m128i first = _mm_cmpeq_epi8(_mm_or_si128(x, maskA), a);
        if constexpr (!Pair)
            return first;
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + at + d));
        return _mm_and_si128(first, _mm_cmpeq_epi8(_mm_or_si128(y, maskB), b));
    }
};

// Where the next stretch of four blocks of 16 holding a candidate starts,
// or a place near `room` where a stretch no longer fits.
template <typename Candidates>
qsizetype skipToCandidates(qsizetype at, qsizetype room, const Candidates &candidates)
{
    for (; at + 64 <= room; at += 64) {
        const __m128i any = _mm_or_si128(_mm_or_si128(candidates(at), candidates(at + 16)),
                                         _mm_or_si128(candidates(at + 32), candidates(at + 48)));
        if (_mm_movemask_epi8(any) != 0)
            break;
    }
    return at;
}

// Walks blocks of 16 places from i while a block fits (i + 16 <= room),
// handing each candidate to next(). Returns false once next() has said
// stop, else true with i where fewer than 16 places remain.
template <typename Candidates, typename Next>
bool walkSse2(qsizetype &i, qsizetype room, qsizetype n, const Candidates &candidates, Next &next)
{
    while (i + 16 <= room) {
        // A caller that jumps goes to where its next hit is likely near (the
        // next line): the first block is tested alone before any stretch.
        unsigned bits = unsigned(_mm_movemask_epi8(candidates(i)));
        if (bits == 0) {
            i = skipToCandidates(i + 16, room, candidates);
            continue;
        }
        qsizetype after = i + 16;
        while (bits) {
            const qsizetype r = next(i + std::countr_zero(bits));
            if (r >= n)
                return false;
            if (r >= i + 16) {
                after = r;
                break;
            }
            bits &= ~0u << unsigned(r - i);
        }
        i = after;
    }
    return true;
}

} // namespace byte_scan

template <typename Next>
void ScanBytePairSse2(const unsigned char *h, qsizetype n, const BytePair &t, Next &&next)
{
    qsizetype i = 0;
    const bool more = t.d == 0
                          ? byte_scan::walkSse2(i, n, n, byte_scan::PairSse2<false>(h, t), next)
                          : byte_scan::walkSse2(i, n - t.d, n, byte_scan::PairSse2<true>(h, t),
                                                next);
    if (more)
        ScanBytePairPortable(h, n, t, next, i);
}
#endif

template <typename Next>
void ScanBytePair(const unsigned char *h, qsizetype n, const BytePair &t, Next &&next,
                  ScanPath path = kScanPath)
{
#if defined(CIS_HAVE_SSE2)
    if (path == ScanPath::Sse2)
        return ScanBytePairSse2(h, n, t, next);
#endif
    (void)path;
    ScanBytePairPortable(h, n, t, next);
}
