// The platform layer's reason texts, and what the safe file writer leaves
// behind: nothing of a live writer is touched, nothing of a dead one stays,
// and a writer killed at any instant leaves the old or the new file whole.
#include "platform/platform_qt.h"
#include "run_in_child.h"
#include "test_files.h"
#include "util/safe_file_writer.h"
#include "util/vela_ini.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#ifndef Q_OS_WIN
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

#ifndef Q_OS_WIN
// The hidden names of the writer's temporary files beside `target`.
QStringList temporariesOf(const QString &dir, const QString &target)
{
    const QRegularExpression pattern(u"^\\."_s + QRegularExpression::escape(target)
                                     + u"\\.verdane-tmp-[A-Za-z0-9]{6}$"_s);
    QStringList found;
    const QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &n : names) {
        if (pattern.match(n).hasMatch())
            found << n;
    }
    return found;
}

void sleepMicroseconds(qint64 us)
{
    struct timespec ts;
    ts.tv_sec = time_t(us / 1000000);
    ts.tv_nsec = long(us % 1000000) * 1000;
    while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) { }
}

// Runs `write` in a child process and returns its pid.
template <typename F>
pid_t startChild(F write)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        write();
        ::_exit(0);
    }
    return pid;
}

bool waitChild(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid;
}
#endif

// The two users of the safe file writer.
void addWriteKinds()
{
    QTest::addColumn<bool>("copy");
    QTest::newRow("settings write") << false;
    QTest::newRow("copy") << true;
}

} // namespace

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void reasonTexts_data();
    void reasonTexts();
    void systemTextForOthers();
    void writerArrivingDuringRead();
    void staleTemporaries_data();
    void staleTemporaries();
    void killedWrites_data();
    void killedWrites();

private:
    QTemporaryDir m_tmp;
    QString m_dir;
};

void TestPlatform::init()
{
    QVERIFY(m_tmp.isValid());
    m_dir = m_tmp.path() + u"/"_s;
    const QStringList left = QDir(m_dir).entryList(QDir::AllEntries | QDir::Hidden
                                                   | QDir::NoDotAndDotDot);
    for (const QString &n : left)
        QFile::remove(m_dir + n);
}

void TestPlatform::reasonTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("missing") << ENOENT << u"Fichier introuvable"_s;
    QTest::newRow("missing folder on the way") << ENOTDIR << u"Fichier introuvable"_s;
    QTest::newRow("access") << EACCES << u"Accès refusé"_s;
    QTest::newRow("not permitted") << EPERM << u"Accès refusé"_s;
    QTest::newRow("folder") << EISDIR << u"C'est un dossier"_s;
    QTest::newRow("locked") << EWOULDBLOCK << u"Le fichier est utilisé par un autre programme"_s;
    QTest::newRow("link loop") << ELOOP << u"Trop de liens symboliques en boucle"_s;
    QTest::newRow("no memory") << ENOMEM << u"Mémoire insuffisante"_s;
    QTest::newRow("input/output") << EIO << u"Erreur de lecture ou d'écriture sur le disque"_s;
    QTest::newRow("disk full") << ENOSPC << u"Le disque est plein"_s;
    QTest::newRow("name too long") << ENAMETOOLONG << u"Nom de fichier trop long"_s;
}

void TestPlatform::reasonTexts()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    // Whatever the locale: these never come from the system.
    QCOMPARE(ReasonText(platform::ErrorFromCode(code)), text);
}

void TestPlatform::systemTextForOthers()
{
    // Reasons without a French text of their own are the system's, without
    // the trailing full stop or line break some systems add.
    QString expected = QString::fromLocal8Bit(std::strerror(EXDEV));
    while (expected.endsWith(u'.') || expected.endsWith(u' ') || expected.endsWith(u'\n'))
        expected.chop(1);
    QVERIFY(!expected.isEmpty());
    const QString text = ReasonText(platform::ErrorFromCode(EXDEV));
    QCOMPARE(text, expected);
    QVERIFY(!text.contains(QRegularExpression(u"[.\\s]$"_s)));
}

void TestPlatform::writerArrivingDuringRead()
{
#ifdef Q_OS_WIN
    QSKIP(
        "skipped on Windows: read leases are Linux's; Windows refuses the writer at its open, shown by tst_platform_win32");
#else
    const QString path = m_dir + u"cis.txt"_s;
    QVERIFY(writeBytes(path, "1\tA\r\n"));
    const platform::Path name = NativePath(path);
    {
        // Leases need the file's owner (or the superuser) and a file system
        // that has them.
        const int fd = ::open(name.c_str(), O_RDONLY);
        QVERIFY(fd >= 0);
        const bool leases = ::fcntl(fd, F_SETLEASE, F_RDLCK) == 0;
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        ::close(fd);
        if (!leases)
            QSKIP("no read lease on this file system");
    }
    platform::File reader;
    QVERIFY(!reader.openForReading(name));
    QVERIFY(!reader.lockForReading());
    QVERIFY(!reader.checkNoWriterCame());
    // A program opening the file for writing while it is read: its open
    // waits until the reader lets go, and the reader learns of it.
    const pid_t pid = startChild([&] {
        const int fd = ::open(name.c_str(), O_WRONLY | O_APPEND);
        (void)!::write(fd, "2\tB\r\n", 5);
    });
    QVERIFY(pid > 0);
    QVERIFY(QTest::qWaitFor(
        [&] { return reader.checkNoWriterCame().kind == platform::ErrorKind::Busy; }, 5000));
    QVERIFY(!reader.close());
    QVERIFY(waitChild(pid));
    QCOMPARE(readBytes(path), QByteArray("1\tA\r\n2\tB\r\n"));
#endif
}

void TestPlatform::staleTemporaries_data()
{
    addWriteKinds();
}

void TestPlatform::staleTemporaries()
{
#ifdef Q_OS_WIN
    QSKIP(
        "skipped on Windows: needs fork; the Windows writer's temporaries are shown by tst_platform_win32");
#else
    QFETCH(bool, copy);
    const QString target = m_dir + u"Verdane.INI"_s;
    const QString source = m_dir + u"source.txt"_s;
    QVERIFY(writeBytes(target, "[S]\r\nK=0\r\n"));
    QVERIFY(writeBytes(source, "[S]\r\nK=copied\r\n"));
    // Not of the pattern, or of another target: never removed. The user's
    // own hidden files with six letters after the name are theirs.
    const QStringList others = {u".Verdane.INI.keep"_s,
                                u".Verdane.INI.backup"_s,
                                u".Verdane.INI.abc123"_s,
                                u".Verdane.INI.verdane-tmp-abc12"_s,
                                u".Verdane.INI.verdane-tmp-abc1234"_s,
                                u".Verdane.IN.verdane-tmp-abcdef"_s,
                                u"Verdane.INI.verdane-tmp-abcdef"_s};
    for (const QString &n : others)
        QVERIFY(writeBytes(m_dir + n, "x"));
    const auto writeOnce = [&](const QString &value) {
        if (copy)
            return CopyFileOverwrite(source, target);
        IniWriteString(u"S"_s, u"K"_s, value, target);
        return true;
    };

    // A writer that is still at work, in another process.
    HeldByChild live([&] {
        // Left open for as long as the child lives.
        auto *w = new SafeFileWriter(target);
        return w->open(0644) && w->write("half");
    });
    QVERIFY(live.holds());
    const QStringList liveTemp = temporariesOf(m_dir, u"Verdane.INI"_s);
    QCOMPARE(liveTemp.size(), 1);

    QVERIFY(writeOnce(u"1"_s));
    QCOMPARE(temporariesOf(m_dir, u"Verdane.INI"_s), liveTemp);

    // The writer dies: its file is a leftover, removed by the next write.
    live.kill();
    QCOMPARE(temporariesOf(m_dir, u"Verdane.INI"_s), liveTemp);
    QVERIFY(writeOnce(u"2"_s));
    QCOMPARE(temporariesOf(m_dir, u"Verdane.INI"_s), QStringList());
    QCOMPARE(readBytes(target),
             copy ? QByteArray("[S]\r\nK=copied\r\n") : QByteArray("[S]\r\nK=2\r\n"));
    for (const QString &n : others)
        QVERIFY2(QFile::exists(m_dir + n), qPrintable(n));
#endif
}

void TestPlatform::killedWrites_data()
{
    addWriteKinds();
}

void TestPlatform::killedWrites()
{
#ifdef Q_OS_WIN
    QSKIP("skipped on Windows: needs fork and SIGKILL");
#else
    QFETCH(bool, copy);
    const QString target = m_dir + u"Verdane.INI"_s;
    // Large enough that a write takes a while, so that kills land inside it.
    QByteArray filler;
    for (int i = 0; filler.size() < (copy ? 2 << 20 : 256 << 10); ++i)
        filler += "; ligne de remplissage " + QByteArray::number(i) + "\r\n";
    const auto settingsWith = [&](int value) {
        return "[S]\r\nK=" + QByteArray::number(value) + "\r\n" + filler;
    };
    // The copy alternates between two sources.
    const QString sources[2] = {m_dir + u"a.txt"_s, m_dir + u"b.txt"_s};
    QVERIFY(writeBytes(sources[0], settingsWith(-1)));
    QVERIFY(writeBytes(sources[1], settingsWith(-2)));
    const auto contentOf = [&](int i) {
        return copy ? settingsWith(-1 - (i & 1)) : settingsWith(i);
    };
    const auto write = [&](int i) {
        if (copy)
            CopyFileOverwrite(sources[i & 1], target);
        else
            IniWriteString(u"S"_s, u"K"_s, QString::number(i), target);
    };
    QVERIFY(writeBytes(target, settingsWith(0)));

    // How long one whole write takes here, child process included.
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= 3; ++i) {
        const pid_t pid = startChild([&] { write(i); });
        QVERIFY(pid > 0 && waitChild(pid));
    }
    const qint64 wholeUs = qMax<qint64>(clock.nsecsElapsed() / 3000, 100);
    QByteArray current = readBytes(target);
    QCOMPARE(current, contentOf(3));

    // Kills at random instants, from before the write starts to after it
    // ends: 200 runs or 5 seconds, and on until each outcome has been seen
    // (a loaded machine shifts where the kills land); bounded in time.
    QRandomGenerator random(20261210);
    int runs = 0, interrupted = 0, completed = 0, leftovers = 0;
    const auto allSeen = [&] { return completed > 0 && interrupted > 0 && leftovers > 0; };
    clock.restart();
    for (int i = 4; clock.elapsed() < 30000; ++i, ++runs) {
        if ((runs >= 200 || clock.elapsed() >= 5000) && allSeen())
            break;
        const pid_t pid = startChild([&] { write(i); });
        QVERIFY(pid > 0);
        sleepMicroseconds(random.bounded(wholeUs * 3 / 2));
        ::kill(pid, SIGKILL);
        QVERIFY(waitChild(pid));
        const QByteArray now = readBytes(target);
        const QByteArray next = contentOf(i);
        // Exactly the old content or exactly the new one.
        if (now == next && now != current)
            ++completed;
        else if (now == current)
            ++interrupted;
        else
            QFAIL(qPrintable(u"torn file after run %1: %2 bytes"_s.arg(runs).arg(now.size())));
        current = now;
        leftovers += !temporariesOf(m_dir, u"Verdane.INI"_s).isEmpty();
    }
    qInfo("%d runs: %d completed, %d interrupted, %d with a leftover before the next write", runs,
          completed, interrupted, leftovers);
    QVERIFY(runs >= 20);
    // Some kills must land inside a write, or this test proved nothing.
    QVERIFY(leftovers > 0);

    // One whole write afterwards: no leftover stays.
    const pid_t pid = startChild([&] { write(1000000); });
    QVERIFY(pid > 0 && waitChild(pid));
    QCOMPARE(readBytes(target), contentOf(1000000));
    QCOMPARE(temporariesOf(m_dir, u"Verdane.INI"_s), QStringList());
    QStringList all = QDir(m_dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    all.sort();
    QCOMPARE(all, (QStringList{u"Verdane.INI"_s, u"a.txt"_s, u"b.txt"_s}));
#endif
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
