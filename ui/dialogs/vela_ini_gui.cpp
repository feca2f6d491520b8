#include "ui/dialogs/vela_ini_gui.h"

#include "ui/dialogs/msg_dialog.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace {
UrlOpener &urlOpener()
{
    static UrlOpener opener;
    return opener;
}
} // namespace

void ShowPlainMessage(const QString &text)
{
    ShowMessageDialog(text, MsgKind::Plain, MsgButton::OK);
}

bool ShellOpenUrl(const QString &url)
{
    // Callers hand over URLs whose arguments are already percent-encoded.
    const QUrl target = QUrl::fromEncoded(url.toUtf8());
    // Only web pages are opened: a file or program URL never reaches the
    // desktop's opener, whatever text ends up in the template.
    const QString scheme = target.scheme().toLower();
    if (!target.isValid() || (scheme != u"http"_s && scheme != u"https"_s))
        return false;
    if (urlOpener())
        return urlOpener()(target);
    return QDesktopServices::openUrl(target);
}

void ShellOpenFormattedUrl(const QString &urlTemplate, const QString &argument)
{
    QString url = urlTemplate;
    const qsizetype at = url.indexOf(u"%s"_s);
    if (at >= 0)
        url.replace(at, 2, argument);
    ShellOpenUrl(url);
}

void SetUrlOpenerForTesting(UrlOpener opener)
{
    urlOpener() = std::move(opener);
}

void CopyTextToClipboard(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}
