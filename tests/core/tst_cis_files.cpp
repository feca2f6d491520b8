// The file side of loading: opening, refusals and their texts, the existence
// test, the fallback name, and whole files: the committed samples and the
// real CIS file when it is at hand.
#include "core/app_error.h"
#include "core/cis_loader.h"
#include "core/cis_store.h"
#include "core/text_logic.h"
#include "run_in_child.h"
#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {
QString loadError(CisStore &store, const QString &path)
{
    try {
        LoadCisLines(store, path);
    } catch (const AppError &e) {
        return e.message();
    }
    return QString();
}

QString openError(const QString &path, const QString &reason)
{
    return u"Impossible d'ouvrir le fichier \"%1\". %2"_s.arg(path, reason);
}

#ifndef Q_OS_WIN
long addressSpaceKib()
{
    QFile f(u"/proc/self/status"_s);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmSize:"))
            return line.mid(7).trimmed().split(' ').first().toLong();
    return -1;
}
#endif
} // namespace

class TestCisFiles : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void existence_data();
    void existence();
    void refusals_data();
    void refusals();
    void refusalKeepsStore();
    void lockHeldByOtherDescriptor_data();
    void lockHeldByOtherDescriptor();
    void lockHeldByChildProcess();
    void lockReleasedAfterLoad();
    void openByOtherProcess_data();
    void openByOtherProcess();
    void changedDuringRead_data();
    void changedDuringRead();
    void outOfMemoryForTheBytes();
    void relativePathShownInFull();
    void outOfMemory_data();
    void outOfMemory();
    void loadReplacesContent();
    void findCisTxt_data();
    void findCisTxt();
    void wholeFileLoads_data();
    void wholeFileLoads();
    void utf8CopyGivesSameLines_data();
    void utf8CopyGivesSameLines();

private:
    QTemporaryDir m_tmp;
    QString m_dir;
};

void TestCisFiles::init()
{
    QVERIFY(m_tmp.isValid());
    m_dir = m_tmp.path() + u'/';
    const QDir d(m_dir);
    for (const QString &e :
         d.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        const QString p = m_dir + e;
        QFileInfo info(p);
#ifndef Q_OS_WIN
        ::chmod(QFile::encodeName(p).constData(), 0700);
#endif
        if (info.isDir() && !info.isSymLink())
            QDir(p).removeRecursively();
        else
            QFile::remove(p);
    }
}

void TestCisFiles::existence_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("expected");
    QTest::newRow("regular file") << u"file"_s << true;
    QTest::newRow("empty file") << u"emptyfile"_s << true;
    QTest::newRow("folder") << u"dir"_s << false;
    QTest::newRow("link to file") << u"linkfile"_s << true;
    QTest::newRow("link to folder") << u"linkdir"_s << false;
    QTest::newRow("broken link") << u"broken"_s << false;
    QTest::newRow("link loop") << u"loop"_s << false;
    QTest::newRow("FIFO is not a folder") << u"fifo"_s << true;
    QTest::newRow("missing") << u"missing"_s << false;
    QTest::newRow("below a file") << u"file/x"_s << false;
    QTest::newRow("empty path") << QString() << false;
    // The system would see only "file", which exists.
    QTest::newRow("name holding a NUL") << u"file"_s + QChar(0) + u".bak"_s << false;
    // The entry's attributes cannot be read: a listing of the folder decides.
    QTest::newRow("unsearchable folder: file") << u"locked/file"_s << true;
    QTest::newRow("unsearchable folder: folder") << u"locked/dir"_s << false;
    QTest::newRow("unsearchable folder: missing") << u"locked/none"_s << false;
}

void TestCisFiles::existence()
{
#ifdef Q_OS_WIN
    QSKIP(
        "skipped on Windows: its rows are built from POSIX objects (links, FIFOs, sockets, permission bits); the Win32 refusals are shown by tst_platform_win32");
#else
    QFETCH(QString, kind);
    QFETCH(bool, expected);
    QVERIFY(writeBytes(m_dir + u"file"_s, "1\tA\r\n"));
    QVERIFY(writeBytes(m_dir + u"emptyfile"_s, QByteArray()));
    QVERIFY(QDir(m_dir).mkdir(u"dir"_s));
    QVERIFY(QFile::link(m_dir + u"file"_s, m_dir + u"linkfile"_s));
    QVERIFY(QFile::link(m_dir + u"dir"_s, m_dir + u"linkdir"_s));
    QVERIFY(QFile::link(m_dir + u"nothing"_s, m_dir + u"broken"_s));
    QVERIFY(QFile::link(m_dir + u"loop"_s, m_dir + u"loop"_s));
    QCOMPARE(::mkfifo(QFile::encodeName(m_dir + u"fifo"_s).constData(), 0600), 0);
    const QString path = kind.isEmpty() ? kind : m_dir + kind;
    if (!kind.startsWith(u"locked/")) {
        QCOMPARE(CisFileExists(path), expected);
        return;
    }
    // A folder that may be listed but not searched; the superuser passes
    // every permission, so the test runs as an ordinary user.
    QVERIFY(QDir(m_dir).mkpath(u"locked/dir"_s));
    QVERIFY(writeBytes(m_dir + u"locked/file"_s, "1\tA\r\n"));
    QCOMPARE(::chmod(QFile::encodeName(m_tmp.path()).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(m_dir + u"locked"_s).constData(), 0644), 0);
    const QString got = asOrdinaryUser([path] {
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) == 0 || errno != EACCES)
            return u"attributes readable"_s;
        return CisFileExists(path) ? u"passes"_s : u"fails"_s;
    });
    QCOMPARE(got, expected ? u"passes"_s : u"fails"_s);
#endif
}

void TestCisFiles::refusals_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << u"missing"_s << u"Fichier introuvable"_s;
    QTest::newRow("broken link") << u"broken"_s << u"Fichier introuvable"_s;
    QTest::newRow("path through a file") << u"file/x"_s << u"Fichier introuvable"_s;
    QTest::newRow("folder") << u"dir"_s << u"C'est un dossier"_s;
    QTest::newRow("FIFO, without waiting for a writer")
        << u"fifo"_s << u"Ce n'est pas un fichier ordinaire"_s;
    // The system's own reason for a socket reads in the system's language.
    QTest::newRow("socket") << u"socket"_s << u"Ce n'est pas un fichier ordinaire"_s;
    QTest::newRow("unreadable") << u"secret"_s << u"Accès refusé"_s;
    QTest::newRow("loop of links") << u"loop"_s << u"Trop de liens symboliques en boucle"_s;
    QTest::newRow("name too long") << QString(300, u'n') << u"Nom de fichier trop long"_s;
    QTest::newRow("name holding a NUL")
        << u"file"_s + QChar(0) + u".bak"_s << u"Fichier introuvable"_s;
    // Its size reads 0: loading it as empty would replace the working
    // database with nothing and call that a success.
    QTest::newRow("a file holding more than its size says")
        << u"/proc/self/status"_s << u"Le fichier est utilisé par un autre programme"_s;
}

void TestCisFiles::refusals()
{
#ifdef Q_OS_WIN
    QSKIP(
        "skipped on Windows: its rows are built from POSIX objects (links, FIFOs, sockets, permission bits); the Win32 refusals are shown by tst_platform_win32");
#else
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QVERIFY(QDir(m_dir).mkdir(u"dir"_s));
    QVERIFY(QFile::link(m_dir + u"nothing"_s, m_dir + u"broken"_s));
    QVERIFY(QFile::link(m_dir + u"loop"_s, m_dir + u"loop"_s));
    QCOMPARE(::mkfifo(QFile::encodeName(m_dir + u"fifo"_s).constData(), 0600), 0);
    QVERIFY(writeBytes(m_dir + u"file"_s, "1\tA\r\n"));
    QVERIFY(writeBytes(m_dir + u"secret"_s, "1\tA\r\n"));
    QCOMPARE(::chmod(QFile::encodeName(m_dir + u"secret"_s).constData(), 0), 0);
    const QString path = kind.startsWith(u'/') ? kind : m_dir + kind;
    if (kind == u"socket"_s) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (size_t(name.size()) >= sizeof address.sun_path)
            QSKIP("the temporary folder's path is too long for a socket's name");
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(sock >= 0);
        const bool bound = ::bind(sock, reinterpret_cast<const sockaddr *>(&address), sizeof address)
                           == 0;
        ::close(sock); // the file stays
        QVERIFY(bound);
    }
    if (kind == u"secret"_s) {
        // The superuser reads any file.
        ::chmod(QFile::encodeName(m_tmp.path()).constData(), 0755);
        QCOMPARE(asOrdinaryUser([path] {
                     CisStore store;
                     return loadError(store, path);
                 }),
                 openError(path, reason));
        return;
    }
    CisStore store;
    QCOMPARE(loadError(store, path), openError(path, reason));
#endif
}

void TestCisFiles::refusalKeepsStore()
{
    CisStore store;
    store.append(u"1\tA"_s);
    QVERIFY(!loadError(store, m_dir + u"missing"_s).isEmpty());
    QCOMPARE(store.count(), 1);
    QCOMPARE(store.line(0), u"1\tA"_s);
}

void TestCisFiles::lockHeldByOtherDescriptor_data()
{
    QTest::addColumn<int>("lock");
    QTest::addColumn<bool>("refused");
#ifdef Q_OS_WIN
    QTest::newRow("flock") << 0 << true; // skipped: POSIX's locks
#else
    // Held by a writer, and by another reader.
    QTest::newRow("exclusive lock refuses") << int(LOCK_EX) << true;
    QTest::newRow("shared lock shares") << int(LOCK_SH) << false;
#endif
}

void TestCisFiles::lockHeldByOtherDescriptor()
{
#ifdef Q_OS_WIN
    QSKIP(
        "skipped on Windows: flock; the Win32 sharing refusal is shown by tst_platform_win32 and tst_startup");
#else
    QFETCH(int, lock);
    QFETCH(bool, refused);
    const QString path = m_dir + u"cis.txt"_s;
    QVERIFY(writeBytes(path, "1\tA\r\n2\tB\r\n"));
    const int fd = ::open(QFile::encodeName(path).constData(), lock == LOCK_EX ? O_RDWR : O_RDONLY);
    QVERIFY(fd >= 0);
    QCOMPARE(::flock(fd, lock), 0);
    CisStore store;
    const QString message = loadError(store, path);
    ::close(fd);
    if (refused) {
        QCOMPARE(message, openError(path, u"Le fichier est utilisé par un autre programme"_s));
        QCOMPARE(store.count(), 0);
    } else {
        QCOMPARE(message, QString());
        QCOMPARE(store.count(), 2);
    }
#endif
}

void TestCisFiles::lockHeldByChildProcess()
{
#ifdef Q_OS_WIN
    QSKIP("skipped on Windows: needs fork");
#else
    const QString path = m_dir + u"cis.txt"_s;
    QVERIFY(writeBytes(path, "1\tA\r\n"));
    const QByteArray name = QFile::encodeName(path);
    HeldByChild writer([&] {
        const int fd = ::open(name.constData(), O_RDWR);
        return fd >= 0 && ::flock(fd, LOCK_EX) == 0;
    });
    QVERIFY(writer.holds());
    CisStore store;
    QCOMPARE(loadError(store, path),
             openError(path, u"Le fichier est utilisé par un autre programme"_s));
    writer.release();
    // Once the writer is gone, the same file loads.
    QCOMPARE(loadError(store, path), QString());
    QCOMPARE(store.count(), 1);
#endif
}

void TestCisFiles::lockReleasedAfterLoad()
{
    const QString path = m_dir + u"cis.txt"_s;
    QVERIFY(writeBytes(path, "1\tA\r\n"));
    CisStore store;
    LoadCisLines(store, path);
#ifdef Q_OS_WIN
    // Nothing of the load still holds the file: a writer may open it.
    QFile writer(path);
    QVERIFY(writer.open(QIODevice::ReadWrite));
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
    QVERIFY(fd >= 0);
    const int rc = ::flock(fd, LOCK_EX | LOCK_NB);
    ::close(fd);
    QCOMPARE(rc, 0);
#endif
}

void TestCisFiles::openByOtherProcess_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("refused");
#ifdef Q_OS_WIN
    QTest::newRow("open") << 0 << true; // skipped: POSIX's fork
#else
    // A download in progress: open for writing, no lock taken.
    QTest::newRow("writer without lock") << int(O_WRONLY | O_APPEND) << true;
    QTest::newRow("reader and writer") << int(O_RDWR) << true;
    QTest::newRow("another reader") << int(O_RDONLY) << false;
#endif
}

void TestCisFiles::openByOtherProcess()
{
#ifdef Q_OS_WIN
    QSKIP("skipped on Windows: needs fork");
#else
    QFETCH(int, flags);
    QFETCH(bool, refused);
    const QString path = m_dir + u"cis.txt"_s;
    QVERIFY(writeBytes(path, "1\tA\r\n2\tpartial"));
    const QByteArray name = QFile::encodeName(path);
    HeldByChild other([&] { return ::open(name.constData(), flags) >= 0; });
    QVERIFY(other.holds());
    CisStore store;
    store.append(u"previous"_s);
    const QString message = loadError(store, path);
    other.release();
    if (refused) {
        QCOMPARE(message, openError(path, u"Le fichier est utilisé par un autre programme"_s));
        QCOMPARE(store.count(), 1);
        QCOMPARE(store.line(0), u"previous"_s);
    } else {
        QCOMPARE(message, QString());
        QCOMPARE(store.count(), 2);
    }
#endif
}

void TestCisFiles::changedDuringRead_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("grown") << u"grown"_s;
    QTest::newRow("cut short") << u"cut"_s;
    QTest::newRow("rewritten, same size, new date") << u"date"_s;
    QTest::newRow("untouched") << QString();
}

void TestCisFiles::changedDuringRead()
{
#ifdef Q_OS_WIN
    QSKIP("skipped on Windows: read leases are Linux's");
#else
    QFETCH(QString, change);
    const QString path = m_dir + u"cis.txt"_s;
    const QByteArray name = QFile::encodeName(path);
    QVERIFY(writeBytes(path, "1\tA\r\n2\tB\r\n"));
    // An old date, so that a rewrite within the same clock tick still shows.
    const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, name.constData(), old, 0), 0);
    SetLoadBeforeLockHookForTesting([&] {
        if (change == u"grown"_s) {
            QFile f(path);
            if (f.open(QIODevice::Append))
                f.write("3\tC\r\n");
        } else if (change == u"cut"_s) {
            (void)!::truncate(name.constData(), 4);
        } else if (change == u"date"_s) {
            (void)!::utimensat(AT_FDCWD, name.constData(), nullptr, 0);
        }
    });
    CisStore store;
    store.append(u"previous"_s);
    const QString message = loadError(store, path);
    SetLoadBeforeLockHookForTesting({});
    if (change.isEmpty()) {
        QCOMPARE(message, QString());
        QCOMPARE(store.count(), 2);
        return;
    }
    QCOMPARE(message, openError(path, u"Le fichier est utilisé par un autre programme"_s));
    QCOMPARE(store.count(), 1);
    QCOMPARE(store.line(0), u"previous"_s);
#endif
}

void TestCisFiles::outOfMemoryForTheBytes()
{
#ifdef Q_OS_WIN
    QSKIP("skipped on Windows: needs fork and an address-space limit");
#else
    // The file's bytes themselves do not fit: the same message as when the
    // lines do not, and the store as it was.
    const QString path = m_dir + u"big.txt"_s;
    QVERIFY(writeBytes(path, QByteArray(64 << 20, 'x')));
    const QString result = inChild([&] {
        CisStore store;
        store.append(u"previous"_s);
        const long kib = addressSpaceKib();
        struct rlimit lim;
        lim.rlim_cur = lim.rlim_max = rlim_t(kib + 16 * 1024L) * 1024;
        if (kib < 0 || ::setrlimit(RLIMIT_AS, &lim) != 0)
            return u"setrlimit failed"_s;
        const QString message = loadError(store, path);
        return u"%1|%2"_s.arg(message, store.count() == 1 ? store.line(0) : u"changed"_s);
    });
    QFile::remove(path);
    QCOMPARE(result, u"Impossible d'insérer une ligne|previous"_s);
#endif
}

void TestCisFiles::relativePathShownInFull()
{
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir));
    CisStore store;
    const QString message = loadError(store, u"absent.txt"_s);
    QDir::setCurrent(cwd);
    QCOMPARE(message,
             openError(QDir(m_dir).absoluteFilePath(u"absent.txt"_s), u"Fichier introuvable"_s));
}

void TestCisFiles::outOfMemory_data()
{
    QTest::addColumn<int>("headroomMib");
    QTest::addColumn<bool>("someLines");
    // 48 MiB of empty lines: the bytes fit, the line table runs out on the
    // way. (A file whose bytes do not fit keeps the previous lines: above.)
    QTest::newRow("no room for every line") << 300 << true;
}

void TestCisFiles::outOfMemory()
{
#ifdef Q_OS_WIN
    QSKIP("skipped on Windows: needs fork and an address-space limit");
#else
    QFETCH(int, headroomMib);
    QFETCH(bool, someLines);
    const QString path = m_dir + u"many.txt"_s;
    const qsizetype lines = 48 << 20;
    QVERIFY(writeBytes(path, QByteArray(lines, '\n')));
    const QString result = inChild([&] {
        CisStore store;
        store.append(u"previous"_s);
        const long kib = addressSpaceKib();
        struct rlimit lim;
        lim.rlim_cur = lim.rlim_max = rlim_t(kib + headroomMib * 1024L) * 1024;
        if (kib < 0 || ::setrlimit(RLIMIT_AS, &lim) != 0)
            return u"setrlimit failed"_s;
        const QString message = loadError(store, path);
        // Every line kept must be whole: here, empty.
        qsizetype wrong = 0;
        for (qsizetype i = 0; i < store.count(); ++i)
            wrong += !store.line(i).isEmpty();
        return u"%1|%2|%3"_s.arg(message).arg(store.count()).arg(wrong);
    });
    QFile::remove(path);
    const QStringList parts = result.split(u'|');
    QCOMPARE(parts.size(), 3);
    QCOMPARE(parts[0], u"Impossible d'insérer une ligne"_s);
    const qsizetype kept = parts[1].toLongLong();
    QCOMPARE(kept > 0, someLines);
    QVERIFY(kept < lines);
    QCOMPARE(parts[2], u"0"_s);
#endif
}

void TestCisFiles::loadReplacesContent()
{
    const QString path = m_dir + u"cis.txt"_s;
    QVERIFY(writeBytes(path, "3\tC\r\n"));
    CisStore store;
    store.append(u"1\tA"_s);
    store.append(u"2\tB"_s);
    LoadCisLines(store, path);
    QCOMPARE(store.count(), 1);
    QCOMPARE(store.line(0), u"3\tC"_s);
    QVERIFY(writeBytes(path, QByteArray("\xEF\xBB\xBF")));
    LoadCisLines(store, path);
    QCOMPARE(store.count(), 0);
}

void TestCisFiles::findCisTxt_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none") << QStringList{u"other.txt"_s} << QStringList() << u"cis.txt"_s;
    QTest::newRow("lower case") << QStringList{u"cis.txt"_s} << QStringList() << u"cis.txt"_s;
    QTest::newRow("upper case") << QStringList{u"CIS.TXT"_s} << QStringList() << u"CIS.TXT"_s;
    QTest::newRow("mixed case") << QStringList{u"Cis.Txt"_s} << QStringList() << u"Cis.Txt"_s;
    QTest::newRow("a folder of that name is passed over")
        << QStringList{u"cis.TXT"_s} << QStringList{u"CIS.txt"_s} << u"cis.TXT"_s;
    QTest::newRow("not a longer name")
        << QStringList{u"cis.txt.bak"_s, u"xcis.txt"_s} << QStringList() << u"cis.txt"_s;
}

void TestCisFiles::findCisTxt()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QString, expected);
    for (const QString &f : files)
        QVERIFY(writeBytes(m_dir + f, "1\tA\r\n"));
    for (const QString &f : folders)
        QVERIFY(QDir(m_dir).mkdir(f));
    QCOMPARE(FindCisTxtIn(m_dir), m_dir + expected);
}

// Whole files: the committed samples in every encoding read, and the real file.
void TestCisFiles::wholeFileLoads_data()
{
    QTest::addColumn<QString>("path");    // empty: the real file
    QTest::addColumn<QByteArray>("mark"); // the UTF-8 sample rewritten with this mark first
    QTest::addColumn<qsizetype>("lines");
    QTest::addColumn<qsizetype>("notMarketed");
    QTest::addColumn<qsizetype>("apostrophes");
    QTest::addColumn<QString>("firstCode");
    const QString cp1252 = testDataFile("cis_sample_cp1252.txt");
    const QString utf8 = testDataFile("cis_sample_utf8.txt");
    const auto sample = [](const char *name, const QString &path, const QByteArray &mark) {
        QTest::newRow(name) << path << mark << qsizetype(30) << qsizetype(9) << qsizetype(4)
                            << u"60100011"_s;
    };
    sample("sample, Windows-1252", cp1252, {});
    sample("sample, UTF-8", utf8, {});
    sample("sample, UTF-8 with mark", utf8, QByteArray("\xEF\xBB\xBF"));
    sample("sample, UTF-16LE with mark", utf8, QByteArray("\xFF\xFE"));
    sample("sample, UTF-16BE with mark", utf8, QByteArray("\xFE\xFF"));
    QTest::newRow("real file") << QString() << QByteArray() << qsizetype(14442) << qsizetype(2492)
                               << qsizetype(13) << u"61266250"_s;
}

void TestCisFiles::wholeFileLoads()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, mark);
    QFETCH(qsizetype, lines);
    QFETCH(qsizetype, notMarketed);
    QFETCH(qsizetype, apostrophes);
    QFETCH(QString, firstCode);
    if (path.isEmpty()) {
        SKIP_WITHOUT_REAL_CIS_FILE();
        path = realCisFile();
    }
    if (!mark.isEmpty()) {
        const QString text = QString::fromUtf8(readBytes(path));
        QByteArray bytes = mark;
        if (mark.size() == 3)
            bytes += text.toUtf8();
        else
            bytes += utf16(text, mark.startsWith('\xFE'));
        path = m_dir + u"marked.txt"_s;
        QVERIFY(writeBytes(path, bytes));
    }
    CisStore store;
    LoadCisLines(store, path);
    QCOMPARE(store.count(), lines);
    QVERIFY(store.line(0).startsWith(firstCode + u'\t'));
    qsizetype notMarketedSeen = 0, apostrophesSeen = 0, fields12 = 0;
    for (qsizetype i = 0; i < store.count(); ++i) {
        const QString l = store.line(i);
        QCOMPARE(store.isNotMarketed(i), HoldsNotMarketed(l));
        notMarketedSeen += store.isNotMarketed(i);
        apostrophesSeen += l.count(u'’');
        fields12 += l.count(u'\t') == 11;
    }
    QCOMPARE(notMarketedSeen, notMarketed);
    QCOMPARE(apostrophesSeen, apostrophes);
    QCOMPARE(fields12, store.count());
}

// A copy converted to UTF-8 without mark, LF endings, gives the same lines.
void TestCisFiles::utf8CopyGivesSameLines_data()
{
    QTest::addColumn<QString>("original"); // empty: the real file
    QTest::addColumn<QString>("copy");     // empty: converted here
    QTest::addColumn<qsizetype>("notMarketed");
    QTest::newRow("sample") << testDataFile("cis_sample_cp1252.txt")
                            << testDataFile("cis_sample_utf8.txt") << qsizetype(9);
    QTest::newRow("real file") << QString() << QString() << qsizetype(2492);
}

void TestCisFiles::utf8CopyGivesSameLines()
{
    QFETCH(QString, original);
    QFETCH(QString, copy);
    QFETCH(qsizetype, notMarketed);
    if (original.isEmpty()) {
        SKIP_WITHOUT_REAL_CIS_FILE();
        original = realCisFile();
    }
    CisStore first;
    LoadCisLines(first, original);
    if (copy.isEmpty()) {
        QByteArray utf8;
        for (qsizetype i = 0; i < first.count(); ++i)
            utf8 += first.line(i).toUtf8() + '\n';
        copy = m_dir + u"CIS_utf8.txt"_s;
        QVERIFY(writeBytes(copy, utf8));
    }
    CisStore store;
    LoadCisLines(store, copy);
    QCOMPARE(store.count(), first.count());
    qsizetype notMarketedSeen = 0;
    for (qsizetype i = 0; i < store.count(); ++i) {
        QCOMPARE(store.line(i), first.line(i));
        notMarketedSeen += store.isNotMarketed(i);
    }
    QCOMPARE(notMarketedSeen, notMarketed);
}

QTEST_GUILESS_MAIN(TestCisFiles)
#include "tst_cis_files.moc"
