// The search's byte scans as a Windows build compiles them (GCC for Windows),
// run under Wine: on each path, through the plain entry points the program
// calls, the same places and candidates as a plain loop.
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

void fail(const char *what, ScanPath path, int round)
{
    if (++g_failures <= 20)
        std::printf("FAIL %s path, round %d: %s\n", ScanPathName(path), round, what);
}

// With `scan`, the scan's candidates on `path`; else a plain loop's.
std::vector<qsizetype> pairCandidates(const std::vector<unsigned char> &hay, const BytePair &t,
                                      bool scan, ScanPath path, qsizetype spread, unsigned salt,
                                      int limit)
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
        ScanBytePair(hay.data(), n, t, next, path);
    } else {
        for (qsizetype p = 0; p + t.d < n;)
            p = t.accepts(hay.data(), p) ? next(p) : p + 1;
    }
    return seen;
}

// Rounds on one path; gives how many found something, as a check that the
// inputs exercise both outcomes.
int runPath(ScanPath path)
{
    std::mt19937 rng(20261211u);
    const auto below = [&](unsigned n) { return unsigned(rng() % n); };
    const unsigned char letters[] = {'A', 'a', 'B', 'b', 0xC9, 0xE9, ' ', 0x00, 0xFF, 0xDF};
    int found = 0;
    for (int round = 0; round < 6000; ++round) {
        // A third of the rounds are long and mostly spaces: stretches
        // without a candidate.
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
        const unsigned char *at = FindBytes(h, n, needle.data(), m, path);
        if ((at ? at - h : -1) != naive)
            fail("FindBytes", path, round);

        BytePair t;
        t.d = round % 5 == 0 ? 0 : below(70);
        t.maskA = below(2) ? 0x20 : 0;
        t.maskB = t.d == 0 ? t.maskA : (below(2) ? 0x20 : 0);
        t.a = letters[below(alphabet)] | t.maskA;
        t.b = t.d == 0 ? t.a : letters[below(alphabet)] | t.maskB;
        const qsizetype spread = round % 3 == 0 ? 1 : 1 + below(80);
        const unsigned salt = rng();
        const int limit = round % 4 == 0 ? 1 + int(below(5)) : -1;
        const std::vector<qsizetype> expected = pairCandidates(hay, t, false, path, spread, salt,
                                                               limit);
        if (pairCandidates(hay, t, true, path, spread, salt, limit) != expected)
            fail("ScanBytePair", path, round);
        found += !expected.empty();
    }
    return found;
}

} // namespace

int main()
{
#if !defined(CIS_HAVE_SSE2)
    std::printf("FAIL: built without the SSE2 path\n");
    return 1;
#else
    for (const ScanPath path : kScanPaths) {
        const int found = runPath(path);
        if (found < 1000 || found > 5500)
            fail("the inputs do not exercise both outcomes", path, found);
    }
    std::printf("%s\n", g_failures ? "failed" : "both paths agree");
    return g_failures ? 1 : 0;
#endif
}
