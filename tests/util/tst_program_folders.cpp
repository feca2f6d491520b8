// Portable or installed: where the settings file, cis.txt and the import
// copies live, and which file start-up falls back to.
#include "run_in_child.h"
#include "util/program_folders.h"
#include "util/vela_ini.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

const QByteArray kLine = "60000001\tDOLIPRANE 500 mg\tcomprim\xE9\torale\tAutorisation active\r\n";

} // namespace

class TestProgramFolders : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void portableFolder_data();
    void portableFolder();
    void installedUsesPerUserFolders();
    void fileNamePart_data();
    void fileNamePart();
    void fallback_data();
    void fallback();

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_config;
    QString m_data;
};

void TestProgramFolders::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    m_config = m_tmp->filePath(u"config"_s);
    m_data = m_tmp->filePath(u"data"_s);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data));
}

void TestProgramFolders::cleanup()
{
    SetProgramPathForTesting(QString());
    ::chmod(QFile::encodeName(m_tmp->path()).constData(), 0755);
    m_tmp.reset();
}

void TestProgramFolders::portableFolder_data()
{
    QTest::addColumn<QString>("folder"); // relative to the temporary folder, or absolute
    QTest::addColumn<int>("mode");       // given to the folder first; 0 for none
    QTest::addColumn<bool>("ordinaryUser");
    QTest::addColumn<bool>("portable");
    QTest::newRow("writable folder") << u"prog"_s << 0777 << true << true;
    QTest::newRow("read-only folder") << u"prog"_s << 0555 << true << false;
    QTest::newRow("missing folder") << u"absent"_s << 0 << false << false;
    QTest::newRow("a file, not a folder") << u"file"_s << 0 << false << false;
    // The superuser may write to /usr/bin: installed all the same.
    QTest::newRow("system program folder") << u"/usr/bin"_s << 0 << false << false;
}

void TestProgramFolders::portableFolder()
{
#ifdef Q_OS_WIN
    QSKIP(
        "skipped on Windows: its rows are POSIX folders and mode bits, checked as an ordinary user (fork)");
#else
    QFETCH(QString, folder);
    QFETCH(int, mode);
    QFETCH(bool, ordinaryUser);
    QFETCH(bool, portable);
    const QString dir = folder.startsWith(u'/') ? folder : m_tmp->filePath(folder);
    if (folder == u"prog"_s)
        QVERIFY(QDir().mkpath(dir));
    if (folder == u"file"_s)
        QVERIFY(writeFile(dir, "x"));
    if (mode != 0)
        QCOMPARE(::chmod(QFile::encodeName(dir).constData(), mode_t(mode)), 0);
    if (ordinaryUser)
        QCOMPARE(::chmod(QFile::encodeName(m_tmp->path()).constData(), 0755), 0);

    const auto verdict = [&dir] {
        return IsPortableProgramFolder(dir) ? u"portable"_s : u"installed"_s;
    };
    const QString got = ordinaryUser ? asOrdinaryUser(verdict) : verdict();
    QCOMPARE(got, portable ? u"portable"_s : u"installed"_s);
    if (QFileInfo(dir).isDir() && !folder.startsWith(u'/')) // the trial leaves nothing behind
        QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
#endif
}

void TestProgramFolders::installedUsesPerUserFolders()
{
    // Portable: everything beside the program, as always.
    const QString prog = m_tmp->filePath(u"prog"_s);
    QVERIFY(QDir().mkpath(prog));
    SetProgramPathForTesting(prog + u"/Verdane"_s);
    QVERIFY(ProgramIsPortable());
    QCOMPARE(IniFileName(), prog + u"/Verdane.INI"_s);
    QCOMPARE(CisDataDir(), prog + u"/"_s);

    // Installed: the same names in the per-user folders, not made yet.
    SetProgramPathForTesting(u"/usr/bin/Verdane"_s);
    QVERIFY(!ProgramIsPortable());
    QCOMPARE(IniFileName(), m_config + u"/Verdane/Verdane.INI"_s);
    QCOMPARE(CisDataDir(), m_data + u"/Verdane/"_s);
    QVERIFY(!QFileInfo::exists(m_config));
    QVERIFY(!QFileInfo::exists(m_data));

    // The first write makes the folder; the settings file is the usual one.
    IniWriteString(u"ANSM"_s, u"CIS.TXT"_s, u"/x/CIS_bdpm.txt"_s);
    QFile ini(m_config + u"/Verdane/Verdane.INI"_s);
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), QByteArray("[ANSM]\r\nCIS.TXT=/x/CIS_bdpm.txt\r\n"));
    QCOMPARE(IniReadString(u"ANSM"_s, u"CIS.TXT"_s, QString()), u"/x/CIS_bdpm.txt"_s);
}

void TestProgramFolders::fileNamePart_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("Linux path") << u"/home/a/Téléchargements/CIS_bdpm.txt"_s << u"CIS_bdpm.txt"_s;
    QTest::newRow("Windows path") << u"C:\\Users\\a\\Downloads\\CIS_bdpm.txt"_s << u"CIS_bdpm.txt"_s;
    QTest::newRow("Windows drive only") << u"D:CIS_bdpm.txt"_s << u"CIS_bdpm.txt"_s;
    QTest::newRow("name only") << u"CIS_bdpm.txt"_s << u"CIS_bdpm.txt"_s;
    QTest::newRow("folder") << u"/home/a/"_s << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestProgramFolders::fileNamePart()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(FileNamePartOf(path), name);
}

void TestProgramFolders::fallback_data()
{
    QTest::addColumn<QString>("saved");             // the settings path that names no file
    QTest::addColumn<QStringList>("present");       // files among the import copies
    QTest::addColumn<QString>("expected");          // relative to the import copies' folder
    QTest::addColumn<QString>("installedExpected"); // the same for an installed copy
    QTest::newRow("copy of the same name")
        << u"/gone/CIS_bdpm.txt"_s << QStringList{u"CIS_bdpm.txt"_s, u"cis.txt"_s}
        << u"CIS_bdpm.txt"_s << u"CIS_bdpm.txt"_s;
    QTest::newRow("Windows path saved")
        << u"C:\\Users\\a\\CIS_bdpm.txt"_s << QStringList{u"CIS_bdpm.txt"_s} << u"CIS_bdpm.txt"_s
        << u"CIS_bdpm.txt"_s;
    QTest::newRow("no copy: cis.txt")
        << u"/gone/CIS_bdpm.txt"_s << QStringList{u"CIS.TXT"_s} << u"CIS.TXT"_s << u"CIS.TXT"_s;
    QTest::newRow("nothing saved")
        << QString() << QStringList{u"cis.txt"_s} << u"cis.txt"_s << u"cis.txt"_s;
    QTest::newRow("nothing anywhere")
        << u"/gone/CIS_bdpm.txt"_s << QStringList() << u"cis.txt"_s << u"cis.txt"_s;
    // Beside a portable program these names are the program and its settings
    // file; in the per-user data folder they are ordinary import copies.
    QTest::newRow("never the settings file")
        << u"/x/Verdane.INI"_s << QStringList{u"Verdane.INI"_s, u"cis.txt"_s} << u"cis.txt"_s
        << u"Verdane.INI"_s;
    QTest::newRow("never the program")
        << u"/x/Verdane"_s << QStringList{u"Verdane"_s} << u"cis.txt"_s << u"Verdane"_s;
}

void TestProgramFolders::fallback()
{
    QFETCH(QString, saved);
    QFETCH(QStringList, present);
    QFETCH(QString, expected);
    QFETCH(QString, installedExpected);
    for (const bool installed : {false, true}) {
        const QString prog = m_tmp->filePath(u"prog"_s);
        QVERIFY(QDir().mkpath(prog));
        SetProgramPathForTesting(installed ? u"/usr/bin/Verdane"_s : prog + u"/Verdane"_s);
        const QString dir = CisDataDir();
        QCOMPARE(dir, installed ? m_data + u"/Verdane/"_s : prog + u"/"_s);
        QVERIFY(QDir().mkpath(dir));
        for (const QString &name : present)
            QVERIFY(writeFile(dir + name, kLine));
        QCOMPARE(FallbackCisFile(saved), dir + (installed ? installedExpected : expected));
        QVERIFY(QDir(dir).removeRecursively());
    }
}

QTEST_GUILESS_MAIN(TestProgramFolders)
#include "tst_program_folders.moc"
