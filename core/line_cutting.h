#pragma once
// Cutting decoded text into the lines of a LineTable: the cutting rule, the
// writer that puts decoded units into the table's text, and the cutting of
// a Windows-1252 text, whose bytes are already the table's.
#include "core/line_table.h"
#include "core/scan_path.h"
#include "core/text_codec.h"
#include "core/upper_table.h"

#include <QtGlobal>

#include <vector>

inline bool IsBreak(char16_t c)
{
    return c <= 13 && (c == 0 || c == 10 || c == 13);
}

#if defined(CIS_HAVE_SSE2)
// Bit k set where byte k of the 16 is a break character.
inline unsigned BreakMaskSse2(__m128i v)
{
    const __m128i eq = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(v, _mm_setzero_si128()), _mm_cmpeq_epi8(v, _mm_set1_epi8(10))),
        _mm_cmpeq_epi8(v, _mm_set1_epi8(13)));
    return unsigned(_mm_movemask_epi8(eq));
}
#endif

// The cutting rule, fed with the break characters (CR, LF, NUL) in text
// order. A line runs up to the next break; CR then LF are skipped once each
// after it; a NUL ends everything; a final line break adds no empty line.
struct Cutter
{
    LineTable &table;
    qsizetype lineStart = 0; // where the next line starts
    bool stopped = false;    // a NUL was met

    // The break c at position q; `next` is the character after it (0 at the
    // end of the text).
    void onBreak(qsizetype q, unsigned c, unsigned next);
    // Forgets every line cut so far.
    void reset();
    // Ends the text at n; returns the length of the text kept.
    qsizetype finish(qsizetype n);
};

// Writes decoded units as the table's text, one byte per unit, at out[w]
// (see LineTable): Windows-1252 bytes while the line allows, then, from its
// first unit the code page lacks, search bytes with the text kept aside.
// The writes never pass the bytes the decoder has read: every decoder gives
// at most one unit per byte.
struct LineWriter
{
    Cutter &cut;
    unsigned char *out;
    qsizetype w = 0;
    bool wide = false; // the line being written is wide
    const unsigned char *cp1252 = Cp1252ByteTable();
    const unsigned char *searchByte = CisUpper::searchByteTable();

    void unit(char16_t u);
    void lineBreak(char16_t c, char16_t next);

private:
    void widen();
};

// What a decoder leaves in the table: the length of the text kept, and
// whether the lines holding the "Non commercialisée" mark are listed already
// (else LineTable::markNotMarketed finds them).
struct CutText
{
    qsizetype kept = 0;
    bool marksListed = false;
};

// Cuts the Windows-1252 text raw[0, n) (with one readable byte past it).
// The SSE2 path lists the marked lines in `marked` in the same pass.
CutText CutWindows1252(const unsigned char *raw, qsizetype n, Cutter &cut,
                       std::vector<qsizetype> &marked, ScanPath path);
