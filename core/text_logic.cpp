#include "core/text_logic.h"
#include "core/upper_table.h"

#include <QVarLengthArray>

bool LineMatchesQuery(QStringView line, QStringView query)
{
    const qsizetype n = line.size();
    const qsizetype m = query.size();
    if (m == 0 || n == 0 || m > n)
        return false;
    // Upper-case the query once; the line is mapped unit by unit while comparing.
    const char16_t *up = CisUpper::unitTable();
    QVarLengthArray<char16_t, 256> uq(m);
    for (qsizetype k = 0; k < m; ++k)
        uq[k] = up[query[k].unicode()];
    const char16_t first = uq[0];
    const char16_t *l = reinterpret_cast<const char16_t *>(line.utf16());
    for (qsizetype i = 0; i + m <= n; ++i) {
        if (up[l[i]] != first)
            continue;
        qsizetype k = 1;
        while (k < m && up[l[i + k]] == uq[k])
            ++k;
        if (k == m)
            return true;
    }
    return false;
}

QString ResultRowText(QStringView line)
{
    QString row = line.toString();
    row.replace(u'\t', u';');
    return row;
}

bool HoldsNotMarketed(QStringView text)
{
    return text.contains(QStringView(kNotMarketedMark), Qt::CaseSensitive);
}

QStringList SplitResultRow(QStringView row)
{
    QStringList fields;
    const qsizetype n = row.size();
    if (n == 0)
        return fields;
    qsizetype pos = 0;
    for (;;) {
        if (row[pos] == u'"') {
            // Quoted field: a doubled quote stands for one; an unterminated
            // field takes the rest of the row.
            ++pos;
            QString field;
            bool closed = false;
            while (pos < n) {
                const QChar c = row[pos];
                if (c == u'"') {
                    if (pos + 1 < n && row[pos + 1] == u'"') {
                        field += u'"';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    closed = true;
                    break;
                }
                field += c;
                ++pos;
            }
            fields.append(field);
            if (!closed)
                return fields;
        } else {
            qsizetype end = row.indexOf(u';', pos);
            if (end < 0)
                end = n;
            fields.append(row.mid(pos, end - pos).toString());
            pos = end;
        }
        if (pos >= n)
            return fields;
        if (row[pos] == u';') {
            ++pos;
            if (pos == n) {
                fields.append(QString());
                return fields;
            }
        }
        // Otherwise we stand right after a closing quote: the text up to the
        // next ";" is a field of its own.
    }
}
