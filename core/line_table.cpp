#include "core/line_table.h"
#include "core/byte_search.h"
#include "core/text_codec.h"
#include "core/text_logic.h"

#include <QStringView>

#include <array>
#include <iterator>

qsizetype LineTable::lineAt(qsizetype from, qsizetype p) const
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

const char16_t *LineTable::wideUnits(qsizetype i) const
{
    if (wide.empty())
        return nullptr;
    const auto it = std::lower_bound(
        wide.begin(), wide.end(), i,
        [](const WideLine &w, qsizetype line) { return w.line < line; });
    return it != wide.end() && it->line == i ? wideText.data + it->offset : nullptr;
}

const unsigned char *NotMarketedBytes()
{
    static_assert(std::size(kNotMarketedMark) - 1 == kNotMarketedBytes);
    static const auto bytes = [] {
        std::array<unsigned char, kNotMarketedBytes> b;
        for (qsizetype k = 0; k < kNotMarketedBytes; ++k)
            b[size_t(k)] = static_cast<unsigned char>(Cp1252Byte(kNotMarketedMark[k]));
        return b;
    }();
    return bytes.data();
}

void LineTable::markListedLines(const std::vector<qsizetype> &lines)
{
    notMarketed.assign(size_t((starts.size + 63) / 64), 0);
    for (const qsizetype i : lines) {
        Q_ASSERT(i >= 0 && i < starts.size);
        notMarketed[size_t(i) / 64] |= std::uint64_t(1) << (i % 64);
    }
    markWideLines();
}

void LineTable::markWideLines()
{
    // The bytes of a wide line are its units' search bytes, upper case: the
    // places found in them say nothing; its text does.
    for (const WideLine &w : wide) {
        const QStringView text(wideText.data + w.offset, ends.data[w.line] - starts.data[w.line]);
        const std::uint64_t bit = std::uint64_t(1) << (w.line % 64);
        if (HoldsNotMarketed(text))
            notMarketed[size_t(w.line) / 64] |= bit;
        else
            notMarketed[size_t(w.line) / 64] &= ~bit;
    }
}

void LineTable::markNotMarketed(ScanPath path)
{
    // The mark's Windows-1252 bytes are found in the plain lines, one line
    // at most per find.
    std::vector<qsizetype> lines;
    const unsigned char *hay = bytes.data;
    qsizetype pos = 0, line = 0;
    while (line < starts.size && pos < bytes.size) {
        const unsigned char *f = FindBytes(hay + pos, bytes.size - pos, NotMarketedBytes(),
                                           kNotMarketedBytes, path);
        if (!f)
            break;
        line = lineAt(line, f - hay);
        lines.push_back(line);
        if (++line < starts.size)
            pos = starts.data[line];
    }
    markListedLines(lines);
}
