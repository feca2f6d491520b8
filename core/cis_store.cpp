#include "cis_store.h"
#include "cis_store_p.h"
#include "upper_table.h"
#include "text_logic.h"

#include <QChar>
#include <QVarLengthArray>
#include <algorithm>
#include <cstring>
#include <iterator>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace CisUpper {
namespace {
struct Tables
{
    char16_t unit[0x10000];
    unsigned char twin[0x10000];
    Tables()
    {
        for (char32_t c = 0; c < 0x10000; ++c) {
            const char16_t u = QChar(char16_t(c)).toUpper().unicode();
            unit[c] = u;
            twin[c] = u <= 0xFF ? static_cast<unsigned char>(u) : 0;
        }
    }
};
const Tables &tables()
{
    static const Tables t;
    return t;
}
} // namespace
const char16_t *unitTable() { return tables().unit; }
const unsigned char *twinTable() { return tables().twin; }
} // namespace CisUpper

namespace {

#if defined(__SSE2__)
// First place of needle (m >= 2) in [h, h + n): blocks of 16 positions are
// tested on the needle's first and last bytes at once, and only the
// candidates compared in full. Quicker than memmem for short needles.
const unsigned char *findNeedle(const unsigned char *h, qsizetype n, const unsigned char *nd, qsizetype m)
{
    if (n < m)
        return nullptr;
    const __m128i first = _mm_set1_epi8(char(nd[0]));
    const __m128i last = _mm_set1_epi8(char(nd[m - 1]));
    qsizetype i = 0;
    for (; i + m - 1 + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + i + m - 1));
        unsigned mask = unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        while (mask) {
            const int bit = __builtin_ctz(mask);
            if (std::memcmp(h + i + bit + 1, nd + 1, size_t(m - 2)) == 0)
                return h + i + bit;
            mask &= mask - 1;
        }
    }
    return static_cast<const unsigned char *>(memmem(h + i, size_t(n - i), nd, size_t(m)));
}
#else
const unsigned char *findNeedle(const unsigned char *h, qsizetype n, const unsigned char *nd, qsizetype m)
{
    return static_cast<const unsigned char *>(memmem(h, size_t(n), nd, size_t(m)));
}
#endif

const unsigned char *find(const unsigned char *h, qsizetype n, const unsigned char *nd, qsizetype m)
{
    if (m == 1)
        return static_cast<const unsigned char *>(std::memchr(h, nd[0], size_t(n)));
    return findNeedle(h, n, nd, m);
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

CisStore::CisStore() : d(new Impl) {}
CisStore::~CisStore() { delete d; }
CisStore::CisStore(CisStore &&other) noexcept : d(other.d) { other.d = new Impl; }
CisStore &CisStore::operator=(CisStore &&other) noexcept
{
    std::swap(d, other.d);
    other.clear();
    return *this;
}

qsizetype CisStore::count() const { return d->starts.size; }

QStringView CisStore::line(qsizetype i) const
{
    Q_ASSERT(i >= 0 && i < count());
    const qsizetype s = d->starts.data[i];
    return QStringView(d->text.data + s, d->ends.data[i] - s);
}

void CisStore::clear()
{
    d->text.reset();
    d->twin.reset();
    d->starts.reset();
    d->ends.reset();
    d->notMarketed.clear();
    d->notMarketedValid = false;
}

void CisStore::append(QStringView line)
{
    const qsizetype n = line.size();
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
    d->notMarketedValid = false;
}

std::vector<qsizetype> CisStore::search(QStringView query) const
{
    std::vector<qsizetype> hits;
    const qsizetype m = query.size();
    if (m == 0 || d->starts.size == 0)
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
        const unsigned char *f = find(hay + pos, total - pos, needle.data(), m);
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
            __builtin_prefetch(hay + d->starts.data[lineIdx + 8]);
    }
    return hits;
}

void CisStore::Impl::computeNotMarketed() const
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
        const unsigned char *f = find(hay + pos, total - pos, needle, m);
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
    notMarketedValid = true;
}

bool CisStore::isNotMarketed(qsizetype i) const
{
    if (i < 0 || i >= count())
        return false;
    if (!d->notMarketedValid)
        d->computeNotMarketed();
    return (d->notMarketed[size_t(i) / 64] >> (i % 64)) & 1;
}
