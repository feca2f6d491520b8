// The split of a result row into its fields: any text splits without
// fault; a row without quotes splits exactly at every ";"; fields quoted
// and joined come back unchanged.
#include "fuzz_target.h"

#include "core/text_logic.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString row = QString::fromUtf8(bytes);
    const QStringList fields = SplitResultRow(row);
    FUZZ_CHECK(fields.size() <= row.size() + 1);
    if (!row.contains(u'"'))
        FUZZ_CHECK(fields == (row.isEmpty() ? QStringList() : row.split(u';')));

    // The input's 0x1F bytes separate fields, each then quoted.
    const QStringList parts = row.split(QChar(0x1F));
    QStringList quoted;
    for (QString p : parts)
        quoted << u'"' + p.replace(u'"', QStringLiteral("\"\"")) + u'"';
    FUZZ_CHECK(SplitResultRow(quoted.join(u';')) == parts);

    // A CIS line's tabs become the row's separators.
    const QString tabbed = row;
    if (!tabbed.contains(u'"') && !tabbed.contains(u';') && !tabbed.isEmpty())
        FUZZ_CHECK(SplitResultRow(ResultRowText(tabbed)) == tabbed.split(u'\t'));
    return 0;
}
