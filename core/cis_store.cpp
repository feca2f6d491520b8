#include "cis_store.h"
#include "byte_search.h"
#include "cis_store_p.h"
#include "text_logic.h"
#include "upper_table.h"

#include <QVarLengthArray>
#include <algorithm>
#include <cstring>
#include <iterator>

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

QStringView CisStore::line(qsizetype i) const
{
    Q_ASSERT(i >= 0 && i < count());
    const qsizetype s = d->starts.data[i];
    return QStringView(d->text.data + s, d->ends.data[i] - s);
}

void CisStore::clear()
{
    if (!d)
        return;
    d->text.reset();
    d->twin.reset();
    d->starts.reset();
    d->ends.reset();
    d->notMarketed.clear();
}

void CisStore::append(QStringView line)
{
    impl();
    const qsizetype n = line.size();
    const qsizetype index = d->starts.size;
    if (size_t(index / 64) >= d->notMarketed.size())
        d->notMarketed.push_back(0);
    d->text.grow(n + 1);
    d->twin.grow(n + 1);
    const unsigned char *tw = CisUpper::twinTable();
    const qsizetype at = d->text.size;
    char16_t *t = d->text.data + at;
    unsigned char *u = d->twin.data + at;
    const char16_t *src = reinterpret_cast<const char16_t *>(line.utf16());
    for (qsizetype k = 0; k < n; ++k) {
        t[k] = src[k];
        u[k] = tw[src[k]];
    }
    t[n] = u'\n';
    u[n] = '\n';
    d->addLine(at, at + n);
    d->text.size += n + 1;
    d->twin.size += n + 1;
    if (HoldsNotMarketed(line))
        d->notMarketed[size_t(index / 64)] |= std::uint64_t(1) << (index % 64);
}

std::vector<qsizetype> CisStore::search(QStringView query) const
{
    std::vector<qsizetype> hits;
    const qsizetype m = query.size();
    if (m == 0 || count() == 0)
        return hits;

    // The needle is the query as the twin would hold it. Every real match is a
    // twin match at the same place. A twin match is a real one when the
    // needle holds no placeholder byte (0) and no line-break character (which
    // only separators hold); otherwise each hit is checked against the text.
    const char16_t *up = CisUpper::unitTable();
    const unsigned char *tw = CisUpper::twinTable();
    QVarLengthArray<char16_t, 128> uq(m);
    QVarLengthArray<unsigned char, 128> needle(m);
    bool verify = false;
    for (qsizetype k = 0; k < m; ++k) {
        const char16_t c = query[k].unicode();
        uq[k] = up[c];
        needle[k] = tw[c];
        if (needle[k] == 0 || needle[k] == '\n' || needle[k] == '\r')
            verify = true;
    }

    const unsigned char *hay = d->twin.data;
    const qsizetype total = d->twin.size;
    const char16_t *text = d->text.data;
    qsizetype pos = d->starts.data[0];
    qsizetype lineIdx = 0;
    while (pos < total) {
        const unsigned char *f = FindBytes(hay + pos, total - pos, needle.data(), m);
        if (!f)
            break;
        const qsizetype p = f - hay;
        lineIdx = d->lineAt(lineIdx, p);
        const qsizetype end = d->ends.data[lineIdx];
        if (verify) {
            bool ok = p + m <= end;
            for (qsizetype k = 0; ok && k < m; ++k)
                ok = up[text[p + k]] == uq[k];
            if (!ok) {
                pos = p + 1;
                continue;
            }
        }
        hits.push_back(lineIdx);
        if (++lineIdx == d->starts.size)
            break;
        pos = d->starts.data[lineIdx];
        // Dense hits jump from line to line: fetch a few lines ahead.
        if (lineIdx + 8 < d->starts.size)
            prefetch(hay + d->starts.data[lineIdx + 8]);
    }
    return hits;
}

void CisStore::Impl::computeNotMarketed()
{
    const char16_t *const mark = kNotMarketedMark;
    constexpr qsizetype m = std::size(kNotMarketedMark) - 1; // without the terminator
    // Find the upper-cased form in the twin, then check the exact text.
    unsigned char needle[m];
    const unsigned char *tw = CisUpper::twinTable();
    for (qsizetype k = 0; k < m; ++k)
        needle[k] = tw[mark[k]];

    notMarketed.assign(size_t((starts.size + 63) / 64), 0);
    const unsigned char *hay = twin.data;
    const qsizetype total = twin.size;
    qsizetype pos = 0;
    qsizetype lineIdx = 0;
    while (starts.size > 0 && pos < total) {
        const unsigned char *f = FindBytes(hay + pos, total - pos, needle, m);
        if (!f)
            break;
        const qsizetype p = f - hay;
        lineIdx = lineAt(lineIdx, p);
        if (std::memcmp(text.data + p, mark, m * sizeof(char16_t)) == 0) {
            notMarketed[size_t(lineIdx) / 64] |= std::uint64_t(1) << (lineIdx % 64);
            if (++lineIdx == starts.size)
                break;
            pos = starts.data[lineIdx];
        } else {
            pos = p + 1;
        }
    }
}

bool CisStore::isNotMarketed(qsizetype i) const
{
    if (i < 0 || i >= count())
        return false;
    return (d->notMarketed[size_t(i) / 64] >> (i % 64)) & 1;
}
