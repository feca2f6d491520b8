// Start-up and the two ways out: where the database comes from, what the
// status bar says, what the settings file holds afterwards.
#include "app/frm_SplashScreen.h"
#include "app/startup.h"
#include "core/cis_store.h"
#include "modal_helper.h"
#include "test_files.h"
#include "ui/frm_cis.h"
#include "ui/labeled_line_edit.h"
#include "ui/panel_status_bar.h"
#include "ui/style/visual_style.h"
#include "ui/upper_case_line_edit.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSessionManager>
#include <QStyle>
#include <QStyleFactory>
#include <QtTest>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;
using fixture::readFile;
using fixture::writeFile;

namespace {

// Every text a dialog shows, one per line.
QString dialogTexts(QWidget *dialog)
{
    if (auto *box = qobject_cast<QMessageBox *>(dialog))
        return box->text();
    QStringList texts;
    for (QLabel *l : dialog->findChildren<QLabel *>())
        if (!l->text().isEmpty())
            texts << l->text();
    return texts.join(u'\n');
}

// Answers the next modal dialog with the button of that caption and keeps its texts.
std::shared_ptr<QString> answer(const QString &button, std::shared_ptr<modal::Outcome> *outcome)
{
    auto texts = std::make_shared<QString>();
    *outcome = modal::onNextModal([=](QWidget *w) {
        *texts = dialogTexts(w);
        if (QAbstractButton *b = modal::findButton(w, button))
            QTest::mouseClick(b, Qt::LeftButton);
        else
            w->close();
    });
    return texts;
}

QPoint centredOnScreen(const QSize &outer)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return {qMax(screen.left() + (screen.width() - outer.width()) / 2, screen.left()),
            qMax(screen.top() + (screen.height() - outer.height()) / 2, screen.top())};
}

QString geometryText(const QRect &r)
{
    return u"%1:%2:%3:%4"_s.arg(r.left()).arg(r.top()).arg(r.width()).arg(r.height());
}

QString cisSetting(const QString &path)
{
    return u"[ANSM]\r\nCIS.TXT="_s + path + u"\r\n"_s;
}

void setDate(const QString &path, const QDate &date)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime(date, QTime(12, 0)), QFileDevice::FileModificationTime));
}

#ifndef Q_OS_WIN
bool runningWithoutPermissionChecks()
{
    return ::geteuid() == 0;
}

// Runs the current row of `function` in a fresh copy of this test program
// under the "nobody" user, and returns its output when it passed. The copy
// lies in a folder that user can reach, whatever the build folder's rights.
QString runRowAsOrdinaryUser(const QString &function)
{
    QTemporaryDir place;
    if (!place.isValid())
        return u"no temporary folder"_s;
    const QString copy = place.filePath(u"tst_startup"_s);
    if (!QFile::copy(QCoreApplication::applicationFilePath(), copy)
        || ::chmod(QFile::encodeName(place.path()).constData(), 0755) != 0
        || ::chmod(QFile::encodeName(copy).constData(), 0755) != 0)
        return u"the test program could not be copied"_s;

    QProcess child;
    child.setProgram(copy);
    child.setArguments({function + u':' + QString::fromUtf8(QTest::currentDataTag())});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TMPDIR"_s, u"/tmp"_s);
    env.insert(u"HOME"_s, u"/tmp"_s);
    env.remove(u"XDG_RUNTIME_DIR"_s); // the superuser's, unusable by another user
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setChildProcessModifier([] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(125);
    });
    child.start();
    if (!child.waitForFinished(120000))
        return u"the child did not finish"_s;
    const QString output = QString::fromLocal8Bit(child.readAll());
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return u"the child failed (%1):\n"_s.arg(child.exitCode()) + output;
    return output;
}
#endif

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void databaseLocation_data();
    void databaseLocation();
    void noSettingsFile();
    void savedSizeRestoredAndCentred_data();
    void savedSizeRestoredAndCentred();
    void hostileGeometryLeavesUsableWindow_data();
    void hostileGeometryLeavesUsableWindow();
    void restoreBringsBackLostWindow_data();
    void restoreBringsBackLostWindow();
    void unreadableGeometryStillLoadsDatabase_data();
    void unreadableGeometryStillLoadsDatabase();
    void lockedDatabase();
    void closeStepWritesBothKeys_data();
    void closeStepWritesBothKeys();
    void closeStepRefusedWrite_data();
    void closeStepRefusedWrite();
    void closeStepSkipsWhatTheFileCannotHold_data();
    void closeStepSkipsWhatTheFileCannotHold();
    void quitWritesNothing_data();
    void quitWritesNothing();
    void eventLoopEnds_data();
    void eventLoopEnds();
    void splashLayout();
    void splashPaintedBeforeMainWindow();
    void styleNotFound();
    void styleFoundShowsNoDialog();
    void qtTextsInFrench();
    void missingTranslationStillStarts();
    void deployedTranslationCatalog();

private:
    std::unique_ptr<fixture::ProgramFolder> m_folder;
};

void TestStartup::initTestCase()
{
    InitVerdaneResources();
    EnsureProgramFonts();
}

void TestStartup::init()
{
    m_folder = std::make_unique<fixture::ProgramFolder>();
    QVERIFY(m_folder->dir.isValid());
}

void TestStartup::cleanup()
{
    // Leave the folder removable whatever a test did to its rights.
#ifdef Q_OS_WIN
    QFile::setPermissions(m_folder->iniPath(), QFile::ReadOwner | QFile::WriteOwner);
#else
    ::chmod(QFile::encodeName(m_folder->dir.path()).constData(), 0755);
    ::chmod(QFile::encodeName(m_folder->iniPath()).constData(), 0644);
#endif
    m_folder.reset();
}

void TestStartup::databaseLocation_data()
{
    QTest::addColumn<QString>("setting");    // relative to the program folder; "" for none
    QTest::addColumn<QString>("besideName"); // the file put beside the program; "" for none
    QTest::addColumn<QByteArray>("besideBytes");
    QTest::addColumn<QString>("expectedPath"); // relative to the program folder
    QTest::addColumn<QString>("count");
    QTest::addColumn<bool>("missing");

    const QByteArray sample = fixture::sampleCis();
    QTest::newRow("saved path used") << u"data/base.txt"_s << u"cis.txt"_s << QByteArray("one\r\n")
                                     << u"data/base.txt"_s << u"3"_s << false;
    QTest::newRow("saved path is a folder")
        << u"data"_s << u"cis.txt"_s << sample << u"cis.txt"_s << u"3"_s << false;
    QTest::newRow("saved file gone")
        << u"gone.txt"_s << u"cis.txt"_s << sample << u"cis.txt"_s << u"3"_s << false;
    QTest::newRow("upper-case name beside the program")
        << QString() << u"CIS.TXT"_s << sample << u"CIS.TXT"_s << u"3"_s << false;
    QTest::newRow("nothing anywhere")
        << u"gone.txt"_s << QString() << QByteArray() << u"cis.txt"_s << u"0"_s << true;
    QTest::newRow("empty file") << QString() << u"cis.txt"_s << QByteArray() << u"cis.txt"_s
                                << u"0"_s << true;
    QTest::newRow("byte-order mark only") << QString() << u"cis.txt"_s << QByteArray("\xEF\xBB\xBF")
                                          << u"cis.txt"_s << u"0"_s << true;
    QTest::newRow("UTF-16 mark only")
        << QString() << u"cis.txt"_s << QByteArray("\xFF\xFE") << u"cis.txt"_s << u"0"_s << true;
}

void TestStartup::databaseLocation()
{
    QFETCH(QString, setting);
    QFETCH(QString, besideName);
    QFETCH(QByteArray, besideBytes);
    QFETCH(QString, expectedPath);
    QFETCH(QString, count);
    QFETCH(bool, missing);

    QVERIFY(QDir(m_folder->dir.path()).mkpath(u"data"_s));
    QVERIFY(writeFile(m_folder->path(u"data/base.txt"_s), fixture::sampleCis()));
    if (!setting.isEmpty())
        QVERIFY(writeFile(m_folder->iniPath(), cisSetting(m_folder->path(setting)).toUtf8()));
    if (!besideName.isEmpty())
        QVERIFY(writeFile(m_folder->path(besideName), besideBytes));
    const QString expected = m_folder->path(expectedPath);
    if (QFileInfo(expected).isFile())
        setDate(expected, QDate(2019, 3, 15));

    auto w = fixture::openWindow(false);
    QCOMPARE(CisFilePath, expected);
    QCOMPARE(w->CisLines->count(), count.toLongLong());
    QCOMPARE(w->StatusBar1->panelText(0), count);
    QCOMPARE(w->StatusBar1->panelText(3),
             missing ? u"Base de données CIS manquante"_s
                     : u"Base de données CIS du "_s
                           + QLocale::system().toString(QDate(2019, 3, 15), QLocale::ShortFormat));
    QVERIFY(w->StatusBar1->panelText(1).isEmpty());
    QVERIFY(w->StatusBar1->panelText(2).isEmpty());
}

void TestStartup::noSettingsFile()
{
    auto w = fixture::openWindow();
    QVERIFY(w);
    // The designed size, centred, the focus in the search box.
    QCOMPARE(w->ClientArea1->size(), QSize(686, 443));
    QCOMPARE(w->frameGeometry().topLeft(), centredOnScreen(w->frameGeometry().size()));
    QApplication::setActiveWindow(w.get());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->Edit1));
    // Start-up reads and never writes.
    QVERIFY(!QFileInfo::exists(m_folder->iniPath()));
    QCOMPARE(w->StatusBar1->panelText(0), u"0"_s);
    QCOMPARE(w->StatusBar1->panelText(3), u"Base de données CIS manquante"_s);
    QVERIFY(!w->quitRequested());
}

void TestStartup::savedSizeRestoredAndCentred_data()
{
    QTest::addColumn<QString>("position"); // Left:Top, replaced by the centring
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<QString>("extra");
    QTest::newRow("plain") << u"10:20"_s << QSize(700, 500) << QString();
    QTest::newRow("odd size, halved toward zero") << u"-1500:100"_s << QSize(701, 481) << QString();
    QTest::newRow("larger than the work area") << u"3000:-20"_s << QSize(2500, 1200) << QString();
    QTest::newRow("extra piece ignored") << u"100:200"_s << QSize(720, 400) << u":500"_s;
}

void TestStartup::savedSizeRestoredAndCentred()
{
    QFETCH(QString, position);
    QFETCH(QSize, stored);
    QFETCH(QString, extra);
    const QSize work = QGuiApplication::primaryScreen()->availableGeometry().size();
    const QSize outer = stored.boundedTo(work);

    const QString value =
        u"%1:%2:%3%4"_s.arg(position).arg(stored.width()).arg(stored.height()).arg(extra);
    QVERIFY(
        writeFile(m_folder->iniPath(), (u"[Verdane]\r\nForm_CIS="_s + value + u"\r\n"_s).toUtf8()));
    auto w = fixture::openWindow();
    QVERIFY(w);
    QCOMPARE(w->frameGeometry().size(), outer);
    // The saved position is replaced by the centred one.
    QCOMPARE(w->frameGeometry().topLeft(), centredOnScreen(outer));
}

// Stored sizes that would leave the window unmapped (invisible, out of reach
// of the keyboard, never saved again) or overflow the arithmetic: the window
// keeps 686 x 380 at least, shows centred and closes normally.
void TestStartup::hostileGeometryLeavesUsableWindow_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QSize>("outer"); // height -1: the designed height stays
    QTest::newRow("zero width") << u"100:50:0:600"_s << QSize(686, 600);
    QTest::newRow("all zero") << u"0:0:0:0"_s << QSize(686, 380);
    QTest::newRow("all negative") << u"-5:-5:-5:-5"_s << QSize(686, 380);
    QTest::newRow("three tiny pieces") << u"1:2:3"_s << QSize(686, -1);
    QTest::newRow("hex tiny") << u"$FFFFFFFF:x7FFFFFFF:0x10:0X10"_s << QSize(686, 380);
    QTest::newRow("tall enough, too narrow") << u"0:0:300:500"_s << QSize(686, 500);
    QTest::newRow("top at the largest int") << u"100:2147483647:800:600"_s << QSize(800, 600);
    QTest::newRow("left at the smallest int") << u"-2147483648:50:800:600"_s << QSize(800, 600);
    QTest::newRow("width at the smallest int") << u"0:0:-2147483648:600"_s << QSize(686, 600);
    QTest::newRow("height at the smallest int") << u"0:0:700:-2147483648"_s << QSize(700, 380);
}

void TestStartup::hostileGeometryLeavesUsableWindow()
{
    QFETCH(QString, value);
    QFETCH(QSize, outer);
    const QSize work = QGuiApplication::primaryScreen()->availableGeometry().size();
    QVERIFY2(work.width() >= 800 && work.height() >= 600, "the screen is too small for these rows");
    QVERIFY(
        writeFile(m_folder->iniPath(), (u"[Verdane]\r\nForm_CIS="_s + value + u"\r\n"_s).toUtf8()));

    auto w = fixture::openWindow();
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->frameGeometry().width(), outer.width());
    if (outer.height() < 0)
        QCOMPARE(w->ClientArea1->height(), 443);
    else
        QCOMPARE(w->frameGeometry().height(), outer.height());
    QCOMPARE(w->frameGeometry().topLeft(), centredOnScreen(w->frameGeometry().size()));
    // The search band is there to be used.
    QVERIFY(w->Edit1->isVisible());
    QVERIFY(w->Edit1->visibleRegion().boundingRect().width() > 0);

    // And the window closes, saving a geometry the next start can use.
    QVERIFY(w->close());
    QCOMPARE(m_folder->quitRequests, 1);
    QVERIFY(QString::fromUtf8(readFile(m_folder->iniPath()))
                .contains(u"Form_CIS="_s + geometryText(w->frameGeometry()) + u"\r\n"_s));
}

// A restore on the shown window (the INI_GET command) must not move it where
// no screen shows it.
void TestStartup::restoreBringsBackLostWindow_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("centred");
    QTest::newRow("left of every screen") << u"-3000:100:800:600"_s << true;
    QTest::newRow("far below every screen") << u"0:100000:800:600"_s << true;
    QTest::newRow("far right, int overflow once") << u"2147483647:2147483647:800:600"_s << true;
    QTest::newRow("partly on screen stays") << u"-500:100:800:600"_s << false;
}

void TestStartup::restoreBringsBackLostWindow()
{
    QFETCH(QString, value);
    QFETCH(bool, centred);
    auto w = fixture::openWindow();
    QVERIFY(w);
    QVERIFY(
        writeFile(m_folder->iniPath(), (u"[Verdane]\r\nForm_CIS="_s + value + u"\r\n"_s).toUtf8()));
    w->INI_GET->trigger();
    const QRect outer = w->frameGeometry();
    QCOMPARE(outer.size(), QSize(800, 600));
    QVERIFY(outer.intersects(QGuiApplication::primaryScreen()->geometry()));
    if (centred)
        QCOMPARE(outer.topLeft(), centredOnScreen(outer.size()));
    else
        QCOMPARE(outer.topLeft(), QPoint(-500, 100));
}

void TestStartup::unreadableGeometryStillLoadsDatabase_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("piece");  // the bad piece, as the error box quotes it
    QTest::addColumn<int>("outerWidth"); // -1: the designed client size stays
    QTest::newRow("bad top") << u"100:abc:300:400"_s << u"abc"_s << -1;
    QTest::newRow("bad left") << u"1e3:0:300:400"_s << u"1e3"_s << -1;
    QTest::newRow("bad height, width applied") << u"10:20:700:4OO"_s << u"4OO"_s << 700;
}

void TestStartup::unreadableGeometryStillLoadsDatabase()
{
    QFETCH(QString, value);
    QFETCH(QString, piece);
    QFETCH(int, outerWidth);
    // The user's database lives elsewhere; only the geometry line is damaged.
    QVERIFY(QDir(m_folder->dir.path()).mkpath(u"data"_s));
    const QString base = m_folder->path(u"data/base.txt"_s);
    QVERIFY(writeFile(base, fixture::sampleCis()));
    const QByteArray ini =
        (u"[Verdane]\r\nForm_CIS="_s + value + u"\r\n"_s + cisSetting(base)).toUtf8();
    QVERIFY(writeFile(m_folder->iniPath(), ini));

    std::shared_ptr<modal::Outcome> outcome;
    auto texts = answer(u"OK"_s, &outcome);
    auto w = fixture::openWindow();
    QVERIFY(w);
    QVERIFY(outcome->seen);
    QCOMPARE(*texts, u"''"_s + piece + u"'' n'est pas une valeur entière valide."_s);

    // The error box, then the rest of the creation all the same.
    QCOMPARE(CisFilePath, base);
    QCOMPARE(w->StatusBar1->panelText(0), u"3"_s);
    QVERIFY(w->StatusBar1->panelText(3).startsWith(u"Base de données CIS du "_s));
    QVERIFY(w->acceptDrops());
    // The pieces before the bad one stay applied, the later ones are not.
    if (outerWidth < 0) {
        QCOMPARE(w->ClientArea1->size(), QSize(686, 443));
    } else {
        QCOMPARE(w->frameGeometry().width(), outerWidth);
        QCOMPARE(w->ClientArea1->height(), 443);
    }
    // Closing writes the database path back, not an empty one.
    w->close();
    QCOMPARE(m_folder->quitRequests, 1);
    const QString saved = QString::fromUtf8(readFile(m_folder->iniPath()));
    QVERIFY2(saved.contains(u"CIS.TXT="_s + base + u"\r\n"_s), qPrintable(saved));
    QVERIFY(saved.contains(u"Form_CIS="_s + geometryText(w->frameGeometry())));
}

void TestStartup::lockedDatabase()
{
    const QString path = m_folder->path(u"cis.txt"_s);
    QVERIFY(writeFile(path, fixture::sampleCis()));
#ifdef Q_OS_WIN
    // Another writer holds the file: open for writing on a separate handle
    // (Windows refuses a reader that shares no writing).
    QFile writer(path);
    QVERIFY(writer.open(QIODevice::ReadWrite));
#else
    // Another writer holds the file: an exclusive lock on a separate opening.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
    QVERIFY(fd >= 0);
    QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
#endif

    std::shared_ptr<modal::Outcome> outcome;
    auto texts = answer(u"OK"_s, &outcome);
    auto w = fixture::openWindow();
#ifdef Q_OS_WIN
    writer.close();
#else
    ::close(fd);
#endif
    QVERIFY(w);
    QVERIFY(outcome->seen);
    QVERIFY2(texts->startsWith(u"Impossible d'ouvrir le fichier \""_s + path + u"\". "_s),
             qPrintable(*texts));
    QCOMPARE(w->CisLines->count(), 0);
    QVERIFY(w->StatusBar1->panelText(0).isEmpty());
    QVERIFY(w->StatusBar1->panelText(3).isEmpty());
    QCOMPARE(CisFilePath, path);
}

void TestStartup::closeStepWritesBothKeys_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("database");
    QTest::newRow("close box") << u"close"_s << true;
    QTest::newRow("Fermer button") << u"button"_s << true;
    QTest::newRow("fallback path of a missing file") << u"close"_s << false;
}

void TestStartup::closeStepWritesBothKeys()
{
    QFETCH(QString, how);
    QFETCH(bool, database);
    const QString cis = m_folder->path(u"cis.txt"_s);
    if (database)
        QVERIFY(writeFile(cis, fixture::sampleCis()));

    auto w = fixture::openWindow();
    QVERIFY(w);
    w->resize(720, 500); // the user's size
    QTRY_COMPARE(w->size(), QSize(720, 500));
    if (how == u"button")
        QTest::mouseClick(w->btn_close, Qt::LeftButton);
    else
        QVERIFY(w->close());

    QCOMPARE(m_folder->quitRequests, 1);
    QVERIFY(w->quitRequested());
    const QByteArray expected = (u"[Verdane]\r\nForm_CIS="_s + geometryText(w->frameGeometry())
                                 + u"\r\n"_s + cisSetting(cis))
                                    .toUtf8();
    QCOMPARE(readFile(m_folder->iniPath()), expected);
}

void TestStartup::closeStepRefusedWrite_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("settings file read-only") << u"file"_s;
    // Installed: the per-user folder cannot be made (a file stands there).
    QTest::newRow("per-user folder cannot be made") << u"per-user"_s;
    QTest::newRow("settings path is a folder") << u"path"_s;
}

void TestStartup::closeStepRefusedWrite()
{
    QFETCH(QString, obstacle);
    const QByteArray before = "[ANSM]\r\nCIS.TXT=/somewhere/else/cis.txt\r\n";
    QString iniPath = m_folder->iniPath();
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    const auto restoreConfigHome = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", configHome); });
    if (obstacle == u"path") {
        QVERIFY(QDir(m_folder->dir.path()).mkdir(u"Verdane.INI"_s));
    } else if (obstacle == u"per-user") {
        SKIP_ON_WINDOWS("the per-user folder is the system's, not $XDG_CONFIG_HOME");
        const QString blocked = m_folder->path(u"config"_s);
        QVERIFY(writeFile(blocked, "not a folder"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocked));
        SetProgramPathForTesting(u"/usr/bin/Verdane"_s);
        iniPath = blocked + u"/Verdane/Verdane.INI"_s;
    } else {
#ifdef Q_OS_WIN
        if (obstacle != u"file")
            SKIP_ON_WINDOWS("a folder's read-only attribute does not stop writes in it");
        QVERIFY(writeFile(m_folder->iniPath(), before));
        QVERIFY(QFile::setPermissions(m_folder->iniPath(), QFile::ReadOwner));
#else
        if (runningWithoutPermissionChecks()) {
            // File rights do not stop the superuser: the row runs again as an
            // ordinary user, in a child process of its own.
            const QString output = runRowAsOrdinaryUser(u"closeStepRefusedWrite"_s);
            QVERIFY2(output.contains(u"PASS   : TestStartup::closeStepRefusedWrite("_s),
                     qPrintable(output));
            return;
        }
        QVERIFY(writeFile(m_folder->iniPath(), before));
        const QString target = obstacle == u"file" ? m_folder->iniPath() : m_folder->dir.path();
        QCOMPARE(::chmod(QFile::encodeName(target).constData(), obstacle == u"file" ? 0444 : 0555),
                 0);
#endif
    }

    auto w = fixture::openWindow();
    QVERIFY(w);
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::shared_ptr<modal::Outcome> outcome;
        auto texts = answer(u"OK"_s, &outcome);
        QVERIFY(!w->close());
        QVERIFY(outcome->seen);
        QCOMPARE(*texts, u"Impossible d'écrire dans "_s + iniPath + u"."_s);
        // The program keeps running, the window stays.
        QCOMPARE(m_folder->quitRequests, 0);
        QVERIFY(w->isVisible());
    }
    if (obstacle == u"file")
        QCOMPARE(readFile(m_folder->iniPath()), before);

    // Quitting still ends the program.
    w->Quitter1->trigger();
    QCOMPARE(m_folder->quitRequests, 1);
}

// Texts the settings file cannot hold: retrying could never store them, so
// they are left out (their old line stays) and the close step goes on.
void TestStartup::closeStepSkipsWhatTheFileCannotHold_data()
{
    QTest::addColumn<QString>("folder");  // the program's folder, inside the test folder
    QTest::addColumn<QString>("program"); // the program file's name
    QTest::addColumn<bool>("database");   // a cis.txt beside the program
    QTest::addColumn<bool>("geometryWritten");
    QTest::addColumn<bool>("pathWritten");
    QTest::newRow("] in the program's name")
        << u"prog"_s << u"Verdane[1]"_s << true << false << true;
    QTest::newRow("line break in the program folder, fallback path")
        << u"pro\ng"_s << u"Verdane"_s << false << true << false;
    QTest::newRow("line break in the loaded database's path")
        << u"pro\ng"_s << u"Verdane"_s << true << true << false;
    QTest::newRow("both") << u"pro\ng"_s << u"Verdane[1]"_s << true << false << false;
}

void TestStartup::closeStepSkipsWhatTheFileCannotHold()
{
    QFETCH(QString, folder);
    QFETCH(QString, program);
    QFETCH(bool, database);
    QFETCH(bool, geometryWritten);
    QFETCH(bool, pathWritten);
    QVERIFY(QDir(m_folder->dir.path()).mkpath(folder));
    const QString dir = m_folder->path(folder) + u'/';
    SetProgramPathForTesting(dir + program);
    const QString iniPath = IniFileName();
    const QByteArray before =
        "[Verdane]\r\nForm_CIS=1:2:700:500\r\n[ANSM]\r\nCIS.TXT=/old/cis.txt\r\n";
    QVERIFY(writeFile(iniPath, before));
    if (database)
        QVERIFY(writeFile(dir + u"cis.txt"_s, fixture::sampleCis()));

    auto w = fixture::openWindow();
    QVERIFY(w);
    QCOMPARE(w->CisLines->count(), database ? 3 : 0);
    QCOMPARE(CisFilePath, dir + u"cis.txt"_s);
    w->resize(720, 500);
    QTRY_COMPARE(w->size(), QSize(720, 500));

    // No error box: the close step ends the program.
    auto outcome = modal::onNextModal([](QWidget *dialog) { dialog->close(); }, 200);
    QVERIFY(w->close());
    QTest::qWait(250); // the watcher ends before the next test's dialogs
    QVERIFY(!outcome->seen);
    QCOMPARE(m_folder->quitRequests, 1);

    QByteArray expected = before;
    if (geometryWritten)
        expected.replace("1:2:700:500", geometryText(w->frameGeometry()).toUtf8());
    if (pathWritten)
        expected.replace("/old/cis.txt", CisFilePath.toUtf8());
    QCOMPARE(readFile(iniPath), expected);
}

void TestStartup::quitWritesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Ctrl+Q") << u"key"_s;
    QTest::newRow("menu item") << u"menu"_s;
    QTest::newRow("log-off") << u"session"_s;
}

void TestStartup::quitWritesNothing()
{
    QFETCH(QString, how);
    QVERIFY(writeFile(m_folder->path(u"cis.txt"_s), fixture::sampleCis()));
    const QByteArray before =
        "; kept as it is\r\n[Verdane]\r\nForm_CIS=10:10:700:500\r\n[ANSM]\r\nCIS.TXT=\r\n";
    QVERIFY(writeFile(m_folder->iniPath(), before));

    auto w = fixture::openWindow();
    QVERIFY(w);
    w->resize(650, 420);
    QApplication::setActiveWindow(w.get());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    if (how == u"key") {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
    } else if (how == u"menu") {
        w->Quitter1->trigger();
    } else {
        // The session manager's notice that the user logs off.
        auto *session = qApp->findChild<QSessionManager *>();
        if (!session)
            QSKIP("no session manager on this platform");
        emit qApp->commitDataRequest(*session);
    }
    QCOMPARE(m_folder->quitRequests, 1);
    QVERIFY(w->quitRequested());
    // Windows closed on the way out run no close step either.
    QVERIFY(w->close());
    QCOMPARE(m_folder->quitRequests, 1);
    QCOMPARE(readFile(m_folder->iniPath()), before);
}

void TestStartup::eventLoopEnds_data()
{
    QTest::addColumn<bool>("closeStep");
    QTest::newRow("close step") << true;
    QTest::newRow("quit") << false;
}

void TestStartup::eventLoopEnds()
{
    // The real quit request, queued behind waiting events, ends the loop with 0.
    QFETCH(bool, closeStep);
    TForm_CIS::quitRequest() = m_folder->realQuit;
    auto w = fixture::openWindow();
    QVERIFY(w);
    QTimer::singleShot(0, w.get(), [&] {
        if (closeStep)
            QTest::mouseClick(w->btn_close, Qt::LeftButton);
        else
            w->Quitter1->trigger();
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(5000);
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(QFileInfo::exists(m_folder->iniPath()), closeStep);
}

void TestStartup::splashLayout()
{
    TSplashScreen splash;
    QCOMPARE(splash.windowTitle(), u"Patientez"_s);
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    // A 233 x 99 client area inside a 3-pixel white border.
    QCOMPARE(splash.size(), QSize(239, 105));
    QCOMPARE(splash.palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(splash.Image1->geometry(), QRect(3, 3, 233, 80));
    QCOMPARE(splash.Image1->pixmap().size(), QSize(233, 80));
    QCOMPARE(splash.Label1->geometry(), QRect(3, 89, 233, 13));
    QCOMPARE(splash.Label1->text(), u"Chargement de la base de données ..."_s);
    QCOMPARE(splash.Label1->alignment(), Qt::AlignCenter);
    QCOMPARE(splash.font().family(), u"MS Sans Serif"_s);
    QCOMPARE(splash.font().pixelSize(), 11);

    // Painted: the logo's white ground and some of its purple letters.
    const QImage img = splash.grab().toImage();
    QCOMPARE(QColor(img.pixel(1, 1)), QColor(Qt::white));
    bool coloured = false;
    for (int x = 3; x < 236 && !coloured; ++x)
        for (int y = 3; y < 83 && !coloured; ++y)
            coloured = img.pixelColor(x, y).saturation() > 80;
    QVERIFY(coloured);
}

void TestStartup::splashPaintedBeforeMainWindow()
{
    // Records the splash's paints and the first event that reaches the main
    // window while it is being built, in the order they come.
    class Recorder : public QObject
    {
    public:
        QStringList log;
        bool eventFilter(QObject *o, QEvent *e) override
        {
            if (e->type() == QEvent::Paint && qobject_cast<TSplashScreen *>(o))
                log << u"splash painted"_s;
            else if (qobject_cast<TForm_CIS *>(o) && !log.contains(u"window built"_s))
                log << u"window built"_s;
            return false;
        }
    } recorder;
    qApp->installEventFilter(&recorder);
    std::unique_ptr<TForm_CIS> w(StartProgram(kProgramStyleName));
    qApp->removeEventFilter(&recorder);
    QVERIFY(w);
    QVERIFY2(recorder.log.size() >= 2, qPrintable(recorder.log.join(u", ")));
    QCOMPARE(recorder.log.first(), u"splash painted"_s);
    QVERIFY(recorder.log.contains(u"window built"_s));
    // The program's icon on the window, under the id its desktop entry has.
    QCOMPARE(QGuiApplication::desktopFileName(), QLatin1StringView(kApplicationId));
    for (int size : {16, 32, 48, 256})
        QCOMPARE(w->windowIcon().pixmap(size).width(), size);
    // Gone before the event loop runs.
    for (QWidget *top : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<TSplashScreen *>(top));
}

void TestStartup::styleNotFound()
{
    // Start from the desktop's look, whatever an earlier start applied.
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
    // The error dialog comes while the splash is still up, centred.
    auto seenSplash = std::make_shared<QRect>();
    auto texts = std::make_shared<QString>();
    auto outcome = modal::onNextModal([=](QWidget *dialog) {
        *texts = dialogTexts(dialog);
        for (QWidget *top : QApplication::topLevelWidgets())
            if (qobject_cast<TSplashScreen *>(top) && top->isVisible())
                *seenSplash = top->frameGeometry();
        if (QAbstractButton *b = modal::findButton(dialog, u"Fermer"_s))
            QTest::mouseClick(b, Qt::LeftButton);
        else
            dialog->close();
    });
    std::unique_ptr<TForm_CIS> w(StartProgram(u"Pas de style"_s));
    QVERIFY(outcome->seen);
    QVERIFY2(texts->contains(u"Style 'Pas de style' non trouvé"_s), qPrintable(*texts));
    QVERIFY(seenSplash->isValid());
    QCOMPARE(seenSplash->topLeft(), centredOnScreen(seenSplash->size()));

    // Then a normal start, in the desktop's look.
    QVERIFY(w);
    QVERIFY(ActiveVisualStyleName().isEmpty());
    QCOMPARE(w->objectName(), u"Form_CIS"_s);
    QVERIFY(w->isVisible());
    for (QWidget *top : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<TSplashScreen *>(top));
    QCOMPARE(QApplication::keyboardInputInterval(), 500);
}

void TestStartup::styleFoundShowsNoDialog()
{
    auto outcome = modal::onNextModal([](QWidget *dialog) { dialog->close(); }, 300);
    std::unique_ptr<TForm_CIS> w(StartProgram(u"amethyst KAMRI"_s));
    QTest::qWait(350);
    QVERIFY(!outcome->seen);
    QVERIFY(w && w->isVisible());
    // The window and its controls are drawn in the program's style.
    QCOMPARE(w->style()->objectName(), kProgramStyleName);
    QCOMPARE(w->btn_SEARCH->style()->objectName(), kProgramStyleName);
}

namespace {

// The texts of a box's own context menu and of a scroll bar's.
QStringList contextMenuTexts(QLineEdit *box)
{
    std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
    QStringList texts;
    for (QAction *a : menu->actions())
        if (!a->isSeparator())
            texts << a->text().section(u'\t', 0, 0).remove(u'&');
    return texts;
}

} // namespace

void TestStartup::qtTextsInFrench()
{
    // Whatever the locale: the program is French by design.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto restore = qScopeGuard([] {
        InstallQtFrenchTranslation(u"/nonexistent"_s);
        QLocale::setDefault(QLocale::system());
    });
    std::unique_ptr<TForm_CIS> w(StartProgram(kProgramStyleName));
    QVERIFY(w);
    const QStringList texts = contextMenuTexts(w->Edit_NOM);
    for (const QString &french :
         {u"Annuler"_s, u"Couper"_s, u"Copier"_s, u"Coller"_s, u"Tout sélectionner"_s})
        QVERIFY2(texts.contains(french), qPrintable(texts.join(u" | "_s)));
    for (const QString &english : {u"Undo"_s, u"Copy"_s, u"Paste"_s, u"Select All"_s})
        QVERIFY2(!texts.contains(english), qPrintable(english));
    // The scroll bars' menu too.
    QCOMPARE(QCoreApplication::translate("QScrollBar", "Scroll here"), u"Défiler jusqu'ici"_s);
    // The menu shortcuts still read "Ctrl+" and the letter.
    QCOMPARE(w->Quitter1->shortcut().toString(QKeySequence::NativeText), u"Ctrl+Q"_s);
}

void TestStartup::missingTranslationStillStarts()
{
    QTemporaryDir empty;
    QVERIFY(!InstallQtFrenchTranslation(empty.path()));
    SetQtTranslationsFolderForTesting(empty.path());
    const auto restore = qScopeGuard([] { SetQtTranslationsFolderForTesting(QString()); });
    std::unique_ptr<TForm_CIS> w(StartProgram(kProgramStyleName));
    QVERIFY(w);
    QVERIFY(w->isVisible());
    // Qt's texts stay as Qt has them; nothing else changes.
    QVERIFY(contextMenuTexts(w->Edit_NOM).contains(u"Copy"_s));
    QCOMPARE(w->StatusBar1->panelText(0), u"0"_s);
}

void TestStartup::deployedTranslationCatalog()
{
    // Qt's deployment step on Windows leaves Qt's French texts in one
    // catalog, qt_fr.qm, and no qtbase_fr.qm: made here from Qt's own.
    const QString qtbase = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + u"/qtbase_fr.qm"_s;
    if (!QFile::exists(qtbase))
        QSKIP("Qt's French translation is not installed");
    QTemporaryDir deployed;
    QVERIFY(QFile::copy(qtbase, deployed.filePath(u"qt_fr.qm"_s)));
    const auto restore = qScopeGuard([] { InstallQtFrenchTranslation(u"/nonexistent"_s); });
    QVERIFY(InstallQtFrenchTranslation(deployed.path()));
    QCOMPARE(QCoreApplication::translate("QScrollBar", "Scroll here"), u"Défiler jusqu'ici"_s);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
