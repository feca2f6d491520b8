#include "core/byte_search.h"

#include <cstring>

namespace {

// The needle's tail (m >= 2) matches at p, whose first byte already does.
inline bool restMatches(const unsigned char *p, const unsigned char *nd, qsizetype m)
{
    return std::memcmp(p + 1, nd + 1, size_t(m - 1)) == 0;
}

} // namespace

const unsigned char *FindBytesPortable(const unsigned char *h, qsizetype n, const unsigned char *nd,
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
// Blocks of places are tested on the needle's first and last bytes at once;
// only those candidates are compared in full.
const unsigned char *FindBytesSse2(const unsigned char *h, qsizetype n, const unsigned char *nd,
                                   qsizetype m)
{
    if (m <= 1 || n < m)
        return FindBytesPortable(h, n, nd, m);
    const BytePair ends{nd[0], 0, nd[m - 1], 0, m - 1};
    const unsigned char *found = nullptr;
    const auto next = [&](qsizetype p) {
        if (!restMatches(h + p, nd, m))
            return p + 1;
        found = h + p;
        return n;
    };
    qsizetype i = 0;
    const byte_scan::PairSse2<true> candidates(h, ends);
    if (byte_scan::walkSse2(i, n - (m - 1), n, candidates, next))
        return FindBytesPortable(h + i, n - i, nd, m);
    return found;
}
#endif

const unsigned char *FindBytes(const unsigned char *h, qsizetype n, const unsigned char *nd,
                               qsizetype m, ScanPath path)
{
#if defined(CIS_HAVE_SSE2)
    if (path == ScanPath::Sse2)
        return FindBytesSse2(h, n, nd, m);
#endif
    (void)path;
    return FindBytesPortable(h, n, nd, m);
}
