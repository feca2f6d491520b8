// The main window's keyboard: Escape, Enter, Alt+F, the menu shortcuts, the
// Tab cycle and the arrows on push buttons.
#include "window_fixture.h"

#include "ui/style/visual_style.h"

#include <QAbstractScrollArea>
#include <QDir>
#include <QStyle>
#include <QToolTip>

using fixture::Window;

namespace {

void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QWidget *target = QApplication::focusWidget();
    QVERIFY(target);
    QTest::keyClick(target, key, mods);
}

void focus(Window &f, const QString &name)
{
    auto *w = f.w->findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name));
    w->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(f.focusName(), name);
}

} // namespace

class TestKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void escapeClearsTheWindow_data();
    void escapeClearsTheWindow();
    void escapeClearsInOrder();
    void escapeRightAfterStartUp();
    void escapeOnAnEmptySearchBoxCloses();
    void escapeWithUnwritableSettingsClearsNothing();
    void enter_data();
    void enter();
    void altFRunsTheCloseStep_data();
    void altFRunsTheCloseStep();
    void ctrlQQuitsWithoutSaving();
    void menuBarByKeyboard_data();
    void menuBarByKeyboard();
    void tabCycle_data();
    void tabCycle();
    void arrowsOnPushButtons();
    void hints_data();
    void hints();
};

void TestKeyboard::escapeClearsTheWindow_data()
{
    QTest::addColumn<QString>("from");
    QTest::newRow("search box") << u"Edit1"_s;
    QTest::newRow("a record box") << u"Edit_NOM"_s;
    QTest::newRow("the result list") << u"JvCheckListBox1"_s;
    QTest::newRow("a push button") << u"btn_copy"_s;
}

void TestKeyboard::escapeClearsTheWindow()
{
    QFETCH(QString, from);
    Window f;
    QVERIFY(f.open());
    f.search(u"DOLIPRANE"_s);
    QVERIFY(f.w->img_YES->isVisible());
    const QString caption = f.w->windowTitle();
    const QStringList panels = {f.panel(0), f.panel(1), f.panel(2), f.panel(3)};
    focus(f, from);

    press(Qt::Key_Escape);
    QCOMPARE(f.quitRequests, 0);
    QCOMPARE(f.w->Edit1->text(), QString());
    QCOMPARE(f.w->JvCheckListBox1->count(), 0);
    QCOMPARE(f.boxTexts(), QStringList(8, QString()));
    QVERIFY(!f.w->btn_Extrait->isEnabled());
    QVERIFY(!f.w->btn_VIDAL->isEnabled());
    QVERIFY(!f.w->img_YES->isVisible());
    QVERIFY(!f.w->img_NO->isVisible());
    QVERIFY(f.w->JvLED_COMM->status());
    QVERIFY(!f.w->JvLED_AUT->status());
    QCOMPARE(f.w->windowTitle(), caption);
    QCOMPARE((QStringList{f.panel(0), f.panel(1), f.panel(2), f.panel(3)}), panels);
    QCOMPARE(f.w->CisLines->count(), 7);
    QCOMPARE(f.focusName(), u"Edit1"_s);
}

void TestKeyboard::escapeClearsInOrder()
{
    Window f;
    QVERIFY(f.open());
    f.search(u"ARROW 500"_s); // a product not marketed: the red cross shown
    QVERIFY(f.w->img_YES->isHidden());
    QVERIFY(!f.w->img_NO->isHidden());
    fixture::ChangeLog log(f.w.get());
    // The pictures are hidden last, after the emptied marketing box's
    // reaction has shown the green sign.
    bool pictureShownByReaction = false;
    QObject::connect(f.w->EDIT_commecialise, &QLineEdit::textChanged, f.w.get(),
                     [&] { pictureShownByReaction = !f.w->img_YES->isHidden(); });
    press(Qt::Key_Escape);
    QCOMPARE(log.changes,
             (QStringList{u"Edit1"_s, u"JvCheckListBox1"_s, u"Edit_CIP"_s, u"Edit_NOM"_s,
                          u"EDIT_VOIE"_s, u"EDIT_commecialise"_s, u"edit_AUTORISATION"_s,
                          u"edit_PROCEDURE"_s, u"edit_FORME"_s, u"edit_NUM"_s}));
    QVERIFY(pictureShownByReaction);
    QVERIFY(f.w->img_YES->isHidden());
    QVERIFY(f.w->img_NO->isHidden());
}

void TestKeyboard::escapeRightAfterStartUp()
{
    Window f;
    QVERIFY(f.open());
    QCOMPARE(f.focusName(), u"Edit1"_s);
    QTest::keyClicks(f.w->Edit1, u"ABC"_s);
    press(Qt::Key_Escape);
    QCOMPARE(f.quitRequests, 0);
    QCOMPARE(f.w->Edit1->text(), QString());
    // No record box ever held text: no reaction ran.
    QVERIFY(f.w->JvLED_AUT->status());
    QVERIFY(f.w->JvLED_COMM->status());
    QVERIFY(!f.w->img_YES->isVisible());
    QVERIFY(!f.w->img_NO->isVisible());
    QVERIFY(!QFile::exists(f.iniPath()));
}

void TestKeyboard::escapeOnAnEmptySearchBoxCloses()
{
    Window f;
    QVERIFY(f.open());
    f.search(u"DOLIPRANE"_s);
    f.w->Edit1->clear();
    focus(f, u"edit_FORME"_s);
    press(Qt::Key_Escape);
    QCOMPARE(f.quitRequests, 1);
    QCOMPARE(IniReadString(u"ANSM"_s, u"CIS.TXT"_s, QString(), f.iniPath()), f.cisPath());
    // The clearing follows the close step.
    QCOMPARE(f.w->JvCheckListBox1->count(), 0);
    QCOMPARE(f.w->Edit_CIP->text(), QString());
}

void TestKeyboard::escapeWithUnwritableSettingsClearsNothing()
{
    Window f;
    QVERIFY(f.open());
    QVERIFY(QDir().mkdir(f.iniPath())); // a folder where the settings file goes
    f.search(u"DOLIPRANE"_s);
    f.w->Edit1->clear();
    const QStringList boxes = f.boxTexts();

    fixture::DialogScript dialogs({u"OK"_s, u"OK"_s});
    dialogs.arm(1000);
    focus(f, u"JvCheckListBox1"_s);
    press(Qt::Key_Escape);
    QTest::qWait(1100);
    QCOMPARE(dialogs.texts.size(), 1); // one error box, not one per parent the key reaches
    QVERIFY2(dialogs.texts[0].contains(u"Impossible d'écrire"_s), qPrintable(dialogs.texts[0]));
    QCOMPARE(f.quitRequests, 0);
    QCOMPARE(f.w->JvCheckListBox1->count(), 1);
    QCOMPARE(f.boxTexts(), boxes);
    QVERIFY(f.w->btn_Extrait->isEnabled());
    QVERIFY(f.w->img_YES->isVisible());
}

void TestKeyboard::enter_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("mods");
    QTest::addColumn<QString>("effect"); // search, close, extract or none

    QTest::newRow("search box") << u"Edit1"_s << Qt::Key_Return << Qt::KeyboardModifiers()
                                << u"search"_s;
    QTest::newRow("keypad Enter") << u"Edit1"_s << Qt::Key_Enter
                                  << Qt::KeyboardModifiers(Qt::KeypadModifier) << u"search"_s;
    QTest::newRow("record box") << u"EDIT_VOIE"_s << Qt::Key_Return << Qt::KeyboardModifiers()
                                << u"search"_s;
    QTest::newRow("result list") << u"JvCheckListBox1"_s << Qt::Key_Return
                                 << Qt::KeyboardModifiers() << u"search"_s;
    QTest::newRow("on btn_close") << u"btn_close"_s << Qt::Key_Return << Qt::KeyboardModifiers()
                                  << u"close"_s;
    QTest::newRow("on btn_Extrait")
        << u"btn_Extrait"_s << Qt::Key_Return << Qt::KeyboardModifiers() << u"extract"_s;
    QTest::newRow("Shift+Enter") << u"Edit1"_s << Qt::Key_Return
                                 << Qt::KeyboardModifiers(Qt::ShiftModifier) << u"none"_s;
    QTest::newRow("Ctrl+Enter") << u"Edit1"_s << Qt::Key_Return
                                << Qt::KeyboardModifiers(Qt::ControlModifier) << u"none"_s;
    QTest::newRow("Alt+Enter on a button")
        << u"btn_close"_s << Qt::Key_Return << Qt::KeyboardModifiers(Qt::AltModifier) << u"none"_s;
}

void TestKeyboard::enter()
{
    QFETCH(QString, from);
    QFETCH(Qt::Key, key);
    QFETCH(Qt::KeyboardModifiers, mods);
    QFETCH(QString, effect);
    Window f;
    QVERIFY(f.open());
    f.search(u"DOLIPRANE"_s);
    f.w->Edit1->setText(u"PARACETAMOL"_s);
    focus(f, from);
    QTest::keyClick(f.w->findChild<QWidget *>(from), key, mods);

    const bool searched = f.panel(2) == u"2 occurence(s) pour \"PARACETAMOL\""_s;
    QCOMPARE(searched, effect == u"search"_s);
    QCOMPARE(f.quitRequests, effect == u"close"_s ? 1 : 0);
    QCOMPARE(f.urls.size(), effect == u"extract"_s ? 1 : 0);
    if (effect == u"none"_s)
        QCOMPARE(f.w->JvCheckListBox1->count(), 1);
}

void TestKeyboard::altFRunsTheCloseStep_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<Qt::KeyboardModifiers>("mods");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Alt+F in the search box")
        << u"Edit1"_s << Qt::KeyboardModifiers(Qt::AltModifier) << true;
    QTest::newRow("Alt+F in the list")
        << u"JvCheckListBox1"_s << Qt::KeyboardModifiers(Qt::AltModifier) << true;
    QTest::newRow("F on a focused button") << u"btn_SEARCH"_s << Qt::KeyboardModifiers() << true;
    QTest::newRow("F typed in a box") << u"Edit_NOM"_s << Qt::KeyboardModifiers() << false;
}

void TestKeyboard::altFRunsTheCloseStep()
{
    QFETCH(QString, from);
    QFETCH(Qt::KeyboardModifiers, mods);
    QFETCH(bool, closes);
    Window f;
    QVERIFY(f.open());
    focus(f, from);
    press(Qt::Key_F, mods);
    QTest::qWait(200); // a mnemonic's delayed click would land by now
    QCOMPARE(f.quitRequests, closes ? 1 : 0);
    QCOMPARE(QFile::exists(f.iniPath()), closes);
    QVERIFY(!f.w->Fihcier1->isVisible());
    if (!closes)
        QCOMPARE(f.w->Edit_NOM->text(), u"f"_s);
}

void TestKeyboard::ctrlQQuitsWithoutSaving()
{
    Window f;
    QVERIFY(f.open());
    f.search(u"DOLIPRANE"_s);
    focus(f, u"Edit_CIP"_s);
    press(Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(f.quitRequests, 1);
    QVERIFY(!QFile::exists(f.iniPath()));
    QCOMPARE(f.w->Edit_CIP->text(), u"60003620"_s);
}

void TestKeyboard::menuBarByKeyboard_data()
{
    QTest::addColumn<bool>("f10");    // else Alt pressed and released alone
    QTest::addColumn<Qt::Key>("key"); // then pressed in the menu bar
    QTest::newRow("F10, Enter") << true << Qt::Key_Return;
    QTest::newRow("Alt, Enter") << false << Qt::Key_Return;
    QTest::newRow("Alt, Down") << false << Qt::Key_Down;
    QTest::newRow("Alt, Escape") << false << Qt::Key_Escape;
}

void TestKeyboard::menuBarByKeyboard()
{
    QFETCH(bool, f10);
    QFETCH(Qt::Key, key);
    Window f;
    QVERIFY(f.open());
    f.search(u"DOLIPRANE"_s);
    f.w->Edit1->setText(u"PARACETAMOL"_s);
    focus(f, u"Edit1"_s);
    if (f10) {
        press(Qt::Key_F10);
    } else {
        QTest::keyPress(f.w->Edit1, Qt::Key_Alt);
        QTest::keyRelease(f.w->Edit1, Qt::Key_Alt);
        QCOMPARE(f.focusName(), u"MainMenu1"_s);
        press(key);
    }
    // The keys go to the menu bar: no search, no clearing.
    QCOMPARE(f.w->Edit_CIP->text(), u"60003620"_s);
    QCOMPARE(f.w->JvCheckListBox1->count(), 1);
    if (key == Qt::Key_Escape) {
        QVERIFY(!f.w->Fihcier1->isVisible());
        QCOMPARE(f.w->Edit1->text(), u"PARACETAMOL"_s);
        return;
    }
    // The first menu opens; its items are reached with the keys.
    QTRY_VERIFY(f.w->Fihcier1->isVisible());
    QCOMPARE(f.w->Fihcier1->activeAction(), f.w->PAgedetlchragemntdelANSM1);
    QTest::keyClick(f.w->Fihcier1, Qt::Key_Return);
    QTRY_COMPARE(f.urls.size(), 1);
    QCOMPARE(f.urls[0].path(), u"/php/ecodex/telecharger/telecharger.php"_s);
}

void TestKeyboard::tabCycle_data()
{
    QTest::addColumn<bool>("withRecord");
    QTest::addColumn<QStringList>("cycle");
    const QStringList full = {u"Edit1"_s,           u"btn_SEARCH"_s,        u"btn_close"_s,
                              u"JvCheckListBox1"_s, u"Edit_NOM"_s,          u"edit_FORME"_s,
                              u"EDIT_VOIE"_s,       u"Edit_CIP"_s,          u"edit_NUM"_s,
                              u"edit_PROCEDURE"_s,  u"edit_AUTORISATION"_s, u"EDIT_commecialise"_s,
                              u"btn_copy"_s,        u"btn_Extrait"_s,       u"btn_VIDAL"_s};
    QStringList noWeb = full;
    noWeb.removeAll(u"btn_Extrait"_s);
    noWeb.removeAll(u"btn_VIDAL"_s);
    QTest::newRow("with a product shown") << true << full;
    QTest::newRow("disabled web buttons skipped") << false << noWeb;
}

void TestKeyboard::tabCycle()
{
    QFETCH(bool, withRecord);
    QFETCH(QStringList, cycle);
    Window f;
    QVERIFY(f.open());
    if (withRecord)
        f.search(u"DOLIPRANE"_s);
    focus(f, u"Edit1"_s);

    QStringList seen{f.focusName()};
    for (int i = 0; i < cycle.size(); ++i) {
        press(Qt::Key_Tab);
        seen << f.focusName();
        // The button Enter would press is the one drawn as default.
        auto *focusedButton = qobject_cast<QPushButton *>(QApplication::focusWidget());
        for (QPushButton *b : f.w->findChildren<QPushButton *>())
            QCOMPARE(b->isDefault(), focusedButton ? b == focusedButton : b == f.w->btn_SEARCH);
    }
    QCOMPARE(seen, cycle + QStringList{cycle.first()});

    QStringList back{f.focusName()};
    for (int i = 0; i < cycle.size(); ++i) {
        press(Qt::Key_Backtab, Qt::ShiftModifier);
        back << f.focusName();
    }
    QStringList reversed(cycle.rbegin(), cycle.rend());
    QCOMPARE(back, QStringList{cycle.first()} + reversed);
}

void TestKeyboard::arrowsOnPushButtons()
{
    Window f;
    QVERIFY(f.open());
    f.search(u"DOLIPRANE"_s);
    const struct
    {
        const char *from;
        Qt::Key key;
        const char *to;
    } moves[] = {
        {"btn_SEARCH", Qt::Key_Right, "btn_close"},
        {"btn_close", Qt::Key_Down, "Edit1"}, // wraps round within the group
        {"btn_SEARCH", Qt::Key_Left, "Edit1"},
        {"btn_SEARCH", Qt::Key_Up, "Edit1"},
        {"btn_Extrait", Qt::Key_Right, "btn_VIDAL"},
        {"btn_VIDAL", Qt::Key_Right, "btn_Extrait"},
        // The copy button shares its panel with the record boxes.
        {"btn_copy", Qt::Key_Right, "Edit_NOM"},
        {"btn_copy", Qt::Key_Up, "EDIT_commecialise"},
    };
    for (const auto &m : moves) {
        focus(f, QString::fromLatin1(m.from));
        press(m.key);
        QCOMPARE(f.focusName(), QString::fromLatin1(m.to));
    }
    // In a box the arrows move the caret, not the focus.
    focus(f, u"Edit_NOM"_s);
    press(Qt::Key_Right);
    QCOMPARE(f.focusName(), u"Edit_NOM"_s);
}

void TestKeyboard::hints_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("hint"); // empty: none shows
    const QString search = u"Entrez tout ou partie d''un nom de médicament sans accent"_s;
    QTest::newRow("copy button") << u"btn_copy"_s << u"Copier"_s;
    QTest::newRow("result list") << u"JvCheckListBox1"_s << u"[ X Coché = Commercialisé ]"_s;
    QTest::newRow("search box") << u"Edit1"_s << search;
    QTest::newRow("close button") << u"btn_close"_s << search;
    QTest::newRow("name box") << u"Edit_NOM"_s << QString();
}

void TestKeyboard::hints()
{
    QFETCH(QString, control);
    QFETCH(QString, hint);
    // The program's own style gives the 500 ms delay.
    QVERIFY(ApplyVisualStyle(kProgramStyleName));
    Window f;
    QVERIFY(f.open());
    auto *target = f.w->findChild<QWidget *>(control);
    QVERIFY(target);
    if (auto *area = qobject_cast<QAbstractScrollArea *>(target))
        target = area->viewport();
    QCOMPARE(target->style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, target), 500);
    QToolTip::hideText();
    QTest::mouseMove(target, target->rect().center());
    if (hint.isEmpty()) {
        QTest::qWait(1000);
        QVERIFY(!QToolTip::isVisible());
        return;
    }
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), hint);
    QToolTip::hideText();
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
