#include "core/cis_store.h"
#include "core/byte_search.h"
#include "core/cis_store_p.h"
#include "core/text_logic.h"
#include "core/upper_table.h"

#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
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

} // namespace

qsizetype CisStore::Impl::lineAt(qsizetype from, qsizetype p) const
{
    // The next hit is most often in the next few lines: gallop, then bisect.
    const qsizetype *s = starts.data;
    const qsizetype n = starts.size;
    qsizetype lo = from, step = 1;
    while (lo + step < n && s[lo + step] <= p) {
        lo += step;
        step *= 2;
    }
    const qsizetype hi = std::min(n, lo + step);
    return (std::upper_bound(s + lo, s + hi, p) - s) - 1;
}

const char16_t *CisStore::Impl::wideUnits(qsizetype i) const
{
    if (wide.empty())
        return nullptr;
    const auto it = std::lower_bound(
        wide.begin(), wide.end(), i,
        [](const WideLine &w, qsizetype line) { return w.line < line; });
    return it != wide.end() && it->line == i ? wideText.data + it->offset : nullptr;
}

CisStore::CisStore() : d(std::make_unique<Impl>()) { }
CisStore::~CisStore() = default;
CisStore::CisStore(CisStore &&other) noexcept = default;
CisStore &CisStore::operator=(CisStore &&other) noexcept = default;

CisStore::Impl &CisStore::impl()
{
    if (!d)
        d = std::make_unique<Impl>();
    return *d;
}

qsizetype CisStore::count() const
{
    return d ? d->starts.size : 0;
}

qsizetype CisStore::lineLength(qsizetype i) const
{
    Q_ASSERT(i >= 0 && i < count());
    return d->ends.data[i] - d->starts.data[i];
}

void CisStore::readLine(qsizetype i, QString &out, qsizetype maxUnits) const
{
    Q_ASSERT(i >= 0 && i < count());
    const qsizetype start = d->starts.data[i];
    qsizetype n = d->ends.data[i] - start;
    if (maxUnits >= 0 && maxUnits < n)
        n = maxUnits;
    out.resize(n);
    char16_t *o = reinterpret_cast<char16_t *>(out.data());
    if (const char16_t *w = d->wideUnits(i)) {
        std::memcpy(o, w, size_t(n) * sizeof(char16_t));
        return;
    }
    const char16_t *unitOf = CisUpper::byteTables().unit;
    const unsigned char *b = d->bytes.data + start;
    for (qsizetype k = 0; k < n; ++k)
        o[k] = unitOf[b[k]];
}

QString CisStore::line(qsizetype i) const
{
    QString s;
    readLine(i, s);
    return s;
}

void CisStore::clear()
{
    if (!d)
        return;
    d->bytes.reset();
    d->starts.reset();
    d->ends.reset();
    d->notMarketed.clear();
    d->wide.clear();
    d->wideText.reset();
}

void CisStore::append(QStringView line)
{
    impl();
    const qsizetype n = line.size();
    const qsizetype index = d->starts.size;
    const char16_t *src = reinterpret_cast<const char16_t *>(line.utf16());
    bool plain = true;
    for (qsizetype k = 0; plain && k < n; ++k)
        plain = CisUpper::Cp1252Byte(src[k]) >= 0;

    // Every allocation first, so that a failure leaves the store as it was.
    if (size_t(index / 64) >= d->notMarketed.size())
        d->notMarketed.push_back(0);
    d->bytes.grow(n + 1);
    if (d->starts.size == d->starts.capacity) {
        d->starts.grow(1);
        d->ends.reserve(d->starts.capacity);
    }
    if (!plain) {
        d->wideText.grow(n);
        d->wide.reserve(d->wide.size() + 1);
    }

    const qsizetype at = d->bytes.size;
    unsigned char *o = d->bytes.data + at;
    if (plain) {
        for (qsizetype k = 0; k < n; ++k)
            o[k] = static_cast<unsigned char>(CisUpper::Cp1252Byte(src[k]));
    } else {
        const unsigned char *tw = CisUpper::twinTable();
        for (qsizetype k = 0; k < n; ++k)
            o[k] = tw[src[k]];
        d->wide.push_back({index, d->wideText.size});
        std::memcpy(d->wideText.data + d->wideText.size, src, size_t(n) * sizeof(char16_t));
        d->wideText.size += n;
    }
    o[n] = '\n';
    d->addLine(at, at + n);
    d->bytes.size += n + 1;
    if (HoldsNotMarketed(line))
        d->notMarketed[size_t(index / 64)] |= std::uint64_t(1) << (index % 64);
}

namespace {

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
        const unsigned char *tw = CisUpper::twinTable();
        const CisUpper::ByteTables &bt = CisUpper::byteTables();
        for (qsizetype k = 0; k < size; ++k) {
            const char16_t c = query[k].unicode();
            upper[k] = up[c];
            bytes[k] = tw[c];
            if (isBreakUnit(c))
                lineByLine = true;
            if (bytes[k] == 0 || bt.loose[bytes[k]])
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
        constexpr int kRarest = 4;
        qsizetype r[kRarest] = {-1, -1, -1, -1};
        for (qsizetype k = first; k <= last; ++k) {
            if (bytes[k] == 0)
                continue;
            for (int t = 0; t < kRarest; ++t) {
                if (r[t] < 0 || rare[bytes[k]] > rare[bytes[r[t]]]) {
                    for (int u = kRarest - 1; u > t; --u)
                        r[u] = r[u - 1];
                    r[t] = k;
                    break;
                }
            }
        }
        for (int t = 0; t < kRarest; ++t)
            for (int u = t + 1; u < kRarest; ++u)
                add(r[t], r[u]);
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
            const unsigned char *tw = CisUpper::twinTable();
            for (qsizetype k = commonest.size() - 1; k >= 0; --k)
                t[tw[commonest[k].unicode()]] = static_cast<unsigned char>(k);
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
    // With `vector` (not on the scalar level, see simd.h), place s matches
    // when (hay[s + k] | foldBits[k]) == want[k] for every k (padding that
    // every byte passes after m).
    bool vector;
    const unsigned char *want;
    const unsigned char *foldBits;
    qsizetype padded;
#endif

    ExactCheck(const Needle &nd, const unsigned char *hay, qsizetype total)
        : hay(hay)
        , total(total)
        , m(nd.size)
        , bytes(nd.bytes.data())
        , fold(CisUpper::byteTables().fold)
#if defined(CIS_HAVE_SSE2)
        , vector(simd::active() != simd::Level::Scalar)
        , want(nd.want.data())
        , foldBits(nd.foldBits.data())
        , padded(nd.want.size())
#endif
    {
    }

    CIS_ALWAYS_INLINE bool at(qsizetype s) const
    {
#if defined(CIS_HAVE_SSE2)
        if (vector && s + padded <= total) {
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
    qsizetype off, d; // the pair's first place in the needle, and distance
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
    CIS_NOINLINE qsizetype runWith(qsizetype &line, std::vector<qsizetype> &hits,
                                   qsizetype stop) const
    {
        // Locals, not members: the list's growth could touch any memory as
        // far as the compiler knows, and members would be read again per line.
        const ExactCheck c = check;
        const qsizetype *const st = starts, *const en = ends;
        const qsizetype n = lines, dist = d;
        const unsigned char *const hay = c.hay + off;
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
        for (qsizetype i = line; i < n; ++i) {
            const qsizetype at = st[i];
            // Every start tested must hold the whole needle before the end
            // (the pair may stop short of its last byte).
            if (at + 63 + c.m > c.total) {
                line = i;
                return at;
            }
            if (i + 8 < n)
                prefetch(hay + st[i + 8]);
            std::uint64_t bits = block(at) | block(at + 16) << 16 | block(at + 32) << 32
                                 | block(at + 48) << 48;
            const qsizetype len = en[i] - at;
            if (len < 64)
                bits &= (std::uint64_t(1) << len) - 1;
            if constexpr (Check) {
                while (bits && !c.at(at + std::countr_zero(bits)))
                    bits &= bits - 1;
            }
            if (!bits) {
                line = i;
                return at + std::min<qsizetype>(64, len);
            }
            hits.push_back(i);
        }
        line = n;
        return stop;
    }
};
#endif

// Of the needle's pairs, the one with the fewest candidates in the text's
// first 8 KB (its lines come in code order, so their names are any names),
// the first and last places on a tie: two common letters ("IBUPROFENE": I and
// E) can give three hundred times the candidates of the best pair.
void choosePair(Needle &nd, const unsigned char *hay, qsizetype total)
{
    const auto pairs = nd.pairsToTry();
    const qsizetype sample = std::min<qsizetype>(total, 8192) - nd.size + 1;
    if (pairs.size() < 2 || sample <= 0)
        return;
    std::pair<qsizetype, qsizetype> best = pairs[0];
    qsizetype fewest = std::numeric_limits<qsizetype>::max();
    for (const auto &[i, j] : pairs) {
        nd.setPair(i, j);
        const BytePair pair{nd.a, nd.maskA, nd.b, nd.maskB, j - i};
        const qsizetype n = sample + pair.d;
        qsizetype count = 0;
        // Stops once no better than the best so far.
        ScanBytePair(hay + i, n, pair, [&](qsizetype p) { return ++count >= fewest ? n : p + 1; });
        if (count < fewest) {
            fewest = count;
            best = {i, j};
        }
    }
    nd.setPair(best.first, best.second);
}

} // namespace

std::vector<qsizetype> CisStore::search(QStringView query) const
{
    std::vector<qsizetype> hits;
    if (query.isEmpty() || count() == 0)
        return hits;
    Needle nd(query);
    const qsizetype m = nd.size;
    // Room for every line at once: a search listing them all never copies
    // the list as it grows, and the pages a short list leaves untouched
    // cost nothing.
    hits.reserve(size_t(count()));
    if (nd.lineByLine) {
        QString text;
        for (qsizetype i = 0; i < count(); ++i) {
            readLine(i, text);
            if (LineMatchesQuery(text, query))
                hits.push_back(i);
        }
        return hits;
    }

    // Candidates of the two tested places, checked in full in the scan:
    // byte by byte through `fold` when that is exact, else unit by unit
    // against the line's text. After a hit the scan goes on at the next line.
    // The check is inlined into the scan: with every line a hit, a call per
    // line shows.
    const CisUpper::ByteTables &bt = CisUpper::byteTables();
    const char16_t *up = CisUpper::unitTable();
    const unsigned char *hay = d->bytes.data;
    const qsizetype total = d->bytes.size;
    if (total < m)
        return hits;
    choosePair(nd, hay, total);
    // The scan starts at the first tested place, so its candidate p is a
    // match starting at p; none can start past total - m.
    const BytePair pair{nd.a, nd.maskA, nd.b, nd.maskB, nd.last - nd.first};
    const qsizetype scanSize = total - m + 1 + pair.d;
    qsizetype lineIdx = 0;
    const qsizetype lines = d->starts.size;
    const qsizetype *starts = d->starts.data;
    const qsizetype *ends = d->ends.data;
    const ExactCheck exact(nd, hay, total);
#if defined(CIS_HAVE_SSE2)
    const DenseLines dense{exact,  starts, ends,     lines, nd.first,
                           pair.d, nd.a,   nd.maskA, nd.b,  nd.maskB};
#endif
    auto next = [&](qsizetype s) CIS_LAMBDA_INLINE -> qsizetype {
        if (nd.exact) {
            if (!exact.at(s))
                return s + 1;
            // Past a hit the scan goes on in the next line: the line is most
            // often the one it starts.
            if (lineIdx + 1 < lines && starts[lineIdx + 1] <= s)
                lineIdx = d->lineAt(lineIdx, s);
            hits.push_back(lineIdx);
            ++lineIdx;
#if defined(CIS_HAVE_SSE2)
            if (exact.vector)
                return dense.run(lineIdx, hits, scanSize);
#endif
            return lineIdx == lines ? scanSize : starts[lineIdx];
        }
        lineIdx = d->lineAt(lineIdx, s);
        const qsizetype start = starts[lineIdx];
        bool ok = s + m <= ends[lineIdx];
        if (const char16_t *w = ok ? d->wideUnits(lineIdx) : nullptr) {
            for (qsizetype k = 0; ok && k < m; ++k)
                ok = up[w[s - start + k]] == nd.upper[k];
        } else {
            for (qsizetype k = 0; ok && k < m; ++k)
                ok = bt.upper[hay[s + k]] == nd.upper[k];
        }
        if (!ok)
            return s + 1;
        hits.push_back(lineIdx);
        if (++lineIdx == lines)
            return scanSize;
        // Dense hits jump from line to line: fetch a few lines ahead.
        if (lineIdx + 8 < lines)
            prefetch(hay + starts[lineIdx + 8]);
        return starts[lineIdx];
    };
    ScanBytePair(hay + nd.first, scanSize, pair, next);
    return hits;
}

const unsigned char *NotMarketedBytes()
{
    static_assert(std::size(kNotMarketedMark) - 1 == kNotMarketedBytes);
    static const auto bytes = [] {
        std::array<unsigned char, kNotMarketedBytes> b;
        for (qsizetype k = 0; k < kNotMarketedBytes; ++k)
            b[size_t(k)] = static_cast<unsigned char>(CisUpper::Cp1252Byte(kNotMarketedMark[k]));
        return b;
    }();
    return bytes.data();
}

void CisStore::Impl::markListedLines(const std::vector<qsizetype> &lines)
{
    notMarketed.assign(size_t((starts.size + 63) / 64), 0);
    for (const qsizetype i : lines) {
        Q_ASSERT(i >= 0 && i < starts.size);
        notMarketed[size_t(i) / 64] |= std::uint64_t(1) << (i % 64);
    }
    markWideLines();
}

void CisStore::Impl::markWideLines()
{
    // The bytes of a wide line are its units' upper case: the places found
    // in them (before the line turned wide) say nothing; its text does.
    for (const WideLine &w : wide) {
        const QStringView text(wideText.data + w.offset, ends.data[w.line] - starts.data[w.line]);
        const std::uint64_t bit = std::uint64_t(1) << (w.line % 64);
        if (HoldsNotMarketed(text))
            notMarketed[size_t(w.line) / 64] |= bit;
        else
            notMarketed[size_t(w.line) / 64] &= ~bit;
    }
}

void CisStore::Impl::computeNotMarketed()
{
    constexpr qsizetype m = kNotMarketedBytes;
    // The mark's Windows-1252 bytes are found in the plain lines; the bytes of
    // a wide line are upper case and never hold them, so its text is read.
    const unsigned char *needle = NotMarketedBytes();

    notMarketed.assign(size_t((starts.size + 63) / 64), 0);
    auto mark = [&](qsizetype i) { notMarketed[size_t(i) / 64] |= std::uint64_t(1) << (i % 64); };
    const unsigned char *hay = bytes.data;
    const qsizetype total = bytes.size;
    qsizetype pos = 0;
    qsizetype lineIdx = 0;
    while (starts.size > 0 && pos < total) {
        const unsigned char *f = FindBytes(hay + pos, total - pos, needle, m);
        if (!f)
            break;
        lineIdx = lineAt(lineIdx, f - hay);
        mark(lineIdx);
        if (++lineIdx == starts.size)
            break;
        pos = starts.data[lineIdx];
    }
    markWideLines();
}

bool CisStore::isNotMarketed(qsizetype i) const
{
    if (i < 0 || i >= count())
        return false;
    return (d->notMarketed[size_t(i) / 64] >> (i % 64)) & 1;
}
