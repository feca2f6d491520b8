#include "core/line_cutting.h"

#include <bit>
#include <cstdint>
#include <cstring>

void Cutter::onBreak(qsizetype q, unsigned c, unsigned next)
{
    if (q < lineStart || stopped)
        return; // the LF of a CR LF, already passed over
    if (c == 0) {
        if (q > lineStart)
            table.addLine(lineStart, q);
        stopped = true;
        lineStart = q;
        return;
    }
    table.addLine(lineStart, q);
    lineStart = q + 1;
    if (c == 13 && next == 10)
        ++lineStart;
}

void Cutter::reset()
{
    table.starts.size = table.ends.size = 0;
    table.wide.clear();
    table.wideText.size = 0;
    lineStart = 0;
    stopped = false;
}

qsizetype Cutter::finish(qsizetype n)
{
    if (!stopped && lineStart < n)
        table.addLine(lineStart, n);
    return stopped ? lineStart : n;
}

void LineWriter::unit(char16_t u)
{
    if (!wide) {
        const unsigned char b = cp1252[u];
        if (Cp1252Unit(b) == u) {
            out[w++] = b;
            return;
        }
        widen();
    }
    LineTable &table = cut.table;
    table.wideText.grow(1);
    table.wideText.data[table.wideText.size++] = u;
    out[w++] = searchByte[u];
}

void LineWriter::lineBreak(char16_t c, char16_t next)
{
    out[w] = static_cast<unsigned char>(c);
    cut.onBreak(w, c, next);
    ++w;
    wide = false;
}

// The line so far, written as Windows-1252, moves aside. The line's index
// is the next one the cutter will add.
void LineWriter::widen()
{
    LineTable &table = cut.table;
    const qsizetype from = cut.lineStart;
    const qsizetype n = w - from;
    table.wide.push_back({table.starts.size, table.wideText.size});
    table.wideText.grow(n);
    char16_t *text = table.wideText.data + table.wideText.size;
    for (qsizetype k = 0; k < n; ++k) {
        text[k] = Cp1252Unit(out[from + k]);
        out[from + k] = searchByte[text[k]];
    }
    table.wideText.size += n;
    wide = true;
}

namespace {

CutText cutWindows1252Portable(const unsigned char *raw, qsizetype n, Cutter &cut)
{
    for (qsizetype q = 0; q < n && !cut.stopped; ++q)
        if (IsBreak(raw[q]))
            cut.onBreak(q, raw[q], q + 1 < n ? raw[q + 1] : 0);
    return {cut.finish(n), false};
}

#if defined(CIS_HAVE_SSE2)
// The lines ending at the breaks of a block of 64 bytes from i (bit k of
// `breakBits` for raw[i + k]), written straight into the table (room for 64
// made first); the byte after each break must be readable. A NUL, rare, goes
// the general way.
void cutBreaks(const unsigned char *raw, qsizetype i, std::uint64_t breakBits, Cutter &cut)
{
    LineTable &table = cut.table;
    if (table.starts.capacity - table.starts.size < 64) {
        table.starts.grow(64);
        table.ends.reserve(table.starts.capacity);
    }
    qsizetype *const starts = table.starts.data, *const ends = table.ends.data;
    qsizetype lines = table.starts.size, lineStart = cut.lineStart;
    if (lineStart > i) // the LF of a CR LF split by the block's start
        breakBits &= breakBits - 1;
    for (; breakBits; breakBits &= breakBits - 1) {
        const qsizetype q = i + std::countr_zero(breakBits);
        const unsigned char c = raw[q];
        if (c == 0) {
            table.starts.size = table.ends.size = lines;
            cut.lineStart = lineStart;
            cut.onBreak(q, c, raw[q + 1]);
            return;
        }
        starts[lines] = lineStart;
        ends[lines] = q;
        ++lines;
        // CR LF: the LF, the next bit (if any is left: in the next block,
        // lineStart > i passes over it), goes with the CR.
        const bool crlf = c == 13 && raw[q + 1] == 10;
        lineStart = q + 1 + crlf;
        breakBits &= breakBits - std::uint64_t(crlf);
    }
    table.starts.size = table.ends.size = lines;
    cut.lineStart = lineStart;
}

// The line holding the mark at q, if the whole mark is there, added to
// `marked` in increasing order: calls come in increasing q, and every break
// before q is cut.
void markAt(const unsigned char *raw, qsizetype q, qsizetype n, const Cutter &cut,
            std::vector<qsizetype> &marked)
{
    constexpr qsizetype m = kNotMarketedBytes;
    if (q + m > n || std::memcmp(raw + q, NotMarketedBytes(), m) != 0)
        return;
    // Most often q is in the open line, the next one the cutter adds; past a
    // NUL it is in no line.
    qsizetype line = cut.table.starts.size;
    if (q < cut.lineStart) // a break after it is cut too
        line = cut.table.lineAt(marked.empty() ? 0 : marked.back(), q);
    else if (cut.stopped)
        return;
    if (marked.empty() || marked.back() != line)
        marked.push_back(line);
}

// For the 64 places from `at`, bit k for place at + k: where the mark's first
// and last bytes sit, and where the breaks are. Reads up to at + 64 + m - 1.
struct BlockMasks
{
    std::uint64_t marks = 0, breaks = 0;

    BlockMasks(const unsigned char *raw, qsizetype at)
    {
        constexpr qsizetype m = kNotMarketedBytes;
        const unsigned char *mark = NotMarketedBytes();
        const __m128i first = _mm_set1_epi8(char(mark[0])), last = _mm_set1_epi8(char(mark[m - 1]));
        for (int k = 0; k < 64; k += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(raw + at + k));
            const __m128i w = _mm_loadu_si128(
                reinterpret_cast<const __m128i *>(raw + at + k + m - 1));
            const unsigned markBits = unsigned(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(v, first), _mm_cmpeq_epi8(w, last))));
            marks |= std::uint64_t(markBits) << k;
            breaks |= std::uint64_t(BreakMaskSse2(v)) << k;
        }
    }
};

// The breaks and the marks found together, 64 bytes at a time, so that
// marking the lines needs no pass of its own; the last bytes one by one.
CutText cutWindows1252Sse2(const unsigned char *raw, qsizetype n, Cutter &cut,
                           std::vector<qsizetype> &marked)
{
    constexpr qsizetype m = kNotMarketedBytes;
    qsizetype i = 0;
    for (; i + 64 + m - 1 <= n && !cut.stopped; i += 64) {
        const BlockMasks block(raw, i);
        if (block.breaks)
            cutBreaks(raw, i, block.breaks, cut);
        for (std::uint64_t bits = block.marks; bits; bits &= bits - 1)
            markAt(raw, i + std::countr_zero(bits), n, cut, marked);
    }
    for (; i < n && !cut.stopped; ++i) {
        if (raw[i] == NotMarketedBytes()[0])
            markAt(raw, i, n, cut, marked);
        if (IsBreak(raw[i]))
            cut.onBreak(i, raw[i], i + 1 < n ? raw[i + 1] : 0);
    }
    return {cut.finish(n), true};
}
#endif

} // namespace

CutText CutWindows1252(const unsigned char *raw, qsizetype n, Cutter &cut,
                       std::vector<qsizetype> &marked, ScanPath path)
{
#if defined(CIS_HAVE_SSE2)
    if (path == ScanPath::Sse2)
        return cutWindows1252Sse2(raw, n, cut, marked);
#endif
    (void)path;
    (void)marked;
    return cutWindows1252Portable(raw, n, cut);
}
