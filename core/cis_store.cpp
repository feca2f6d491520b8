#include "cis_store.h"
#include "cis_store_p.h"
#include "upper_table.h"
#include "text_logic.h"

#include <QChar>
#include <algorithm>
#include <cstring>
#include <mutex>

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
    return QStringView(d->text.data + s, d->lineEnd(i) - s);
}

void CisStore::clear()
{
    d->text.reset();
    d->twin.reset();
    d->starts.reset();
    d->notMarketed.clear();
    d->notMarketedValid = false;
}

void CisStore::append(QStringView line)
{
    const qsizetype n = line.size();
    d->starts.grow(1);
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
    d->text.size += n + 1;
    d->twin.size += n + 1;
    d->starts.data[d->starts.size++] = at;
    d->notMarketedValid = false;
}

namespace {
// Index of the line holding buffer position p, searching from line `from`.
qsizetype lineAt(const PodBuffer<qsizetype> &starts, qsizetype from, qsizetype p)
{
    const qsizetype *b = starts.data + from;
    const qsizetype *e = starts.data + starts.size;
    return (std::upper_bound(b, e, p) - starts.data) - 1;
}
} // namespace

std::vector<qsizetype> CisStore::search(QStringView query) const
{
    std::vector<qsizetype> hits;
    const qsizetype m = query.size();
    if (m == 0 || d->starts.size == 0)
        return hits;

    // The needle is the query as the twin would hold it. Every real match is a
    // twin match at the same place; a twin match is a real one unless the
    // needle holds a placeholder byte (0) or a line break, so only then is
    // each hit checked against the text.
    const char16_t *up = CisUpper::unitTable();
    const unsigned char *tw = CisUpper::twinTable();
    QVarLengthArray<char16_t, 128> uq(m);
    QVarLengthArray<unsigned char, 128> needle(m);
    bool verify = false;
    for (qsizetype k = 0; k < m; ++k) {
        const char16_t c = query[k].unicode();
        uq[k] = up[c];
        needle[k] = tw[c];
        if (needle[k] == 0 || needle[k] == '\n')
            verify = true;
    }

    const unsigned char *hay = d->twin.data;
    const qsizetype total = d->twin.size;
    const char16_t *text = d->text.data;
    qsizetype pos = 0;
    qsizetype lineIdx = 0;
    while (pos < total) {
        const void *f = m == 1 ? std::memchr(hay + pos, needle[0], size_t(total - pos))
                               : memmem(hay + pos, size_t(total - pos), needle.data(), size_t(m));
        if (!f)
            break;
        const qsizetype p = static_cast<const unsigned char *>(f) - hay;
        lineIdx = lineAt(d->starts, lineIdx, p);
        const qsizetype end = d->lineEnd(lineIdx);
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
        pos = end + 1;
        ++lineIdx;
    }
    return hits;
}

void CisStore::Impl::computeNotMarketed() const
{
    static constexpr char16_t mark[] = u"Non commercialisée";
    constexpr qsizetype m = sizeof(mark) / sizeof(char16_t) - 1;
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
    while (pos < total) {
        const void *f = memmem(hay + pos, size_t(total - pos), needle, size_t(m));
        if (!f)
            break;
        const qsizetype p = static_cast<const unsigned char *>(f) - hay;
        lineIdx = lineAt(starts, lineIdx, p);
        if (std::memcmp(text.data + p, mark, m * sizeof(char16_t)) == 0) {
            notMarketed[size_t(lineIdx) / 64] |= std::uint64_t(1) << (lineIdx % 64);
            pos = lineEnd(lineIdx) + 1;
            ++lineIdx;
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
