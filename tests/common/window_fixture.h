#pragma once
// The main window in a program folder of its own: a temporary directory holds
// the settings file and cis.txt, and the outside world is observed (opened
// URLs, quit requests, dialogs shown). `Window` drives a window over a small
// CIS file; `ProgramFolder` and `openWindow` leave the folder's contents to
// the test.
#include "modal_helper.h"

#include "core/app_error.h"
#include "core/cis_store.h"
#include "ui/dialogs/msg_dialog.h"
#include "ui/dialogs/vela_ini_gui.h"
#include "ui/frm_cis.h"
#include "ui/labeled_line_edit.h"
#include "ui/panel_status_bar.h"
#include "ui/progress_gauge.h"
#include "ui/result_list.h"
#include "ui/status_lamp.h"
#include "ui/upper_case_line_edit.h"
#include "util/vela_ini.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>

using namespace Qt::StringLiterals;

namespace fixture {

// Fields: code, name, form, route, authorisation, procedure, marketing,
// date, then four more as in the agency's file.
inline QString cisLine(const QStringList &fields)
{
    return fields.join(u'\t');
}

// The common store: names with accents, a ";" in a name, the three spellings
// of "Non commercialisée", and the words in a field that no box shows.
inline QStringList commonLines()
{
    return {
        u"60002283\tANASTROZOLE ACCORD 1 mg, comprimé pelliculé\tcomprimé pelliculé\torale\tAutorisation active\tProcédure décentralisée\tCommercialisée\t16/03/2011\t\t\t ACCORD HEALTHCARE FRANCE\tNon"_s,
        u"60003620\tDOLIPRANE 1000 mg, comprimé\tcomprimé\torale\tAutorisation active\tProcédure nationale\tCommercialisée\t09/07/2002\t\t\t SANOFI\tNon"_s,
        u"61234567\tPARACETAMOL ARROW 500 mg, gélule\tgélule\torale\tAutorisation abrogée\tProcédure nationale\tNon commercialisée\t12/01/2004\t\t\t ARROW\tNon"_s,
        u"62000001\tPARACETAMOL COMPRIME EFFERVESCENT\tcomprime effervescent\torale\tAutorisation active\tProcédure nationale\tnon commercialisée\t01/02/2010\t\t\t TEST\tNon"_s,
        u"63000002\tABACAVIR/LAMIVUDINE ARROW 600 mg/300 mg, comprimé pelliculé\tcomprimé pelliculé\torale\tAutorisation active\tProcédure décentralisée\tNON COMMERCIALISÉE\t20/06/2016\t\t\t ARROW\tNon"_s,
        u"64000003\tSIROP TOUX;ENFANT\tsirop\torale\tAutorisation active\tProcédure nationale\tCommercialisée\t03/03/2003\t\t\t LABO\tNon"_s,
        u"65000004\tGEL DOULEUR\tgel\tcutanée\tAutorisation active\tProcédure nationale\tCommercialisée\t04/04/2004\tNon commercialisée ailleurs\t\t LABO\tNon"_s,
    };
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

inline QByteArray crlfJoined(const QStringList &lines)
{
    return lines.join(u"\r\n"_s).toUtf8()
           + (lines.isEmpty() ? QByteArray() : QByteArrayLiteral("\r\n"));
}

// The file's bytes; "<missing>" when it cannot be read, so that a missing
// file never equals an empty one.
inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

// Every label text of a dialog, line breaks made uniform, without the
// zero-width spaces that let a long path wrap.
inline QString dialogText(QWidget *dialog)
{
    QStringList texts;
    const auto labels = dialog->findChildren<QLabel *>();
    for (QLabel *l : labels) {
        if (!l->text().isEmpty())
            texts << l->text();
    }
    return texts.join(u'\n').replace(u"\r\n"_s, u"\n"_s).remove(QChar(0x200B));
}

inline QString uniformBreaks(QString s)
{
    return s.replace(u"\r\n"_s, u"\n"_s);
}

// Answers the coming modal dialogs one after the other by their button
// captions (empty caption: Escape), recording each dialog's text.
struct DialogScript
{
    explicit DialogScript(QStringList a) : answers(std::move(a)) { }
    QStringList answers;
    QStringList texts;                     // one per dialog seen
    QStringList titles;                    // their captions
    std::function<void(int)> beforeAnswer; // runs while dialog n is up
    int next = 0;

    void arm(int timeoutMs = 5000)
    {
        if (next >= answers.size())
            return;
        modal::onNextModal(
            [this, timeoutMs](QWidget *w) {
                texts << dialogText(w);
                titles << w->windowTitle();
                if (beforeAnswer)
                    beforeAnswer(next);
                const QString answer = answers.at(next++);
                arm(timeoutMs);
                if (answer.isEmpty()) {
                    QWidget *target = w->focusWidget() ? w->focusWidget() : w;
                    QTest::keyClick(target, Qt::Key_Escape);
                } else if (answer == u"<Return>"_s) {
                    QWidget *target = w->focusWidget() ? w->focusWidget() : w;
                    QTest::keyClick(target, Qt::Key_Return);
                } else if (QAbstractButton *b = modal::findButton(w, answer)) {
                    QTest::mouseClick(b, Qt::LeftButton);
                } else {
                    w->close();
                }
            },
            timeoutMs);
    }
    bool done() const { return next >= answers.size(); }
};

// Records, in order, the changes of the search box, the result list (emptied
// or filled) and the record boxes.
class ChangeLog
{
public:
    explicit ChangeLog(TForm_CIS *w)
    {
        auto note = [this](QObject *o) { return [this, o] { changes << o->objectName(); }; };
        QObject::connect(w->Edit1, &QLineEdit::textChanged, &m_context, note(w->Edit1));
        QObject::connect(w->JvCheckListBox1->resultModel(), &QAbstractItemModel::modelReset,
                         &m_context, note(w->JvCheckListBox1));
        const QList<LabeledLineEdit *> boxes = w->recordBoxes();
        for (LabeledLineEdit *box : boxes)
            QObject::connect(box, &QLineEdit::textChanged, &m_context, note(box));
    }
    QStringList changes;

private:
    QObject m_context;
};

class Window
{
public:
    QTemporaryDir dir;
    std::unique_ptr<TForm_CIS> w;
    QList<QUrl> urls;
    int quitRequests = 0;

    QString installedAt; // a program path of a system folder: an installed copy

    QString programPath() const
    {
        return installedAt.isEmpty() ? dir.path() + u"/Verdane"_s : installedAt;
    }
    QString cisPath() const { return dir.path() + u"/cis.txt"_s; }
    QString iniPath() const { return IniFileNameOf(programPath()); }

    // Writes `lines` as the program folder's cis.txt (no file when `lines`
    // is null) and opens the window on it.
    bool open(const QStringList &lines = commonLines(), bool writeCis = true)
    {
        if (!dir.isValid())
            return false;
        if (writeCis && !writeFile(cisPath(), crlfJoined(lines)))
            return false;
        return openAsIs();
    }

    // Opens the window on whatever the folder holds.
    bool openAsIs()
    {
        SetProgramPathForTesting(programPath());
        TForm_CIS::quitRequest() = [this] { ++quitRequests; };
        SetUrlOpenerForTesting([this](const QUrl &u) {
            urls << u;
            return true;
        });
        w = std::make_unique<TForm_CIS>();
        w->show();
        w->activateWindow();
        return QTest::qWaitForWindowActive(w.get());
    }

    ~Window()
    {
        w.reset();
        SetUrlOpenerForTesting({});
        TForm_CIS::quitRequest() = [] { QCoreApplication::quit(); };
        SetProgramPathForTesting(QString());
    }

    // Real key presses for each character, accented ones included (keyClicks
    // takes ASCII only).
    static void type(QWidget *target, const QString &text)
    {
        for (QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(target, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, target, Qt::Key(c.toUpper().unicode()),
                                    QString(c), Qt::NoModifier);
        }
    }

    // Types the query into the search box and presses Enter.
    void search(const QString &query)
    {
        w->Edit1->setFocus();
        w->Edit1->selectAll();
        QTest::keyClick(w->Edit1, Qt::Key_Delete);
        type(w->Edit1, query);
        QTest::keyClick(w->Edit1, Qt::Key_Return);
    }

    QStringList listedCodes() const
    {
        QStringList codes;
        for (int r = 0; r < w->JvCheckListBox1->count(); ++r)
            codes << w->JvCheckListBox1->itemText(r).section(u';', 0, 0);
        return codes;
    }

    void clickRow(int row)
    {
        ResultListView *list = w->JvCheckListBox1;
        const QModelIndex idx = list->resultModel()->index(row);
        list->scrollTo(idx);
        // Right of the check box: a click on the text, not on the mark.
        const QRect r = list->visualRect(idx);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          QPoint(r.left() + 60, r.center().y()));
    }

    QStringList boxTexts() const
    {
        return {w->Edit_CIP->text(),          w->Edit_NOM->text(),
                w->edit_FORME->text(),        w->EDIT_VOIE->text(),
                w->edit_AUTORISATION->text(), w->edit_PROCEDURE->text(),
                w->EDIT_commecialise->text(), w->edit_NUM->text()};
    }

    QString panel(int i) const { return w->StatusBar1->panelText(i); }

    QString focusName() const
    {
        QWidget *f = QApplication::focusWidget();
        return f ? f->objectName() : QString();
    }
};

// A program folder without a window: the test writes its files, then opens
// the window with openWindow(); the quit request is only counted.
struct ProgramFolder
{
    QTemporaryDir dir;
    int quitRequests = 0;

    std::function<void()> realQuit = TForm_CIS::quitRequest();

    ProgramFolder()
    {
        SetProgramPathForTesting(programPath());
        TForm_CIS::quitRequest() = [this] { ++quitRequests; };
        CisFilePath.clear();
    }
    ~ProgramFolder()
    {
        TForm_CIS::quitRequest() = realQuit;
        SetProgramPathForTesting(QString());
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    QString programPath() const { return path(u"Verdane"_s); }
    QString iniPath() const { return path(u"Verdane.INI"_s); }
};

// Three products, Windows-1252 as published.
inline QByteArray sampleCis()
{
    return QByteArray(
        "60000001\tDOLIPRANE 500 mg, comprim\xE9\tcomprim\xE9\torale\tAutorisation active\tProc\xE9"
        "dure nationale\tCommercialis\xE9"
        "e\t12/03/1998\t\t\tNon\r\n"
        "60000002\tASPIRINE 100 mg\tcomprim\xE9\torale\tAutorisation active\tProc\xE9"
        "dure nationale\tNon commercialis\xE9"
        "e\t01/01/2000\t\t\tNon\r\n"
        "60000003\tAMOXICILLINE 1 g\tg\xE9lule\torale\tAutorisation abrog\xE9"
        "e\tProc\xE9"
        "dure nationale\tCommercialis\xE9"
        "e\t05/05/2005\t\t\tNon\r\n");
}

// Builds the window (FormCreate runs inside) and shows it.
inline std::unique_ptr<TForm_CIS> openWindow(bool show = true)
{
    auto w = std::make_unique<TForm_CIS>();
    if (show) {
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            return nullptr;
    }
    return w;
}

} // namespace fixture
