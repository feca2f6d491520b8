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

const unsigned char *FindBytesScalar(const unsigned char *h, qsizetype n, const unsigned char *nd, qsizetype m)
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
const unsigned char *FindBytesSse2(const unsigned char *h, qsizetype n, const unsigned char *nd, qsizetype m)
{
    if (m <= 0 || n < m)
        return nullptr;
    if (m == 1)
        return static_cast<const unsigned char *>(std::memchr(h, nd[0], size_t(n)));
    // Blocks of 16 places are tested on the needle's first and last bytes at
    // once; only the candidates are compared in full.
    const __m128i first = _mm_set1_epi8(char(nd[0]));
    const __m128i lastByte = _mm_set1_epi8(char(nd[m - 1]));
    qsizetype i = 0;
    for (; i + m - 1 + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + i + m - 1));
        unsigned mask = unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, lastByte))));
        while (mask) {
            const int bit = std::countr_zero(mask);
            if (restMatches(h + i + bit, nd, m))
                return h + i + bit;
            mask &= mask - 1;
        }
    }
    // Fewer than 16 places left.
    return FindBytesScalar(h + i, n - i, nd, m);
}
#endif

const unsigned char *FindBytes(const unsigned char *h, qsizetype n, const unsigned char *nd, qsizetype m)
{
#if defined(CIS_HAVE_SSE2)
    return FindBytesSse2(h, n, nd, m);
#else
    return FindBytesScalar(h, n, nd, m);
#endif
}
