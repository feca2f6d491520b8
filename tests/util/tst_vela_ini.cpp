// Program paths, geometry texts, file date and copy, web arguments.
#include "core/app_error.h"
#include "test_files.h"
#include "util/program_folders.h"
#include "util/vela_ini.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

bool setModificationTime(const QString &path, qint64 seconds, long nanoseconds)
{
#ifdef Q_OS_WIN
    QFile file(path);
    return file.open(QIODevice::ReadWrite)
           && file.setFileTime(
               QDateTime::fromMSecsSinceEpoch(seconds * 1000 + nanoseconds / 1000000, Qt::UTC),
               QFileDevice::FileModificationTime);
#else
    struct timespec times[2];
    times[0].tv_sec = time_t(seconds);
    times[0].tv_nsec = 0;
    times[1].tv_sec = time_t(seconds);
    times[1].tv_nsec = nanoseconds;
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW)
           == 0;
#endif
}

const QDateTime kZeroDate(QDate(1899, 12, 30), QTime(0, 0));

} // namespace

class TestVelaIni : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void programPaths_data();
    void programPaths();
    void programPathOverride();

    void splitText_data();
    void splitText();
    void pieceToInt_data();
    void pieceToInt();
    void geometryValue();
    void applyGeometry_data();
    void applyGeometry();

    void fileDate_data();
    void fileDate();
    void fileDateUsesTodaysOffset();
    void copyFile();
    void copyRefused_data();
    void copyRefused();

    void trimUrlArgument_data();
    void trimUrlArgument();
    void percentEncode_data();
    void percentEncode();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestVelaIni::initTestCase()
{
    // A fixed offset with no summer time, so local dates are predictable.
    qputenv("TZ", "XYZ-1:30");
    ::tzset();
}

void TestVelaIni::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestVelaIni::programPaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("baseUpper");
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QString>("title");

    QTest::newRow("accented capitals stay")
        << u"C:\\Programmes\\ÉTUDE\\Base.exe"_s << u"c:\\programmes\\Étude\\"_s << u"Base"_s
        << u"BASE"_s << u"C:\\Programmes\\ÉTUDE\\Base.INI"_s << u"Base"_s;
    QTest::newRow("dot in a folder, none in the name")
        << u"C:\\App.old\\Base"_s << u"c:\\app.old\\"_s << u"Base"_s << u"BASE"_s
        << u"C:\\App.old\\Base.INI"_s << u"Base"_s;
    QTest::newRow("upper-case extension") << u"C:\\App\\Base.Exe"_s << u"c:\\app\\"_s << u"Base"_s
                                          << u"BASE"_s << u"C:\\App\\Base.INI"_s << u"Base"_s;
    QTest::newRow("upper letters ASCII only") << u"C:\\Défi.exe"_s << u"c:\\"_s << u"Défi"_s
                                              << u"DéFI"_s << u"C:\\Défi.INI"_s << u"Défi"_s;
    QTest::newRow("forward slashes on a drive") << u"C:/App/Base.exe"_s << u"c:/app/"_s << u"Base"_s
                                                << u"BASE"_s << u"C:/App/Base.INI"_s << u"Base"_s;
    QTest::newRow("drive without backslash") << u"C:VERDANE.EXE"_s << u"c:\\"_s << u"VERDANE"_s
                                             << u"VERDANE"_s << u"C:VERDANE.INI"_s << u"Verdane"_s;
    QTest::newRow("title cut at the first dot")
        << u"D:\\Outils\\éTUDE.Bis.exe"_s << u"d:\\outils\\"_s << u"éTUDE.Bis"_s << u"éTUDE.BIS"_s
        << u"D:\\Outils\\éTUDE.Bis.INI"_s << u"étude"_s;
    QTest::newRow("Linux path keeps its case")
        << u"/opt/Vérdane/Bin/Verdane"_s << u"/opt/Vérdane/Bin/"_s << u"Verdane"_s << u"VERDANE"_s
        << u"/opt/Vérdane/Bin/Verdane.INI"_s << u"Verdane"_s;
    QTest::newRow("Linux name with dots")
        << u"/usr/lib/app.d/VERDANE.bin.x86"_s << u"/usr/lib/app.d/"_s << u"VERDANE.bin"_s
        << u"VERDANE.BIN"_s << u"/usr/lib/app.d/VERDANE.bin.INI"_s << u"Verdane"_s;
    QTest::newRow("colon is a letter on Linux")
        << u"/home/a:b/Prog"_s << u"/home/a:b/"_s << u"Prog"_s << u"PROG"_s
        << u"/home/a:b/Prog.INI"_s << u"Prog"_s;
    QTest::newRow("hidden file has no extension")
        << u"/home/u/.verdane"_s << u"/home/u/"_s << u".verdane"_s << u".VERDANE"_s
        << u"/home/u/.verdane.INI"_s << QString();
}

void TestVelaIni::programPaths()
{
    QFETCH(QString, path);
    QFETCH(QString, dir);
    QFETCH(QString, base);
    QFETCH(QString, baseUpper);
    QFETCH(QString, ini);
    QFETCH(QString, title);
    QCOMPARE(ProgramDirOf(path), dir);
    QCOMPARE(ProgramBaseNameOf(path), base);
    QCOMPARE(ProgramBaseNameOf(path, true), baseUpper);
    QCOMPARE(IniFileNameOf(path), ini);
    QCOMPARE(ProgramTitleOf(path), title);
}

void TestVelaIni::programPathOverride()
{
    SetProgramPathForTesting(u"C:\\App\\Base.Exe"_s);
    QCOMPARE(ProgramPath(), u"C:\\App\\Base.Exe"_s);
    QCOMPARE(ProgramDir(), u"c:\\app\\"_s);
    QCOMPARE(ProgramBaseName(), u"Base"_s);
    QCOMPARE(IniFileNameOf(ProgramPath()), u"C:\\App\\Base.INI"_s);
    // No such folder here: the program counts as installed, and its settings
    // file takes the same name in the per-user folder.
    QCOMPARE(IniFileName(), PerUserSettingsDir() + u"Base.INI"_s);
    QCOMPARE(ProgramTitle(), u"Base"_s);

    SetProgramPathForTesting(QString());
    QCOMPARE(ProgramPath(), QCoreApplication::applicationFilePath());
    QCOMPARE(ProgramDir(), QCoreApplication::applicationDirPath() + u'/');
    QCOMPARE(IniFileName(), QCoreApplication::applicationFilePath() + u".INI"_s);
}

void TestVelaIni::splitText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("empty piece between")
        << u"a::b"_s << u":"_s << QStringList{u"a"_s, QString(), u"b"_s};
    QTest::newRow("empty piece in front") << u":a"_s << u":"_s << QStringList{QString(), u"a"_s};
    QTest::newRow("separator at the end") << u"a:"_s << u":"_s << QStringList{u"a"_s};
    QTest::newRow("empty text") << QString() << u":"_s << QStringList();
    QTest::newRow("no separator") << u"abc"_s << u":"_s << QStringList{u"abc"_s};
    QTest::newRow("separator only") << u":"_s << u":"_s << QStringList{QString()};
    QTest::newRow("two separators") << u"::"_s << u":"_s << QStringList{QString(), QString()};
    QTest::newRow("geometry") << u"100:50:800:600"_s << u":"_s
                              << QStringList{u"100"_s, u"50"_s, u"800"_s, u"600"_s};
    QTest::newRow("long separator")
        << u"a--b---c--"_s << u"--"_s << QStringList{u"a"_s, u"b"_s, u"-c"_s};
    QTest::newRow("empty separator") << u"a:b"_s << QString() << QStringList{u"a:b"_s};
}

void TestVelaIni::splitText()
{
    QFETCH(QString, text);
    QFETCH(QString, separator);
    QFETCH(QStringList, pieces);
    QCOMPARE(SplitText(text, separator), pieces);
}

void TestVelaIni::pieceToInt_data()
{
    QTest::addColumn<QString>("piece");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    const auto ok = [](const char *name, const QString &piece, int value) {
        QTest::newRow(name) << piece << true << value;
    };
    const auto bad = [](const char *name, const QString &piece) {
        QTest::newRow(name) << piece << false << 0;
    };
    ok("decimal", u"702"_s, 702);
    ok("dollar hex", u"$64"_s, 100);
    ok("leading blanks", u"  200"_s, 200);
    ok("plus sign", u"+5"_s, 5);
    ok("minus sign", u" -1500"_s, -1500);
    ok("leading zeros", u"007"_s, 7);
    ok("x hex", u"x1A"_s, 26);
    ok("X hex", u"X1a"_s, 26);
    ok("0x hex", u"0x1A"_s, 26);
    ok("0X hex", u"0XfF"_s, 255);
    ok("negative hex", u"-$10"_s, -16);
    ok("hex all 32 bits", u"$FFFFFFFF"_s, -1);
    ok("hex sign bit", u"0x80000000"_s, std::numeric_limits<int>::min());
    ok("largest", u"2147483647"_s, std::numeric_limits<int>::max());
    ok("smallest", u"-2147483648"_s, std::numeric_limits<int>::min());
    bad("trailing blank", u"200 "_s);
    bad("empty", QString());
    bad("blanks only", u"   "_s);
    bad("0x alone", u"0x"_s);
    bad("dollar alone", u"$"_s);
    bad("sign alone", u"-"_s);
    bad("blank after sign", u"- 1"_s);
    bad("two signs", u"--1"_s);
    bad("sign after prefix", u"$-1"_s);
    bad("decimal overflow", u"2147483648"_s);
    bad("negative overflow", u"-2147483649"_s);
    bad("long overflow", u"99999999999999999999999"_s);
    bad("hex overflow", u"$100000000"_s);
    bad("hex digits in decimal", u"1A"_s);
    bad("letters", u"abc"_s);
    bad("tab is no blank", u"\t5"_s);
    bad("other digits", u"\u0663"_s);
    bad("decimal point", u"1.5"_s);
}

void TestVelaIni::pieceToInt()
{
    QFETCH(QString, piece);
    QFETCH(bool, valid);
    QFETCH(int, value);
    if (valid) {
        QCOMPARE(GeometryPieceToInt(piece), value);
        return;
    }
    try {
        GeometryPieceToInt(piece);
        QFAIL("accepted");
    } catch (const AppError &e) {
        QCOMPARE(e.message(), u"''"_s + piece + u"'' n'est pas une valeur entière valide"_s);
    }
}

void TestVelaIni::geometryValue()
{
    QCOMPARE(GeometryValue(QRect(120, 80, 702, 521)), u"120:80:702:521"_s);
    QCOMPARE(GeometryValue(QRect(-1500, -8, 1, 0)), u"-1500:-8:1:0"_s);
    // What is saved restores the same rectangle.
    QRect restored(0, 0, 10, 10);
    ApplyGeometryValue(restored, QSize(1920, 1040), GeometryValue(QRect(-40, 30, 1024, 700)));
    QCOMPARE(restored, QRect(-40, 30, 1024, 700));
}

void TestVelaIni::applyGeometry_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QRect>("expected");
    QTest::addColumn<QString>("error");
    // Every row starts from a 640x480 window at 10,20 on a 1920x1040 work area.
    QTest::newRow("plain") << u"100:50:800:600"_s << QRect(100, 50, 800, 600) << QString();
    QTest::newRow("clamped to the work area")
        << u"3000:-20:2500:1200"_s << QRect(1920 - 640, 0, 1920, 1040) << QString();
    QTest::newRow("left clamp uses the width before the restore")
        << u"1921:0:800:600"_s << QRect(1280, 0, 800, 600) << QString();
    QTest::newRow("left equal to the width not clamped")
        << u"1920:0:1920:1040"_s << QRect(1920, 0, 1920, 1040) << QString();
    QTest::newRow("no lower clamp for left")
        << u"-1500:100:800:600"_s << QRect(-1500, 100, 800, 600) << QString();
    QTest::newRow("separator at the end")
        << u"100:200:300:400:"_s << QRect(100, 200, 300, 400) << QString();
    QTest::newRow("fifth piece ignored")
        << u"100:200:300:400:500"_s << QRect(100, 200, 300, 400) << QString();
    QTest::newRow("fifth piece not even converted")
        << u"100:200:300:400:abc"_s << QRect(100, 200, 300, 400) << QString();
    QTest::newRow("hex left") << u"$64:0:10:10"_s << QRect(100, 0, 10, 10) << QString();
    QTest::newRow("blank after a colon")
        << u"100: 200:300:400"_s << QRect(100, 200, 300, 400) << QString();
    QTest::newRow("blank before a colon") << u"100 :200:300:400"_s << QRect(10, 20, 640, 480)
                                          << u"''100 '' n'est pas une valeur entière valide"_s;
    QTest::newRow("bad piece stops the restore")
        << u"100:abc:300:400"_s << QRect(100, 20, 640, 480)
        << u"''abc'' n'est pas une valeur entière valide"_s;
    QTest::newRow("empty piece") << u"100::300:400"_s << QRect(100, 20, 640, 480)
                                 << u"'''' n'est pas une valeur entière valide"_s;
    QTest::newRow("bad last piece") << u"100:50:800:6OO"_s << QRect(100, 50, 800, 480)
                                    << u"''6OO'' n'est pas une valeur entière valide"_s;
    QTest::newRow("empty value") << QString() << QRect(10, 20, 640, 480) << QString();
    QTest::newRow("one piece") << u"100"_s << QRect(100, 20, 640, 480) << QString();
    QTest::newRow("three pieces") << u"100:50:800"_s << QRect(100, 50, 800, 480) << QString();
    QTest::newRow("three pieces and a colon")
        << u"100:50:800:"_s << QRect(100, 50, 800, 480) << QString();
    // Any 32-bit number may be stored; the arithmetic must not overflow, and
    // coordinates end up clamped far beyond any desktop.
    const int far = 1 << 28;
    QTest::newRow("top at the largest int")
        << u"100:2147483647:800:600"_s << QRect(100, far, 800, 600) << QString();
    QTest::newRow("left at the smallest int")
        << u"-2147483648:50:800:600"_s << QRect(-far, 50, 800, 600) << QString();
    QTest::newRow("width at the smallest int")
        << u"0:0:-2147483648:600"_s << QRect(0, 0, -far, 600) << QString();
    QTest::newRow("hex extremes") << u"$FFFFFFFF:x7FFFFFFF:0x10:0X10"_s << QRect(-1, far, 16, 16)
                                  << QString();
    QTest::newRow("largest left clamped by the width before")
        << u"2147483647:0:-2147483648:-2147483648"_s << QRect(1920 - 640, 0, -far, -far)
        << QString();
}

void TestVelaIni::applyGeometry()
{
    QFETCH(QString, value);
    QFETCH(QRect, expected);
    QFETCH(QString, error);
    QRect outer(10, 20, 640, 480);
    QString raised;
    try {
        ApplyGeometryValue(outer, QSize(1920, 1040), value);
    } catch (const AppError &e) {
        raised = e.message();
    }
    QCOMPARE(raised, error);
    QCOMPARE(outer, expected);
}

void TestVelaIni::fileDate_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("file") << u"file"_s;
    QTest::newRow("folder") << u"folder"_s;
    QTest::newRow("link to a file") << u"link"_s;
    QTest::newRow("broken link") << u"broken"_s;
}

void TestVelaIni::fileDate()
{
    QFETCH(QString, kind);
    SKIP_ON_WINDOWS("the fixed time zone comes from TZ, which Windows' clock ignores");
    const QString path = m_dir->filePath(u"entry"_s);
    const QString target = m_dir->filePath(u"target"_s);
    // 17 May 2019 12:03:27.9 UTC, odd seconds and a fraction.
    const qint64 utc = QDateTime(QDate(2019, 5, 17), QTime(12, 3, 27), Qt::UTC).toSecsSinceEpoch();
    if (kind == u"file") {
        QVERIFY(writeBytes(path, "x"));
    } else if (kind == u"folder") {
        QVERIFY(QDir(m_dir->path()).mkdir(u"entry"_s));
    } else if (kind == u"link") {
        QVERIFY(writeBytes(target, "x"));
        QVERIFY(setModificationTime(target, utc, 900000000));
        QVERIFY(QFile::link(target, path));
        QVERIFY(
            setModificationTime(path, utc - 86400, 0)); // the link's own date is not the one shown
    } else {
        QVERIFY(QFile::link(m_dir->filePath(u"nowhere"_s), path));
    }
    if (kind != u"link")
        QVERIFY(setModificationTime(path, utc, 900000000));

    // Local time at a fixed UTC+1:30, seconds rounded down to even.
    QCOMPARE(GetFileDate(path), QDateTime(QDate(2019, 5, 17), QTime(13, 33, 26)));
    QCOMPARE(GetFileDate(m_dir->filePath(u"missing"_s)), kZeroDate);
    QCOMPARE(GetFileDate(QString()), kZeroDate);
}

void TestVelaIni::fileDateUsesTodaysOffset()
{
    SKIP_ON_WINDOWS("the time zone comes from TZ, which Windows' clock ignores");
#ifndef Q_OS_WIN
    // Central European time: +1 in winter, +2 in summer. A date of the other
    // season than today's is shown with today's offset, not its own.
    const QByteArray savedTz = qgetenv("TZ");
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    ::tzset();
    const int offsetNow = QDateTime::currentDateTime().offsetFromUtc();
    const QDate otherSeason = offsetNow == 3600 ? QDate(2019, 7, 1) : QDate(2019, 1, 15);
    const QString path = m_dir->filePath(u"CIS.txt"_s);
    QVERIFY(writeBytes(path, "x"));
    QVERIFY(setModificationTime(
        path, QDateTime(otherSeason, QTime(12, 0, 1), Qt::UTC).toSecsSinceEpoch(), 0));
    const QDateTime shown = GetFileDate(path);
    qputenv("TZ", savedTz);
    ::tzset();
    QCOMPARE(shown, QDateTime(otherSeason, QTime(12, 0, 0).addSecs(offsetNow)));
#endif
}

void TestVelaIni::copyFile()
{
    const QString source = m_dir->filePath(u"CIS.txt"_s);
    const QString destination = m_dir->filePath(u"copie.txt"_s);
    const QByteArray content("61266250\tA 313\r\n60234100\t\xC9TUDE\r\n");
    QVERIFY(writeBytes(source, content));
    QVERIFY(setModificationTime(source, 1558094607, 0));

    QVERIFY(CopyFileOverwrite(source, destination));
    QCOMPARE(readBytes(destination), content);
    QCOMPARE(GetFileDate(destination), GetFileDate(source));

    // Over a longer file with its own permissions: fully replaced, mode kept.
    QVERIFY(writeBytes(destination, QByteArray(100000, 'z')));
#ifndef Q_OS_WIN // Windows has no mode bits to keep
    QVERIFY(::chmod(QFile::encodeName(destination).constData(), 0604) == 0);
#endif
    QVERIFY(CopyFileOverwrite(source, destination));
    QCOMPARE(readBytes(destination), content);
#ifndef Q_OS_WIN
    struct stat st;
    QVERIFY(::stat(QFile::encodeName(destination).constData(), &st) == 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0604));
#endif

    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{u"CIS.txt"_s, u"copie.txt"_s}));

    // From a read-only source (a download kept read-only): the new copy is
    // still its owner's to replace, so the next import of that name works.
    const QString readOnlySource = m_dir->filePath(u"lecture-seule.txt"_s);
    const QString ownCopy = m_dir->filePath(u"copie-2.txt"_s);
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const auto readWrite = readOnly | QFileDevice::WriteOwner;
    QVERIFY(writeBytes(readOnlySource, content));
    QVERIFY(QFile::setPermissions(readOnlySource, readOnly));
    QVERIFY(CopyFileOverwrite(readOnlySource, ownCopy));
    QVERIFY(QFileInfo(ownCopy).permission(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QVERIFY(QFile::setPermissions(readOnlySource, readWrite));
    QVERIFY(writeBytes(readOnlySource, "61266250\tA 313\r\n"));
    QVERIFY(QFile::setPermissions(readOnlySource, readOnly));
    QVERIFY(CopyFileOverwrite(readOnlySource, ownCopy));
    QCOMPARE(readBytes(ownCopy), QByteArray("61266250\tA 313\r\n"));
    QVERIFY(QFile::setPermissions(readOnlySource, readWrite));
    QVERIFY(QFile::remove(readOnlySource) && QFile::remove(ownCopy));

    // A name as long as the file system allows still has room for the
    // temporary file beside it.
    const QString longName = m_dir->filePath(QString(250, u'n'));
    QVERIFY(CopyFileOverwrite(source, longName));
    QCOMPARE(readBytes(longName), content);
}

void TestVelaIni::copyRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("same path") << u"same"_s;
    QTest::newRow("same file by another spelling") << u"spelling"_s;
    QTest::newRow("hard link") << u"hardlink"_s;
    QTest::newRow("symbolic link to the source") << u"symlink"_s;
    QTest::newRow("missing source") << u"missing"_s;
    QTest::newRow("source is a folder") << u"folder"_s;
    QTest::newRow("source is a FIFO") << u"fifo"_s;
    QTest::newRow("destination folder missing") << u"nodir"_s;
    QTest::newRow("destination is a folder") << u"dirdest"_s;
    QTest::newRow("read-only destination") << u"readonly"_s;
    QTest::newRow("write fails part-way") << u"full"_s;
}

void TestVelaIni::copyRefused()
{
    QFETCH(QString, kind);
#ifdef Q_OS_WIN
    if (kind == u"hardlink" || kind == u"symlink" || kind == u"fifo" || kind == u"full")
        QSKIP("skipped on Windows: links, named pipes and a file size limit are made by POSIX "
              "calls here");
#endif
    QString source = m_dir->filePath(u"CIS.txt"_s);
    QString destination = m_dir->filePath(u"copie.txt"_s);
    const QByteArray content("61266250\tA 313\r\n");
    const QByteArray old("ancienne copie\r\n");
    QVERIFY(writeBytes(source, content));
    QVERIFY(writeBytes(destination, old));
    QByteArray expected = old;

    if (kind == u"same") {
        destination = source;
        expected = content;
    } else if (kind == u"spelling") {
        destination = m_dir->path() + u"/./sub/../CIS.txt"_s;
        QVERIFY(QDir(m_dir->path()).mkdir(u"sub"_s));
        expected = content;
    } else if (kind == u"hardlink") {
        QVERIFY(QFile::remove(destination));
#ifndef Q_OS_WIN
        QVERIFY(::link(QFile::encodeName(source).constData(),
                       QFile::encodeName(destination).constData())
                == 0);
#endif
        expected = content;
    } else if (kind == u"symlink") {
        QVERIFY(QFile::remove(destination));
        QVERIFY(QFile::link(source, destination));
        expected = content;
    } else if (kind == u"missing") {
        source = m_dir->filePath(u"absent.txt"_s);
    } else if (kind == u"folder") {
        source = m_dir->path();
    } else if (kind == u"fifo") {
        // Opening it must not wait for a writer.
        source = m_dir->filePath(u"fifo"_s);
#ifndef Q_OS_WIN
        QVERIFY(::mkfifo(QFile::encodeName(source).constData(), 0600) == 0);
#endif
    } else if (kind == u"nodir") {
        destination = m_dir->filePath(u"absent/copie.txt"_s);
        expected = "<unreadable>";
    } else if (kind == u"dirdest") {
        destination = m_dir->filePath(u"dest"_s);
        QVERIFY(QDir(m_dir->path()).mkdir(u"dest"_s));
        expected = "<unreadable>";
    } else if (kind == u"readonly") {
        QVERIFY(QFile::setPermissions(destination, QFileDevice::ReadOwner));
    }

    if (kind == u"full") {
        // A file-size limit makes the copy fail part-way, as a full disk would.
        QVERIFY(writeBytes(source, QByteArray(4096, 'c')));
        bool copied = true;
#ifndef Q_OS_WIN
        QVERIFY(withFileSizeLimit(1024, [&] { copied = CopyFileOverwrite(source, destination); }));
#endif
        QVERIFY(!copied);
        QCOMPARE(readBytes(destination), expected);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{u"CIS.txt"_s, u"copie.txt"_s}));
        return;
    }

    QVERIFY(!CopyFileOverwrite(source, destination));
    QCOMPARE(readBytes(destination), expected);
    if (kind != u"missing")
        QCOMPARE(readBytes(m_dir->filePath(u"CIS.txt"_s)), content);
    // No temporary file left anywhere.
    const QStringList hidden =
        QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).filter(u"."_s);
    for (const QString &name : hidden)
        QVERIFY2(!name.startsWith(u'.'), qPrintable(name));
}

void TestVelaIni::trimUrlArgument_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blanks around a code") << u"  61266250  "_s << u"61266250"_s;
    QTest::newRow("control characters") << u"\t\r\n\u0001 61266250\u0000\u001F"_s << u"61266250"_s;
    QTest::newRow("inside kept") << u" A 313, comprimé \t"_s << u"A 313, comprimé"_s;
    QTest::newRow("only blanks") << u" \t\r\n "_s << QString();
    QTest::newRow("no-break space kept") << u"\u00A0x\u00A0"_s << u"\u00A0x\u00A0"_s;
}

void TestVelaIni::trimUrlArgument()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(TrimUrlArgument(text), expected);
}

void TestVelaIni::percentEncode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("product name")
        << u"ABACAVIR/LAMIVUDINE ARROW 600 mg/300 mg, comprimé pelliculé"_s
        << u"ABACAVIR%2FLAMIVUDINE%20ARROW%20600%20mg%2F300%20mg%2C%20comprim%C3%A9%20pellicul%C3%A9"_s;
    QTest::newRow("URL syntax") << u"&#%?=+"_s << u"%26%23%25%3F%3D%2B"_s;
    QTest::newRow("spaces") << u" a  b "_s << u"%20a%20%20b%20"_s;
    QTest::newRow("unreserved unchanged") << u"AZaz09-._~"_s << u"AZaz09-._~"_s;
    QTest::newRow("CIS code unchanged") << u"61266250"_s << u"61266250"_s;
    QTest::newRow("beyond the BMP") << u"€😀"_s << u"%E2%82%AC%F0%9F%98%80"_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestVelaIni::percentEncode()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(PercentEncodeUrlArgument(text), expected);
}

QTEST_GUILESS_MAIN(TestVelaIni)
#include "tst_vela_ini.moc"
