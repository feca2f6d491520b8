#include "core/byte_search.h"

#include <cstring>

namespace {

// The needle's tail (m >= 2) matches at p, whose first byte already does.
inline bool restMatches(const unsigned char *p, const unsigned char *nd, qsizetype m)
{
    return std::memcmp(p + 1, nd + 1, size_t(m - 1)) == 0;
}

// What the SIMD scans do with a candidate: compare it in full, and stop at
// the first match.
struct FirstMatch
{
    const unsigned char *h;
    qsizetype n;
    const unsigned char *nd;
    qsizetype m;
    const unsigned char *found = nullptr;
    qsizetype operator()(qsizetype p)
    {
        if (!restMatches(h + p, nd, m))
            return p + 1;
        found = h + p;
        return n;
    }
};

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

// The SIMD paths test blocks of places on the needle's first and last bytes
// at once; only those candidates are compared in full.
#if defined(CIS_HAVE_SSE2)
const unsigned char *FindBytesSse2(const unsigned char *h, qsizetype n, const unsigned char *nd,
                                   qsizetype m)
{
    if (m <= 0 || n < m)
        return nullptr;
    if (m == 1)
        return static_cast<const unsigned char *>(std::memchr(h, nd[0], size_t(n)));
    const __m128i first = _mm_set1_epi8(char(nd[0]));
    const __m128i lastByte = _mm_set1_epi8(char(nd[m - 1]));
    const auto candidates = [&](qsizetype at) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + at));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + at + m - 1));
        return _mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, lastByte));
    };
    FirstMatch next{h, n, nd, m};
    qsizetype i = 0;
    if (byte_scan::walkSse2(i, n - (m - 1), n, candidates, next))
        return FindBytesScalar(h + i, n - i, nd, m);
    return next.found;
}
#endif

#if defined(CIS_HAVE_AVX2)
namespace {

// Places whose first byte and last byte are the needle's.
struct EndsAvx2
{
    const unsigned char *h;
    qsizetype m;
    unsigned char first, last;
    CIS_TARGET_AVX2 __m256i operator()(qsizetype at) const
    {
        return _mm256_and_si256(
            _mm256_cmpeq_epi8(byte_scan::load32(h + at), _mm256_set1_epi8(char(first))),
            _mm256_cmpeq_epi8(byte_scan::load32(h + at + m - 1), _mm256_set1_epi8(char(last))));
    }
};

} // namespace

CIS_TARGET_AVX2 const unsigned char *FindBytesAvx2(const unsigned char *h, qsizetype n,
                                                   const unsigned char *nd, qsizetype m)
{
    if (m <= 1 || n < m)
        return FindBytesSse2(h, n, nd, m);
    FirstMatch next{h, n, nd, m};
    qsizetype i = 0;
    if (byte_scan::walkAvx2(i, n - (m - 1), n, EndsAvx2{h, m, nd[0], nd[m - 1]}, next))
        return FindBytesSse2(h + i, n - i, nd, m);
    return next.found;
}
#endif

const unsigned char *FindBytes(const unsigned char *h, qsizetype n, const unsigned char *nd,
                               qsizetype m)
{
#if defined(CIS_HAVE_AVX2)
    if (simd::active() >= simd::Level::Avx2)
        return FindBytesAvx2(h, n, nd, m);
#endif
#if defined(CIS_HAVE_SSE2)
    if (simd::active() != simd::Level::Scalar)
        return FindBytesSse2(h, n, nd, m);
#endif
    return FindBytesScalar(h, n, nd, m);
}
