#pragma once
// The parts of vela_ini that need the desktop: plain message, clipboard,
// opening URLs in the browser.
#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

void ShowPlainMessage(const QString &text);

// Opens the URL in the desktop's default browser (never through a shell
// command line). The text is taken as already percent-encoded. Only http and
// https URLs are handed over; any other gives false. Otherwise the result is
// the opener's; callers ignore it.
bool ShellOpenUrl(const QString &url);
// Replaces the template's "%s" by the argument as given and opens the result.
void ShellOpenFormattedUrl(const QString &urlTemplate, const QString &argument);

// Seam for tests: every URL the program opens goes through this opener.
using UrlOpener = std::function<bool(const QUrl &)>;
void SetUrlOpenerForTesting(UrlOpener opener); // empty: the desktop's opener

// Copies text to the clipboard.
void CopyTextToClipboard(const QString &text);
