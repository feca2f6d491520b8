#include "core/cis_decoding.h"
#include "core/line_cutting.h"
#include "core/text_codec.h"

#include <bit>
#include <cstring>

namespace {

// UTF-16 in the byte order its mark gives; the units are written over the
// bytes already read.
CutText decodeUtf16(const unsigned char *raw, qsizetype size, bool bigEndian, LineWriter &lw)
{
    const unsigned char *units = raw + 2;
    const qsizetype count = (size - 2) / 2;
    const auto unitAt = [&](qsizetype k) -> char16_t {
        return k < count ? Utf16Unit(units + 2 * k, bigEndian) : 0;
    };
    for (qsizetype k = 0; k < count && !lw.cut.stopped; ++k) {
        const char16_t u = unitAt(k);
        if (IsBreak(u))
            lw.lineBreak(u, unitAt(k + 1));
        else
            lw.unit(u);
    }
    return {lw.cut.finish(lw.w), false};
}

// One multi-byte UTF-8 sequence starting at s[r] (s[r] >= 0x80): its code
// point and length, or length 0 when it is invalid (overlong forms,
// surrogates and code points past U+10FFFF are).
struct Utf8Sequence
{
    char32_t codePoint = 0;
    int length = 0;
};

Utf8Sequence readSequence(const unsigned char *s, qsizetype r, qsizetype len)
{
    const unsigned char lead = s[r];
    int length;
    char32_t codePoint;
    // The range of the byte after the lead; every later one is 80 to BF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return {};
    }
    for (int k = 1; k < length; ++k) {
        if (r + k >= len)
            return {};
        const unsigned char c = s[r + k];
        if (c < low || c > high)
            return {};
        low = 0x80;
        high = 0xBF;
        codePoint = (codePoint << 6) | (c & 0x3F);
    }
    return {codePoint, length};
}

// The length of the run of ASCII bytes other than breaks from s[r], up to len.
qsizetype asciiRunPortable(const unsigned char *s, qsizetype r, qsizetype len)
{
    qsizetype end = r;
    while (end < len && s[end] < 0x80 && !IsBreak(s[end]))
        ++end;
    return end - r;
}

#if defined(CIS_HAVE_SSE2)
qsizetype asciiRunSse2(const unsigned char *s, qsizetype r, qsizetype len)
{
    qsizetype end = r;
    for (; end + 16 <= len; end += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + end));
        if (const unsigned stops = unsigned(_mm_movemask_epi8(v)) | BreakMaskSse2(v))
            return end + std::countr_zero(stops) - r;
    }
    return end - r + asciiRunPortable(s, end, len);
}
#endif

qsizetype asciiRun(const unsigned char *s, qsizetype r, qsizetype len, ScanPath path)
{
#if defined(CIS_HAVE_SSE2)
    if (path == ScanPath::Sse2)
        return asciiRunSse2(s, r, len);
#endif
    (void)path;
    return asciiRunPortable(s, r, len);
}

// UTF-8 in one pass over s[0, len), written over the bytes already read
// (every sequence gives at most one unit per byte). Each byte of an invalid
// sequence reads as Windows-1252, except that with `strict` (a file without
// byte-order mark) one met before any multi-byte sequence makes the decoder
// give up, with the bytes as they were and no line cut.
struct Utf8Decoder
{
    const unsigned char *s;
    qsizetype len;
    qsizetype from; // where s starts in lw.out
    bool strict;
    ScanPath path;
    LineWriter &lw;
    bool gaveUp = false;

    CutText run()
    {
        for (qsizetype r = 0; r < len && !lw.cut.stopped && !gaveUp;) {
            if (!lw.wide)
                r = copyAscii(r);
            if (r < len)
                r = decodeOne(r);
        }
        if (gaveUp) {
            lw.cut.reset();
            return {-1, false};
        }
        return {lw.cut.finish(lw.w), false};
    }

    // Runs of ASCII, most of the text, are moved as they are (or left in
    // place while nothing before them has shrunk).
    qsizetype copyAscii(qsizetype r)
    {
        const qsizetype run = asciiRun(s, r, len, path);
        if (lw.w != from + r)
            std::memmove(lw.out + lw.w, s + r, size_t(run));
        lw.w += run;
        return r + run;
    }

    // The character at s[r]: a break, an ASCII one, or a sequence. Gives
    // where the next one starts.
    qsizetype decodeOne(qsizetype r)
    {
        const unsigned char b = s[r];
        if (b < 0x80) {
            if (IsBreak(b))
                lw.lineBreak(b, r + 1 < len ? s[r + 1] : 0);
            else
                lw.unit(b);
            return r + 1;
        }
        // Latin-1 letters, most of what French text holds beyond ASCII: two
        // bytes, one Windows-1252 byte.
        if ((b == 0xC3 || b == 0xC2) && !lw.wide && r + 1 < len) {
            const unsigned char c = s[r + 1];
            if (c >= (b == 0xC3 ? 0x80 : 0xA0) && c <= 0xBF) {
                lw.out[lw.w++] = static_cast<unsigned char>(b == 0xC3 ? c + 0x40 : c);
                return r + 2;
            }
        }
        const Utf8Sequence q = readSequence(s, r, len);
        if (q.length == 0)
            return invalidByte(r);
        if (q.codePoint >= 0x10000) {
            const char32_t c = q.codePoint - 0x10000;
            lw.unit(char16_t(0xD800 + (c >> 10)));
            lw.unit(char16_t(0xDC00 + (c & 0x3FF)));
        } else {
            lw.unit(char16_t(q.codePoint));
        }
        return r + q.length;
    }

    qsizetype invalidByte(qsizetype r)
    {
        // Without mark, before any letter of UTF-8 (each one made the text
        // shorter than the bytes): a Windows-1252 file. Otherwise a stray
        // byte, read as Windows-1252 on its own: one damaged letter must not
        // turn every line into Windows-1252, and a Windows-1252 file behind a
        // UTF-8 mark must not lose its accented letters; either way no "Non
        // commercialisée" mark would be found.
        if (strict && lw.w == from + r) {
            gaveUp = true;
            return r;
        }
        lw.unit(Cp1252Unit(s[r]));
        return r + 1;
    }
};

// Decodes and cuts raw[0, size) into the table, choosing the decoding by
// the byte-order mark.
CutText decodeAndCut(unsigned char *raw, qsizetype size, LineTable &table,
                     std::vector<qsizetype> &marked, ScanPath path)
{
    Cutter cut{table};
    LineWriter lw{cut, raw};
    const ByteOrderMark mark = DetectByteOrderMark(reinterpret_cast<const char *>(raw), size);
    switch (mark) {
    case ByteOrderMark::Utf16Le:
    case ByteOrderMark::Utf16Be:
        return decodeUtf16(raw, size, mark == ByteOrderMark::Utf16Be, lw);
    case ByteOrderMark::Utf8:
        return Utf8Decoder{raw + 3, size - 3, 3, false, path, lw}.run();
    case ByteOrderMark::None:
        break;
    }
    // A file without mark is UTF-8 once a valid multi-byte letter comes
    // before any invalid byte (copies converted by other tools, stray bytes
    // read as Windows-1252); anything else is Windows-1252.
    const CutText utf8 = Utf8Decoder{raw, size, 0, true, path, lw}.run();
    if (utf8.kept >= 0)
        return utf8;
    return CutWindows1252(raw, size, cut, marked, path);
}

// After a failed allocation: every line the table lists is whole, its text
// before the last line's end; a wide line cut short has no line yet.
qsizetype keepWholeLines(LineTable &table)
{
    while (!table.wide.empty() && table.wide.back().line >= table.starts.size) {
        table.wideText.size = table.wide.back().offset;
        table.wide.pop_back();
    }
    return table.ends.size ? table.ends.data[table.ends.size - 1] : 0;
}

} // namespace

void FillStoreFromOwnedBytes(CisStore &store, unsigned char *raw, qsizetype size, ScanPath path)
{
    store.clear();
    LineTable table;
    // The raw block becomes the table's text: every decoder gives at most
    // one unit per input byte, and the table keeps one byte per unit.
    table.bytes.adopt(raw, 0, size + 1);
    CutText cut;
    bool failed = false;
    std::vector<qsizetype> marked;
    try {
        table.starts.reserve(size / 128 + 16);
        table.ends.reserve(table.starts.capacity);
        cut = decodeAndCut(raw, size, table, marked, path);
    } catch (const std::bad_alloc &) {
        failed = true;
        cut = {keepWholeLines(table), false};
    }
    table.bytes.size = cut.kept;
    if (cut.kept == 0)
        table.bytes.reset();
    table.bytes.shrink();
    table.wideText.shrink();
    try {
        table.wide.shrink_to_fit();
        if (cut.marksListed && !failed)
            table.markListedLines(marked);
        else
            table.markNotMarketed(path);
        store = CisStore(std::move(table));
    } catch (const std::bad_alloc &) {
        // Lines without their marks would show a wrong "marketed" state.
        store.clear();
        throw;
    }
    if (failed)
        throw std::bad_alloc();
}

void FillStoreFromBytes(CisStore &store, const char *data, qsizetype size, ScanPath path)
{
    auto *raw = static_cast<unsigned char *>(std::malloc(size_t(size) + 1));
    if (!raw)
        throw std::bad_alloc();
    if (size > 0)
        std::memcpy(raw, data, size_t(size));
    FillStoreFromOwnedBytes(store, raw, size, path);
}
