#include "core/cis_store.h"
#include "core/line_table.h"
#include "core/text_codec.h"
#include "core/text_logic.h"
#include "core/upper_table.h"

#include <cstring>

CisStore::CisStore() : d(std::make_unique<LineTable>()) { }
CisStore::CisStore(LineTable &&table) : d(std::make_unique<LineTable>(std::move(table))) { }
CisStore::~CisStore() = default;
CisStore::CisStore(CisStore &&other) noexcept = default;
CisStore &CisStore::operator=(CisStore &&other) noexcept = default;

LineTable &CisStore::table()
{
    if (!d)
        d = std::make_unique<LineTable>();
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
    if (d)
        *d = LineTable();
}

void CisStore::append(QStringView line)
{
    table();
    const qsizetype n = line.size();
    const qsizetype index = d->starts.size;
    const char16_t *src = reinterpret_cast<const char16_t *>(line.utf16());
    bool plain = true;
    for (qsizetype k = 0; plain && k < n; ++k)
        plain = Cp1252Byte(src[k]) >= 0;

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
            o[k] = static_cast<unsigned char>(Cp1252Byte(src[k]));
    } else {
        const unsigned char *searchByte = CisUpper::searchByteTable();
        for (qsizetype k = 0; k < n; ++k)
            o[k] = searchByte[src[k]];
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

bool CisStore::isNotMarketed(qsizetype i) const
{
    if (i < 0 || i >= count())
        return false;
    return (d->notMarketed[size_t(i) / 64] >> (i % 64)) & 1;
}
