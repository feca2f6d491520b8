// The settings file, read and written on a real file: the input is the
// file's bytes, then the section, the key and the value (UTF-8), separated
// by 0x01 bytes. A refused write leaves the file byte for byte; an accepted
// one reads back, and every other key keeps its value.
#include "fuzz_target.h"

#include "core/app_error.h"
#include "util/vela_ini.h"

#include <QFile>
#include <QList>
#include <QPair>
#include <QTemporaryDir>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Section and key names the file seems to hold, as a reader would guess
// them line by line; enough to watch the keys a write must not touch.
QList<QPair<QString, QString>> namesIn(const QString &path)
{
    QList<QPair<QString, QString>> names;
    QString section;
    const QStringList lines = QString::fromUtf8(readAll(path)).split(QChar(u'\n'));
    for (const QString &line : lines) {
        const QString t = line.trimmed();
        if (t.startsWith(u'['))
            section = t.mid(1, t.indexOf(u']') - 1);
        else if (t.contains(u'=') && names.size() < 32)
            names.append({section, t.left(t.indexOf(u'='))});
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Verdane.INI"));
    QByteArray rest(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray before = fuzz::takeUntil(rest, '\x01');
    const QString section = QString::fromUtf8(fuzz::takeUntil(rest, '\x01'));
    const QString key = QString::fromUtf8(fuzz::takeUntil(rest, '\x01'));
    const QString value = QString::fromUtf8(rest);
    FUZZ_CHECK(writeAll(path, before));

    const auto names = namesIn(path);
    QList<QString> valuesBefore;
    for (const auto &[s, k] : names)
        valuesBefore << IniReadString(s, k, QStringLiteral("<absent>"), path);

    bool written = true;
    try {
        IniWriteString(section, key, value, path);
    } catch (const AppError &) {
        written = false;
    }
    if (!IniCanStore(section, key, value))
        FUZZ_CHECK(!written);
    if (!written) {
        FUZZ_CHECK(readAll(path) == before);
        return 0;
    }
    // The reader hands back at most 2047 characters.
    const QString got = IniReadString(section, key, QStringLiteral("<absent>"), path);
    FUZZ_CHECK(got == value.left(2047) || (value.size() > 2047 && got == value.left(2046)));
    for (qsizetype i = 0; i < names.size(); ++i) {
        const auto &[s, k] = names.at(i);
        const bool same = s.trimmed().compare(section.trimmed(), Qt::CaseInsensitive) == 0
                          && k.trimmed().compare(key.trimmed(), Qt::CaseInsensitive) == 0;
        if (!same)
            FUZZ_CHECK(IniReadString(s, k, QStringLiteral("<absent>"), path) == valuesBefore.at(i));
    }
    return 0;
}
