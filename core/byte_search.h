#pragma once
// Finding bytes in a byte buffer: the search's inner loop. SIMD paths for
// x86-64 (SSE2, which every x86-64 processor has, AVX2 where the processor
// has it, and for the stretches without candidates AVX-512: see simd.h) and
// a portable scalar path for other processors; all give the same answer, and all are built wherever they can
// be so that a test can compare them. The plain names take the widest path
// simd::active() allows.
#include "core/simd.h"

#include <QtGlobal>

#include <bit>

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
// The AVX2 path: only where simd::best() is AVX2 or more.
const unsigned char *FindBytesAvx2(const unsigned char *h, qsizetype n, const unsigned char *nd,
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
};

// Hands the candidates of h[0, n) to `next`, in increasing order and without
// leaving the scan between them: next(p) gives the place to go on from
// (> p), or n or more to stop. The caller checks each candidate, and skips
// what it has no more use for, in the same call.
template <typename Next>
void ScanBytePair(const unsigned char *h, qsizetype n, const BytePair &t, Next &&next);

// Each path, exposed for the comparison test.
template <typename Next>
void ScanBytePairScalar(const unsigned char *h, qsizetype n, const BytePair &t, Next &&next,
                        qsizetype from = 0)
{
    for (qsizetype p = from; p + t.d < n;) {
        if (!t.accepts(h, p)) {
            ++p;
            continue;
        }
        const qsizetype r = next(p);
        Q_ASSERT(r > p);
        p = r;
    }
}

namespace byte_scan {

// Walks blocks of W places from i while a block fits (i + W <= room),
// stretches of blocks without any candidate costing one test
// (quiet(i) gives where the next stretch with one starts, or a place near
// the end where its steps no longer fit); mask(i) gives
// the candidates of block i, bit k for place i + k. Returns false once
// next() has said stop, else true with i where fewer than W places remain.
template <int W, typename Quiet, typename Mask, typename Next>
CIS_ALWAYS_INLINE bool walkBlocks(qsizetype &i, qsizetype room, qsizetype n, const Quiet &quiet,
                                  const Mask &mask, Next &next)
{
    while (i + W <= room) {
        // A caller that jumps goes to where its next hit is likely near (the
        // next line): the first block is tested alone before any stretch.
        if (mask(i) == 0) {
            i = quiet(i + W);
            if (i + W > room)
                break;
        }
        const qsizetype stretchEnd = i + 4 * W;
        while (i < stretchEnd && i + W <= room) {
            qsizetype after = i + W;
            for (unsigned bits = mask(i); bits;) {
                const qsizetype r = next(i + std::countr_zero(bits));
                if (r >= n)
                    return false;
                if (r >= i + W) {
                    after = r;
                    break;
                }
                bits &= ~0u << unsigned(r - i);
            }
            i = after;
        }
    }
    return true;
}

#if defined(CIS_HAVE_SSE2)
template <bool Pair>
struct PairSse2
{
    const unsigned char *h;
    qsizetype d;
    unsigned char a, maskA, b, maskB;
    __m128i operator()(qsizetype at) const
    {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + at));
        const __m128i first = _mm_cmpeq_epi8(_mm_or_si128(x, _mm_set1_epi8(char(maskA))),
                                             _mm_set1_epi8(char(a)));
        if constexpr (!Pair)
            return first;
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + at + d));
        return _mm_and_si128(first, _mm_cmpeq_epi8(_mm_or_si128(y, _mm_set1_epi8(char(maskB))),
                                                   _mm_set1_epi8(char(b))));
    }
};

// Where the next stretch of four blocks of 16 with a candidate starts.
template <typename Candidates>
CIS_NOINLINE qsizetype quietSse2(qsizetype at, qsizetype room, const Candidates candidates)
{
    for (; at + 64 <= room; at += 64) {
        const __m128i any = _mm_or_si128(_mm_or_si128(candidates(at), candidates(at + 16)),
                                         _mm_or_si128(candidates(at + 32), candidates(at + 48)));
        if (_mm_movemask_epi8(any) != 0)
            break;
    }
    return at;
}

// Blocks of 16, four tested at once for any candidate.
template <typename Candidates, typename Next>
inline bool walkSse2(qsizetype &i, qsizetype room, qsizetype n, const Candidates &candidates,
                     Next &next)
{
    const auto quiet = [&](qsizetype at) { return quietSse2(at, room, candidates); };
    const auto mask = [&](qsizetype at) { return unsigned(_mm_movemask_epi8(candidates(at))); };
    return walkBlocks<16>(i, room, n, quiet, mask, next);
}
#endif

#if defined(CIS_HAVE_AVX2)
CIS_TARGET_AVX2 inline __m256i load32(const unsigned char *p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
}

template <bool Pair>
struct PairAvx2
{
    const unsigned char *h;
    qsizetype d;
    unsigned char a, maskA, b, maskB;
    CIS_TARGET_AVX2 __m256i operator()(qsizetype at) const
    {
        const __m256i first = _mm256_cmpeq_epi8(
            _mm256_or_si256(load32(h + at), _mm256_set1_epi8(char(maskA))),
            _mm256_set1_epi8(char(a)));
        if constexpr (!Pair)
            return first;
        return _mm256_and_si256(
            first,
            _mm256_cmpeq_epi8(_mm256_or_si256(load32(h + at + d), _mm256_set1_epi8(char(maskB))),
                              _mm256_set1_epi8(char(b))));
    }
};

// Where the next stretch of four blocks of 32 with a candidate starts.
template <typename Candidates>
CIS_TARGET_AVX2 CIS_NOINLINE qsizetype quietAvx2(qsizetype at, qsizetype room,
                                                 const Candidates candidates)
{
    // Loads that cross a cache line cost two: the first place of each step
    // is put on a 32-byte boundary, the places before it tested apart.
    if (const unsigned head = unsigned(-reinterpret_cast<quintptr>(candidates.h + at)) & 31;
        head != 0 && at + 128 <= room) {
        if ((unsigned(_mm256_movemask_epi8(candidates(at))) & ((1u << head) - 1)) != 0)
            return at;
        at += head;
    }
    for (; at + 128 <= room; at += 128) {
        const __m256i any = _mm256_or_si256(
            _mm256_or_si256(candidates(at), candidates(at + 32)),
            _mm256_or_si256(candidates(at + 64), candidates(at + 96)));
        if (!_mm256_testz_si256(any, any))
            break;
    }
    return at;
}

// Blocks of 32, four tested at once for any candidate.
template <typename Candidates, typename Next>
CIS_TARGET_AVX2 inline bool walkAvx2(qsizetype &i, qsizetype room, qsizetype n,
                                     const Candidates &candidates, Next &next)
{
    struct Quiet
    {
        qsizetype room;
        const Candidates &candidates;
        CIS_TARGET_AVX2 qsizetype operator()(qsizetype at) const
        {
            return quietAvx2(at, room, candidates);
        }
    };
    struct Mask
    {
        const Candidates &candidates;
        CIS_TARGET_AVX2 unsigned operator()(qsizetype at) const
        {
            return unsigned(_mm256_movemask_epi8(candidates(at)));
        }
    };
    return walkBlocks<32>(i, room, n, Quiet{room, candidates}, Mask{candidates}, next);
}
#endif

#if defined(CIS_HAVE_AVX512)
// quietAvx2's work 256 places at a time. Each byte becomes 0 where it
// matches ((x | mask) ^ byte, one ternary-logic operation), a place's two
// are joined by OR (0 for a candidate), and the smallest byte of four
// blocks of 64 says whether any holds one: one test, without a compare per
// block.
template <bool Pair>
CIS_TARGET_AVX512 CIS_NOINLINE qsizetype quietAvx512(const unsigned char *h, qsizetype d,
                                                     unsigned char a, unsigned char maskA,
                                                     unsigned char b, unsigned char maskB,
                                                     qsizetype at, qsizetype room)
{
    constexpr int kMissed = (0xF0 | 0xCC) ^ 0xAA; // (x | mask) ^ byte
    const __m512i byteA = _mm512_set1_epi8(char(a)), foldA = _mm512_set1_epi8(char(maskA));
    const __m512i byteB = _mm512_set1_epi8(char(b)), foldB = _mm512_set1_epi8(char(maskB));
    struct Missed
    {
        const unsigned char *h;
        qsizetype d;
        __m512i byteA, foldA, byteB, foldB;
        CIS_TARGET_AVX512 __m512i operator()(qsizetype p) const
        {
            const __m512i first = _mm512_ternarylogic_epi32(_mm512_loadu_si512(h + p), foldA, byteA,
                                                            kMissed);
            if constexpr (!Pair)
                return first;
            return _mm512_or_si512(first, _mm512_ternarylogic_epi32(_mm512_loadu_si512(h + p + d),
                                                                    foldB, byteB, kMissed));
        }
    } missed{h, d, byteA, foldA, byteB, foldB};
    // The first place of each step on a 64-byte boundary, as in quietAvx2.
    if (const unsigned head = unsigned(-reinterpret_cast<quintptr>(h + at)) & 63;
        head != 0 && at + 256 <= room) {
        const __m512i z = missed(at);
        if ((_mm512_testn_epi8_mask(z, z) & ((1ull << head) - 1)) != 0)
            return at;
        at += head;
    }
    for (; at + 256 <= room; at += 256) {
        const __m512i z = _mm512_min_epu8(_mm512_min_epu8(missed(at), missed(at + 64)),
                                          _mm512_min_epu8(missed(at + 128), missed(at + 192)));
        if (_mm512_testn_epi8_mask(z, z))
            break;
    }
    return at;
}

// walkAvx2 with the quiet stretches found by quietAvx512.
template <bool Pair, typename Next>
CIS_TARGET_AVX512 inline bool walkAvx512(qsizetype &i, qsizetype room, qsizetype n,
                                         const PairAvx2<Pair> &candidates, Next &next)
{
    struct Quiet
    {
        qsizetype room;
        const PairAvx2<Pair> &c;
        CIS_TARGET_AVX512 qsizetype operator()(qsizetype at) const
        {
            return quietAvx512<Pair>(c.h, c.d, c.a, c.maskA, c.b, c.maskB, at, room);
        }
    };
    struct Mask
    {
        const PairAvx2<Pair> &candidates;
        CIS_TARGET_AVX512 unsigned operator()(qsizetype at) const
        {
            return unsigned(_mm256_movemask_epi8(candidates(at)));
        }
    };
    return walkBlocks<32>(i, room, n, Quiet{room, candidates}, Mask{candidates}, next);
}
#endif

} // namespace byte_scan

#if defined(CIS_HAVE_SSE2)
template <typename Next>
void ScanBytePairSse2(const unsigned char *h, qsizetype n, const BytePair &t, Next &&next)
{
    qsizetype i = 0;
    const bool more =
        t.d == 0
            ? byte_scan::walkSse2(
                i, n, n, byte_scan::PairSse2<false>{h, 0, t.a, t.maskA, t.a, t.maskA}, next)
            : byte_scan::walkSse2(
                i, n - t.d, n, byte_scan::PairSse2<true>{h, t.d, t.a, t.maskA, t.b, t.maskB}, next);
    if (more)
        ScanBytePairScalar(h, n, t, next, i);
}
#endif

#if defined(CIS_HAVE_AVX2)
template <typename Next>
CIS_TARGET_AVX2 void ScanBytePairAvx2(const unsigned char *h, qsizetype n, const BytePair &t,
                                      Next &&next)
{
    qsizetype i = 0;
    const bool more =
        t.d == 0
            ? byte_scan::walkAvx2(
                i, n, n, byte_scan::PairAvx2<false>{h, 0, t.a, t.maskA, t.a, t.maskA}, next)
            : byte_scan::walkAvx2(
                i, n - t.d, n, byte_scan::PairAvx2<true>{h, t.d, t.a, t.maskA, t.b, t.maskB}, next);
    if (more)
        ScanBytePairScalar(h, n, t, next, i);
}
#endif

#if defined(CIS_HAVE_AVX512)
template <typename Next>
CIS_TARGET_AVX512 void ScanBytePairAvx512(const unsigned char *h, qsizetype n, const BytePair &t,
                                          Next &&next)
{
    qsizetype i = 0;
    const bool more =
        t.d == 0
            ? byte_scan::walkAvx512(
                i, n, n, byte_scan::PairAvx2<false>{h, 0, t.a, t.maskA, t.a, t.maskA}, next)
            : byte_scan::walkAvx512(
                i, n - t.d, n, byte_scan::PairAvx2<true>{h, t.d, t.a, t.maskA, t.b, t.maskB}, next);
    if (more)
        ScanBytePairScalar(h, n, t, next, i);
}
#endif

template <typename Next>
void ScanBytePair(const unsigned char *h, qsizetype n, const BytePair &t, Next &&next)
{
#if defined(CIS_HAVE_AVX512)
    if (simd::active() == simd::Level::Avx512)
        return ScanBytePairAvx512(h, n, t, next);
#endif
#if defined(CIS_HAVE_AVX2)
    if (simd::active() >= simd::Level::Avx2)
        return ScanBytePairAvx2(h, n, t, next);
#endif
#if defined(CIS_HAVE_SSE2)
    if (simd::active() != simd::Level::Scalar)
        return ScanBytePairSse2(h, n, t, next);
#endif
    ScanBytePairScalar(h, n, t, next);
}
