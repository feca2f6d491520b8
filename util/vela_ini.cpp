#include "util/vela_ini.h"

#include "core/app_error.h"
#include "platform/platform_qt.h"
#include "util/program_folders.h"
#include "util/safe_file_writer.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>

#include <algorithm>

using namespace Qt::StringLiterals;

// ---- Program paths -------------------------------------------------------

namespace {

QString &programPathOverride()
{
    static QString path;
    return path;
}

bool isAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

// A path in Windows form (drive letter or backslashes) follows the Windows
// rules: "\", ":" and "/" separate, and the directory is lowered because
// that file system ignores case. A Linux path is separated by "/" only (":"
// and "\" are ordinary characters in its file names) and keeps its case,
// since a lowered directory would name a folder that does not exist.
bool isWindowsForm(const QString &path)
{
    if (path.contains(u'\\'))
        return true;
    return path.size() >= 2 && path.at(1) == u':' && isAsciiLetter(path.at(0));
}

bool isSeparator(QChar c, bool windowsForm)
{
    if (c == u'/')
        return true;
    return windowsForm && (c == u'\\' || c == u':');
}

// Index of the last separator, -1 when there is none.
qsizetype lastSeparator(const QString &path, bool windowsForm)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (isSeparator(path.at(i), windowsForm))
            return i;
    }
    return -1;
}

// Index of the "." that starts the extension of the file-name part, or -1.
// A leading "." names a hidden file, not an extension.
qsizetype extensionDot(const QString &path, bool windowsForm)
{
    const qsizetype nameStart = lastSeparator(path, windowsForm) + 1;
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot > nameStart ? dot : -1;
}

QString asciiLower(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(char16_t(c.unicode() + 32));
    }
    return text;
}

QString asciiUpper(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() >= u'a' && c.unicode() <= u'z')
            c = QChar(char16_t(c.unicode() - 32));
    }
    return text;
}

} // namespace

QString ProgramPath()
{
    const QString &forced = programPathOverride();
    if (!forced.isEmpty())
        return forced;
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return FromNativePath(platform::ExecutablePath());
}

void SetProgramPathForTesting(const QString &path)
{
    programPathOverride() = path;
}

QString ProgramDirOf(const QString &programPath)
{
    const bool windows = isWindowsForm(programPath);
    QString dir = programPath.left(lastSeparator(programPath, windows) + 1);
    if (windows) {
        dir = asciiLower(dir);
        if (!dir.endsWith(u'\\') && !dir.endsWith(u'/'))
            dir += u'\\';
    } else if (dir.isEmpty()) {
        dir = u"./"_s;
    }
    return dir;
}

QString ProgramBaseNameOf(const QString &programPath, bool upper)
{
    const bool windows = isWindowsForm(programPath);
    const qsizetype start = lastSeparator(programPath, windows) + 1;
    const qsizetype dot = extensionDot(programPath, windows);
    QString name = programPath.mid(start, dot < 0 ? -1 : dot - start);
    return upper ? asciiUpper(name) : name;
}

QString IniFileNameOf(const QString &programPath)
{
    if (programPath.isEmpty())
        return QString();
    const qsizetype dot = extensionDot(programPath, isWindowsForm(programPath));
    return (dot < 0 ? programPath : programPath.left(dot)) + u".INI"_s;
}

QString ProgramTitleOf(const QString &programPath)
{
    const bool windows = isWindowsForm(programPath);
    QString name = programPath.mid(lastSeparator(programPath, windows) + 1);
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}

QString FileNamePartOf(const QString &path)
{
    return path.mid(lastSeparator(path, isWindowsForm(path)) + 1);
}

QString ProgramDir()
{
    return ProgramDirOf(ProgramPath());
}

QString ProgramBaseName(bool upper)
{
    return ProgramBaseNameOf(ProgramPath(), upper);
}

QString IniFileName()
{
    const QString beside = IniFileNameOf(ProgramPath());
    if (beside.isEmpty() || ProgramIsPortable())
        return beside;
    return PerUserSettingsDir() + FileNamePartOf(beside);
}

QString ProgramTitle()
{
    return ProgramTitleOf(ProgramPath());
}

// ---- Geometry ------------------------------------------------------------

QStringList SplitText(const QString &text, const QString &separator)
{
    QStringList pieces;
    if (separator.isEmpty()) {
        // Nothing to cut at; looping on an empty separator would never end.
        if (!text.isEmpty())
            pieces.append(text);
        return pieces;
    }
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(separator, from);
        if (at < 0)
            break;
        pieces.append(text.mid(from, at - from));
        from = at + separator.size();
    }
    if (from < text.size())
        pieces.append(text.mid(from));
    return pieces;
}

int GeometryPieceToInt(const QString &piece)
{
    const auto bad = [&piece]() {
        // Kept letter for letter: two apostrophes on each side of the piece.
        return AppError(u"''%1'' n'est pas une valeur entière valide"_s.arg(piece));
    };
    const qsizetype n = piece.size();
    qsizetype i = 0;
    while (i < n && piece.at(i) == u' ')
        ++i;
    bool negative = false;
    if (i < n && (piece.at(i) == u'-' || piece.at(i) == u'+')) {
        negative = piece.at(i) == u'-';
        ++i;
    }
    bool hex = false;
    if (i + 1 < n && piece.at(i) == u'0' && (piece.at(i + 1) == u'x' || piece.at(i + 1) == u'X')) {
        hex = true;
        i += 2;
    } else if (i < n && (piece.at(i) == u'$' || piece.at(i) == u'x' || piece.at(i) == u'X')) {
        hex = true;
        ++i;
    }
    if (i >= n)
        throw bad();
    quint64 value = 0;
    const quint64 limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    for (; i < n; ++i) {
        const char16_t c = piece.at(i).unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            throw bad();
        value = value * (hex ? 16 : 10) + quint64(digit);
        if (value > limit)
            throw bad();
    }
    // Two's complement on 32 bits: hex FFFFFFFF is -1, -2147483648 fits.
    quint32 bits = quint32(value);
    if (negative)
        bits = 0u - bits;
    return qint32(bits);
}

QString GeometryValue(const QRect &outer)
{
    return u"%1:%2:%3:%4"_s.arg(outer.left()).arg(outer.top()).arg(outer.width()).arg(outer.height());
}

namespace {

// Far beyond any desktop, yet small enough that a corner plus a size never
// leaves the range of int: stored values are checked only for fitting 32 bits.
constexpr qint64 kCoordinateLimit = qint64(1) << 28;

int clampCoordinate(qint64 v)
{
    return int(std::clamp(v, -kCoordinateLimit, kCoordinateLimit));
}

} // namespace

void ApplyGeometryValue(QRect &outer, const QSize &workArea, const QString &value)
{
    const QStringList pieces = SplitText(value, u":"_s);
    // 64-bit arithmetic: a stored value may hold any 32-bit number, and the
    // clamps below subtract from it.
    const qint64 widthBefore = outer.width();
    qint64 left = outer.left();
    qint64 top = outer.top();
    qint64 width = widthBefore;
    qint64 height = outer.height();
    // A bad piece leaves the earlier ones in effect: the rectangle is
    // written back however this function ends.
    const auto store = qScopeGuard([&] {
        outer = QRect(clampCoordinate(left), clampCoordinate(top), clampCoordinate(width),
                      clampCoordinate(height));
    });
    // Each piece is converted just before it is applied. Missing pieces
    // leave their part.
    if (pieces.size() > 0) {
        left = GeometryPieceToInt(pieces.at(0));
        if (left > workArea.width())
            left = qint64(workArea.width()) - widthBefore;
    }
    if (pieces.size() > 1) {
        top = GeometryPieceToInt(pieces.at(1));
        if (top < 0)
            top = 0;
    }
    if (pieces.size() > 2) {
        width = GeometryPieceToInt(pieces.at(2));
        if (width > workArea.width())
            width = workArea.width();
    }
    if (pieces.size() > 3) {
        height = GeometryPieceToInt(pieces.at(3));
        if (height > workArea.height())
            height = workArea.height();
    }
}

// ---- Files ---------------------------------------------------------------

QDateTime GetFileDate(const QString &path)
{
    const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
    if (path.isEmpty())
        return zero;
    const platform::Path name = NativePath(path);
    platform::FileInfo info;
    // The entry's own date when a link leads nowhere: the entry still exists.
    if (platform::Stat(name, info) && platform::Stat(name, info, false))
        return zero;
    // The offset in force now, not the one at that date.
    const int offset = QDateTime::currentDateTime().offsetFromUtc();
    const QDateTime wall = QDateTime::fromSecsSinceEpoch(info.mtimeSec + offset, Qt::UTC);
    QTime time = wall.time();
    time = QTime(time.hour(), time.minute(), time.second() & ~1);
    return QDateTime(wall.date(), time);
}

QString DateText(const QDateTime &date)
{
    return QLocale::system().toString(date.date(), QLocale::ShortFormat);
}

bool CopyFileOverwrite(const QString &source, const QString &destination)
{
    if (source.isEmpty() || destination.isEmpty())
        return false;
    platform::File in;
    platform::FileInfo src;
    if (in.openForReading(NativePath(source)) || in.stat(src)
        || src.type != platform::EntryType::File)
        return false;

    const QString target = ResolveWriteTarget(destination);
    const platform::Path targetName = NativePath(target);
    // A new copy is the program's own working copy: its owner may read and
    // write it whatever the source's mode (a read-only download would
    // otherwise make every later import of that name fail).
    std::uint32_t mode = ((src.mode & 0777) | 0600) & platform::DefaultNewFileMode();
    platform::FileInfo dst;
    const bool replacing = !platform::Stat(targetName, dst);
    if (replacing) {
        // The same file under another name: copying would truncate it.
        if (dst.sameFileAs(src))
            return false;
        if (dst.type != platform::EntryType::File)
            return false;
        // A read-only destination is refused, as the desktop would.
        if (dst.readOnly || !platform::IsWritable(targetName))
            return false;
        mode = dst.mode;
    }

    SafeFileWriter out(target);
    if (!out.open(mode, replacing ? &dst : nullptr))
        return false;
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    for (;;) {
        platform::Error error;
        const std::int64_t n = in.read(buffer.data(), buffer.size(), error);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (!out.write(buffer.constData(), qsizetype(n)))
            return false;
    }
    // The copy carries the source's date, as a desktop copy does.
    out.setModificationTime(src.mtimeSec, src.mtimeNsec);
    return out.commit();
}

// ---- Web arguments -------------------------------------------------------

QString TrimUrlArgument(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text.at(start).unicode() <= 0x20)
        ++start;
    while (end > start && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(start, end - start);
}

QString PercentEncodeUrlArgument(const QString &text)
{
    // Unreserved characters are the ASCII letters, digits and "-._~"; the
    // hex digits come out upper-case.
    return QString::fromLatin1(text.toUtf8().toPercentEncoding());
}
