// The web addresses built from a record's text: whatever the text, the
// address keeps the site's host and path, carries one argument, and that
// argument decodes back to the text with its blanks trimmed.
#include "fuzz_target.h"

#include "ui/dialogs/vela_ini_gui.h"
#include "util/vela_ini.h"

#include <QUrl>
#include <QUrlQuery>

namespace {

QUrl opened(const QString &urlTemplate, const QString &argument, bool formatted)
{
    QUrl seen;
    SetUrlOpenerForTesting([&seen](const QUrl &url) {
        seen = url;
        return true;
    });
    if (formatted)
        ShellOpenFormattedUrl(urlTemplate, argument);
    else
        ShellOpenUrl(urlTemplate + argument + u'/');
    SetUrlOpenerForTesting({});
    return seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString trimmed = TrimUrlArgument(text);
    const QString argument = PercentEncodeUrlArgument(trimmed);
    for (const QChar c : argument)
        FUZZ_CHECK(c.isLetterOrNumber() || QStringView(u"-._~%").contains(c));
    FUZZ_CHECK(QString::fromUtf8(QByteArray::fromPercentEncoding(argument.toLatin1())) == trimmed);

    // The product page: the argument is the one query item.
    const QUrl page = opened(
        QStringLiteral("http://agence-prd.ansm.sante.fr/php/ecodex/extrait.php?specid=%s"),
        argument, true);
    FUZZ_CHECK(page.isValid());
    FUZZ_CHECK(page.host() == QStringLiteral("agence-prd.ansm.sante.fr"));
    FUZZ_CHECK(page.path() == QStringLiteral("/php/ecodex/extrait.php"));
    const QUrlQuery query(page);
    FUZZ_CHECK(query.queryItems(QUrl::FullyDecoded).size() == 1);
    // Compared in its encoded form: QUrl's own decoded view turns
    // noncharacters such as U+FFFFF into U+FFFD, although the address
    // carries their bytes intact.
    const QString value = query.queryItemValue(QStringLiteral("specid"), QUrl::FullyEncoded);
    FUZZ_CHECK(QString::fromUtf8(QByteArray::fromPercentEncoding(value.toLatin1())) == trimmed);

    // The drug-reference search: the argument is one path segment.
    const QUrl search = opened(QStringLiteral("http://www.vidal.fr/recherche/index/q:"), argument,
                               false);
    FUZZ_CHECK(search.isValid());
    FUZZ_CHECK(search.host() == QStringLiteral("www.vidal.fr"));
    const QString path = search.path(QUrl::FullyEncoded);
    const QString prefix = QStringLiteral("/recherche/index/q:");
    FUZZ_CHECK(path.startsWith(prefix) && path.endsWith(u'/'));
    const QString segment = path.mid(prefix.size(), path.size() - prefix.size() - 1);
    FUZZ_CHECK(!segment.contains(u'/'));
    FUZZ_CHECK(QString::fromUtf8(QByteArray::fromPercentEncoding(segment.toLatin1())) == trimmed);
    return 0;
}
