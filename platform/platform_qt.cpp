#include "platform/platform_qt.h"

#include <QFile>

using namespace Qt::StringLiterals;

platform::Path NativePath(const QString &path)
{
#ifdef _WIN32
    return path.toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}

QString FromNativePath(const platform::Path &path)
{
#ifdef _WIN32
    return QString::fromStdString(path);
#else
    return QFile::decodeName(QByteArray::fromStdString(path));
#endif
}

namespace {

QString systemText(int code)
{
    const std::string raw = platform::SystemMessage(code);
#ifdef _WIN32
    QString text = QString::fromUtf8(raw.data(), qsizetype(raw.size()));
#else
    QString text = QString::fromLocal8Bit(raw.data(), qsizetype(raw.size()));
#endif
    while (!text.isEmpty()) {
        const QChar c = text.back();
        if (c.isSpace() || c.category() == QChar::Other_Control || c == u'.')
            text.chop(1);
        else
            break;
    }
    return text;
}

} // namespace

QString ReasonText(const platform::Error &error)
{
    using platform::ErrorKind;
    switch (error.kind) {
    case ErrorKind::None:
        return QString();
    case ErrorKind::NotFound:
        return u"Fichier introuvable"_s;
    case ErrorKind::AccessDenied:
        return u"Accès refusé"_s;
    case ErrorKind::IsDirectory:
        return u"C'est un dossier"_s;
    case ErrorKind::Busy:
        return u"Le fichier est utilisé par un autre programme"_s;
    case ErrorKind::NotRegularFile:
        return u"Ce n'est pas un fichier ordinaire"_s;
    case ErrorKind::LinkLoop:
        return u"Trop de liens symboliques en boucle"_s;
    case ErrorKind::NoMemory:
        return u"Mémoire insuffisante"_s;
    case ErrorKind::IoError:
        return u"Erreur de lecture ou d'écriture sur le disque"_s;
    case ErrorKind::DiskFull:
        return u"Le disque est plein"_s;
    case ErrorKind::NameTooLong:
        return u"Nom de fichier trop long"_s;
    case ErrorKind::Other:
        break;
    }
    const QString text = systemText(error.code);
    return text.isEmpty() ? u"Erreur système %1"_s.arg(error.code) : text;
}
