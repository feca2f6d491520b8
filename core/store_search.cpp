// The store's search: the query's bytes found in the store's text, each
// candidate checked in full inside the scan.
#include "core/byte_search.h"
#include "core/cis_store.h"
#include "core/line_table.h"
#include "core/text_logic.h"
#include "core/upper_table.h"

#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <limits>

namespace {

// Asks for the memory at p ahead of its use, where the processor offers it.
inline void prefetch(const void *p)
{
#if defined(CIS_HAVE_SSE2)
    _mm_prefetch(static_cast<const char *>(p), _MM_HINT_T0);
#else
    (void)p;
#endif
}

// The query as the search compares it.
struct Needle
{
    qsizetype size = 0;
    QVarLengthArray<char16_t, 128> upper;      // each unit's upper case
    QVarLengthArray<unsigned char, 128> bytes; // each unit's search byte
    // Every byte-level hit is a real one; else each is checked unit by unit.
    bool exact = true;
    // The query holds a line-break character or nothing the bytes can find:
    // only the line-by-line test can answer.
    bool lineByLine = false;
    // The two places tested first, and how each accepts a byte.
    qsizetype first = -1, last = -1;
    unsigned char a = 0, maskA = 0, b = 0, maskB = 0;
    // An exact needle in blocks of 16 for the full check: place s matches
    // when (hay[s + k] | foldBits[k]) == want[k] for every k.
    QVarLengthArray<unsigned char, 128> want, foldBits;

    explicit Needle(QStringView query) : size(query.size()), upper(size), bytes(size)
    {
        const char16_t *up = CisUpper::unitTable();
        const unsigned char *searchByte = CisUpper::searchByteTable();
        const CisUpper::ByteTables &bt = CisUpper::byteTables();
        for (qsizetype k = 0; k < size; ++k) {
            const char16_t c = query[k].unicode();
            upper[k] = up[c];
            bytes[k] = searchByte[c];
            if (isBreakUnit(c))
                lineByLine = true;
            if (bytes[k] == 0 || bt.checkUnits[bytes[k]])
                exact = false;
            if (bytes[k] != 0) {
                if (first < 0)
                    first = k;
                last = k;
            }
        }
        if (first < 0) {
            lineByLine = true;
            return;
        }
        setPair(first, last);
        if (exact) {
            // Padding that every byte passes: (x | 0xFF) == 0xFF.
            const qsizetype padded = (size + 15) / 16 * 16;
            want.resize(padded);
            foldBits.resize(padded);
            for (qsizetype k = 0; k < padded; ++k) {
                foldBits[k] = k < size ? caseMask(bytes[k]) : 0xFF;
                want[k] = k < size ? bytes[k] | foldBits[k] : 0xFF;
            }
        }
    }
    // Tests places i < j first (each holding a byte).
    void setPair(qsizetype i, qsizetype j)
    {
        first = i;
        last = j;
        maskA = caseMask(bytes[i]);
        a = bytes[i] | maskA;
        maskB = caseMask(bytes[j]);
        b = bytes[j] | maskB;
    }
    // The pairs worth trying, the first and last places first, then the
    // rarest four bytes by rarity() two by two. Each pair (i, j) with i < j,
    // none twice.
    QVarLengthArray<std::pair<qsizetype, qsizetype>, 8> pairsToTry() const
    {
        QVarLengthArray<std::pair<qsizetype, qsizetype>, 8> pairs;
        const auto add = [&](qsizetype i, qsizetype j) {
            if (i < 0 || j < 0 || i == j)
                return;
            const std::pair<qsizetype, qsizetype> p{std::min(i, j), std::max(i, j)};
            if (std::find(pairs.begin(), pairs.end(), p) == pairs.end())
                pairs.append(p);
        };
        add(first, last);
        const unsigned char *rare = rarity();
        // The places of the four rarest bytes, rarest first.
        constexpr int kRarest = 4;
        qsizetype rarest[kRarest] = {-1, -1, -1, -1};
        for (qsizetype k = first; k <= last; ++k) {
            if (bytes[k] == 0)
                continue;
            for (int rank = 0; rank < kRarest; ++rank) {
                if (rarest[rank] < 0 || rare[bytes[k]] > rare[bytes[rarest[rank]]]) {
                    std::copy_backward(rarest + rank, rarest + kRarest - 1, rarest + kRarest);
                    rarest[rank] = k;
                    break;
                }
            }
        }
        for (int i = 0; i < kRarest; ++i)
            for (int j = i + 1; j < kRarest; ++j)
                add(rarest[i], rarest[j]);
        return pairs;
    }
    // How rare each search byte is in CIS text: 0 for the commonest, up to
    // 255 for the bytes not listed (measured on a real file).
    static const unsigned char *rarity()
    {
        static const std::array<unsigned char, 256> table = [] {
            std::array<unsigned char, 256> t;
            t.fill(255);
            const QStringView commonest = u"EIO ARN\tLCTMSUÉP0D1/2G6BV953,847H\r\nFYZ)(WJX-QÀ.;K";
            const unsigned char *searchByte = CisUpper::searchByteTable();
            for (qsizetype k = commonest.size() - 1; k >= 0; --k)
                t[searchByte[commonest[k].unicode()]] = static_cast<unsigned char>(k);
            return t;
        }();
        return table.data();
    }
    static bool isBreakUnit(char16_t c) { return c == 0 || c == 10 || c == 13; }
    // 0x20 when the byte 32 above `n` also reads as n (its lower case).
    static unsigned char caseMask(unsigned char n)
    {
        return n + 32 <= 0xFF && CisUpper::byteTables().fold[n + 32] == n ? 0x20 : 0;
    }
};

// The full check of an exact needle, and the scan of the lines that follow
// a hit, with everything they read held by value so that it stays in
// registers.
struct ExactCheck
{
    const unsigned char *hay;
    qsizetype total;
    qsizetype m;
    const unsigned char *bytes; // the needle's search bytes
    const unsigned char *fold;  // CisUpper::ByteTables::fold
#if defined(CIS_HAVE_SSE2)
    // On the SSE2 path, place s matches when (hay[s + k] | foldBits[k]) ==
    // want[k] for every k (padding that every byte passes after m).
    bool sse2;
    const unsigned char *want;
    const unsigned char *foldBits;
    qsizetype padded;
#endif

    ExactCheck(const Needle &needle, const unsigned char *hay, qsizetype total, ScanPath path)
        : hay(hay)
        , total(total)
        , m(needle.size)
        , bytes(needle.bytes.data())
        , fold(CisUpper::byteTables().fold)
#if defined(CIS_HAVE_SSE2)
        , sse2(path == ScanPath::Sse2)
        , want(needle.want.data())
        , foldBits(needle.foldBits.data())
        , padded(needle.want.size())
#endif
    {
        (void)path;
    }

    bool at(qsizetype s) const
    {
#if defined(CIS_HAVE_SSE2)
        if (sse2 && s + padded <= total) {
            for (qsizetype k = 0; k < padded; k += 16) {
                const __m128i x = _mm_or_si128(
                    _mm_loadu_si128(reinterpret_cast<const __m128i *>(hay + s + k)),
                    _mm_loadu_si128(reinterpret_cast<const __m128i *>(foldBits + k)));
                const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i *>(want + k));
                if (_mm_movemask_epi8(_mm_cmpeq_epi8(x, w)) != 0xFFFF)
                    return false;
            }
            return true;
        }
#endif
        for (qsizetype k = 0; k < m; ++k)
            if (fold[hay[s + k]] != bytes[k])
                return false;
        return true;
    }
};

#if defined(CIS_HAVE_SSE2)
// After a hit in line `line - 1` of an exact needle: where hits are dense (a
// short query), leaving the scan and finding the next line's candidates
// again costs more than the hit. So the first 64 places of each next line
// are tested here, until a line shows no hit among them; gives where the
// scan goes on (past the places tested), or `stop` past the last line. A
// match of an exact needle that starts in a line ends in it (no line holds
// a break, no such needle does), so the starts are enough.
struct DenseLines
{
    ExactCheck check;
    const qsizetype *starts;
    const qsizetype *ends;
    qsizetype lines;
    qsizetype pairOffset, pairDistance; // the pair's first place in the needle, and distance
    unsigned char a, maskA, b, maskB;

    qsizetype run(qsizetype &line, std::vector<qsizetype> &hits, qsizetype stop) const
    {
        // With one or two bytes, the pair test is the whole check.
        if (check.m == 1)
            return runWith<false, false>(line, hits, stop);
        if (check.m == 2)
            return runWith<true, false>(line, hits, stop);
        return runWith<true, true>(line, hits, stop);
    }

    template <bool Pair, bool Check>
    qsizetype runWith(qsizetype &line, std::vector<qsizetype> &hits, qsizetype stop) const
    {
        // Locals, not members: the list's growth could touch any memory as
        // far as the compiler knows, and members would be read again per line.
        const ExactCheck exact = check;
        const qsizetype *const lineStarts = starts, *const lineEnds = ends;
        const qsizetype lineCount = lines, dist = pairDistance;
        const unsigned char *const hay = exact.hay + pairOffset;
        const __m128i va = _mm_set1_epi8(char(a)), vma = _mm_set1_epi8(char(maskA));
        const __m128i vb = _mm_set1_epi8(char(b)), vmb = _mm_set1_epi8(char(maskB));
        const auto block = [&](qsizetype at) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(hay + at));
            __m128i hit = _mm_cmpeq_epi8(_mm_or_si128(x, vma), va);
            if constexpr (Pair) {
                const __m128i y = _mm_loadu_si128(
                    reinterpret_cast<const __m128i *>(hay + at + dist));
                hit = _mm_and_si128(hit, _mm_cmpeq_epi8(_mm_or_si128(y, vmb), vb));
            }
            return std::uint64_t(unsigned(_mm_movemask_epi8(hit)));
        };
        for (qsizetype i = line; i < lineCount; ++i) {
            const qsizetype at = lineStarts[i];
            // Every start tested must hold the whole needle before the end
            // (the pair may stop short of its last byte).
            if (at + 63 + exact.m > exact.total) {
                line = i;
                return at;
            }
            if (i + 8 < lineCount)
                prefetch(hay + lineStarts[i + 8]);
            std::uint64_t bits = block(at) | block(at + 16) << 16 | block(at + 32) << 32
                                 | block(at + 48) << 48;
            const qsizetype len = lineEnds[i] - at;
            if (len < 64)
                bits &= (std::uint64_t(1) << len) - 1;
            if constexpr (Check) {
                while (bits && !exact.at(at + std::countr_zero(bits)))
                    bits &= bits - 1;
            }
            if (!bits) {
                line = i;
                return at + std::min<qsizetype>(64, len);
            }
            hits.push_back(i);
        }
        line = lineCount;
        return stop;
    }
};
#endif

// Of the needle's pairs, the one with the fewest candidates in the text's
// first 8 KB (its lines come in code order, so their names are any names),
// the first and last places on a tie: two common letters ("IBUPROFENE": I and
// E) can give three hundred times the candidates of the best pair.
void choosePair(Needle &needle, const unsigned char *hay, qsizetype total, ScanPath path)
{
    const auto pairs = needle.pairsToTry();
    const qsizetype sample = std::min<qsizetype>(total, 8192) - needle.size + 1;
    if (pairs.size() < 2 || sample <= 0)
        return;
    std::pair<qsizetype, qsizetype> best = pairs[0];
    qsizetype fewest = std::numeric_limits<qsizetype>::max();
    for (const auto &[i, j] : pairs) {
        needle.setPair(i, j);
        const BytePair pair{needle.a, needle.maskA, needle.b, needle.maskB, j - i};
        const qsizetype n = sample + pair.d;
        qsizetype count = 0;
        // Stops once no better than the best so far.
        ScanBytePair(
            hay + i, n, pair, [&](qsizetype p) { return ++count >= fewest ? n : p + 1; }, path);
        if (count < fewest) {
            fewest = count;
            best = {i, j};
        }
    }
    needle.setPair(best.first, best.second);
}

// One search, once the needle's pair is chosen: each candidate is checked in
// full inside the scan, and after a hit the scan goes on at the next line.
struct PairScan
{
    const LineTable &table;
    const Needle &needle;
    std::vector<qsizetype> &hits;
    ScanPath path;
    const unsigned char *hay = table.bytes.data;
    const qsizetype *starts = table.starts.data;
    const qsizetype *ends = table.ends.data;
    qsizetype lines = table.starts.size;
    // The scan starts at the first tested place, so its candidate p is a
    // match starting at p; none can start past the text's size - m.
    BytePair pair{needle.a, needle.maskA, needle.b, needle.maskB, needle.last - needle.first};
    qsizetype scanSize = table.bytes.size - needle.size + 1 + pair.d;
    ExactCheck exact{needle, hay, table.bytes.size, path};
#if defined(CIS_HAVE_SSE2)
    DenseLines dense{exact,  starts,   ends,         lines,    needle.first,
                     pair.d, needle.a, needle.maskA, needle.b, needle.maskB};
#endif
    qsizetype line = 0; // the line of the last candidate, or the one after a hit

    // A candidate of an exact needle: its bytes say all.
    qsizetype exactCandidate(qsizetype s)
    {
        if (!exact.at(s))
            return s + 1;
        // Past a hit the scan goes on in the next line: the line is most
        // often the one it starts.
        if (line + 1 < lines && starts[line + 1] <= s)
            line = table.lineAt(line, s);
        hits.push_back(line);
        ++line;
#if defined(CIS_HAVE_SSE2)
        if (path == ScanPath::Sse2)
            return dense.run(line, hits, scanSize);
#endif
        return line == lines ? scanSize : starts[line];
    }

    // Any other candidate: the line's units against the query's upper case.
    qsizetype unitCandidate(qsizetype s)
    {
        line = table.lineAt(line, s);
        const qsizetype m = needle.size;
        if (s + m > ends[line] || !unitsMatch(s, m))
            return s + 1;
        hits.push_back(line);
        if (++line == lines)
            return scanSize;
        // Dense hits jump from line to line: fetch a few lines ahead.
        if (line + 8 < lines)
            prefetch(hay + starts[line + 8]);
        return starts[line];
    }

    bool unitsMatch(qsizetype s, qsizetype m) const
    {
        if (const char16_t *w = table.wideUnits(line)) {
            const char16_t *up = CisUpper::unitTable();
            const char16_t *units = w + (s - starts[line]);
            for (qsizetype k = 0; k < m; ++k)
                if (up[units[k]] != needle.upper[k])
                    return false;
            return true;
        }
        const char16_t *upper = CisUpper::byteTables().upper;
        for (qsizetype k = 0; k < m; ++k)
            if (upper[hay[s + k]] != needle.upper[k])
                return false;
        return true;
    }

    void run()
    {
        const unsigned char *from = hay + needle.first;
        if (needle.exact)
            ScanBytePair(
                from, scanSize, pair, [this](qsizetype s) { return exactCandidate(s); }, path);
        else
            ScanBytePair(
                from, scanSize, pair, [this](qsizetype s) { return unitCandidate(s); }, path);
    }
};

} // namespace

std::vector<qsizetype> CisStore::search(QStringView query, ScanPath path) const
{
    std::vector<qsizetype> hits;
    if (query.isEmpty() || count() == 0)
        return hits;
    Needle needle(query);
    // Room for every line at once: a search listing them all never copies
    // the list as it grows, and the pages a short list leaves untouched
    // cost nothing.
    hits.reserve(size_t(count()));
    if (needle.lineByLine) {
        QString text;
        for (qsizetype i = 0; i < count(); ++i) {
            readLine(i, text);
            if (LineMatchesQuery(text, query))
                hits.push_back(i);
        }
        return hits;
    }
    if (d->bytes.size < needle.size)
        return hits;
    choosePair(needle, d->bytes.data, d->bytes.size, path);
    PairScan{*d, needle, hits, path}.run();
    return hits;
}
