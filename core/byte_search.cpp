#include "byte_search.h"

#include <bit>
#include <cstring>

namespace {

// The needle's tail (m >= 2) matches at p, whose first byte already does.
inline bool restMatches(const unsigned char *p, const unsigned char *nd, qsizetype m)
{
    return std::memcmp(p + 1, nd + 1, size_t(m - 1)) == 0;
}

} // namespace

const unsigned char *FindBytesScalar(const unsigned char *h, qsizetype n, const unsigned char *nd,
                                     qsizetype m)
{
    if (m <= 0 || n < m)
        return nullptr;
    // memchr is vectorised by every C library: it carries the scan between
    // candidates, and each candidate's tail is compared in full.
    const unsigned char *p = h;
    const unsigned char *const last = h + (n - m); // last place a match can start
    while (p <= last) {
        p = static_cast<const unsigned char *>(std::memchr(p, nd[0], size_t(last - p + 1)));
        if (!p)
            return nullptr;
        if (m == 1 || restMatches(p, nd, m))
            return p;
        ++p;
    }
    return nullptr;
}

#if defined(CIS_HAVE_SSE2)
namespace {

// Most of the text holds no candidate: four blocks at a time are only tested
// for any. Returns the first 64-byte stretch from i that holds one, or where
// fewer than 64 places remain.
template <typename Candidates>
inline qsizetype skipQuiet(qsizetype i, qsizetype room, const Candidates &candidates)
{
    for (; i + 64 <= room; i += 64) {
        const __m128i any = _mm_or_si128(_mm_or_si128(candidates(i), candidates(i + 16)),
                                         _mm_or_si128(candidates(i + 32), candidates(i + 48)));
        if (_mm_movemask_epi8(any) != 0)
            break;
    }
    return i;
}

} // namespace

const unsigned char *FindBytesSse2(const unsigned char *h, qsizetype n, const unsigned char *nd,
                                   qsizetype m)
{
    if (m <= 0 || n < m)
        return nullptr;
    if (m == 1)
        return static_cast<const unsigned char *>(std::memchr(h, nd[0], size_t(n)));
    // Blocks of 16 places are tested on the needle's first and last bytes at
    // once; only the candidates are compared in full.
    const __m128i first = _mm_set1_epi8(char(nd[0]));
    const __m128i lastByte = _mm_set1_epi8(char(nd[m - 1]));
    const auto candidates = [&](qsizetype at) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + at));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + at + m - 1));
        return _mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, lastByte));
    };
    // Stretches without a candidate are skipped, the others searched block
    // by block.
    qsizetype i = 0;
    const qsizetype room = n
                           - (m - 1); // places where a 16-byte load of the tail fits: i + 16 <= room
    while (i + 16 <= room) {
        i = skipQuiet(i, room, candidates);
        for (int block = 0; block < 4 && i + 16 <= room; ++block, i += 16) {
            for (unsigned mask = unsigned(_mm_movemask_epi8(candidates(i))); mask;
                 mask &= mask - 1) {
                const int bit = std::countr_zero(mask);
                if (restMatches(h + i + bit, nd, m))
                    return h + i + bit;
            }
        }
    }
    // Fewer than 16 places left.
    return FindBytesScalar(h + i, n - i, nd, m);
}
#endif

#if defined(CIS_HAVE_AVX2)
namespace {

// The AVX2 scan: blocks of 32 places. Stretches of four blocks without any
// candidate cost one test; the others are looked at block by block, and
// `found(i, bits)` looks at the candidates of block i (bit k for place
// i + k) and gives the answer or nullptr. Leaves i where fewer than 32
// places remain (room: a block at i fits while i + 32 <= room).
template <typename Candidates, typename Found>
CIS_TARGET_AVX2 inline const unsigned char *scanAvx2(qsizetype &i, qsizetype room,
                                                     const Candidates &candidates,
                                                     const Found &found)
{
    while (i + 32 <= room) {
        for (; i + 128 <= room; i += 128) {
            const __m256i any = _mm256_or_si256(
                _mm256_or_si256(candidates(i), candidates(i + 32)),
                _mm256_or_si256(candidates(i + 64), candidates(i + 96)));
            if (!_mm256_testz_si256(any, any))
                break;
        }
        for (int block = 0; block < 4 && i + 32 <= room; ++block, i += 32) {
            if (const unsigned bits = unsigned(_mm256_movemask_epi8(candidates(i))))
                if (const unsigned char *p = found(i, bits))
                    return p;
        }
    }
    return nullptr;
}

CIS_TARGET_AVX2 inline __m256i load32(const unsigned char *p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
}

// Places whose first byte and last byte are the needle's.
struct EndsAvx2
{
    const unsigned char *h;
    qsizetype m;
    unsigned char first, last;
    CIS_TARGET_AVX2 __m256i operator()(qsizetype at) const
    {
        return _mm256_and_si256(
            _mm256_cmpeq_epi8(load32(h + at), _mm256_set1_epi8(char(first))),
            _mm256_cmpeq_epi8(load32(h + at + m - 1), _mm256_set1_epi8(char(last))));
    }
};

} // namespace

CIS_TARGET_AVX2 const unsigned char *FindBytesAvx2(const unsigned char *h, qsizetype n,
                                                   const unsigned char *nd, qsizetype m)
{
    if (m <= 1 || n < m)
        return FindBytesSse2(h, n, nd, m);
    qsizetype i = 0;
    const EndsAvx2 ends{h, m, nd[0], nd[m - 1]};
    const auto found = [&](qsizetype at, unsigned bits) -> const unsigned char * {
        for (; bits; bits &= bits - 1) {
            const unsigned char *p = h + at + std::countr_zero(bits);
            if (restMatches(p, nd, m))
                return p;
        }
        return nullptr;
    };
    if (const unsigned char *p = scanAvx2(i, n - (m - 1), ends, found))
        return p;
    return FindBytesSse2(h + i, n - i, nd, m);
}
#endif

const unsigned char *FindBytes(const unsigned char *h, qsizetype n, const unsigned char *nd,
                               qsizetype m)
{
#if defined(CIS_HAVE_AVX2)
    if (simd::active() == simd::Level::Avx2)
        return FindBytesAvx2(h, n, nd, m);
#endif
#if defined(CIS_HAVE_SSE2)
    if (simd::active() != simd::Level::Scalar)
        return FindBytesSse2(h, n, nd, m);
#endif
    return FindBytesScalar(h, n, nd, m);
}

const unsigned char *FindBytePairScalar(const unsigned char *h, qsizetype n, unsigned char a,
                                        unsigned char maskA, unsigned char b, unsigned char maskB,
                                        qsizetype d)
{
    for (qsizetype p = 0; p + d < n; ++p)
        if ((h[p] | maskA) == a && (h[p + d] | maskB) == b)
            return h + p;
    return nullptr;
}

#if defined(CIS_HAVE_SSE2)
namespace {

// Pair: test both bytes; else the first only (d == 0).
template <bool Pair>
const unsigned char *findPairSse2(const unsigned char *h, qsizetype n, unsigned char a,
                                  unsigned char maskA, unsigned char b, unsigned char maskB,
                                  qsizetype d)
{
    const __m128i va = _mm_set1_epi8(char(a)), ma = _mm_set1_epi8(char(maskA));
    const __m128i vb = _mm_set1_epi8(char(b)), mb = _mm_set1_epi8(char(maskB));
    const auto candidates = [&](qsizetype at) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + at));
        const __m128i first = _mm_cmpeq_epi8(_mm_or_si128(x, ma), va);
        if constexpr (!Pair)
            return first;
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + at + d));
        return _mm_and_si128(first, _mm_cmpeq_epi8(_mm_or_si128(y, mb), vb));
    };
    // As in FindBytesSse2.
    qsizetype i = 0;
    const qsizetype room = n - d; // a 16-byte load of the second byte fits while i + 16 <= room
    while (i + 16 <= room) {
        i = skipQuiet(i, room, candidates);
        for (int block = 0; block < 4 && i + 16 <= room; ++block, i += 16) {
            if (const unsigned mask = unsigned(_mm_movemask_epi8(candidates(i))))
                return h + i + std::countr_zero(mask);
        }
    }
    const unsigned char *tail = FindBytePairScalar(h + i, n - i, a, maskA, b, maskB, d);
    return tail;
}

} // namespace

const unsigned char *FindBytePairSse2(const unsigned char *h, qsizetype n, unsigned char a,
                                      unsigned char maskA, unsigned char b, unsigned char maskB,
                                      qsizetype d)
{
    return d == 0 ? findPairSse2<false>(h, n, a, maskA, b, maskB, d)
                  : findPairSse2<true>(h, n, a, maskA, b, maskB, d);
}
#endif

#if defined(CIS_HAVE_AVX2)
namespace {

// Places p where (h[p] | maskA) == a and (h[p + d] | maskB) == b.
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

template <bool Pair>
CIS_TARGET_AVX2 const unsigned char *findPairAvx2(const unsigned char *h, qsizetype n,
                                                  unsigned char a, unsigned char maskA,
                                                  unsigned char b, unsigned char maskB, qsizetype d)
{
    qsizetype i = 0;
    const PairAvx2<Pair> candidates{h, d, a, maskA, b, maskB};
    const auto found = [&](qsizetype at, unsigned bits) { return h + at + std::countr_zero(bits); };
    if (const unsigned char *p = scanAvx2(i, n - d, candidates, found))
        return p;
    return FindBytePairSse2(h + i, n - i, a, maskA, b, maskB, d);
}

} // namespace

const unsigned char *FindBytePairAvx2(const unsigned char *h, qsizetype n, unsigned char a,
                                      unsigned char maskA, unsigned char b, unsigned char maskB,
                                      qsizetype d)
{
    return d == 0 ? findPairAvx2<false>(h, n, a, maskA, b, maskB, d)
                  : findPairAvx2<true>(h, n, a, maskA, b, maskB, d);
}
#endif

const unsigned char *FindBytePair(const unsigned char *h, qsizetype n, unsigned char a,
                                  unsigned char maskA, unsigned char b, unsigned char maskB,
                                  qsizetype d)
{
#if defined(CIS_HAVE_AVX2)
    if (simd::active() == simd::Level::Avx2)
        return FindBytePairAvx2(h, n, a, maskA, b, maskB, d);
#endif
#if defined(CIS_HAVE_SSE2)
    if (simd::active() != simd::Level::Scalar)
        return FindBytePairSse2(h, n, a, maskA, b, maskB, d);
#endif
    return FindBytePairScalar(h, n, a, maskA, b, maskB, d);
}
