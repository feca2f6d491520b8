// Web commands, the copy of the name, and the import of a file, dropped or
// chosen in the file dialog that Ctrl+O opens.
#include "window_fixture.h"

#include <QCursor>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QScrollBar>

using fixture::Window;

namespace {

const QString Agency = u"http://agence-prd.ansm.sante.fr"_s;

QString urlText(const QUrl &u)
{
    return QString::fromLatin1(u.toEncoded());
}

// Drags files over `target` and drops them there, as the desktop does.
// Returns whether the drag was accepted.
bool dropFiles(QWidget *target, const QStringList &paths)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString &p : paths)
        urls << QUrl::fromLocalFile(p);
    mime.setUrls(urls);
    // File managers offer the paths as text too, which a text box would take.
    mime.setText(paths.join(u'\n'));
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &mime,
                          Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &mime, Qt::LeftButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &mime,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

// Drops `paths` on `target`, then waits until `dialogs` has answered every
// dialog it expects and none is left up.
bool dropAndAnswer(QWidget *target, const QStringList &paths, fixture::DialogScript &dialogs)
{
    dialogs.arm();
    return dropFiles(target, paths) && QTest::qWaitFor([&dialogs] {
               return dialogs.done() && QApplication::activeModalWidget() == nullptr;
           });
}

// Ctrl+O on `from`, then `action` on the file dialog it opens. A dialog of
// another kind is closed; one the action leaves open is closed shortly after,
// so that a failing test ends rather than hangs. Returns whether a file
// dialog came.
bool onCtrlO(QWidget *from, const std::function<void(QFileDialog *)> &action)
{
    auto isFileDialog = std::make_shared<bool>(false);
    auto seen = modal::onNextModal([isFileDialog, action](QWidget *w) {
        auto *dialog = qobject_cast<QFileDialog *>(w);
        QTimer::singleShot(2000, w, [w] {
            if (w->isVisible())
                w->close();
        });
        if (!dialog) {
            w->close();
            return;
        }
        *isFileDialog = true;
        action(dialog);
    });
    QTest::keyClick(from, Qt::Key_O, Qt::ControlModifier);
    return seen->seen && *isFileDialog;
}

QLineEdit *fileNameBox(QFileDialog *dialog)
{
    return dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
}

// Pastes `path` into the file dialog's name box (Ctrl+V) and presses Enter,
// as a keyboard user does with a path at hand. Typed a letter at a time, a
// path would have the dialog select each folder on the way in its list.
void pastePathAndEnter(QFileDialog *dialog, const QString &path)
{
    QLineEdit *name = fileNameBox(dialog);
    if (!name)
        return;
    QGuiApplication::clipboard()->setText(path);
    QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(name, Qt::Key_Return);
}

// Ctrl+O on `from`, `path` chosen in the file dialog, then `dialogs` answers
// the import's own dialogs.
bool chooseAndAnswer(QWidget *from, const QString &path, fixture::DialogScript &dialogs)
{
    const bool chosen = onCtrlO(from, [&dialogs, path](QFileDialog *dialog) {
        pastePathAndEnter(dialog, path);
        dialogs.arm();
    });
    return chosen && QTest::qWaitFor([&dialogs] {
               return dialogs.done() && QApplication::activeModalWidget() == nullptr;
           });
}

// The names the file dialog offers in its current folder, in its order.
QStringList offeredNames(QFileDialog *dialog)
{
    QStringList names;
    auto *view = dialog->findChild<QListView *>(u"listView"_s);
    if (!view || !view->model())
        return names;
    const QAbstractItemModel *model = view->model();
    for (int r = 0; r < model->rowCount(view->rootIndex()); ++r) {
        const QModelIndex index = model->index(r, 0, view->rootIndex());
        if (model->flags(index) & Qt::ItemIsEnabled)
            names << index.data().toString();
    }
    names.sort(Qt::CaseInsensitive);
    return names;
}

// Points the per-user folders into `root` (config/, data/) for the scope.
class PerUserFolders
{
public:
    explicit PerUserFolders(const QString &root)
        : m_config(qgetenv("XDG_CONFIG_HOME"))
        , m_data(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + u"/config"_s));
        qputenv("XDG_DATA_HOME", QFile::encodeName(root + u"/data"_s));
    }
    ~PerUserFolders()
    {
        qputenv("XDG_CONFIG_HOME", m_config);
        qputenv("XDG_DATA_HOME", m_data);
    }

private:
    QByteArray m_config;
    QByteArray m_data;
};

QString reportText(qsizetype entries, bool copied)
{
    return fixture::uniformBreaks(
        u"Le fichier \"CIS.TXT\" a été correctement chargé\r\n\r\nIl comporte %1 entrée(s)\r\n\r\n"_s
            .arg(entries)
        + (copied
               ? u"Une copie en sera conservée à côté du programme, vous pouvez supprimer le fichier CIS.TXT déposé"_s
               : u"La copie à côté du programme n'a pas pu être faite : conservez le fichier CIS.TXT déposé"_s)
        + u"\r\n\r\nVous pouvez commencer la recherche ..."_s);
}

QString questionText(const QString &path)
{
    return fixture::uniformBreaks(
        u"Charger le fichier ?\r\n\r\n"_s + path
        + u"\r\n\r\nLe Chargement complet de près de 30.000 médicaments peut prendre quelques petites secondes, merci de patienter ..."_s);
}

const QStringList otherLines = {
    u"70000001\tAUTRE PRODUIT A\tgel\tcutanée\tAutorisation active\tProcédure nationale\tCommercialisée\t01/01/2020\t\t\t X\tNon"_s,
    u"70000002\tAUTRE PRODUIT B\tgel\tcutanée\tAutorisation active\tProcédure nationale\tCommercialisée\t01/01/2020\t\t\t X\tNon"_s,
};

} // namespace

class TestWebImport : public QObject
{
    Q_OBJECT

private slots:
    void webButtons_data();
    void webButtons();
    void labelDoubleClickOnEmptyBox();
    void menuItems_data();
    void menuItems();
    void copyName();
    void ctrlCInTheSearchBox();

    void importDroppedFile_data();
    void importDroppedFile();
    void importCancelled();
    void failedImportKeepsTheDatabase_data();
    void failedImportKeepsTheDatabase();
    void importKeepsTheResults();
    void importThenQuitKeepsTheOldPath();
    void copyNeverReplacesProgramFiles_data();
    void copyNeverReplacesProgramFiles();
    void failedCopyIsReported();
    void importCopyFoundAgain_data();
    void importCopyFoundAgain();
    void textDropsStillReachTheBoxes();

    void ctrlOImportsLikeADrop_data();
    void ctrlOImportsLikeADrop();
    void fileDialogLeftChangesNothing_data();
    void fileDialogLeftChangesNothing();
    void fileDialogStartFolder_data();
    void fileDialogStartFolder();
    void fileDialogOffersTextFilesFirst();
};

void TestWebImport::webButtons_data()
{
    QTest::addColumn<QString>("cis");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extract");
    QTest::addColumn<QString>("reference");

    QTest::newRow("plain") << u"60003620"_s << u"DOLIPRANE"_s
                           << Agency + u"/php/ecodex/extrait.php?specid=60003620"_s
                           << u"http://www.vidal.fr/recherche/index/q:DOLIPRANE/"_s;
    QTest::newRow("blanks around are trimmed")
        << u" \t60003620  "_s << u"  DOLIPRANE "_s
        << Agency + u"/php/ecodex/extrait.php?specid=60003620"_s
        << u"http://www.vidal.fr/recherche/index/q:DOLIPRANE/"_s;
    QTest::newRow("blanks only") << u"   "_s << u"   "_s
                                 << Agency + u"/php/ecodex/extrait.php?specid="_s
                                 << u"http://www.vidal.fr/recherche/index/q:/"_s;
    QTest::newRow("slash, comma, blanks and accents are encoded")
        << u"63000002"_s << u"ABACAVIR/LAMIVUDINE ARROW 600 mg/300 mg, comprimé pelliculé"_s
        << Agency + u"/php/ecodex/extrait.php?specid=63000002"_s
        << u"http://www.vidal.fr/recherche/index/q:ABACAVIR%2FLAMIVUDINE%20ARROW%20600%20mg%2F300%20mg%2C%20comprim%C3%A9%20pellicul%C3%A9/"_s;
    QTest::newRow("URL delimiters cannot change the URL")
        << u"1&x=2#y"_s << u"A&B?C#D%E"_s
        << Agency + u"/php/ecodex/extrait.php?specid=1%26x%3D2%23y"_s
        << u"http://www.vidal.fr/recherche/index/q:A%26B%3FC%23D%25E/"_s;
    QTest::newRow("empty name") << u"1"_s << QString()
                                << Agency + u"/php/ecodex/extrait.php?specid=1"_s
                                << u"http://www.vidal.fr/recherche/index/q:/"_s;
}

void TestWebImport::webButtons()
{
    QFETCH(QString, cis);
    QFETCH(QString, name);
    QFETCH(QString, extract);
    QFETCH(QString, reference);
    Window f;
    QVERIFY(f.open());
    QVERIFY(!f.w->btn_Extrait->isEnabled());
    f.w->Edit_CIP->setText(cis);
    f.w->Edit_NOM->setText(name);
    QVERIFY(f.w->btn_Extrait->isEnabled());
    QVERIFY(f.w->btn_VIDAL->isEnabled());

    QTest::mouseClick(f.w->btn_Extrait, Qt::LeftButton);
    QTest::mouseClick(f.w->btn_VIDAL, Qt::LeftButton);
    QTest::mouseDClick(f.w->Edit_CIP->label(), Qt::LeftButton);
    QCOMPARE(f.urls.size(), 3);
    QCOMPARE(urlText(f.urls[0]), extract);
    QCOMPARE(urlText(f.urls[1]), reference);
    QCOMPARE(urlText(f.urls[2]), extract);
    // The commands leave the window as it was.
    QCOMPARE(f.w->Edit_CIP->text(), cis);
    QCOMPARE(f.w->Edit_NOM->text(), name);
}

void TestWebImport::labelDoubleClickOnEmptyBox()
{
    Window f;
    QVERIFY(f.open());
    QCOMPARE(f.w->Edit_CIP->text(), QString());
    QTest::mouseDClick(f.w->Edit_CIP->label(), Qt::LeftButton);
    QCOMPARE(f.urls.size(), 1);
    QCOMPARE(urlText(f.urls[0]), Agency + u"/php/ecodex/extrait.php?specid="_s);
}

void TestWebImport::menuItems_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("url");
    QTest::newRow("download page")
        << u"PAgedetlchragemntdelANSM1"_s << Agency + u"/php/ecodex/telecharger/telecharger.php"_s;
    QTest::newRow("download in one click")
        << u"mnu_DOWNLOAD"_s << Agency + u"/php/ecodex/telecharger/lirecis.php"_s;
    QTest::newRow("urgent messages")
        << u"DGSUrgent1"_s
        << u"https://dgs-urgent.sante.gouv.fr/dgs-urgent/inter/listeMessageBuilder.do?cmd=afficherListe"_s;
}

void TestWebImport::menuItems()
{
    QFETCH(QString, item);
    QFETCH(QString, url);
    Window f;
    QVERIFY(f.open());
    QMenuBar *bar = f.w->MainMenu1;
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      bar->actionGeometry(f.w->Fihcier1->menuAction()).center());
    QTRY_VERIFY(f.w->Fihcier1->isVisible());
    auto *action = f.w->findChild<QAction *>(item);
    QVERIFY(action);
    QTest::mouseClick(f.w->Fihcier1, Qt::LeftButton, {},
                      f.w->Fihcier1->actionGeometry(action).center());
    QTRY_COMPARE(f.urls.size(), 1);
    QCOMPARE(urlText(f.urls[0]), url);
}

void TestWebImport::copyName()
{
    QClipboard *cb = QGuiApplication::clipboard();
    Window f;
    QVERIFY(f.open());
    f.search(u"DOLIPRANE"_s);
    QCOMPARE(f.w->Edit_NOM->text(), u"DOLIPRANE 1000 mg, comprimé"_s);

    // Shown by the record view, nothing selected: the clipboard is kept.
    cb->setText(u"avant"_s);
    QTest::mouseClick(f.w->btn_copy, Qt::LeftButton);
    QCOMPARE(cb->text(), u"avant"_s);
    f.w->CopierleNom1->trigger();
    QCOMPARE(cb->text(), u"avant"_s);

    // Entered by Tab, the box selects its whole text, which the button copies.
    f.w->JvCheckListBox1->setFocus();
    QTest::keyClick(f.w->JvCheckListBox1, Qt::Key_Tab);
    QCOMPARE(f.focusName(), u"Edit_NOM"_s);
    QTest::mouseClick(f.w->btn_copy, Qt::LeftButton);
    QCOMPARE(cb->text(), u"DOLIPRANE 1000 mg, comprimé"_s);

    // Only the selected part.
    f.w->Edit_NOM->setSelection(0, 9);
    cb->setText(u"avant"_s);
    QTest::mouseClick(f.w->btn_copy, Qt::LeftButton);
    QCOMPARE(cb->text(), u"DOLIPRANE"_s);
}

void TestWebImport::ctrlCInTheSearchBox()
{
    QClipboard *cb = QGuiApplication::clipboard();
    Window f;
    QVERIFY(f.open());
    f.search(u"DOLIPRANE"_s);
    f.w->Edit1->setFocus();
    f.w->Edit1->selectAll();
    QVERIFY(f.w->Edit1->hasSelectedText());

    // The name box has no selection: Ctrl+C copies nothing at all.
    cb->setText(u"avant"_s);
    QTest::keyClick(f.w->Edit1, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(cb->text(), u"avant"_s);

    // With a selection in the name box, that is what Ctrl+C copies, from the
    // search box as from the list.
    f.w->Edit_NOM->setSelection(10, 4);
    f.w->Edit1->setFocus();
    f.w->Edit1->selectAll();
    QTest::keyClick(f.w->Edit1, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(cb->text(), u"1000"_s);
    cb->setText(u"avant"_s);
    f.w->JvCheckListBox1->setFocus();
    QTest::keyClick(f.w->JvCheckListBox1, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(cb->text(), u"1000"_s);
}

void TestWebImport::importDroppedFile_data()
{
    QTest::addColumn<QString>("fileName"); // in a folder apart from the program's
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("dropOn"); // control under the pointer
    QTest::addColumn<bool>("severalFiles");

    QTest::newRow("cis.txt on the search box") << u"CIS.txt"_s << otherLines << u"Edit1"_s << false;
    QTest::newRow("another name on the list")
        << u"base 2020.txt"_s << otherLines << u"JvCheckListBox1"_s << false;
    QTest::newRow("several files, first one loaded")
        << u"cis.txt"_s << otherLines << u"Edit_NOM"_s << true;
    QTest::newRow("an empty file") << u"vide.txt"_s << QStringList{} << u"Panel3"_s << false;
}

void TestWebImport::importDroppedFile()
{
    QFETCH(QString, fileName);
    QFETCH(QStringList, lines);
    QFETCH(QString, dropOn);
    QFETCH(bool, severalFiles);
    Window f;
    QVERIFY(f.open());
    QCOMPARE(f.w->CisLines->count(), 7);
    QTemporaryDir elsewhere;
    const QString path = elsewhere.path() + u'/' + fileName;
    QVERIFY(fixture::writeFile(path, fixture::crlfJoined(lines)));
    const QString second = elsewhere.path() + u"/second.txt"_s;
    QVERIFY(fixture::writeFile(second, fixture::crlfJoined({fixture::commonLines().at(0)})));
    const QString panel2 = f.panel(2);
    const QString caption = f.w->windowTitle();

    auto *target = f.w->findChild<QWidget *>(dropOn);
    QVERIFY(target);
    if (auto *list = qobject_cast<QAbstractScrollArea *>(target))
        target = list->viewport();
    fixture::DialogScript dialogs({u"OK"_s, u"OK"_s});
    QList<int> cursors; // the program's cursor while each dialog is up (-1: the default)
    dialogs.beforeAnswer = [&cursors](int) {
        cursors << (QApplication::overrideCursor() ? int(QApplication::overrideCursor()->shape())
                                                   : -1);
    };
    QVERIFY(dropAndAnswer(target, severalFiles ? QStringList{path, second} : QStringList{path},
                          dialogs));

    QCOMPARE(dialogs.titles, (QStringList{u"Confirmer"_s, u"Informations"_s}));
    QCOMPARE(cursors, (QList<int>{int(Qt::WaitCursor), -1}));
    QCOMPARE(dialogs.texts[0], questionText(QDir::toNativeSeparators(path)));
    QVERIFY2(dialogs.texts[1].contains(reportText(lines.size(), true)),
             qPrintable(dialogs.texts[1]));
    QCOMPARE(f.w->CisLines->count(), lines.size());
    QCOMPARE(CisFilePath, path);
    QCOMPARE(f.panel(0), QString::number(lines.size()));
    QCOMPARE(f.panel(3), u"Base de données CIS du "_s + DateText(GetFileDate(path)));
    QCOMPARE(f.panel(2), panel2);
    QCOMPARE(f.w->windowTitle(), caption);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    // The copy beside the program keeps the dropped name.
    QCOMPARE(fixture::readFile(f.dir.path() + u'/' + fileName), fixture::readFile(path));
    QVERIFY(!QFile::exists(f.dir.path() + u"/second.txt"_s));
    f.w->activateWindow();
    QTRY_COMPARE(f.focusName(), u"Edit1"_s);

    // The next search runs on the new file (an empty one: the missing
    // database warning).
    fixture::DialogScript warning({u"Annuler"_s});
    if (lines.isEmpty())
        warning.arm();
    f.search(u"AUTRE"_s);
    QCOMPARE(warning.texts.size(), lines.isEmpty() ? 1 : 0);
    QCOMPARE(f.w->JvCheckListBox1->count(), lines.isEmpty() ? 0 : 2);
}

void TestWebImport::importCancelled()
{
    Window f;
    QVERIFY(f.open());
    QTemporaryDir elsewhere;
    const QString path = elsewhere.path() + u"/cis.txt"_s;
    QVERIFY(fixture::writeFile(path, fixture::crlfJoined(otherLines)));
    const QString before = CisFilePath;
    const QStringList panels = {f.panel(0), f.panel(1), f.panel(2), f.panel(3)};
    const QByteArray copy = fixture::readFile(f.cisPath());

    fixture::DialogScript dialogs({u"Annuler"_s});
    dialogs.arm();
    QVERIFY(dropFiles(f.w->Edit1, {path}));
    QTRY_VERIFY(dialogs.done());
    QTest::qWait(50);
    QCOMPARE(dialogs.texts.size(), 1);
    QCOMPARE(f.w->CisLines->count(), 7);
    QCOMPARE(CisFilePath, before);
    QCOMPARE((QStringList{f.panel(0), f.panel(1), f.panel(2), f.panel(3)}), panels);
    QCOMPARE(fixture::readFile(f.cisPath()), copy);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TestWebImport::failedImportKeepsTheDatabase_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a folder") << u"folder"_s << u"C'est un dossier"_s;
    QTest::newRow("a file gone before the load") << u"gone"_s << u"Fichier introuvable"_s;
    // A download in progress: the file is still open for writing.
    QTest::newRow("a file still being written")
        << u"writing"_s << u"Le fichier est utilisé par un autre programme"_s;
}

void TestWebImport::failedImportKeepsTheDatabase()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    Window f;
    QVERIFY(f.open());
    QTemporaryDir elsewhere;
    QString path = elsewhere.path() + u"/dossier"_s;
    if (kind == u"folder"_s)
        QVERIFY(QDir().mkdir(path));
    else
        QVERIFY(fixture::writeFile(path, fixture::crlfJoined(otherLines)));
    QFile writer(path);
    if (kind == u"writing"_s)
        QVERIFY(writer.open(QIODevice::Append));
    const QString before = CisFilePath;
    const QStringList panels = {f.panel(0), f.panel(1), f.panel(2), f.panel(3)};

    fixture::DialogScript dialogs({u"OK"_s, u"OK"_s});
    if (kind == u"gone"_s) {
        // The file disappears while the user reads the question.
        dialogs.beforeAnswer = [path](int n) {
            if (n == 0)
                QFile::remove(path);
        };
    }
    QVERIFY(dropAndAnswer(f.w->JvCheckListBox1->viewport(), {path}, dialogs));
    writer.close();
    QVERIFY2(dialogs.texts[1].contains(u"Impossible d'ouvrir le fichier"_s),
             qPrintable(dialogs.texts[1]));
    QVERIFY2(dialogs.texts[1].contains(reason), qPrintable(dialogs.texts[1]));
    QCOMPARE(f.w->CisLines->count(), 7);
    QCOMPARE(CisFilePath, before);
    QCOMPARE((QStringList{f.panel(0), f.panel(1), f.panel(2), f.panel(3)}), panels);
    QVERIFY(QApplication::overrideCursor() == nullptr);

    // The database still answers searches, and the close step saves the
    // path that loads.
    f.search(u"PARACETAMOL"_s);
    QCOMPARE(f.w->JvCheckListBox1->count(), 2);
    QTest::mouseClick(f.w->btn_close, Qt::LeftButton);
    QCOMPARE(f.quitRequests, 1);
    QCOMPARE(IniReadString(u"ANSM"_s, u"CIS.TXT"_s, QString(), f.iniPath()), before);
}

void TestWebImport::importKeepsTheResults()
{
    Window f;
    QVERIFY(f.open());
    f.search(u"PARACETAMOL"_s);
    f.clickRow(1);
    const QStringList boxes = f.boxTexts();
    const QString caption = f.w->windowTitle();
    const bool aut = f.w->JvLED_AUT->status();
    const bool comm = f.w->JvLED_COMM->status();
    QTemporaryDir elsewhere;
    const QString path = elsewhere.path() + u"/cis.txt"_s;
    QVERIFY(fixture::writeFile(path, fixture::crlfJoined(otherLines)));

    fixture::DialogScript dialogs({u"OK"_s, u"OK"_s});
    QVERIFY(dropAndAnswer(f.w->Edit_CIP, {path}, dialogs));
    QCOMPARE(f.w->CisLines->count(), 2);
    // The list still shows the previous file's rows, and they still read.
    QCOMPARE(f.listedCodes(), (QStringList{u"61234567"_s, u"62000001"_s}));
    QCOMPARE(f.boxTexts(), boxes);
    QCOMPARE(f.w->windowTitle(), caption);
    QCOMPARE(f.w->JvLED_AUT->status(), aut);
    QCOMPARE(f.w->JvLED_COMM->status(), comm);
    QCOMPARE(f.w->Edit1->text(), u"PARACETAMOL"_s);
    f.clickRow(0);
    QCOMPARE(f.w->Edit_CIP->text(), u"61234567"_s);
}

void TestWebImport::importThenQuitKeepsTheOldPath()
{
    Window f;
    QVERIFY(f.dir.isValid());
    QVERIFY(fixture::writeFile(f.cisPath(), fixture::crlfJoined(fixture::commonLines())));
    QVERIFY(fixture::writeFile(f.iniPath(),
                               (u"[ANSM]\r\nCIS.TXT="_s + f.cisPath() + u"\r\n"_s).toUtf8()));
    QVERIFY(f.openAsIs());
    const QByteArray ini = fixture::readFile(f.iniPath());
    QTemporaryDir elsewhere;
    const QString path = elsewhere.path() + u"/nouveau.txt"_s;
    QVERIFY(fixture::writeFile(path, fixture::crlfJoined(otherLines)));

    fixture::DialogScript dialogs({u"OK"_s, u"OK"_s});
    QVERIFY(dropAndAnswer(f.w->Edit1, {path}, dialogs));
    f.w->activateWindow();
    QTRY_COMPARE(f.focusName(), u"Edit1"_s);

    QTest::keyClick(f.w->Edit1, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(f.quitRequests, 1);
    QCOMPARE(fixture::readFile(f.iniPath()), ini);
}

void TestWebImport::copyNeverReplacesProgramFiles_data()
{
    QTest::addColumn<QString>("which");
    QTest::newRow("the settings file's name") << u"ini"_s;
    QTest::newRow("the program's name") << u"program"_s;
    QTest::newRow("the copy itself") << u"copy"_s;
}

void TestWebImport::copyNeverReplacesProgramFiles()
{
    QFETCH(QString, which);
    Window f;
    QVERIFY(f.open());
    const QByteArray programBytes = QByteArrayLiteral("#!/bin/sh\n");
    QVERIFY(fixture::writeFile(f.programPath(), programBytes));
    QVERIFY(fixture::writeFile(f.iniPath(), QByteArrayLiteral("[ANSM]\r\nCIS.TXT=x\r\n")));
    const QByteArray iniBytes = fixture::readFile(f.iniPath());
    const QByteArray cisBytes = fixture::readFile(f.cisPath());

    QTemporaryDir elsewhere;
    QString path;
    if (which == u"copy"_s) {
        path = f.cisPath();
    } else {
        path = elsewhere.path() + u'/'
               + QFileInfo(which == u"ini"_s ? f.iniPath() : f.programPath()).fileName();
        QVERIFY(fixture::writeFile(path, fixture::crlfJoined(otherLines)));
    }
    fixture::DialogScript dialogs({u"OK"_s, u"OK"_s});
    QVERIFY(dropAndAnswer(f.w->Edit1, {path}, dialogs));

    const bool copy = which == u"copy"_s;
    QVERIFY2(dialogs.texts[1].contains(reportText(copy ? 7 : 2, copy)),
             qPrintable(dialogs.texts[1]));
    QCOMPARE(fixture::readFile(f.programPath()), programBytes);
    QCOMPARE(fixture::readFile(f.iniPath()), iniBytes);
    QCOMPARE(fixture::readFile(f.cisPath()), cisBytes);
    QCOMPARE(CisFilePath, path);
}

void TestWebImport::failedCopyIsReported()
{
    // An installed copy whose per-user data folder cannot be made (a file
    // stands where it would go): the copy fails, the file is loaded anyway.
    Window f;
    QVERIFY(f.dir.isValid());
    const PerUserFolders home(f.dir.path());
    QVERIFY(fixture::writeFile(f.dir.path() + u"/data"_s, "not a folder"));
    f.installedAt = u"/usr/bin/Verdane"_s;
    QVERIFY(f.open());
    QTemporaryDir elsewhere;
    const QString path = elsewhere.path() + u"/cis.txt"_s;
    QVERIFY(fixture::writeFile(path, fixture::crlfJoined(otherLines)));

    fixture::DialogScript dialogs({u"OK"_s, u"OK"_s});
    QVERIFY(dropAndAnswer(f.w->Edit1, {path}, dialogs));
    QVERIFY2(dialogs.texts[1].contains(reportText(2, false)), qPrintable(dialogs.texts[1]));
    QCOMPARE(f.w->CisLines->count(), 2);
    QVERIFY(QFile::exists(path));
}

void TestWebImport::importCopyFoundAgain_data()
{
    QTest::addColumn<bool>("installed");
    QTest::addColumn<bool>("deep"); // a path longer than a settings value read whole
    QTest::newRow("portable: beside the program") << false << false;
    QTest::newRow("installed: per-user data folder") << true << false;
    QTest::newRow("dropped from a very deep folder") << false << true;
}

void TestWebImport::importCopyFoundAgain()
{
    // The agency's own file name, dropped, confirmed, saved at close, then
    // deleted as the report advises: the next start finds the copy.
    QFETCH(bool, installed);
    QFETCH(bool, deep);
    Window f;
    QVERIFY(f.dir.isValid());
    const PerUserFolders home(f.dir.path());
    if (installed)
        f.installedAt = u"/usr/bin/Verdane"_s;
    QVERIFY(f.open({}, false));
    QTemporaryDir elsewhere;
    QString folder = elsewhere.path();
    // Nine folders of 250 letters: the path outgrows what a settings value
    // gives back whole at the next start.
    for (int i = 0; deep && i < 9; ++i)
        folder += u'/' + QString(250, QChar(u'a' + i));
    QVERIFY(QDir().mkpath(folder));
    const QString dropped = folder + u"/CIS_bdpm.txt"_s;
    QVERIFY(dropped.size() > IniLongestValue || !deep);
    QVERIFY(fixture::writeFile(dropped, fixture::crlfJoined(otherLines)));

    fixture::DialogScript dialogs({u"OK"_s, u"OK"_s});
    QVERIFY(dropAndAnswer(f.w->Edit1, {dropped}, dialogs));
    QVERIFY2(dialogs.texts[1].contains(reportText(2, true)), qPrintable(dialogs.texts[1]));
    const QString copy = (installed ? f.dir.path() + u"/data/Verdane"_s : f.dir.path())
                         + u"/CIS_bdpm.txt"_s;
    QCOMPARE(fixture::readFile(copy), fixture::readFile(dropped));

    QVERIFY(f.w->close());
    QCOMPARE(f.quitRequests, 1);
    const QString ini = installed ? f.dir.path() + u"/config/Verdane/Verdane.INI"_s : f.iniPath();
    // A path too long to come back whole is saved as the copy's.
    const QString saved = deep ? copy : dropped;
    QVERIFY2(fixture::readFile(ini).contains((u"CIS.TXT="_s + saved + u"\r\n"_s).toUtf8()),
             qPrintable(ini));
    QVERIFY(QFile::remove(dropped));

    f.w.reset();
    QVERIFY(f.openAsIs());
    QCOMPARE(CisFilePath, copy);
    QCOMPARE(f.w->CisLines->count(), 2);
    QCOMPARE(f.panel(3), u"Base de données CIS du "_s + DateText(GetFileDate(copy)));
    if (installed) { // nothing went beside the installed program
        QVERIFY(!QFile::exists(u"/usr/bin/Verdane.INI"_s));
        QVERIFY(!QFile::exists(u"/usr/bin/CIS_bdpm.txt"_s));
    }
}

void TestWebImport::textDropsStillReachTheBoxes()
{
    Window f;
    QVERIFY(f.open());
    QMimeData mime;
    mime.setText(u"TEXTE"_s);
    const QPoint at = f.w->Edit_NOM->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.w->Edit_NOM, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.w->Edit_NOM, &drop);
    QCOMPARE(f.w->Edit_NOM->text(), u"TEXTE"_s);
    QTest::qWait(50);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QCOMPARE(f.w->CisLines->count(), 7);
}

void TestWebImport::ctrlOImportsLikeADrop_data()
{
    QTest::addColumn<QString>("from"); // the control with the focus
    QTest::addColumn<QString>("kind"); // plain; writing: still open for writing; gone
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("loads");

    const QStringList ok = {u"OK"_s, u"OK"_s};
    QTest::newRow("from the search box") << u"Edit1"_s << u"plain"_s << ok << true;
    QTest::newRow("from the result list") << u"JvCheckListBox1"_s << u"plain"_s << ok << true;
    QTest::newRow("from a record box, cancelled")
        << u"Edit_NOM"_s << u"plain"_s << QStringList{u"Annuler"_s} << false;
    QTest::newRow("a file still being written") << u"Edit1"_s << u"writing"_s << ok << false;
    QTest::newRow("a file gone while the question is up")
        << u"JvCheckListBox1"_s << u"gone"_s << ok << false;
}

void TestWebImport::ctrlOImportsLikeADrop()
{
    // The same file imported by a drop, then by Ctrl+O and the file dialog,
    // each in a fresh window: the same dialogs, texts, cursor and outcome.
    QFETCH(QString, from);
    QFETCH(QString, kind);
    QFETCH(QStringList, answers);
    QFETCH(bool, loads);
    QTemporaryDir elsewhere;
    const QString path = elsewhere.path() + u"/nouveau.txt"_s;

    struct Seen
    {
        QStringList titles, texts;
        QList<int> cursors; // the program's cursor while each dialog is up (-1: the default)
        qsizetype count = -1;
        bool chosenIsCurrent = false;
        QStringList panels;
        QByteArray copy;
    } seen[2];
    for (int byKeyboard = 0; byKeyboard < 2; ++byKeyboard) {
        Window f;
        QVERIFY(f.open());
        QVERIFY(fixture::writeFile(path, fixture::crlfJoined(otherLines)));
        QFile writer(path);
        if (kind == u"writing"_s)
            QVERIFY(writer.open(QIODevice::Append));
        auto *control = f.w->findChild<QWidget *>(from);
        QVERIFY(control);
        control->setFocus();

        Seen &s = seen[byKeyboard];
        fixture::DialogScript dialogs(answers);
        dialogs.beforeAnswer = [&s, &kind, &path](int n) {
            s.cursors << (QApplication::overrideCursor()
                              ? int(QApplication::overrideCursor()->shape())
                              : -1);
            if (kind == u"gone"_s && n == 0)
                QFile::remove(path);
        };
        if (byKeyboard) {
            QVERIFY(chooseAndAnswer(control, path, dialogs));
        } else {
            auto *list = qobject_cast<QAbstractScrollArea *>(control);
            QVERIFY(dropAndAnswer(list ? list->viewport() : control, {path}, dialogs));
        }
        writer.close();
        s.titles = dialogs.titles;
        s.texts = dialogs.texts;
        s.count = f.w->CisLines->count();
        s.chosenIsCurrent = CisFilePath == QDir::toNativeSeparators(path);
        s.panels = QStringList{f.panel(0), f.panel(1), f.panel(2), f.panel(3)};
        s.copy = fixture::readFile(f.dir.filePath(u"nouveau.txt"_s));
        QVERIFY(QApplication::overrideCursor() == nullptr);
        f.w->activateWindow();
        QTRY_COMPARE(f.focusName(), loads ? u"Edit1"_s : from);
    }

    QCOMPARE(seen[1].titles, seen[0].titles);
    QCOMPARE(seen[1].texts, seen[0].texts);
    QCOMPARE(seen[1].cursors, seen[0].cursors);
    QCOMPARE(seen[1].count, seen[0].count);
    QCOMPARE(seen[1].chosenIsCurrent, seen[0].chosenIsCurrent);
    QCOMPARE(seen[1].panels, seen[0].panels);
    QCOMPARE(seen[1].copy, seen[0].copy);
    // And that is the import as the drop tests above know it.
    QCOMPARE(seen[1].titles.value(0), u"Confirmer"_s);
    QCOMPARE(seen[1].texts.value(0), questionText(QDir::toNativeSeparators(path)));
    QCOMPARE(seen[1].count, loads ? otherLines.size() : 7);
    QCOMPARE(seen[1].chosenIsCurrent, loads);
    if (kind != u"plain"_s)
        QVERIFY2(seen[1].texts.value(1).contains(u"Impossible d'ouvrir le fichier"_s),
                 qPrintable(seen[1].texts.value(1)));
}

void TestWebImport::fileDialogLeftChangesNothing_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<bool>("escape"); // else the dialog's cancel button, a file typed first
    QTest::newRow("Escape, from the search box") << u"Edit1"_s << true;
    QTest::newRow("cancel button, from the result list") << u"JvCheckListBox1"_s << false;
}

void TestWebImport::fileDialogLeftChangesNothing()
{
    QFETCH(QString, from);
    QFETCH(bool, escape);
    Window f;
    QVERIFY(f.open());
    f.search(u"PARACETAMOL"_s);
    QTemporaryDir elsewhere;
    const QString path = elsewhere.path() + u"/cis.txt"_s;
    QVERIFY(fixture::writeFile(path, fixture::crlfJoined(otherLines)));
    const CisStore *store = f.w->CisLines.get();
    const QString before = CisFilePath;
    const QStringList panels = {f.panel(0), f.panel(1), f.panel(2), f.panel(3)};
    const QStringList boxes = f.boxTexts();
    const QByteArray copy = fixture::readFile(f.cisPath());
    auto *control = f.w->findChild<QWidget *>(from);
    QVERIFY(control);
    control->setFocus();

    QVERIFY(onCtrlO(control, [escape, path](QFileDialog *dialog) {
        if (escape) {
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
            return;
        }
        QGuiApplication::clipboard()->setText(path);
        QTest::keyClick(fileNameBox(dialog), Qt::Key_V, Qt::ControlModifier);
        auto *buttons = dialog->findChild<QDialogButtonBox *>();
        if (buttons && buttons->button(QDialogButtonBox::Cancel))
            QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    }));
    QTest::qWait(100);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QCOMPARE(f.w->CisLines.get(), store);
    QCOMPARE(CisFilePath, before);
    QCOMPARE((QStringList{f.panel(0), f.panel(1), f.panel(2), f.panel(3)}), panels);
    QCOMPARE(f.boxTexts(), boxes);
    QCOMPARE(f.listedCodes(), (QStringList{u"61234567"_s, u"62000001"_s}));
    QCOMPARE(fixture::readFile(f.cisPath()), copy);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    f.w->activateWindow();
    QTRY_COMPARE(f.focusName(), from);
}

void TestWebImport::fileDialogStartFolder_data()
{
    QTest::addColumn<bool>("folderRemoved"); // the database's folder, gone since start-up
    QTest::newRow("the database's folder") << false;
    QTest::newRow("the database's folder gone: home") << true;
}

void TestWebImport::fileDialogStartFolder()
{
    QFETCH(bool, folderRemoved);
    Window f;
    QVERIFY(f.dir.isValid());
    const QString folder = f.dir.filePath(u"base"_s);
    QVERIFY(QDir().mkdir(folder));
    const QString database = folder + u"/CIS_bdpm.txt"_s;
    QVERIFY(fixture::writeFile(database, fixture::crlfJoined(otherLines)));
    QVERIFY(fixture::writeFile(f.iniPath(), (u"[ANSM]\r\nCIS.TXT="_s + database).toUtf8()));
    QVERIFY(f.openAsIs());
    QCOMPARE(CisFilePath, database);
    if (folderRemoved)
        QVERIFY(QDir(folder).removeRecursively());

    QString directory, caption;
    QStringList filters;
    QString filter;
    bool modal = false, ownedByWindow = false, nameBoxFocused = false;
    QVERIFY(onCtrlO(f.w->Edit1, [&](QFileDialog *dialog) {
        directory = dialog->directory().absolutePath();
        caption = dialog->windowTitle();
        filters = dialog->nameFilters();
        filter = dialog->selectedNameFilter();
        modal = dialog->isModal();
        ownedByWindow = dialog->parentWidget() == f.w.get();
        nameBoxFocused = fileNameBox(dialog) && dialog->focusWidget() == fileNameBox(dialog);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
    }));
    QCOMPARE(directory, folderRemoved ? QDir::homePath() : folder);
    QCOMPARE(caption, u"Ouvrir un fichier CIS"_s);
    QCOMPARE(filters, (QStringList{u"Fichiers texte (*.txt *.TXT)"_s, u"Tous les fichiers (*)"_s}));
    QCOMPARE(filter, filters.value(0));
    QVERIFY(modal);
    QVERIFY(ownedByWindow);
    QVERIFY(nameBoxFocused);
}

void TestWebImport::fileDialogOffersTextFilesFirst()
{
    // The agency's file comes as CIS_bdpm.txt; copies made on other systems
    // may have any letter case.
    Window f;
    QVERIFY(f.open());
    for (const QString &name : {u"Base.TXT"_s, u"Copie.Txt"_s, u"image.png"_s, u"notes"_s})
        QVERIFY(fixture::writeFile(f.dir.filePath(name), "x"));
    QStringList textFiles, allFiles;
    QVERIFY(onCtrlO(f.w->Edit1, [&](QFileDialog *dialog) {
        // The folder is read in the background; the comparisons below judge.
        (void)QTest::qWaitFor([dialog] { return offeredNames(dialog).size() > 1; });
        textFiles = offeredNames(dialog);
        dialog->selectNameFilter(dialog->nameFilters().value(1));
        (void)QTest::qWaitFor([dialog] { return offeredNames(dialog).contains(u"image.png"_s); });
        allFiles = offeredNames(dialog);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
    }));
    QCOMPARE(textFiles, (QStringList{u"Base.TXT"_s, u"cis.txt"_s, u"Copie.Txt"_s}));
    QVERIFY2(allFiles.contains(u"image.png"_s) && allFiles.contains(u"notes"_s),
             qPrintable(allFiles.join(u", "_s)));
}

QTEST_MAIN(TestWebImport)
#include "tst_web_import.moc"
