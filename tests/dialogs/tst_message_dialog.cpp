// The message dialogs and the error box: buttons, keys, focus, layout, the
// copied text, driven with real key and mouse events.
#include "dialog_helpers.h"
#include "ui/dialogs/msg_dialog.h"
#include "ui/dialogs/vela_ini_gui.h"
#include "ui/style/amethyst_style.h"
#include "ui/style/visual_style.h"
#include "util/vela_ini.h"

#include <QClipboard>
#include <QDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTest>
#include <algorithm>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(MsgKind)

using namespace dialogs;

class TestMessageDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void programDialogs_data();
    void programDialogs();
    void buttonOrderAndCaptions();
    void accessLetters_data();
    void accessLetters();
    void focusMovesBetweenButtons_data();
    void focusMovesBetweenButtons();
    void enterWithModifiersPressesNothing();
    void helpButtonDoesNotEndTheDialog();

    void layout_data();
    void layout();

    void copyText_data();
    void copyText();

    void plainMessage();
    void errorBoxText_data();
    void errorBoxText();
    void errorBox();
};

void TestMessageDialog::initTestCase()
{
    InitVerdaneResources();
}

// Each dialog the program shows: buttons in order, default and focus, what
// Enter, Escape and the close box give.
void TestMessageDialog::programDialogs_data()
{
    QTest::addColumn<MsgKind>("kind");
    QTest::addColumn<unsigned>("buttons");
    QTest::addColumn<unsigned>("defaultButton");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("focused");
    QTest::addColumn<QString>("defaultCaption"); // empty: no default button
    QTest::addColumn<int>("enter");
    QTest::addColumn<int>("escape"); // MsgResult::None: Escape leaves it open

    QTest::newRow("empty store warning")
        << MsgKind::Warning << unsigned(MsgButton::Cancel | MsgButton::Retry)
        << unsigned(MsgButton::Retry) << u"Avertissement"_s
        << QStringList{u"Annuler"_s, u"&Réessayer"_s} << u"&Réessayer"_s << u"&Réessayer"_s
        << int(MsgResult::Retry) << int(MsgResult::Cancel);
    QTest::newRow("empty query, plain")
        << MsgKind::Plain << unsigned(MsgButton::OK) << unsigned(MsgButton::None) << ProgramTitle()
        << QStringList{u"OK"_s} << u"OK"_s << u"OK"_s << int(MsgResult::Ok) << int(MsgResult::Ok);
    QTest::newRow("drop confirmation")
        << MsgKind::Confirmation << unsigned(MsgButton::OK | MsgButton::Cancel)
        << unsigned(MsgButton::None) << u"Confirmer"_s << QStringList{u"OK"_s, u"Annuler"_s}
        << u"OK"_s << u"OK"_s << int(MsgResult::Ok) << int(MsgResult::Cancel);
    QTest::newRow("import report")
        << MsgKind::Information << unsigned(MsgButton::OK) << unsigned(MsgButton::None)
        << u"Informations"_s << QStringList{u"OK"_s} << u"OK"_s << u"OK"_s << int(MsgResult::Ok)
        << int(MsgResult::Ok);
    QTest::newRow("style not found")
        << MsgKind::Error << unsigned(MsgButton::Close) << unsigned(MsgButton::None) << u"Erreur"_s
        << QStringList{u"Fer&mer"_s} << u"Fer&mer"_s << QString() << int(MsgResult::Close)
        << int(MsgResult::None);
    QTest::newRow("yes no, usual default")
        << MsgKind::Confirmation << unsigned(MsgButton::Yes | MsgButton::No)
        << unsigned(MsgButton::None) << u"Confirmer"_s << QStringList{u"&Oui"_s, u"&Non"_s}
        << u"&Oui"_s << u"&Oui"_s << int(MsgResult::Yes) << int(MsgResult::No);
    QTest::newRow("abort retry ignore")
        << MsgKind::Error << unsigned(MsgButton::Abort | MsgButton::Retry | MsgButton::Ignore)
        << unsigned(MsgButton::None) << u"Erreur"_s
        << QStringList{u"A&bandonner"_s, u"&Réessayer"_s, u"&Ignorer"_s} << u"&Réessayer"_s
        << u"&Réessayer"_s << int(MsgResult::Retry) << int(MsgResult::None);
    QTest::newRow("named default not shown falls back")
        << MsgKind::Warning << unsigned(MsgButton::OK | MsgButton::Cancel)
        << unsigned(MsgButton::Yes) << u"Avertissement"_s << QStringList{u"OK"_s, u"Annuler"_s}
        << u"OK"_s << u"OK"_s << int(MsgResult::Ok) << int(MsgResult::Cancel);
}

void TestMessageDialog::programDialogs()
{
    QFETCH(MsgKind, kind);
    QFETCH(unsigned, buttons);
    QFETCH(unsigned, defaultButton);
    QFETCH(QString, caption);
    QFETCH(QStringList, shown);
    QFETCH(QString, focused);
    QFETCH(QString, defaultCaption);
    QFETCH(int, enter);
    QFETCH(int, escape);

    const QString text = u"Un message"_s;
    auto show = [&] {
        return ShowMessageDialog(text, kind, MsgButtons::fromInt(buttons), MsgButton(defaultButton));
    };

    // Structure, then Enter.
    bool checked = false;
    int result = showAndAct(show, [&](QWidget *w) {
        const QList<QPushButton *> row = buttonsInRow(w);
        QCOMPARE(w->windowTitle(), caption);
        QCOMPARE(w->accessibleName(), caption);
        QCOMPARE(captions(row), shown);
        QVERIFY(w->isModal());
        QCOMPARE(w->windowModality(), Qt::ApplicationModal);
        QVERIFY(w->focusWidget());
        QCOMPARE(qobject_cast<QPushButton *>(w->focusWidget())->text(), focused);
        QStringList defaults;
        for (QPushButton *b : row) {
            if (b->isDefault())
                defaults << b->text();
            QCOMPARE(b->accessibleName(), QString(b->text()).remove(u'&'));
        }
        QCOMPARE(defaults, defaultCaption.isEmpty() ? QStringList() : QStringList{defaultCaption});
        auto *icon = w->findChild<QLabel *>(u"MessageIcon"_s);
        QCOMPARE(icon != nullptr, kind != MsgKind::Plain);
        checked = true;
        QTest::keyClick(w->focusWidget(), Qt::Key_Return);
    });
    QVERIFY(checked);
    QCOMPARE(result, enter);

    // Escape.
    bool stayedOpen = false;
    result = showAndAct(show, [&](QWidget *w) {
        QTest::keyClick(w->focusWidget(), Qt::Key_Escape);
        stayedOpen = w->isVisible();
        if (stayedOpen)
            w->close();
    });
    if (escape == int(MsgResult::None)) {
        QVERIFY(stayedOpen);
        QCOMPARE(result, int(MsgResult::Cancel)); // from the close box that ended it
    } else {
        QVERIFY(!stayedOpen);
        QCOMPARE(result, escape);
    }

    // The close box gives Cancel whatever the buttons.
    result = showAndAct(show, [](QWidget *w) { w->close(); });
    QCOMPARE(result, int(MsgResult::Cancel));
}

void TestMessageDialog::buttonOrderAndCaptions()
{
    const unsigned all = MsgButton::Yes | MsgButton::No | MsgButton::OK | MsgButton::Cancel
                         | MsgButton::Abort | MsgButton::Retry | MsgButton::Ignore | MsgButton::All
                         | MsgButton::NoToAll | MsgButton::YesToAll | MsgButton::Help
                         | MsgButton::Close;
    QStringList seen;
    int result = showAndAct(
        [&] { return ShowMessageDialog(u"x"_s, MsgKind::Warning, MsgButtons::fromInt(all)); },
        [&](QWidget *w) {
            const auto row = buttonsInRow(w);
            seen = captions(row);
            // All the same width, one row.
            for (QPushButton *b : row) {
                QCOMPARE(b->width(), row.first()->width());
                QCOMPARE(b->y(), row.first()->y());
            }
            QTest::mouseClick(row.at(8), Qt::LeftButton);
        });
    const QStringList expected = {u"&Oui"_s,           u"&Non"_s,        u"OK"_s,
                                  u"Annuler"_s,        u"A&bandonner"_s, u"&Réessayer"_s,
                                  u"&Ignorer"_s,       u"&Tous"_s,       u"Non &pour tout"_s,
                                  u"O&ui pour tout"_s, u"&Aide"_s,       u"Fer&mer"_s};
    QCOMPARE(seen, expected);
    QCOMPARE(result, int(MsgResult::NoToAll));
    for (int i = 0; i < 12; ++i)
        QCOMPARE(MsgButtonCaption(MsgButton(1u << i)), expected.at(i));
}

void TestMessageDialog::accessLetters_data()
{
    QTest::addColumn<unsigned>("buttons");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("alt");
    QTest::addColumn<int>("expected");

    const unsigned yesNo = MsgButton::Yes | MsgButton::No | MsgButton::Cancel;
    const unsigned ari = MsgButton::Abort | MsgButton::Retry | MsgButton::Ignore;
    const unsigned many = MsgButton::Yes | MsgButton::All | MsgButton::NoToAll | MsgButton::YesToAll
                          | MsgButton::Close;
    QTest::newRow("N alone") << yesNo << int(Qt::Key_N) << false << int(MsgResult::No);
    QTest::newRow("Alt+N") << yesNo << int(Qt::Key_N) << true << int(MsgResult::No);
    QTest::newRow("O alone") << yesNo << int(Qt::Key_O) << false << int(MsgResult::Yes);
    QTest::newRow("Alt+O") << yesNo << int(Qt::Key_O) << true << int(MsgResult::Yes);
    QTest::newRow("B alone") << ari << int(Qt::Key_B) << false << int(MsgResult::Abort);
    QTest::newRow("Alt+R") << ari << int(Qt::Key_R) << true << int(MsgResult::Retry);
    QTest::newRow("I alone") << ari << int(Qt::Key_I) << false << int(MsgResult::Ignore);
    QTest::newRow("T alone") << many << int(Qt::Key_T) << false << int(MsgResult::All);
    QTest::newRow("P alone") << many << int(Qt::Key_P) << false << int(MsgResult::NoToAll);
    QTest::newRow("U alone") << many << int(Qt::Key_U) << false << int(MsgResult::YesToAll);
    QTest::newRow("Alt+M") << many << int(Qt::Key_M) << true << int(MsgResult::Close);
    QTest::newRow("M alone") << many << int(Qt::Key_M) << false << int(MsgResult::Close);
}

void TestMessageDialog::accessLetters()
{
    QFETCH(unsigned, buttons);
    QFETCH(int, key);
    QFETCH(bool, alt);
    QFETCH(int, expected);
    const int result = showAndAct(
        [&] {
            return ShowMessageDialog(u"x"_s, MsgKind::Confirmation, MsgButtons::fromInt(buttons));
        },
        [&](QWidget *w) {
            QTest::keyClick(w->focusWidget(), Qt::Key(key), alt ? Qt::AltModifier : Qt::NoModifier);
        });
    QCOMPARE(result, expected);
}

// Tab and the arrows move between buttons; Enter presses the focused one.
void TestMessageDialog::focusMovesBetweenButtons_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("expected");
    // Buttons: Oui, Non, Annuler; Oui has the focus.
    QTest::newRow("none") << QList<int>{} << int(MsgResult::Yes);
    QTest::newRow("Tab") << QList<int>{Qt::Key_Tab} << int(MsgResult::No);
    QTest::newRow("Tab Tab") << QList<int>{Qt::Key_Tab, Qt::Key_Tab} << int(MsgResult::Cancel);
    QTest::newRow("Tab wraps") << QList<int>{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab}
                               << int(MsgResult::Yes);
    QTest::newRow("Backtab") << QList<int>{Qt::Key_Backtab} << int(MsgResult::Cancel);
    QTest::newRow("Right") << QList<int>{Qt::Key_Right} << int(MsgResult::No);
    QTest::newRow("Down Down") << QList<int>{Qt::Key_Down, Qt::Key_Down} << int(MsgResult::Cancel);
    QTest::newRow("Left wraps") << QList<int>{Qt::Key_Left} << int(MsgResult::Cancel);
    QTest::newRow("Right Up") << QList<int>{Qt::Key_Right, Qt::Key_Up} << int(MsgResult::Yes);
}

void TestMessageDialog::focusMovesBetweenButtons()
{
    QFETCH(QList<int>, keys);
    QFETCH(int, expected);
    const int result = showAndAct(
        [] {
            return ShowMessageDialog(u"x"_s, MsgKind::Confirmation,
                                     MsgButton::Yes | MsgButton::No | MsgButton::Cancel);
        },
        [&](QWidget *w) {
            for (int k : keys)
                QTest::keyClick(w->focusWidget(), Qt::Key(k));
            QTest::keyClick(w->focusWidget(), Qt::Key_Enter);
        });
    QCOMPARE(result, expected);
}

void TestMessageDialog::enterWithModifiersPressesNothing()
{
    bool stayedOpen = false;
    const int result = showAndAct(
        [] {
            return ShowMessageDialog(u"x"_s, MsgKind::Confirmation,
                                     MsgButton::OK | MsgButton::Cancel);
        },
        [&](QWidget *w) {
            QTest::keyClick(w->focusWidget(), Qt::Key_Return, Qt::ShiftModifier);
            QTest::keyClick(w->focusWidget(), Qt::Key_Return, Qt::ControlModifier);
            stayedOpen = w->isVisible();
            QTest::keyClick(w->focusWidget(), Qt::Key_Space); // presses the focused OK
        });
    QVERIFY(stayedOpen);
    QCOMPARE(result, int(MsgResult::Ok));
}

void TestMessageDialog::helpButtonDoesNotEndTheDialog()
{
    bool stayedOpen = false;
    const int result = showAndAct(
        [] {
            return ShowMessageDialog(u"x"_s, MsgKind::Information, MsgButton::OK | MsgButton::Help);
        },
        [&](QWidget *w) {
            QTest::mouseClick(modal::findButton(w, u"Aide"_s), Qt::LeftButton);
            stayedOpen = w->isVisible();
            QTest::mouseClick(modal::findButton(w, u"OK"_s), Qt::LeftButton);
        });
    QVERIFY(stayedOpen);
    QCOMPARE(result, int(MsgResult::Ok));
}

// The measured layout, recomputed here from the dialog's own font.
void TestMessageDialog::layout_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<MsgKind>("kind");
    QTest::addColumn<unsigned>("buttons");
    QTest::addColumn<int>("lines"); // expected text lines; 0: more than one

    QTest::newRow("short, icon") << u"Court"_s << MsgKind::Information << unsigned(MsgButton::OK)
                                 << 1;
    QTest::newRow("short, plain") << u"Court"_s << MsgKind::Plain << unsigned(MsgButton::OK) << 1;
    QTest::newRow("CR LF kept") << u"Ligne un\r\nLigne deux\r\nTrois"_s << MsgKind::Confirmation
                                << unsigned(MsgButton::OK | MsgButton::Cancel) << 3;
    QTest::newRow("tab expanded") << u"a\tb"_s << MsgKind::Warning
                                  << unsigned(MsgButton::Cancel | MsgButton::Retry) << 1;
    QTest::newRow("long text wraps")
        << QString(u"Le fichier CIS.TXT déposé a été chargé dans la base de données. "_s).repeated(12)
        << MsgKind::Information << unsigned(MsgButton::OK) << 0;
    QTest::newRow("long path wraps within the width")
        << u"Charger le fichier ?\r\n\r\n/home/"_s + QString(u"dossiersansespace"_s).repeated(12)
               + u"/CIS"_s + QString(200, u'n') + u".txt"_s
        << MsgKind::Confirmation << unsigned(MsgButton::OK | MsgButton::Cancel) << 0;
    QTest::newRow("wide row of buttons")
        << u"?"_s << MsgKind::Confirmation
        << unsigned(MsgButton::Yes | MsgButton::No | MsgButton::Cancel | MsgButton::All
                    | MsgButton::NoToAll | MsgButton::YesToAll)
        << 1;
}

void TestMessageDialog::layout()
{
    QFETCH(QString, text);
    QFETCH(MsgKind, kind);
    QFETCH(unsigned, buttons);
    QFETCH(int, lines);

    bool checked = false;
    showAndAct(
        [&] { return ShowMessageDialog(text, kind, MsgButtons::fromInt(buttons)); },
        [&](QWidget *w) {
            auto closeIt = qScopeGuard([w] { w->close(); });
            const QFontMetrics fm(w->font());
            const int cw = fm.horizontalAdvance(
                               u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"_s)
                           / 52;
            const int ch = fm.height();
            const int marginX = qRound(2.0 * cw), marginY = ch;
            const int iconGap = qRound(2.5 * cw), textGap = qRound(1.25 * ch);
            const int buttonH = qRound(1.75 * ch), buttonGap = cw;

            const auto row = buttonsInRow(w);
            int buttonW = qRound(12.5 * cw);
            for (QPushButton *b : row)
                buttonW = std::max(buttonW,
                                   fm.horizontalAdvance(QString(b->text()).remove(u'&')) + 8);

            auto *label = w->findChild<QLabel *>(u"MessageText"_s);
            QVERIFY(label);
            QCOMPARE(QString(label->text()).remove(QChar(0x200B)),
                     QString(text).replace(u"\r\n"_s, u"\n"_s));
            QCOMPARE(label->accessibleName(), text);
            const QRect t = label->geometry();
            const int screenHalf = QGuiApplication::primaryScreen()->geometry().width() / 2;
            QVERIFY(t.width() <= screenHalf);
            QVERIFY(t.width() > 0);
            // The block holds the whole text: at least as wide as its widest line
            // when that fits, and as many lines as the breaks ask for.
            if (lines > 0) {
                QCOMPARE(t.height(), fm.boundingRect(QRect(0, 0, screenHalf, 100000),
                                                     Qt::TextWordWrap | Qt::TextExpandTabs,
                                                     QString(text).replace(u"\r\n"_s, u"\n"_s))
                                         .height());
                QVERIFY(t.height() >= lines * ch);
                QVERIFY(t.height() < (lines + 1) * ch);
                if (text.contains(u'\t'))
                    QVERIFY(t.width() > fm.horizontalAdvance(u"a b"_s)); // expanded, not a space
            } else {
                QVERIFY(t.height() >= 3 * ch);
                QVERIFY(t.width() > screenHalf * 3 / 4);
            }

            auto *icon = w->findChild<QLabel *>(u"MessageIcon"_s);
            int blockW = t.width(), blockH = t.height();
            if (kind != MsgKind::Plain) {
                QVERIFY(icon);
                QCOMPARE(icon->geometry(), QRect(marginX, marginY, 32, 32));
                QVERIFY(!icon->pixmap().isNull());
                QCOMPARE(t.topLeft(), QPoint(marginX + 32 + iconGap, marginY));
                blockW += 32 + iconGap;
                blockH = std::max(blockH, 32);
            } else {
                QVERIFY(!icon);
                QCOMPARE(t.topLeft(), QPoint(marginX, marginY));
            }

            const int n = int(row.size());
            const int rowW = n * buttonW + (n - 1) * buttonGap;
            const QSize client(std::max(blockW, rowW) + 2 * marginX,
                               blockH + textGap + buttonH + 2 * marginY);
            QCOMPARE(w->size(), client);
            QCOMPARE(w->minimumSize(), client); // fixed frame: no sizing
            QCOMPARE(w->maximumSize(), client);

            int x = (client.width() - rowW) / 2;
            for (QPushButton *b : row) {
                QCOMPARE(b->geometry(), QRect(x, marginY + blockH + textGap, buttonW, buttonH));
                x += buttonW + buttonGap;
            }

            // Centred in the work area.
            const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
            QCOMPARE(w->pos(), QPoint(area.left() + (area.width() - client.width()) / 2,
                                      area.top() + (area.height() - client.height()) / 2));
            checked = true;
        });
    QVERIFY(checked);
}

// Ctrl+C: beep, the text block on the clipboard, and the dialog stays open.
void TestMessageDialog::copyText_data()
{
    QTest::addColumn<MsgKind>("kind");
    QTest::addColumn<unsigned>("buttons");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("warning, two buttons")
        << MsgKind::Warning << unsigned(MsgButton::Cancel | MsgButton::Retry)
        << u"La base de données CIS est vide"_s
        << kDivider + u"Avertissement\r\n"_s + kDivider + u"La base de données CIS est vide\r\n"_s
               + kDivider + u"Annuler   Réessayer   \r\n"_s + kDivider;
    QTest::newRow("single button, CR LF inside")
        << MsgKind::Information << unsigned(MsgButton::OK) << u"Un\r\nDeux"_s
        << kDivider + u"Informations\r\n"_s + kDivider + u"Un\r\nDeux\r\n"_s + kDivider
               + u"OK   \r\n"_s + kDivider;
    QTest::newRow("plain, ampersands removed")
        << MsgKind::Plain << unsigned(MsgButton::Yes | MsgButton::NoToAll | MsgButton::Close)
        << u"A & B"_s
        << kDivider + ProgramTitle() + u"\r\n"_s + kDivider + u"A & B\r\n"_s + kDivider
               + u"Oui   Non pour tout   Fermer   \r\n"_s + kDivider;
}

void TestMessageDialog::copyText()
{
    QFETCH(MsgKind, kind);
    QFETCH(unsigned, buttons);
    QFETCH(QString, text);
    QFETCH(QString, expected);

    QGuiApplication::clipboard()->setText(u"avant"_s);
    bool stayedOpen = false;
    QString afterShiftCopy;
    const int result = showAndAct(
        [&] { return ShowMessageDialog(text, kind, MsgButtons::fromInt(buttons)); },
        [&](QWidget *w) {
            // Ctrl+Shift+C is not the copy key.
            QTest::keyClick(w->focusWidget(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
            afterShiftCopy = QGuiApplication::clipboard()->text();
            QTest::keyClick(w->focusWidget(), Qt::Key_C, Qt::ControlModifier);
            stayedOpen = w->isVisible();
            w->close();
        });
    QVERIFY(stayedOpen);
    QCOMPARE(result, int(MsgResult::Cancel));
    QCOMPARE(afterShiftCopy, u"avant"_s);
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
}

void TestMessageDialog::plainMessage()
{
    QString title;
    bool hasIcon = true;
    QStringList shown;
    auto outcome = answerNext([&](QWidget *w) {
        title = w->windowTitle();
        hasIcon = w->findChild<QLabel *>(u"MessageIcon"_s) != nullptr;
        shown = captions(buttonsInRow(w));
        QTest::keyClick(w->focusWidget(), Qt::Key_Return);
    });
    ShowPlainMessage(u"Veuillez saisir un nom"_s);
    QVERIFY(outcome->seen);
    QCOMPARE(title, ProgramTitle());
    QVERIFY(!title.isEmpty());
    QVERIFY(!hasIcon);
    QCOMPARE(shown, QStringList{u"OK"_s});
}

void TestMessageDialog::errorBoxText_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");
    QTest::newRow("letter") << u"abc"_s << u"abc."_s;
    QTest::newRow("accented letter") << u"non trouvé"_s << u"non trouvé."_s;
    QTest::newRow("period") << u"abc."_s << u"abc."_s;
    QTest::newRow("colon") << u"x:"_s << u"x:."_s;
    QTest::newRow("question mark") << u"x?"_s << u"x?."_s;
    QTest::newRow("digit") << u"9"_s << u"9."_s;
    QTest::newRow("slash") << u"a/"_s << u"a/."_s;
    QTest::newRow("comma") << u"a,"_s << u"a,"_s;
    QTest::newRow("hyphen") << u"a-"_s << u"a-"_s;
    QTest::newRow("parenthesis") << u"(-1)"_s << u"(-1)"_s;
    QTest::newRow("exclamation") << u"a!"_s << u"a!"_s;
    QTest::newRow("double quote") << u"\"a\""_s << u"\"a\""_s;
    QTest::newRow("apostrophe") << u"'a'"_s << u"'a'"_s;
    QTest::newRow("space") << u"a "_s << u"a "_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestMessageDialog::errorBoxText()
{
    QFETCH(QString, message);
    QFETCH(QString, expected);
    QCOMPARE(ErrorBoxText(message), expected);
}

void TestMessageDialog::errorBox()
{
    QVERIFY(ApplyVisualStyle(kProgramStyleName));
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList shown;
    bool buttonIcon = true;
    bool desktopLook = false;
    auto outcome = answerNext([&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        for (QAbstractButton *b : box->buttons())
            shown << b->text();
        // Like the program's other dialogs: a caption, no picture on the button
        // (desktops that put one there show it under xcb, not offscreen).
        buttonIcon = !box->button(QMessageBox::Ok)->icon().isNull();
        desktopLook = box->style() == DesktopLookStyle()
                      && box->button(QMessageBox::Ok)->style() == DesktopLookStyle()
                      && !qobject_cast<AmethystKamriStyle *>(box->button(QMessageBox::Ok)->style());
        QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key_Return);
    });
    ShowErrorBox(u"Impossible d'écrire dans /x/Verdane.INI"_s);
    QVERIFY(outcome->seen);
    QCOMPARE(title, ProgramTitle());
    QCOMPARE(text, u"Impossible d'écrire dans /x/Verdane.INI."_s);
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(shown, QStringList{u"OK"_s});
    QVERIFY(!buttonIcon);
    QVERIFY(desktopLook);
}

QTEST_MAIN(TestMessageDialog)
#include "tst_message_dialog.moc"
