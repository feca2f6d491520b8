// The search's byte scans as a Windows build compiles them (GCC for Windows,
// every vector move unaligned, so that the AVX2 and AVX-512 paths are built),
// run under Wine: at each level the processor has, through the plain entry
// points the program calls, the same places and candidates as a plain loop.
// Windows passes vector values by reference and keeps only the low halves of
// some vector registers across a call, so the scan calling back into the
// caller's check is worth running there, not only compiling. Built without Qt
// libraries (only Qt's header types); prints one line per failure and
// returns non-zero if any.
#include "core/byte_search.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

int g_failures = 0;

void fail(const char *what, int level, int round)
{
    if (++g_failures <= 20)
        std::printf("FAIL level %d round %d: %s\n", level, round, what);
}

std::vector<qsizetype> pairCandidates(const std::vector<unsigned char> &hay, const BytePair &t,
                                      bool scan, qsizetype spread, unsigned salt, int limit)
{
    const qsizetype n = qsizetype(hay.size());
    std::vector<qsizetype> seen;
    // Where the caller goes on from each candidate, and when it stops.
    const auto next = [&](qsizetype p) -> qsizetype {
        seen.push_back(p);
        if (int(seen.size()) == limit)
            return n + qsizetype(salt % 3); // any place at or past the end stops
        return p + 1 + qsizetype((unsigned(p) * 2654435761u ^ salt) % unsigned(spread));
    };
    if (scan) {
        ScanBytePair(hay.data(), n, t, next);
    } else {
        for (qsizetype p = 0; p + t.d < n;)
            p = t.accepts(hay.data(), p) ? next(p) : p + 1;
    }
    return seen;
}

// Rounds at one level; gives how many found something, as a check that the
// inputs exercise both outcomes.
int runLevel(int level)
{
    std::mt19937 rng(20261211u + unsigned(level));
    const auto below = [&](unsigned n) { return unsigned(rng() % n); };
    const unsigned char letters[] = {'A', 'a', 'B', 'b', 0xC9, 0xE9, ' ', 0x00, 0xFF, 0xDF};
    int found = 0;
    for (int round = 0; round < 6000; ++round) {
        // A third of the rounds are long and mostly spaces: the wide paths
        // pass over those 128 or 256 places at a time.
        const bool sparse = round % 3 == 2;
        std::vector<unsigned char> hay(below(sparse ? 3000 : 300));
        const unsigned alphabet = round % 2 ? 4 : unsigned(std::size(letters));
        for (unsigned char &c : hay)
            c = sparse && below(40) != 0 ? ' ' : letters[below(alphabet)];

        std::vector<unsigned char> needle(1 + below(round % 4 ? 8 : 40));
        for (unsigned char &c : needle)
            c = letters[below(alphabet)];
        const unsigned char *h = hay.data();
        const qsizetype n = qsizetype(hay.size()), m = qsizetype(needle.size());
        qsizetype naive = -1;
        for (qsizetype i = 0; naive < 0 && i + m <= n; ++i)
            if (std::memcmp(h + i, needle.data(), size_t(m)) == 0)
                naive = i;
        const unsigned char *at = FindBytes(h, n, needle.data(), m);
        if ((at ? at - h : -1) != naive)
            fail("FindBytes", level, round);

        BytePair t;
        t.d = round % 5 == 0 ? 0 : below(70);
        t.maskA = below(2) ? 0x20 : 0;
        t.maskB = t.d == 0 ? t.maskA : (below(2) ? 0x20 : 0);
        t.a = letters[below(alphabet)] | t.maskA;
        t.b = t.d == 0 ? t.a : letters[below(alphabet)] | t.maskB;
        const qsizetype spread = round % 3 == 0 ? 1 : 1 + below(80);
        const unsigned salt = rng();
        const int limit = round % 4 == 0 ? 1 + int(below(5)) : -1;
        const std::vector<qsizetype> expected = pairCandidates(hay, t, false, spread, salt, limit);
        if (pairCandidates(hay, t, true, spread, salt, limit) != expected)
            fail("ScanBytePair", level, round);
        found += !expected.empty();
    }
    return found;
}

} // namespace

int main()
{
#if !defined(CIS_HAVE_AVX2) || !defined(CIS_HAVE_AVX512)
    std::printf("FAIL: built without the AVX2 and AVX-512 paths\n");
    return 1;
#else
    const int best = int(simd::best());
    std::printf("widest path this processor takes: %s\n",
                best == 3   ? "AVX-512"
                : best == 2 ? "AVX2"
                : best == 1 ? "SSE2 (the wide paths are not run here)"
                            : "scalar");
    for (int level = 0; level <= best; ++level) {
        simd::setActiveForTesting(simd::Level(level));
        if (int(simd::active()) != level)
            fail("the level did not take", level, -1);
        const int found = runLevel(level);
        if (found < 1000 || found > 5500)
            fail("the inputs do not exercise both outcomes", level, found);
    }
    std::printf("%s\n", g_failures ? "failed" : "all levels agree");
    return g_failures ? 1 : 0;
#endif
}
