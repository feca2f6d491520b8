// The settings file: reading and editing private-profile text, byte for byte.
#include "core/app_error.h"
#include "run_in_child.h"
#include "test_files.h"
#include "util/vela_ini.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The text as UTF-16 with its byte-order mark.
QByteArray utf16le(const QString &text)
{
    return QByteArray("\xFF\xFE", 2) + utf16(text, false);
}

QByteArray utf16be(const QString &text)
{
    return QByteArray("\xFE\xFF", 2) + utf16(text, true);
}

QString writeError(const QString &path)
{
    return u"Impossible d'écrire dans %1"_s.arg(path);
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void read_data();
    void read();
    void readMissingFile();
    void write_data();
    void write();
    void roundTrip_data();
    void roundTrip();
    void windows1252KeysKeepTheirText_data();
    void windows1252KeysKeepTheirText();
    void writeRefusesLineBreaksAndBadNames_data();
    void writeRefusesLineBreaksAndBadNames();
    void writeToReadOnlyFileFails();
    void writeToMissingDirectoryFails();
    void writeToDirectoryFails();
    void writeToUnwritableDirectoryFails_data();
    void writeToUnwritableDirectoryFails();
    void failedWriteLeavesFileIntact();
    void writeKeepsPermissionsAndLinks();
    void writeWithoutFileNameUsesProgramName();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;
};

void TestIniFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ini = m_dir->filePath(u"Verdane.INI"_s);
}

void TestIniFile::read_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("defaultValue");
    QTest::addColumn<QString>("expected");

    const QString d = u"défaut"_s;
    QTest::newRow("names ignore case") << QByteArray("[Ansm]\r\ncis.TXT=/data/cis.txt\r\n")
                                       << u"ANSM"_s << u"CIS.TXT"_s << d << u"/data/cis.txt"_s;
    QTest::newRow("blanks around names and value")
        << QByteArray("[ \tANSM ]\r\n \t CIS.TXT \t=  \t /a b  \t\r\n") << u"ANSM"_s << u"CIS.TXT"_s
        << d << u"/a b"_s;
    QTest::newRow("blanks around the brackets")
        << QByteArray(" \t[ANSM]\t \r\n\tk=v\r\n") << u"ansm"_s << u"K"_s << d << u"v"_s;
    QTest::newRow("double quotes removed, inner blanks kept")
        << QByteArray("[S]\r\nk=  \"  v  \"  \r\n") << u"S"_s << u"k"_s << d << u"  v  "_s;
    QTest::newRow("single quotes removed")
        << QByteArray("[S]\r\nk='v'\r\n") << u"S"_s << u"k"_s << d << u"v"_s;
    QTest::newRow("unmatched quotes kept")
        << QByteArray("[S]\r\nk=\"v'\r\n") << u"S"_s << u"k"_s << d << u"\"v'"_s;
    QTest::newRow("one pair only")
        << QByteArray("[S]\r\nk=\"\"v\"\"\r\n") << u"S"_s << u"k"_s << d << u"\"v\""_s;
    QTest::newRow("lone quote") << QByteArray("[S]\r\nk=\"\r\n") << u"S"_s << u"k"_s << d << u"\""_s;
    QTest::newRow("text after ] ignored")
        << QByteArray("[S] ; note\r\nk=v\r\n") << u"S"_s << u"k"_s << d << u"v"_s;
    QTest::newRow("header without ]")
        << QByteArray("[S\r\nk=v\r\n") << u"S"_s << u"k"_s << d << u"v"_s;
    QTest::newRow("comment line skipped")
        << QByteArray("[S]\r\n ;k=comment\r\nk=v\r\n") << u"S"_s << u"k"_s << d << u"v"_s;
    QTest::newRow("comment only") << QByteArray("[S]\r\n;k=comment\r\n") << u"S"_s << u"k"_s << d
                                  << d;
    QTest::newRow("hash starts no comment")
        << QByteArray("[S]\r\n#k=v\r\n") << u"S"_s << u"#k"_s << d << u"v"_s;
    QTest::newRow("no end-of-line comment")
        << QByteArray("[S]\r\nk=v ;x\r\n") << u"S"_s << u"k"_s << d << u"v ;x"_s;
    QTest::newRow("equals sign in value")
        << QByteArray("[S]\r\nk=a=b\r\n") << u"S"_s << u"k"_s << d << u"a=b"_s;
    QTest::newRow("LF endings") << QByteArray("[S]\na=1\nk=v\n") << u"S"_s << u"k"_s << d << u"v"_s;
    QTest::newRow("CR endings") << QByteArray("[S]\ra=1\rk=v\r") << u"S"_s << u"k"_s << d << u"v"_s;
    QTest::newRow("mixed endings, blank lines")
        << QByteArray("\r\n\n[S]\r\r\n\na=1\n\rk=v") << u"S"_s << u"k"_s << d << u"v"_s;
    QTest::newRow("key before first section")
        << QByteArray("k=top\r\n[S]\r\n") << u"S"_s << u"k"_s << d << d;
    QTest::newRow("key of another section")
        << QByteArray("[T]\r\nk=t\r\n[S]\r\n") << u"S"_s << u"k"_s << d << d;
    QTest::newRow("first key wins")
        << QByteArray("[S]\r\nk=1\r\nK=2\r\n") << u"S"_s << u"k"_s << d << u"1"_s;
    QTest::newRow("first section only")
        << QByteArray("[S]\r\na=1\r\n[T]\r\n[s]\r\nk=2\r\n") << u"S"_s << u"k"_s << d << d;
    QTest::newRow("empty value is not the default")
        << QByteArray("[S]\r\nk=\r\n") << u"S"_s << u"k"_s << d << QString();
    QTest::newRow("blank value is empty")
        << QByteArray("[S]\r\nk=  \t\r\n") << u"S"_s << u"k"_s << d << QString();
    QTest::newRow("line without = is no key")
        << QByteArray("[S]\r\nk\r\n") << u"S"_s << u"k"_s << d << d;
    QTest::newRow("missing key: default loses trailing spaces")
        << QByteArray("[S]\r\n") << u"S"_s << u"k"_s << u"  100:50  "_s << u"  100:50"_s;
    QTest::newRow("missing section") << QByteArray("[T]\r\nk=v\r\n") << u"S"_s << u"k"_s << d << d;
    QTest::newRow("long value cut to 2047")
        << QByteArray("[S]\r\nk=" + QByteArray(3000, 'x') + "\r\n") << u"S"_s << u"k"_s << d
        << QString(2047, u'x');
    QTest::newRow("long default cut to 2047")
        << QByteArray() << u"S"_s << u"k"_s << QString(2100, u'y') << QString(2047, u'y');
    QTest::newRow("value of 2047 kept whole") << QByteArray("[S]\r\nk=" + QByteArray(2047, 'z'))
                                              << u"S"_s << u"k"_s << d << QString(2047, u'z');
    QTest::newRow("UTF-16LE with mark")
        << utf16le(u"[ANSM]\r\nCIS.TXT=C:\\Données\\CIS.txt\r\n"_s) << u"ANSM"_s << u"CIS.TXT"_s
        << d << u"C:\\Données\\CIS.txt"_s;
    QTest::newRow("UTF-16BE with mark")
        << utf16be(u"[S]\rk=Ω\r"_s) << u"S"_s << u"k"_s << d << u"Ω"_s;
    QTest::newRow("UTF-8 with mark")
        << QByteArray("\xEF\xBB\xBF[S]\r\nk=Ã©t\xC3\xA9\r\n") << u"S"_s << u"k"_s << d << u"Ã©té"_s;
    QTest::newRow("UTF-8 without mark") << QByteArray("[S]\r\nk=/home/andr\xC3\xA9/cis.txt\r\n")
                                        << u"S"_s << u"k"_s << d << u"/home/andré/cis.txt"_s;
    QTest::newRow("Windows-1252") << QByteArray("[S]\r\nk=\xE9t\xE9 \x80 \x92 \x9C \x81\r\n")
                                  << u"S"_s << u"k"_s << d << u"été € \u2019 œ \u0081"_s;
    QTest::newRow("Windows-1252 ending in a UTF-8 lead byte")
        << QByteArray("[S]\r\nk=A\xC3") << u"S"_s << u"k"_s << d << u"AÃ"_s;
    QTest::newRow("UTF-8 encoded surrogate is not UTF-8")
        << QByteArray("[S]\r\nk=\xED\xA0\x80") << u"S"_s << u"k"_s << d << u"\u00ED\u00A0\u20AC"_s;
    QTest::newRow("overlong UTF-8 form is not UTF-8")
        << QByteArray("[S]\r\nk=\xC0\xAF") << u"S"_s << u"k"_s << d << u"\u00C0\u00AF"_s;
    QTest::newRow("NUL in an earlier line hides nothing")
        << "[S]\r\n;\0\r\nx=a\0b\r\nk=v"_ba << u"S"_s << u"k"_s << d << u"v"_s;
    QTest::newRow("invalid UTF-8 after the mark keeps the line")
        << QByteArray("\xEF\xBB\xBF[S]\r\nx=\xFF\r\nk=\xC3\xA9\r\n") << u"S"_s << u"k"_s << d
        << u"é"_s;
}

void TestIniFile::read()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, defaultValue);
    QFETCH(QString, expected);
    if (!content.isNull())
        QVERIFY(writeBytes(m_ini, content));
    QCOMPARE(IniReadString(section, key, defaultValue, m_ini), expected);
}

void TestIniFile::readMissingFile()
{
    QCOMPARE(IniReadString(u"ANSM"_s, u"CIS.TXT"_s, QString(), m_ini), QString());
    QCOMPARE(
        IniReadString(u"ANSM"_s, u"CIS.TXT"_s, u"a b   "_s, m_dir->filePath(u"nowhere/x.INI"_s)),
        u"a b"_s);
    // A folder in the file's place reads as nothing, not as an error.
    QCOMPARE(IniReadString(u"S"_s, u"k"_s, u"d"_s, m_dir->path()), u"d"_s);
}

void TestIniFile::write_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("missing file") << QByteArray() << u"ANSM"_s << u"CIS.TXT"_s
                                  << u"/données/cis.txt"_s
                                  << QByteArray("[ANSM]\r\nCIS.TXT=/donn\xC3\xA9"
                                                "es/cis.txt\r\n");
    QTest::newRow("empty file") << QByteArray("") << u"S"_s << u"k"_s << u"v"_s
                                << QByteArray("[S]\r\nk=v\r\n");
    QTest::newRow("key replaced where it stands, spelling kept")
        << QByteArray(
               "; Réglages\r\n\r\n[Verdane]\r\n  Form_CIS = 1:2:3:4 \r\nautre=x\r\n\r\n[ANSM]\r\nCIS.TXT=a\r\n")
        << u"VERDANE"_s << u"form_cis"_s << u"100:50:800:600"_s
        << QByteArray(
               "; Réglages\r\n\r\n[Verdane]\r\n  Form_CIS =100:50:800:600\r\nautre=x\r\n\r\n[ANSM]\r\nCIS.TXT=a\r\n");
    QTest::newRow("first of two keys replaced")
        << QByteArray("[S]\r\nk=1\r\nk=2\r\n") << u"S"_s << u"k"_s << u"v"_s
        << QByteArray("[S]\r\nk=v\r\nk=2\r\n");
    QTest::newRow("first of two sections edited")
        << QByteArray("[S]\r\na=1\r\n[S]\r\nk=2\r\n") << u"S"_s << u"k"_s << u"v"_s
        << QByteArray("[S]\r\na=1\r\nk=v\r\n[S]\r\nk=2\r\n");
    QTest::newRow("new key after the section's last key")
        << QByteArray("[S]\r\na=1\r\n;c\r\nb=2\r\n\r\n; fin de S\r\n[T]\r\nk=t\r\n") << u"S"_s
        << u"k"_s << u"v"_s
        << QByteArray("[S]\r\na=1\r\n;c\r\nb=2\r\nk=v\r\n\r\n; fin de S\r\n[T]\r\nk=t\r\n");
    QTest::newRow("new key in an empty section")
        << QByteArray("[S]\r\n\r\n[T]\r\n") << u"S"_s << u"k"_s << u"v"_s
        << QByteArray("[S]\r\nk=v\r\n\r\n[T]\r\n");
    QTest::newRow("new key at the end of a file without final break")
        << QByteArray("[S]\r\na=1") << u"S"_s << u"k"_s << u"v"_s
        << QByteArray("[S]\r\na=1\r\nk=v");
    QTest::newRow("new section appended")
        << QByteArray("[S]\r\na=1\r\n\r\n") << u"T"_s << u"k"_s << u"v"_s
        << QByteArray("[S]\r\na=1\r\n\r\n[T]\r\nk=v\r\n");
    QTest::newRow("new section after a file without final break")
        << QByteArray("[S]\r\na=1") << u"T"_s << u"k"_s << u"v"_s
        << QByteArray("[S]\r\na=1\r\n[T]\r\nk=v\r\n");
    QTest::newRow("text before the first section kept")
        << QByteArray("junk line\r\nk=top\r\n[S]\r\n") << u"S"_s << u"k"_s << u"v"_s
        << QByteArray("junk line\r\nk=top\r\n[S]\r\nk=v\r\n");
    QTest::newRow("CR-only file") << QByteArray("[S]\ra=1\r\r;c\r") << u"S"_s << u"k"_s << u"v"_s
                                  << QByteArray("[S]\ra=1\rk=v\r\r;c\r");
    QTest::newRow("LF file gets an LF section") << QByteArray("[S]\na=1") << u"T"_s << u"k"_s
                                                << u"v"_s << QByteArray("[S]\na=1\n[T]\nk=v\n");
    QTest::newRow("mixed endings kept")
        << QByteArray("[S]\na=1\rk=old\r\nz=9\n") << u"S"_s << u"k"_s << u"new"_s
        << QByteArray("[S]\na=1\rk=new\r\nz=9\n");
    QTest::newRow("empty value keeps the key")
        << QByteArray("[ANSM]\r\nCIS.TXT=/a\r\n") << u"ANSM"_s << u"CIS.TXT"_s << QString()
        << QByteArray("[ANSM]\r\nCIS.TXT=\r\n");
    QTest::newRow("blanks at the ends quoted") << QByteArray("[S]\r\n") << u"S"_s << u"k"_s
                                               << u" v\t"_s << QByteArray("[S]\r\nk=\" v\t\"\r\n");
    QTest::newRow("quoted value quoted again") << QByteArray("[S]\r\n") << u"S"_s << u"k"_s
                                               << u"'v'"_s << QByteArray("[S]\r\nk=\"'v'\"\r\n");
    QTest::newRow("UTF-16LE edited in place")
        << utf16le(u"; é\r\n[S]\r\nk=old\r\n\r\n[T]\r\n"_s) << u"S"_s << u"k"_s << u"Œuvre €"_s
        << utf16le(u"; é\r\n[S]\r\nk=Œuvre €\r\n\r\n[T]\r\n"_s);
    QTest::newRow("UTF-16LE new section") << utf16le(u"[S]\na=1"_s) << u"Écran"_s << u"k"_s
                                          << u"v"_s << utf16le(u"[S]\na=1\n[Écran]\nk=v\n"_s);
    QTest::newRow("UTF-16LE mark only")
        << utf16le(QString()) << u"S"_s << u"k"_s << u"v"_s << utf16le(u"[S]\r\nk=v\r\n"_s);
    QTest::newRow("UTF-16LE odd last byte stays last, new section")
        << utf16le(u"[S]\r\na=1\r\n"_s) + 'x' << u"T"_s << u"k"_s << u"v"_s
        << utf16le(u"[S]\r\na=1\r\n[T]\r\nk=v\r\n"_s) + 'x';
    QTest::newRow("UTF-16LE odd last byte stays last, new key")
        << utf16le(u"[S]\r\na=1"_s) + 'x' << u"S"_s << u"k"_s << u"v"_s
        << utf16le(u"[S]\r\na=1\r\nk=v"_s) + 'x';
    QTest::newRow("UTF-16BE stays UTF-16BE") << utf16be(u"[S]\r\nk=1\r\n"_s) << u"S"_s << u"new"_s
                                             << u"€"_s << utf16be(u"[S]\r\nk=1\r\nnew=€\r\n"_s);
    QTest::newRow("UTF-8 mark kept, invalid bytes elsewhere untouched")
        << QByteArray("\xEF\xBB\xBF[S]\r\nx=\xFF\xFE\r\nk=1\r\n") << u"S"_s << u"k"_s << u"été"_s
        << QByteArray("\xEF\xBB\xBF[S]\r\nx=\xFF\xFE\r\nk=\xC3\xA9t\xC3\xA9\r\n");
    QTest::newRow("Windows-1252 stays Windows-1252")
        << QByteArray("[S]\r\nnote=\xE9t\xE9\r\nk=1\r\n") << u"S"_s << u"k"_s << u"€ œ é"_s
        << QByteArray("[S]\r\nnote=\xE9t\xE9\r\nk=\x80 \x9C \xE9\r\n");
    QTest::newRow("Windows-1252 moves to UTF-8 for text it cannot hold")
        << QByteArray("[S]\r\nnote=\xE9t\xE9 \x92\n\rk=1\r\n") << u"S"_s << u"k"_s << u"Ωmega"_s
        << QByteArray("[S]\r\nnote=\xC3\xA9t\xC3\xA9 \xE2\x80\x99\n\rk=\xCE\xA9mega\r\n");
    // NUL bytes are text like any other: a line holding them keeps every
    // byte, wherever it stands and whatever the edit (the "_ba" literals
    // keep their NULs).
    QTest::newRow("NUL on the last line kept, key replaced above")
        << "[S]\r\nk=1\r\n;a\0b"_ba << u"S"_s << u"k"_s << u"v"_s << "[S]\r\nk=v\r\n;a\0b"_ba;
    QTest::newRow("NUL on the last line kept, key added after it")
        << "[S]\r\nx=a\0b"_ba << u"S"_s << u"k"_s << u"v"_s << "[S]\r\nx=a\0b\r\nk=v"_ba;
    QTest::newRow("NUL on the last line kept, section appended")
        << "[S]\r\nk=1\r\n\0fin\0"_ba << u"T"_s << u"k"_s << u"v"_s
        << "[S]\r\nk=1\r\n\0fin\0\r\n[T]\r\nk=v\r\n"_ba;
    QTest::newRow("NUL alone after the final break kept")
        << "[S]\r\nk=1\r\n\0"_ba << u"S"_s << u"k"_s << u"v"_s << "[S]\r\nk=v\r\n\0"_ba;
    QTest::newRow("NUL lines kept in Windows-1252")
        << "[S]\r\n;\xE9\0\xE9\r\nk=1\r\n;\0\xE9"_ba << u"S"_s << u"k"_s << u"€"_s
        << "[S]\r\n;\xE9\0\xE9\r\nk=\x80\r\n;\0\xE9"_ba;
    QTest::newRow("NUL lines kept when Windows-1252 moves to UTF-8")
        << "[S]\r\n;\xE9\0\xE9\r\nk=1\r\n;\0\xE9"_ba << u"S"_s << u"k"_s << u"Ωmega"_s
        << "[S]\r\n;\xC3\xA9\0\xC3\xA9\r\nk=\xCE\xA9mega\r\n;\0\xC3\xA9"_ba;
    QTest::newRow("NUL units on the last line of UTF-16LE kept")
        << utf16le(u"[S]\r\nk=1\r\n;a"_s + QChar(0) + u"b"_s) << u"T"_s << u"k"_s << u"v"_s
        << utf16le(u"[S]\r\nk=1\r\n;a"_s + QChar(0) + u"b\r\n[T]\r\nk=v\r\n"_s);
    QTest::newRow("same value leaves the file alone")
        << QByteArray("[S]\r\nk = v\r\n") << u"S"_s << u"k"_s << u"v"_s
        << QByteArray("[S]\r\nk = v\r\n");
}

void TestIniFile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    if (!before.isNull())
        QVERIFY(writeBytes(m_ini, before));
    IniWriteString(section, key, value, m_ini);
    QCOMPARE(readBytes(m_ini), after);
    QCOMPARE(IniReadString(section, key, u"défaut"_s, m_ini), value);
    // Nothing left behind: the temporary file was renamed into place.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{u"Verdane.INI"_s});
}

void TestIniFile::roundTrip_data()
{
    QTest::addColumn<QString>("value");
    for (const QString &v : {u"100:50:800:600"_s, u" a "_s, u"\t"_s, u"  "_s, u"\"q\""_s, u"'q'"_s,
                             u"\""_s, u"'x\""_s, u"\"\""_s, u"a=b"_s, u"v ;x"_s, u";v"_s, u"[v]"_s,
                             u"/home/d/Ωé€ 😀"_s, QString(2047, u'w')}) {
        QTest::newRow(qPrintable(v.left(20))) << v;
    }
}

void TestIniFile::roundTrip()
{
    QFETCH(QString, value);
    QVERIFY(IniCanStore(u"S"_s, u"k"_s, value));
    // Written to a new file, then as a replacement in an 8-bit and a UTF-16 file.
    IniWriteString(u"S"_s, u"k"_s, value, m_ini);
    QCOMPARE(IniReadString(u"S"_s, u"k"_s, u"d"_s, m_ini), value);

    const QString cp1252 = m_dir->filePath(u"cp1252.INI"_s);
    QVERIFY(writeBytes(cp1252, QByteArray("[S]\r\nnote=\xE9\r\nk=old\r\n")));
    IniWriteString(u"S"_s, u"k"_s, value, cp1252);
    QCOMPARE(IniReadString(u"S"_s, u"k"_s, u"d"_s, cp1252), value);
    QCOMPARE(IniReadString(u"S"_s, u"note"_s, u"d"_s, cp1252), u"é"_s);

    const QString wide = m_dir->filePath(u"utf16.INI"_s);
    QVERIFY(writeBytes(wide, utf16le(u"[S]\r\nk=old\r\n"_s)));
    IniWriteString(u"S"_s, u"k"_s, value, wide);
    QCOMPARE(IniReadString(u"S"_s, u"k"_s, u"d"_s, wide), value);
}

// The encoding of an 8-bit file is guessed at every read: after a write, a
// Windows-1252 file must give every key the text it gave before.
void TestIniFile::windows1252KeysKeepTheirText_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("value"); // written to key k of section S
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("last non-UTF-8 byte replaced")
        << QByteArray("[S]\r\nold=\xC3\xA9t\xC3\xA9\r\nk=\xE9\r\n") << u"1"_s
        << QByteArray("[S]\r\nold=\xC3\x83\xC2\xA9t\xC3\x83\xC2\xA9\r\nk=1\r\n");
    QTest::newRow("new value completes UTF-8") << QByteArray("[S]\r\nk=\xE9\r\n") << u"Ã©"_s
                                               << QByteArray("[S]\r\nk=\xC3\x83\xC2\xA9\r\n");
    QTest::newRow("ASCII left stays as it is")
        << QByteArray("[S]\r\nk=\xE9\r\n") << u"1"_s << QByteArray("[S]\r\nk=1\r\n");
    QTest::newRow("another byte still not UTF-8")
        << QByteArray("[S]\r\nold=\xE9\r\nk=1\r\n") << u"Ã©"_s
        << QByteArray("[S]\r\nold=\xE9\r\nk=\xC3\xA9\r\n");
}

void TestIniFile::windows1252KeysKeepTheirText()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    QVERIFY(writeBytes(m_ini, before));
    const QString oldBefore = IniReadString(u"S"_s, u"old"_s, u"absent"_s, m_ini);
    IniWriteString(u"S"_s, u"k"_s, value, m_ini);
    QCOMPARE(readBytes(m_ini), after);
    QCOMPARE(IniReadString(u"S"_s, u"k"_s, u"absent"_s, m_ini), value);
    QCOMPARE(IniReadString(u"S"_s, u"old"_s, u"absent"_s, m_ini), oldBefore);
}

void TestIniFile::writeRefusesLineBreaksAndBadNames_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("LF in value") << u"ANSM"_s << u"CIS.TXT"_s << u"/tmp/a\n[ANSM]\nCIS.TXT=/evil"_s;
    QTest::newRow("CR in value") << u"ANSM"_s << u"CIS.TXT"_s << u"/tmp/a\rb"_s;
    QTest::newRow("NUL in value") << u"ANSM"_s << u"CIS.TXT"_s << u"/tmp/a"_s + QChar(0) + u"b"_s;
    QTest::newRow("LF in key") << u"ANSM"_s << u"CIS\nTXT"_s << u"v"_s;
    QTest::newRow("CR in section") << u"AN\rSM"_s << u"CIS.TXT"_s << u"v"_s;
    QTest::newRow("empty key") << u"ANSM"_s << u"  "_s << u"v"_s;
    QTest::newRow("= in key") << u"ANSM"_s << u"a=b"_s << u"v"_s;
    QTest::newRow("key read as a comment") << u"ANSM"_s << u";k"_s << u"v"_s;
    QTest::newRow("key read as a section") << u"ANSM"_s << u"[k"_s << u"v"_s;
    QTest::newRow("] in section") << u"AN]SM"_s << u"k"_s << u"v"_s;
}

void TestIniFile::writeRefusesLineBreaksAndBadNames()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QByteArray before("[ANSM]\r\nCIS.TXT=/data/cis.txt\r\n");
    QVERIFY(writeBytes(m_ini, before));
    QVERIFY(!IniCanStore(section, key, value));
    try {
        IniWriteString(section, key, value, m_ini);
        QFAIL("the write was accepted");
    } catch (const AppError &e) {
        QCOMPARE(e.message(), writeError(m_ini));
    }
    QCOMPARE(readBytes(m_ini), before);
}

void TestIniFile::writeToReadOnlyFileFails()
{
    const QByteArray before("[ANSM]\r\nCIS.TXT=/data/cis.txt\r\n");
    QVERIFY(writeBytes(m_ini, before));
    QVERIFY(QFile::setPermissions(m_ini, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    try {
        IniWriteString(u"ANSM"_s, u"CIS.TXT"_s, u"/other"_s, m_ini);
        QFAIL("a read-only file was written");
    } catch (const AppError &e) {
        QCOMPARE(e.message(), writeError(m_ini));
    }
    QCOMPARE(readBytes(m_ini), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{u"Verdane.INI"_s});
}

void TestIniFile::writeToMissingDirectoryFails()
{
    const QString path = m_dir->filePath(u"absent/Verdane.INI"_s);
    try {
        IniWriteString(u"S"_s, u"k"_s, u"v"_s, path);
        QFAIL("a file was written into a missing folder");
    } catch (const AppError &e) {
        QCOMPARE(e.message(), writeError(path));
    }
    QVERIFY(!QFileInfo::exists(m_dir->filePath(u"absent"_s)));
}

void TestIniFile::writeToDirectoryFails()
{
    const QString path = m_dir->filePath(u"folder.INI"_s);
    QVERIFY(QDir(m_dir->path()).mkdir(u"folder.INI"_s));
    QVERIFY_THROWS_EXCEPTION(AppError, IniWriteString(u"S"_s, u"k"_s, u"v"_s, path));
    QVERIFY(QFileInfo(path).isDir());
}

void TestIniFile::writeToUnwritableDirectoryFails_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::newRow("existing file") << QByteArray("[ANSM]\r\nCIS.TXT=/data/cis.txt\r\n");
    QTest::newRow("no file yet") << QByteArray();
}

void TestIniFile::writeToUnwritableDirectoryFails()
{
#ifdef Q_OS_WIN
    QSKIP(
        "skipped on Windows: a folder's rights are POSIX mode bits here, checked as an ordinary user (fork)");
#else
    // The file itself may be writable: the new content goes to a temporary
    // file beside it, which the folder refuses.
    QFETCH(QByteArray, before);
    const QString dir = m_dir->filePath(u"ro"_s);
    const QString path = dir + u"/Verdane.INI"_s;
    QVERIFY(QDir(m_dir->path()).mkdir(u"ro"_s));
    if (!before.isNull()) {
        QVERIFY(writeBytes(path, before));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0666) == 0);
    }
    QVERIFY(::chmod(QFile::encodeName(m_dir->path()).constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(dir).constData(), 0555) == 0);
    const QString message = asOrdinaryUser([path] {
        try {
            IniWriteString(u"ANSM"_s, u"CIS.TXT"_s, u"/other"_s, path);
        } catch (const AppError &e) {
            return e.message();
        }
        return u"written"_s;
    });
    QVERIFY(::chmod(QFile::encodeName(dir).constData(), 0755) == 0);
    QCOMPARE(message, writeError(path));
    QCOMPARE(readBytes(path), before.isNull() ? QByteArray("<unreadable>") : before);
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden),
             before.isNull() ? QStringList() : QStringList{u"Verdane.INI"_s});
#endif
}

void TestIniFile::failedWriteLeavesFileIntact()
{
#ifdef Q_OS_WIN
    QSKIP("skipped on Windows: needs a per-process file size limit");
#else
    // A file-size limit makes the write fail part-way, as a full disk would.
    const QByteArray before = "[S]\r\nk=" + QByteArray(1000, 'a') + "\r\n";
    QVERIFY(writeBytes(m_ini, before));
    QString raised;
    QVERIFY(withFileSizeLimit(512, [&] {
        try {
            IniWriteString(u"S"_s, u"k"_s, QString(1000, u'b'), m_ini);
        } catch (const AppError &e) {
            raised = e.message();
        }
    }));
    QCOMPARE(raised, writeError(m_ini));
    QCOMPARE(readBytes(m_ini), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{u"Verdane.INI"_s});
#endif
}

void TestIniFile::writeKeepsPermissionsAndLinks()
{
#ifdef Q_OS_WIN
    QSKIP("skipped on Windows: mode bits, owners and symbolic links are POSIX's");
#else
    QVERIFY(writeBytes(m_ini, QByteArray("[S]\r\nk=1\r\n")));
    QVERIFY(::chmod(QFile::encodeName(m_ini).constData(), 0640) == 0);
    // Run by the superuser, a file of another user stays that user's.
    const bool root = ::geteuid() == 0;
    if (root)
        QVERIFY(::chown(QFile::encodeName(m_ini).constData(), 65534, 65534) == 0);
    const QString link = m_dir->filePath(u"link.INI"_s);
    QVERIFY(QFile::link(m_ini, link));

    IniWriteString(u"S"_s, u"k"_s, u"2"_s, link);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readBytes(m_ini), QByteArray("[S]\r\nk=2\r\n"));
    struct stat st;
    QVERIFY(::stat(QFile::encodeName(m_ini).constData(), &st) == 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0640));
    if (root) {
        QCOMPARE(st.st_uid, uid_t(65534));
        QCOMPARE(st.st_gid, gid_t(65534));
    }
#endif
}

void TestIniFile::writeWithoutFileNameUsesProgramName()
{
    SetProgramPathForTesting(m_dir->filePath(u"Verdane"_s));
    IniWriteString(u"ANSM"_s, u"CIS.TXT"_s, u"/data/CIS.txt"_s);
    QCOMPARE(readBytes(m_ini), QByteArray("[ANSM]\r\nCIS.TXT=/data/CIS.txt\r\n"));
    QCOMPARE(IniReadString(u"ANSM"_s, u"CIS.TXT"_s, QString()), u"/data/CIS.txt"_s);
    SetProgramPathForTesting(QString());
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_ini_file.moc"
