#include "core/cis_loader.h"
#include "core/app_error.h"
#include "core/byte_search.h"
#include "core/cis_store_p.h"
#include "core/simd.h"
#include "core/upper_table.h"
#include "platform/platform_qt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

inline bool isBreak(char16_t c)
{
    return c <= 13 && (c == 0 || c == 10 || c == 13);
}

// Cutting, fed with the break characters (CR, LF, NUL) in text order. A line
// runs up to the next break; CR then LF are skipped once each after it; a NUL
// ends everything; a final line break adds no empty line.
struct Cutter
{
    CisStore::Impl &d;
    qsizetype pos = 0; // start of the next line
    bool stopped = false;

    // `next` is the character after position q (0 at the end of the text).
    void onBreak(qsizetype q, unsigned c, unsigned next)
    {
        if (q < pos || stopped)
            return; // the LF of a CR LF, already passed over
        if (c == 0) {
            if (q > pos)
                d.addLine(pos, q);
            stopped = true;
            pos = q;
            return;
        }
        d.addLine(pos, q);
        pos = q + 1;
        if (c == 13 && next == 10)
            ++pos;
    }
    // Forgets every line cut so far.
    void reset()
    {
        d.starts.size = d.ends.size = 0;
        d.wide.clear();
        d.wideText.size = 0;
        pos = 0;
        stopped = false;
    }
    // Returns the length of the text kept.
    qsizetype finish(qsizetype n)
    {
        if (!stopped && pos < n)
            d.addLine(pos, n);
        return stopped ? pos : n;
    }
};

#if defined(CIS_HAVE_SSE2)
// Bit k set where byte k of v is a break character.
inline unsigned breakMask(__m128i v)
{
    const __m128i eq = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(v, _mm_setzero_si128()), _mm_cmpeq_epi8(v, _mm_set1_epi8(10))),
        _mm_cmpeq_epi8(v, _mm_set1_epi8(13)));
    return unsigned(_mm_movemask_epi8(eq));
}
#endif

// The lines ending at the breaks of a block of 64 bytes from i (bit k of
// `breakBits` for raw[i + k]), written straight into the table (room for 64
// made first); the byte after each break must be readable. A NUL, rare, goes
// the general way.
CIS_ALWAYS_INLINE void cutBreaks(const unsigned char *raw, qsizetype i,
                                 unsigned long long breakBits, Cutter &cut)
{
    CisStore::Impl &d = cut.d;
    if (d.starts.capacity - d.starts.size < 64) {
        d.starts.grow(64);
        d.ends.reserve(d.starts.capacity);
    }
    qsizetype *const starts = d.starts.data, *const ends = d.ends.data;
    qsizetype lines = d.starts.size, pos = cut.pos;
    if (pos > i) // the LF of a CR LF split by the block's start
        breakBits &= breakBits - 1;
    for (; breakBits; breakBits &= breakBits - 1) {
        const qsizetype q = i + std::countr_zero(breakBits);
        const unsigned char c = raw[q];
        if (c == 0) {
            d.starts.size = d.ends.size = lines;
            cut.pos = pos;
            cut.onBreak(q, c, raw[q + 1]);
            return;
        }
        starts[lines] = pos;
        ends[lines] = q;
        ++lines;
        // CR LF: the LF, the next bit (if any is left: in the next block,
        // pos > i passes over it), goes with the CR.
        const bool crlf = c == 13 && raw[q + 1] == 10;
        pos = q + 1 + crlf;
        breakBits &= breakBits - std::uint64_t(crlf);
    }
    d.starts.size = d.ends.size = lines;
    cut.pos = pos;
}

// The line holding the "Non commercialisée" mark (its Windows-1252 bytes) at
// q, if the mark is there, added to `marked`, in increasing order: calls come
// in increasing q. The bytes up to n are text; every break before q is cut.
CIS_ALWAYS_INLINE void markAt(const unsigned char *raw, qsizetype q, qsizetype n, const Cutter &cut,
                              std::vector<qsizetype> &marked)
{
    constexpr qsizetype m = kNotMarketedBytes;
    if (q + m > n || std::memcmp(raw + q, NotMarketedBytes(), m) != 0)
        return;
    const CisStore::Impl &d = cut.d;
    // Most often q is in the open line, the next one the cutter adds; past a
    // NUL it is in no line.
    qsizetype line = d.starts.size;
    if (q < cut.pos) // a break after it is cut too
        line = d.lineAt(marked.empty() ? 0 : marked.back(), q);
    else if (cut.stopped)
        return;
    if (marked.empty() || marked.back() != line)
        marked.push_back(line);
}

// Windows-1252 text is already the store's bytes: only the breaks are looked
// for, 64 bytes at a time from i, and in the same pass the lines that hold the
// mark (see markAt), so that marking the lines needs no pass of its own; as
// long as raw[i, n) holds the block and the mark's length after it. Gives
// where it stopped. `masks(i, marks, breaks)` gives, bit k for place i + k,
// where the mark's first and last bytes sit and where the breaks are, and
// whether there is any; it may read up to i + 64 + kNotMarketedBytes - 1.
template <typename Masks>
CIS_ALWAYS_INLINE qsizetype cutPlainBlocks(const unsigned char *raw, qsizetype i, qsizetype n,
                                           Cutter &cut, std::vector<qsizetype> &marked,
                                           const Masks &masks)
{
    constexpr qsizetype m = kNotMarketedBytes;
    // Writing each block's line without a branch on its content was slower
    // (1.3 to 1.6 times) than this branch taken at random.
    for (; i + 64 + m - 1 <= n && !cut.stopped; i += 64) {
        unsigned long long markBits, breakBits;
        if (!masks(i, markBits, breakBits))
            continue;
        if (breakBits)
            cutBreaks(raw, i, breakBits, cut);
        for (; markBits; markBits &= markBits - 1)
            markAt(raw, i + std::countr_zero(markBits), n, cut, marked);
    }
    return i;
}

// A Windows-1252 file: its blocks, then the bytes left one by one.
template <typename Masks>
CIS_ALWAYS_INLINE qsizetype cutPlainBytesWith(const unsigned char *raw, qsizetype n, Cutter &cut,
                                              std::vector<qsizetype> &marked, const Masks &masks)
{
    const unsigned char *mark = NotMarketedBytes();
    for (qsizetype i = cutPlainBlocks(raw, 0, n, cut, marked, masks); i < n && !cut.stopped; ++i) {
        if (raw[i] == mark[0])
            markAt(raw, i, n, cut, marked);
        if (isBreak(raw[i]))
            cut.onBreak(i, raw[i], i + 1 < n ? raw[i + 1] : 0);
    }
    return cut.finish(n);
}

qsizetype cutPlainBytesScalar(const unsigned char *raw, qsizetype n, Cutter &cut,
                              std::vector<qsizetype> &marked)
{
    constexpr qsizetype m = kNotMarketedBytes;
    const unsigned char *mark = NotMarketedBytes();
    const auto masks = [&](qsizetype at, unsigned long long &marks, unsigned long long &breaks) {
        marks = breaks = 0;
        for (int k = 0; k < 64; ++k) {
            const unsigned char c = raw[at + k];
            marks |=
                static_cast<unsigned long long>(c == mark[0] && raw[at + k + m - 1] == mark[m - 1])
                << k;
            breaks |= static_cast<unsigned long long>(isBreak(c)) << k;
        }
        return (marks | breaks) != 0;
    };
    return cutPlainBytesWith(raw, n, cut, marked, masks);
}

#if defined(CIS_HAVE_SSE2)
qsizetype cutPlainBytesSse2(const unsigned char *raw, qsizetype n, Cutter &cut,
                            std::vector<qsizetype> &marked)
{
    constexpr qsizetype m = kNotMarketedBytes;
    const unsigned char *mark = NotMarketedBytes();
    const __m128i first = _mm_set1_epi8(char(mark[0])), last = _mm_set1_epi8(char(mark[m - 1]));
    const auto block = [&](qsizetype at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i *>(raw + at));
    };
    const auto markMask = [&](qsizetype at) {
        return unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(block(at), first),
                                                        _mm_cmpeq_epi8(block(at + m - 1), last))));
    };
    const auto breakMaskAt = [&](qsizetype at) { return breakMask(block(at)); };
    const auto mask64 = [](auto maskOf, qsizetype at) {
        return static_cast<unsigned long long>(maskOf(at))
               | static_cast<unsigned long long>(maskOf(at + 16)) << 16
               | static_cast<unsigned long long>(maskOf(at + 32)) << 32
               | static_cast<unsigned long long>(maskOf(at + 48)) << 48;
    };
    // Sixteen-byte mask moves are cheap enough here: gathering the block's
    // compares into one test first was slower.
    const auto masks = [&](qsizetype at, unsigned long long &marks, unsigned long long &breaks) {
        marks = mask64(markMask, at);
        breaks = mask64(breakMaskAt, at);
        return (marks | breaks) != 0;
    };
    return cutPlainBytesWith(raw, n, cut, marked, masks);
}
#endif

#if defined(CIS_HAVE_AVX2)
struct PlainMasksAvx2
{
    const unsigned char *raw;
    __m256i first, last;
    // Byte k of `breakTable` is k for k = 0, 10 and 13, else 0x80: looked up
    // by each byte's low four bits, it gives the byte back only for a break
    // (bytes from 0x80 look up 0, which no such byte equals).
    __m256i breakTable;

    CIS_TARGET_AVX2 PlainMasksAvx2(const unsigned char *raw, unsigned char f, unsigned char l)
        : raw(raw)
        , first(_mm256_set1_epi8(char(f)))
        , last(_mm256_set1_epi8(char(l)))
        , breakTable(_mm256_setr_epi8(0, -128, -128, -128, -128, -128, -128, -128, -128, -128, 10,
                                      -128, -128, 13, -128, -128, 0, -128, -128, -128, -128, -128,
                                      -128, -128, -128, -128, 10, -128, -128, 13, -128, -128))
    {
    }
    CIS_TARGET_AVX2 __m256i breakBytes(__m256i v) const
    {
        return _mm256_cmpeq_epi8(_mm256_shuffle_epi8(breakTable, v), v);
    }
    // Most blocks hold neither: one mask move for them (the moves, not the
    // compares, bound this loop).
    CIS_TARGET_AVX2 bool operator()(qsizetype at, unsigned long long &marks,
                                    unsigned long long &breaks) const
    {
        constexpr qsizetype m = kNotMarketedBytes;
        const auto *p = reinterpret_cast<const __m256i *>(raw + at);
        const auto *q = reinterpret_cast<const __m256i *>(raw + at + m - 1);
        const __m256i x0 = _mm256_loadu_si256(p), x1 = _mm256_loadu_si256(p + 1);
        const __m256i m0 = _mm256_and_si256(_mm256_cmpeq_epi8(x0, first),
                                            _mm256_cmpeq_epi8(_mm256_loadu_si256(q), last));
        const __m256i m1 = _mm256_and_si256(_mm256_cmpeq_epi8(x1, first),
                                            _mm256_cmpeq_epi8(_mm256_loadu_si256(q + 1), last));
        const __m256i b0 = breakBytes(x0), b1 = breakBytes(x1);
        if (!_mm256_movemask_epi8(_mm256_or_si256(_mm256_or_si256(m0, m1), _mm256_or_si256(b0, b1))))
            return false;
        marks = unsigned(_mm256_movemask_epi8(m0))
                | static_cast<unsigned long long>(unsigned(_mm256_movemask_epi8(m1))) << 32;
        breaks = unsigned(_mm256_movemask_epi8(b0))
                 | static_cast<unsigned long long>(unsigned(_mm256_movemask_epi8(b1))) << 32;
        return true;
    }
};

CIS_TARGET_AVX2 qsizetype cutPlainBytesAvx2(const unsigned char *raw, qsizetype n, Cutter &cut,
                                            std::vector<qsizetype> &marked)
{
    const unsigned char *mark = NotMarketedBytes();
    const PlainMasksAvx2 masks(raw, mark[0], mark[kNotMarketedBytes - 1]);
    return cutPlainBytesWith(raw, n, cut, marked, masks);
}
#endif

qsizetype cutPlainBytes(const unsigned char *raw, qsizetype n, Cutter &cut,
                        std::vector<qsizetype> &marked)
{
#if defined(CIS_HAVE_AVX2)
    if (simd::active() >= simd::Level::Avx2)
        return cutPlainBytesAvx2(raw, n, cut, marked);
#endif
#if defined(CIS_HAVE_SSE2)
    if (simd::active() != simd::Level::Scalar)
        return cutPlainBytesSse2(raw, n, cut, marked);
#endif
    return cutPlainBytesScalar(raw, n, cut, marked);
}

// Writes decoded text units as the store's bytes, one per unit, at out[w]
// (see CisStore::Impl): Windows-1252 bytes while the line allows, then, from
// its first unit the code page lacks, search bytes with the text kept aside.
struct LineWriter
{
    CisStore::Impl &d;
    Cutter &cut;
    unsigned char *out;
    qsizetype w = 0;
    bool wide = false; // the line being written is wide
    const unsigned char *twin = CisUpper::twinTable();
    const unsigned char *cp1252 = CisUpper::cp1252Table();
    const char16_t *unitOf = CisUpper::byteTables().unit;
    // Where the UTF-8 decoder puts the lines holding the "Non commercialisée"
    // mark (see markAt).
    std::vector<qsizetype> *marks = nullptr;

    void unit(char16_t u)
    {
        if (!wide) {
            const unsigned char b = cp1252[u];
            if (unitOf[b] == u) {
                out[w++] = b;
                return;
            }
            widen();
        }
        d.wideText.grow(1);
        d.wideText.data[d.wideText.size++] = u;
        out[w++] = twin[u];
    }
    void lineBreak(char16_t c, char16_t next)
    {
        out[w] = static_cast<unsigned char>(c);
        cut.onBreak(w, c, next);
        ++w;
        wide = false;
    }
    // The line so far, written as Windows-1252, moves aside. The line's
    // index is the next one the cutter will add.
    void widen()
    {
        const qsizetype from = cut.pos;
        const qsizetype n = w - from;
        d.wide.push_back({d.starts.size, d.wideText.size});
        d.wideText.grow(n);
        char16_t *t = d.wideText.data + d.wideText.size;
        for (qsizetype k = 0; k < n; ++k) {
            t[k] = unitOf[out[from + k]];
            out[from + k] = twin[t[k]];
        }
        d.wideText.size += n;
        wide = true;
    }
};

// UTF-16 in the byte order its mark gives; the units are written over the
// bytes already read.
qsizetype decodeUtf16(unsigned char *raw, qsizetype size, LineWriter &lw)
{
    const bool big = raw[0] == 0xFE;
    const unsigned char *s = raw + 2;
    const qsizetype m = (size - 2) / 2;
    auto unitAt = [&](qsizetype k) -> char16_t {
        if (k >= m)
            return 0;
        return big ? char16_t((s[2 * k] << 8) | s[2 * k + 1])
                   : char16_t(s[2 * k] | (s[2 * k + 1] << 8));
    };
    for (qsizetype k = 0; k < m && !lw.cut.stopped; ++k) {
        const char16_t u = unitAt(k);
        if (isBreak(u))
            lw.lineBreak(u, unitAt(k + 1));
        else
            lw.unit(u);
    }
    return lw.cut.finish(lw.w);
}

// One multi-byte UTF-8 sequence starting at s[r] (s[r] >= 0x80): its code
// point and length, or length 0 when it is invalid (overlong forms,
// surrogates and code points past U+10FFFF are).
struct Utf8Sequence
{
    char32_t cp = 0;
    int len = 0;
};

Utf8Sequence readSequence(const unsigned char *s, qsizetype r, qsizetype n)
{
    const unsigned char b = s[r];
    int len;
    char32_t cp;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        cp = b & 0x0F;
        if (b == 0xE0)
            lo = 0xA0;
        else if (b == 0xED)
            hi = 0x9F; // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        cp = b & 0x07;
        if (b == 0xF0)
            lo = 0x90;
        else if (b == 0xF4)
            hi = 0x8F;
    } else {
        return {};
    }
    int k = 1;
    for (; k < len; ++k) {
        if (r + k >= n)
            break;
        const unsigned char c = s[r + k];
        if (c < lo || c > hi)
            break;
        lo = 0x80;
        hi = 0xBF;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (k < len)
        return {};
    return {cp, len};
}

#if defined(CIS_HAVE_AVX2)
// The checks of the Latin-1 runs, as error bits by the previous byte's high
// and low halves and this byte's high half (a byte is wrong where all three
// share a bit): 1 a continuation after no lead, 2 a lead before no
// continuation, 4 a lead other than C2 and C3, 8 C2 before 80 to 9F
// (controls Windows-1252 lacks), 16 a byte from D0 (no Latin-1 letter). A
// byte from C0 that ends a block is checked with the next block's first.
constexpr unsigned char prevHighRule(int h)
{
    return h < 12 ? 1 : h == 12 ? 2 | 4 | 8 : 1 | 16;
}
constexpr unsigned char prevLowRule(int l)
{
    return 1 | 2 | 16 | (l == 2 ? 8 : l == 3 ? 0 : 4);
}
constexpr unsigned char highRule(int h)
{
    return 4 | 16 | (h >= 8 && h < 12 ? 1 | (h < 10 ? 8 : 0) : 2);
}

// The rules by half byte, in both 16-byte lanes (a byte shuffle looks up
// within its lane).
struct Latin1Nibbles
{
    alignas(32) unsigned char prevHigh[32], prevLow[32], high[32];
    Latin1Nibbles()
    {
        for (int k = 0; k < 32; ++k) {
            prevHigh[k] = prevHighRule(k & 15);
            prevLow[k] = prevLowRule(k & 15);
            high[k] = highRule(k & 15);
        }
    }
};

const Latin1Nibbles &latin1Nibbles()
{
    static const Latin1Nibbles tables;
    return tables;
}

// Decodes blocks of 32 bytes from s + r while they hold only ASCII and
// two-byte Latin-1 letters (U+00A0 to U+00FF, which are Windows-1252 bytes
// A0 to FF), writing at out + w, which is at most from + r (s is out +
// from). Gives where it stopped reading, w where it stopped writing. Each
// step reads 32 bytes whatever they hold, so that the next load never waits
// on this one; a letter split by a block's end is finished by the next
// block, which sees the byte before it.
CIS_TARGET_AVX2 qsizetype latin1Run(unsigned char *s, qsizetype r, qsizetype len,
                                    unsigned char *out, qsizetype &wOut)
{
    const Latin1Nibbles &t = latin1Nibbles();
    const __m256i prevHigh = _mm256_load_si256(reinterpret_cast<const __m256i *>(t.prevHigh));
    const __m256i prevLow = _mm256_load_si256(reinterpret_cast<const __m256i *>(t.prevLow));
    const __m256i high = _mm256_load_si256(reinterpret_cast<const __m256i *>(t.high));
    const __m256i x0F = _mm256_set1_epi8(0x0F), xC0 = _mm256_set1_epi8(char(0xC0));
    const __m256i xC3 = _mm256_set1_epi8(char(0xC3)), x40 = _mm256_set1_epi8(0x40);
    const __m256i place = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0,
                                           1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    // Byte 7 of each lane into its bytes 8 to 15, nothing into 0 to 7.
    const __m256i halfTotal = _mm256_setr_epi8(-128, -128, -128, -128, -128, -128, -128, -128, 7, 7,
                                               7, 7, 7, 7, 7, 7, -128, -128, -128, -128, -128, -128,
                                               -128, -128, 7, 7, 7, 7, 7, 7, 7, 7);
    qsizetype w = wOut;
    __m256i prev = _mm256_setzero_si256();
    while (r + 32 <= len) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s + r));
        // Byte k: the byte before k (the lanes joined first). Read from
        // memory it could be one the writes of the block before replaced.
        const __m256i before = _mm256_alignr_epi8(v, _mm256_permute2x128_si256(prev, v, 0x21), 15);
        const __m256i err = _mm256_and_si256(
            _mm256_and_si256(
                _mm256_shuffle_epi8(prevHigh, _mm256_and_si256(_mm256_srli_epi16(before, 4), x0F)),
                _mm256_shuffle_epi8(prevLow, _mm256_and_si256(before, x0F))),
            _mm256_shuffle_epi8(high, _mm256_and_si256(_mm256_srli_epi16(v, 4), x0F)));
        if (!_mm256_testz_si256(err, err))
            break;
        // After C3, xx is the byte xx + 0x40; after C2, xx; the leads (the
        // bytes from C0) are dropped. The writes end at w + 32, never past
        // r + 32.
        const __m256i bytes = _mm256_add_epi8(
            v, _mm256_and_si256(_mm256_cmpeq_epi8(before, xC3), x40));
        const __m256i leads = _mm256_cmpeq_epi8(_mm256_min_epu8(v, xC0), xC0);
        const unsigned lead = unsigned(_mm256_movemask_epi8(leads));
        // The leads up to each byte of its lane, counted down from 0 (a
        // lead is -1): by eight-byte words, then the first word's total into
        // the second.
        __m256i upTo = _mm256_add_epi8(leads, _mm256_slli_epi64(leads, 8));
        upTo = _mm256_add_epi8(upTo, _mm256_slli_epi64(upTo, 16));
        upTo = _mm256_add_epi8(upTo, _mm256_slli_epi64(upTo, 32));
        upTo = _mm256_add_epi8(upTo, _mm256_shuffle_epi8(upTo, halfTotal));
        // Place k of a lane takes its byte j with j - (leads up to j) = k.
        // The steps j = k + (leads up to j), from j = k, reach it: a lead is
        // never followed by another, so in a lane of 16 bytes (eight leads
        // at most) four steps are enough (two for up to three leads, three
        // for up to seven). Past a lane's kept bytes the places take any
        // byte: the next write covers them.
        __m256i from = _mm256_sub_epi8(place, upTo);
        from = _mm256_sub_epi8(place, _mm256_shuffle_epi8(upTo, from));
        from = _mm256_sub_epi8(place, _mm256_shuffle_epi8(upTo, from));
        from = _mm256_sub_epi8(place, _mm256_shuffle_epi8(upTo, from));
        const __m256i packed = _mm256_shuffle_epi8(bytes, from);
        const int n0 = 16 - std::popcount(lead & 0xFFFF);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + w), _mm256_castsi256_si128(packed));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + w + n0),
                         _mm256_extracti128_si256(packed, 1));
        w += n0 + 16 - std::popcount(lead >> 16);
        r += 32;
        prev = v;
    }
    // A lead ending the last block decoded (none before the first) is read
    // again, put back where the writes may have gone.
    const auto last = static_cast<unsigned char>(_mm256_extract_epi8(prev, 31));
    if (last >= 0xC0) {
        --r;
        s[r] = last;
    }
    wOut = w;
    return r;
}

#endif

#if defined(CIS_HAVE_AVX512)
// The Latin-1 rules (prevHighRule and the others) for latin1Run512. Each
// table is looked up by a byte permute, which takes the low six bits of its
// index: the high half's tables by the byte's top six bits (the byte shifted
// right by 2), the low half's by its low six.
struct Latin1Tables
{
    alignas(64) unsigned char prevHigh[64], prevLow[64], high[64], shiftIndex[64];
    Latin1Tables()
    {
        for (int k = 0; k < 64; ++k) {
            // The high half of a byte whose top six bits are k, the low
            // half of one whose low six bits are k.
            prevHigh[k] = prevHighRule(k >> 2);
            prevLow[k] = prevLowRule(k & 15);
            high[k] = highRule(k >> 2);
            // Byte k of a block and the one before it: the previous block's
            // last byte, then this block's bytes 0 to 62.
            shiftIndex[k] = static_cast<unsigned char>(k == 0 ? 63 : 64 + k - 1);
        }
    }
};

const Latin1Tables &latin1Tables()
{
    static const Latin1Tables tables;
    return tables;
}

// Byte k of the result: byte (index[k] & 63) of table. The zero-masking form
// with every byte kept is the plain instruction; GCC 12's plain form warns
// of an undefined value.
CIS_TARGET_AVX512 CIS_ALWAYS_INLINE __m512i lookUp(__m512i index, __m512i table)
{
    return _mm512_maskz_permutexvar_epi8(~__mmask64(0), index, table);
}

// latin1Run's work 64 bytes at a time, with its rules checked by table
// lookups (checks through mask registers were twice as slow); the leads go
// by one byte compress. A lead ending a block is dropped with it and its
// continuation finished by the next block. Each operation counts here: the
// lookups need no masking of their index, and the letters after C3 take
// their 0x40 through a compare into a mask rather than two shifts (together
// a fifth faster than shuffles of the low four bits on Zen 4).
CIS_TARGET_AVX512 qsizetype latin1Run512(unsigned char *s, qsizetype r, qsizetype len,
                                         unsigned char *out, qsizetype &wOut)
{
    const Latin1Tables &t = latin1Tables();
    const __m512i prevHigh = _mm512_load_si512(t.prevHigh), prevLow = _mm512_load_si512(t.prevLow);
    const __m512i high = _mm512_load_si512(t.high), shift = _mm512_load_si512(t.shiftIndex);
    const __m512i x40 = _mm512_set1_epi8(0x40), xC0 = _mm512_set1_epi8(char(0xC0));
    const __m512i xC3 = _mm512_set1_epi8(char(0xC3));
    qsizetype w = wOut;
    __m512i last = _mm512_setzero_si512(); // the previous block
    bool any = false;
    while (r + 64 <= len) {
        const __m512i v = _mm512_loadu_si512(s + r);
        const __m512i prev = _mm512_permutex2var_epi8(last, shift, v);
        // The 16-bit shifts carry the next byte's low bits into bits 6 and
        // 7, which the permutes leave unread.
        const __m512i err = _mm512_ternarylogic_epi32(lookUp(_mm512_srli_epi16(prev, 2), prevHigh),
                                                      lookUp(prev, prevLow),
                                                      lookUp(_mm512_srli_epi16(v, 2), high), 0x80);
        if (_mm512_test_epi8_mask(err, err))
            break;
        // After C3, xx is the byte xx + 0x40; after C2, xx. The writes end
        // at w + 64, never past r + 64.
        const __mmask64 afterC3 = _mm512_cmpeq_epi8_mask(prev, xC3);
        const __mmask64 keep = _mm512_cmplt_epu8_mask(v, xC0);
        _mm512_storeu_si512(
            out + w, _mm512_maskz_compress_epi8(keep, _mm512_mask_add_epi8(v, afterC3, v, x40)));
        w += std::popcount(_cvtmask64_u64(keep));
        r += 64;
        last = v;
        any = true;
    }
    // A lead ending the last block decoded is read again, put back where
    // the writes may have gone.
    alignas(64) unsigned char lastBlock[64];
    _mm512_store_si512(lastBlock, last);
    if (any && lastBlock[63] >= 0xC0) {
        --r;
        s[r] = lastBlock[63];
    }
    wOut = w;
    return r;
}

#endif

// The Latin-1 runs go a chunk at a time, so that their lines are cut and
// their marks found while the chunk is in the first-level cache.
constexpr qsizetype kLatin1Chunk = 16 * 1024;

// Which Latin-1 block decoder a UTF-8 decode takes (only where simd::active()
// allows it); blocks of ASCII and two-byte Latin-1 letters are decoded 32 or
// 64 bytes at a time.
enum class Latin1Blocks { None, Avx2, Avx512 };

template <Latin1Blocks Latin1>
CIS_ALWAYS_INLINE qsizetype decodeUtf8With(unsigned char *raw, qsizetype from, qsizetype n,
                                           LineWriter &lw, bool strict)
{
    Cutter &cut = lw.cut;
    std::vector<qsizetype> &marked = *lw.marks;
    const unsigned char *s = raw + from;
    const qsizetype len = n - from;
    qsizetype r = 0;
    // Only while nothing but ASCII has been read: every byte is still where
    // it was, and the text reads the same in Windows-1252.
    auto giveUp = [&] {
        Q_ASSERT(lw.w == from + r);
        marked.clear();
        cut.reset();
        return qsizetype(-1);
    };
    const char16_t *windows1252 = CisUpper::byteTables().unit;
    // Behind the Latin-1 runs, their text is cut and its marks are found as
    // a Windows-1252 text's, 64 bytes at a time: the breaks before cutTo are
    // cut, and before lw.w too unless `lagging`; the marks before markFrom
    // are looked for. The other steps cut as they go.
    qsizetype cutTo = 0, markFrom = 0;
    bool lagging = false;
    // The marks starting in out[markFrom, to) whose bytes are all decoded.
    const auto markUpTo = [&](qsizetype to) CIS_LAMBDA_INLINE {
        constexpr qsizetype m = kNotMarketedBytes;
        const qsizetype end = std::min(to, lw.w - m + 1);
        for (qsizetype p = markFrom; p < end;) {
            const unsigned char *f = FindBytes(lw.out + p, end + m - 1 - p, NotMarketedBytes(), m);
            if (!f)
                break;
            markAt(lw.out, f - lw.out, lw.w, cut, marked);
            p = f - lw.out + 1;
        }
        markFrom = std::max(markFrom, end);
    };
    // The breaks the runs left behind, cut before any other step cuts;
    // `after` is the character after the text decoded.
    const auto catchUp = [&](unsigned after) {
        for (qsizetype q = cutTo; q < lw.w && !cut.stopped; ++q)
            if (isBreak(lw.out[q]))
                cut.onBreak(q, lw.out[q], q + 1 < lw.w ? lw.out[q + 1] : after);
        lagging = false;
    };
#if defined(CIS_HAVE_SSE2)
    const bool blocks = simd::active() != simd::Level::Scalar;
#endif
    while (r < len && !cut.stopped) {
#if defined(CIS_HAVE_AVX2)
        if constexpr (Latin1 != Latin1Blocks::None) {
            if (!lw.wide && r + 16 <= len) {
                const qsizetype w0 = lw.w, r0 = r;
                const qsizetype chunkEnd = std::min(len, r + kLatin1Chunk);
#if defined(CIS_HAVE_AVX512)
                if constexpr (Latin1 == Latin1Blocks::Avx512)
                    r = latin1Run512(raw + from, r, chunkEnd, lw.out, lw.w);
#endif
                if constexpr (Latin1 == Latin1Blocks::Avx2)
                    r = latin1Run(raw + from, r, chunkEnd, lw.out, lw.w);
                if (r != r0) {
                    if (!lagging)
                        cutTo = w0;
                    markUpTo(cutTo);
                    const unsigned char *mark = NotMarketedBytes();
                    const PlainMasksAvx2 masks(lw.out, mark[0], mark[kNotMarketedBytes - 1]);
                    const qsizetype blocksEnd = cutPlainBlocks(lw.out, cutTo, lw.w, cut, marked,
                                                               masks);
                    // The blocks looked for the marks too, once none was
                    // left before them.
                    if (markFrom == cutTo)
                        markFrom = blocksEnd;
                    cutTo = blocksEnd;
                    lagging = true;
                    continue;
                }
            }
            if (lagging) {
                catchUp(s[r]);
                if (cut.stopped) // a NUL behind the runs ends the text there
                    continue;
            }
        }
#endif
#if defined(CIS_HAVE_SSE2)
        if (blocks && !lw.wide && r + 16 <= len) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + r));
            const unsigned high = unsigned(_mm_movemask_epi8(v));
            // Writing 16 bytes at w must not reach bytes still unread: fine
            // when all 16 are ASCII (w <= from + r), when nothing has moved
            // yet, or when the gap is 16 bytes or more.
            const qsizetype gap = from + r - lw.w;
            const unsigned count = high == 0 || gap == 0 || gap >= 16
                                       ? (high == 0 ? 16u : unsigned(std::countr_zero(high)))
                                       : 0u;
            if (count > 0) {
                unsigned breaks = breakMask(v) & (count >= 16 ? ~0u : (1u << count) - 1);
                // The store may cover the bytes just read: the breaks are
                // read from a copy (the byte after the block stays unread).
                alignas(16) unsigned char orig[17];
                if (breaks) {
                    _mm_store_si128(reinterpret_cast<__m128i *>(orig), v);
                    orig[16] = r + 16 < len ? s[r + 16] : 0;
                }
                if (gap != 0)
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(lw.out + lw.w), v);
                for (; breaks && !cut.stopped; breaks &= breaks - 1) {
                    const int k = std::countr_zero(breaks);
                    cut.onBreak(lw.w + k, orig[k], orig[k + 1]);
                }
                r += count;
                lw.w += count;
                if (count == 16 || cut.stopped)
                    continue;
            }
        }
#endif
        const unsigned char b = s[r];
        if (b < 0x80) {
            if (isBreak(b))
                lw.lineBreak(b, r + 1 < len ? s[r + 1] : 0);
            else
                lw.unit(b);
            ++r;
            continue;
        }
        // Latin-1 letters, most of what French text holds beyond ASCII: two
        // bytes, one Windows-1252 byte.
        if ((b == 0xC3 || b == 0xC2) && !lw.wide && r + 1 < len) {
            const unsigned char c = s[r + 1];
            if (c >= (b == 0xC3 ? 0x80 : 0xA0) && c <= 0xBF) {
                lw.out[lw.w++] = static_cast<unsigned char>(b == 0xC3 ? c + 0x40 : c);
                r += 2;
                continue;
            }
        }
        const Utf8Sequence q = readSequence(s, r, len);
        if (q.len == 0) {
            // Without mark, before any letter of UTF-8 (each one made the
            // text shorter than the bytes): a Windows-1252 file. Otherwise a
            // stray byte, read as Windows-1252 on its own: one damaged letter
            // must not turn every line into Windows-1252, and a Windows-1252
            // file behind a UTF-8 mark must not lose its accented letters;
            // either way no "Non commercialisée" mark would be found.
            if (strict && lw.w == from + r)
                return giveUp();
            lw.unit(windows1252[b]);
            ++r;
            continue;
        }
        r += q.len;
        if (q.cp >= 0x10000) {
            const char32_t c = q.cp - 0x10000;
            lw.unit(char16_t(0xD800 + (c >> 10)));
            lw.unit(char16_t(0xDC00 + (c & 0x3FF)));
        } else {
            lw.unit(char16_t(q.cp));
        }
    }
    if (lagging)
        catchUp(0);
    markUpTo(lw.w);
    return cut.finish(lw.w);
}

#if defined(CIS_HAVE_AVX2)
CIS_TARGET_AVX2 qsizetype decodeUtf8Avx2(unsigned char *raw, qsizetype from, qsizetype n,
                                         LineWriter &lw, bool strict)
{
    return decodeUtf8With<Latin1Blocks::Avx2>(raw, from, n, lw, strict);
}
#endif

#if defined(CIS_HAVE_AVX512)
CIS_TARGET_AVX512 qsizetype decodeUtf8Avx512(unsigned char *raw, qsizetype from, qsizetype n,
                                             LineWriter &lw, bool strict)
{
    return decodeUtf8With<Latin1Blocks::Avx512>(raw, from, n, lw, strict);
}
#endif

// UTF-8 in one pass over raw[from, n), written over the bytes already read
// (every sequence gives at most one unit per byte); ASCII runs go 16 bytes at
// a time. Each byte of an invalid sequence reads as Windows-1252, except
// that with `strict` (a file without byte-order mark) one met before any
// multi-byte sequence gives -1, with raw as it was and no line cut (the
// caller then reads the bytes as Windows-1252).
qsizetype decodeUtf8(unsigned char *raw, qsizetype from, qsizetype n, LineWriter &lw, bool strict)
{
#if defined(CIS_HAVE_AVX512)
    if (simd::active() == simd::Level::Avx512)
        return decodeUtf8Avx512(raw, from, n, lw, strict);
#endif
#if defined(CIS_HAVE_AVX2)
    if (simd::active() >= simd::Level::Avx2)
        return decodeUtf8Avx2(raw, from, n, lw, strict);
#endif
    return decodeUtf8With<Latin1Blocks::None>(raw, from, n, lw, strict);
}

} // namespace

void FillStoreFromOwnedBytes(CisStore &store, unsigned char *raw, qsizetype size)
{
    // The raw block becomes the store's bytes: every decoder gives at most
    // one unit per input byte, and the store keeps one byte per unit.
    struct Guard
    {
        unsigned char *p;
        ~Guard() { std::free(p); }
    } guard{raw};

    store.clear();
    CisStore::Impl &d = store.impl();
    Cutter cut{d};
    LineWriter lw{d, cut, raw};

    auto startsWith = [&](std::initializer_list<unsigned char> mark) {
        return size >= qsizetype(mark.size()) && std::equal(mark.begin(), mark.end(), raw);
    };

    qsizetype kept = 0;
    bool failed = false;
    // The lines holding the "Non commercialisée" mark, found while cutting
    // a Windows-1252 file or decoding UTF-8.
    std::vector<qsizetype> marks;
    bool marksFound = false;
    lw.marks = &marks;
    try {
        d.starts.reserve(size / 128 + 16);
        d.ends.reserve(d.starts.capacity);
        if (startsWith({0xFF, 0xFE}) || startsWith({0xFE, 0xFF})) {
            kept = decodeUtf16(raw, size, lw);
        } else if (startsWith({0xEF, 0xBB, 0xBF})) {
            kept = decodeUtf8(raw, 3, size, lw, false);
            marksFound = true;
        } else {
            // A file without mark is UTF-8 once a valid multi-byte letter
            // comes before any invalid byte (copies converted by other
            // tools, stray bytes read as Windows-1252); anything else is
            // Windows-1252.
            kept = decodeUtf8(raw, 0, size, lw, true);
            if (kept < 0)
                kept = cutPlainBytes(raw, size, cut, marks);
            marksFound = true;
        }
    } catch (const std::bad_alloc &) {
        // Every line the table lists is whole, its text before the last
        // line's end; a wide line cut short has no line yet.
        failed = true;
        while (!d.wide.empty() && d.wide.back().line >= d.starts.size) {
            d.wideText.size = d.wide.back().offset;
            d.wide.pop_back();
        }
        kept = d.ends.size ? d.ends.data[d.ends.size - 1] : 0;
    }
    guard.p = nullptr;
    d.bytes.adopt(raw, kept, size + 1);
    if (kept == 0) {
        d.bytes.reset();
    } else {
        d.bytes.shrink();
    }
    d.wideText.shrink();
    try {
        d.wide.shrink_to_fit();
        if (marksFound && !failed)
            d.markListedLines(marks);
        else
            d.computeNotMarketed();
    } catch (const std::bad_alloc &) {
        // Lines without their marks would show a wrong "marketed" state.
        store.clear();
        throw;
    }
    if (failed)
        throw std::bad_alloc();
}

void FillStoreFromBytes(CisStore &store, const char *data, qsizetype size)
{
    auto *raw = static_cast<unsigned char *>(std::malloc(size_t(size) + 1));
    if (!raw)
        throw std::bad_alloc();
    if (size > 0)
        std::memcpy(raw, data, size_t(size));
    FillStoreFromOwnedBytes(store, raw, size);
}

namespace {

[[noreturn]] void throwOpenError(const QString &path, const QString &reason)
{
    const QString full = path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
    throw AppError(u"Impossible d'ouvrir le fichier \"%1\". %2"_s.arg(full, reason));
}

// Whatever allocation fails, running out of memory reads the same.
[[noreturn]] void throwOutOfMemory()
{
    throw AppError(u"Impossible d'insérer une ligne"_s);
}

[[noreturn]] void throwFileError(const QString &path, const platform::Error &error)
{
    if (error.kind == platform::ErrorKind::NoMemory)
        throwOutOfMemory();
    throwOpenError(path, ReasonText(error));
}

std::function<void()> &beforeLockHook()
{
    static std::function<void()> hook;
    return hook;
}

struct MallocBlock
{
    unsigned char *p = nullptr;
    ~MallocBlock() { std::free(p); }
};

} // namespace

void SetLoadBeforeLockHookForTesting(std::function<void()> hook)
{
    beforeLockHook() = std::move(hook);
}

void LoadCisLines(CisStore &store, const QString &path)
{
    using platform::ErrorKind;
    // A name holding a NUL (a damaged settings file) names no file: the
    // system would read only the part before it, another file.
    if (path.contains(QChar(0)))
        throwFileError(path, platform::MakeError(ErrorKind::NotFound));
    platform::File f;
    if (const platform::Error e = f.openForReading(NativePath(path)))
        throwFileError(path, e);
    platform::FileInfo before;
    if (const platform::Error e = f.stat(before))
        throwFileError(path, e);
    if (before.type == platform::EntryType::Directory)
        throwFileError(path, platform::MakeError(ErrorKind::IsDirectory));
    if (before.type != platform::EntryType::File)
        throwFileError(path, platform::MakeError(ErrorKind::NotRegularFile));
    if (beforeLockHook())
        beforeLockHook()();
    if (const platform::Error e = f.lockForReading())
        throwFileError(path, e);

    const qsizetype size = qsizetype(before.size);
    MallocBlock raw{static_cast<unsigned char *>(std::malloc(size_t(size) + 1))};
    if (!raw.p)
        throwOutOfMemory();
    qsizetype got = 0;
    while (got < size) {
        platform::Error e;
        const std::int64_t k = f.read(raw.p + got, size - got, e);
        if (k < 0)
            throwFileError(path, e);
        if (k == 0)
            break;
        got += qsizetype(k);
    }
    // A file holding more than its size said (a writer appending, or a
    // system file whose size reads 0): what was read is not all of it. The
    // probe goes into the spare byte past the content.
    bool longer = false;
    if (got == size) {
        platform::Error e;
        longer = f.read(raw.p + size, 1, e) > 0;
    }
    // A download still going on, or a file rewritten while we read it: its
    // bytes may be partial or mixed, so none of them is taken.
    platform::FileInfo after;
    const bool changed = longer || f.checkNoWriterCame() || f.stat(after)
                         || !after.sameVersionAs(before) || got != size;
    f.close();
    if (changed)
        throwFileError(path, platform::MakeError(ErrorKind::Busy));

    try {
        unsigned char *owned = raw.p;
        raw.p = nullptr;
        FillStoreFromOwnedBytes(store, owned, got);
    } catch (const std::bad_alloc &) {
        throwOutOfMemory();
    }
}

bool CisFileExists(const QString &path)
{
    using platform::EntryType;
    if (path.isEmpty() || path.contains(QChar(0)))
        return false; // a NUL: see LoadCisLines
    const platform::Path name = NativePath(path);
    platform::FileInfo entry;
    if (const platform::Error e = platform::Stat(name, entry, false)) {
        if (e.kind == platform::ErrorKind::NotFound || e.kind == platform::ErrorKind::NameTooLong)
            return false;
        // Attributes unreadable for another reason: trust a listing of the
        // parent folder.
        const QFileInfo info(path);
        return platform::ListedAsNonDirectory(NativePath(info.absolutePath()),
                                              NativePath(info.fileName()));
    }
    if (entry.type != EntryType::Link)
        return entry.type != EntryType::Directory;
    // A link: its target must be there, not a folder, and readable.
    platform::FileInfo target;
    if (platform::Stat(name, target) || target.type == EntryType::Directory)
        return false;
    platform::File f;
    return !f.openForReading(name);
}

QString FindCisTxtIn(const QString &dir)
{
    const QString wanted = u"cis.txt"_s;
    const QStringList names = QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    // The exact lower-case name first, then any spelling that is usable.
    if (names.contains(wanted) && CisFileExists(dir + wanted))
        return dir + wanted;
    for (const QString &n : names) {
        if (n.size() != wanted.size())
            continue;
        bool same = true;
        for (qsizetype k = 0; same && k < n.size(); ++k) {
            char16_t c = n[k].unicode();
            if (c >= u'A' && c <= u'Z')
                c = char16_t(c + 32);
            same = c == wanted[k].unicode();
        }
        if (!same)
            continue;
        if (CisFileExists(dir + n))
            return dir + n;
    }
    return dir + wanted;
}
