// The name search, the record view and the result list, driven through the
// real window with keys and mouse clicks.
#include "test_files.h"
#include "window_fixture.h"

#include "core/text_logic.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleOptionViewItem>

using fixture::Window;

namespace {

// Records the show and hide events a widget receives.
class ShowHideLog : public QObject
{
public:
    QList<QEvent::Type> events;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Show || e->type() == QEvent::Hide)
            events << e->type();
        return false;
    }
};

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    void emptyStore_data();
    void emptyStore();
    void emptyQueryKeepsResults();
    void search_data();
    void search();
    void noMatchKeepsTheRecord();
    void singleLineStore();
    void twoSearchesInARow();
    void recordView_data();
    void recordView();
    void recordViewWritesInBoxOrder();
    void sameTextTwiceRunsNoReaction();
    void listNavigation();
    void otherButtonsLeaveTheRow_data();
    void otherButtonsLeaveTheRow();
    void firstSelectionChangeAfterMarking_data();
    void firstSelectionChangeAfterMarking();
    void highlightReadsAsSelectedToScreenReaders();
    void typeToFind();
    void emptyListKeysShowNoError();
    void scrollWidthFollowsTheWidestRow();
    void itemTextOutOfRange();
    void wholeFile_data();
    void wholeFile();
};

void TestSearch::emptyStore_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("downloads");
    QTest::newRow("Retry") << u"Réessayer"_s << true;
    QTest::newRow("Enter takes the default, Retry") << u"<Return>"_s << true;
    QTest::newRow("Cancel") << u"Annuler"_s << false;
    QTest::newRow("Escape") << QString() << false;
}

void TestSearch::emptyStore()
{
    QFETCH(QString, answer);
    QFETCH(bool, downloads);
    Window f;
    QVERIFY(f.open({}, false)); // no file at all
    QCOMPARE(f.w->CisLines->count(), 0);
    const QStringList panels = {f.panel(0), f.panel(1), f.panel(2), f.panel(3)};
    QTest::keyClicks(f.w->Edit1, u"DOLIPRANE"_s);

    fixture::DialogScript dialogs({answer});
    dialogs.arm();
    QTest::mouseClick(f.w->btn_SEARCH, Qt::LeftButton);
    QVERIFY(dialogs.done());
    QCOMPARE(dialogs.texts.size(), 1);
    QCOMPARE(dialogs.titles, QStringList{u"Avertissement"_s});
    QVERIFY2(
        dialogs.texts[0].contains(fixture::uniformBreaks(
            u"BASE MEDICAMENTEUSE MANQUANTE !\r\n\r\nCliquer sur \"Réessayer\" pour télécharger le fichier CIS\r\n\r\n"
            u"Une fois téléchargé\r\nDéposer le fichier \"CIS.TXT\" sur le  programme pour l'intégrer\r\nEt relancer la recherche"_s)),
        qPrintable(dialogs.texts[0]));

    if (downloads) {
        QCOMPARE(f.urls.size(), 1);
        QCOMPARE(f.urls[0].toString(),
                 u"http://agence-prd.ansm.sante.fr/php/ecodex/telecharger/lirecis.php"_s);
    } else {
        QVERIFY(f.urls.isEmpty());
    }
    QCOMPARE((QStringList{f.panel(0), f.panel(1), f.panel(2), f.panel(3)}), panels);
    QVERIFY(f.w->Gauge1->isHidden());
    QCOMPARE(f.w->JvCheckListBox1->count(), 0);
    QCOMPARE(f.w->Edit1->text(), u"DOLIPRANE"_s);
}

void TestSearch::emptyQueryKeepsResults()
{
    Window f;
    QVERIFY(f.open());
    f.search(u"PARACETAMOL"_s);
    QCOMPARE(f.w->JvCheckListBox1->count(), 2);
    const QString summary = f.panel(2);

    f.w->Edit1->clear();
    f.w->btn_SEARCH->setFocus();
    fixture::DialogScript dialogs({u"OK"_s});
    dialogs.arm();
    QTest::keyClick(f.w->btn_SEARCH, Qt::Key_Space);
    QVERIFY(dialogs.done());
    QVERIFY(
        dialogs.texts[0].contains(u"Entrez tout ou partie d'un nom de médicament sans accent"_s));
    // Without a window manager nothing gives the window back its activation
    // once the dialog is gone: do what the desktop would.
    f.w->activateWindow();
    QTRY_COMPARE(f.focusName(), u"Edit1"_s);
    QCOMPARE(f.listedCodes(), (QStringList{u"61234567"_s, u"62000001"_s}));
    QCOMPARE(f.panel(2), summary);
    QVERIFY(f.w->Gauge1->isHidden());
}

void TestSearch::search_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("codes");       // listed, in store order
    QTest::addColumn<QStringList>("highlighted"); // unchecked and highlighted
    QTest::addColumn<QString>("query");           // as the search box holds it

    const QStringList all = {u"60002283"_s, u"60003620"_s, u"61234567"_s, u"62000001"_s,
                             u"63000002"_s, u"64000003"_s, u"65000004"_s};
    QTest::newRow("two matches, one not marketed")
        << u"PARACETAMOL"_s << QStringList{u"61234567"_s, u"62000001"_s}
        << QStringList{u"61234567"_s} << u"PARACETAMOL"_s;
    QTest::newRow("one space lists every line with a space")
        << u" "_s << all << QStringList{u"61234567"_s, u"65000004"_s} << u" "_s;
    QTest::newRow("small letters typed, line in capitals")
        << u"doliprane"_s << QStringList{u"60003620"_s} << QStringList{} << u"DOLIPRANE"_s;
    QTest::newRow("small letters in the line")
        << u"EFFERVESCENT"_s << QStringList{u"62000001"_s} << QStringList{} << u"EFFERVESCENT"_s;
    QTest::newRow("no accent does not match an accent")
        << u"COMPRIME"_s << QStringList{u"62000001"_s} << QStringList{} << u"COMPRIME"_s;
    QTest::newRow("accent typed in small letter")
        << u"comprimé"_s << QStringList{u"60002283"_s, u"60003620"_s, u"63000002"_s}
        << QStringList{} << u"COMPRIMÉ"_s;
    QTest::newRow("a CIS code") << u"60003620"_s << QStringList{u"60003620"_s} << QStringList{}
                                << u"60003620"_s;
    QTest::newRow("one match") << u"ARROW 600"_s << QStringList{u"63000002"_s} << QStringList{}
                               << u"ARROW 600"_s;
    QTest::newRow("a ; matches the line's own, never a tab")
        << u";"_s << QStringList{u"64000003"_s} << QStringList{} << u";"_s;
    QTest::newRow("inner and trailing spaces are part of the query")
        << u"GEL  "_s << QStringList{} << QStringList{} << u"GEL  "_s;
}

void TestSearch::search()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, codes);
    QFETCH(QStringList, highlighted);
    QFETCH(QString, query);
    Window f;
    QVERIFY(f.open());
    f.search(typed);
    QCOMPARE(f.w->Edit1->text(), query);

    ResultListView *list = f.w->JvCheckListBox1;
    QCOMPARE(f.listedCodes(), codes);
    for (int r = 0; r < list->count(); ++r) {
        const bool hi = highlighted.contains(f.listedCodes().at(r));
        QCOMPARE(list->checked(r), !hi);
        QCOMPARE(list->selected(r), hi);
        QVERIFY(!list->itemText(r).contains(u'\t'));
    }
    QCOMPARE(f.panel(0), u"7"_s);
    QCOMPARE(f.panel(1), u"0"_s);
    QVERIFY(f.w->Gauge1->isHidden());
    if (codes.isEmpty()) {
        QCOMPARE(f.panel(2), u"0"_s);
        QCOMPARE(list->itemIndex(), -1);
        QCOMPARE(f.w->Edit_CIP->text(), QString());
        return;
    }
    QCOMPARE(f.panel(2), u"%1 occurence(s) pour \"%2\""_s.arg(codes.size()).arg(query));
    QCOMPARE(list->itemIndex(), 0);
    QApplication::processEvents();
    QCOMPARE(list->visualRect(list->resultModel()->index(0)).top(), 0);
    QCOMPARE(f.w->Edit_CIP->text(), codes.first());
    QCOMPARE(f.w->windowTitle(), f.w->Edit_NOM->text());
}

void TestSearch::noMatchKeepsTheRecord()
{
    Window f;
    QVERIFY(f.open());
    f.search(u"DOLIPRANE"_s);
    const QStringList boxes = f.boxTexts();
    const QString caption = f.w->windowTitle();
    QCOMPARE(boxes.at(1), u"DOLIPRANE 1000 mg, comprimé"_s);

    f.search(u"ZZZ"_s);
    QCOMPARE(f.w->JvCheckListBox1->count(), 0);
    QCOMPARE(f.panel(0), u"7"_s);
    QCOMPARE(f.panel(1), u"0"_s);
    QCOMPARE(f.panel(2), u"0"_s);
    QVERIFY(f.w->Gauge1->isHidden());
    QCOMPARE(f.boxTexts(), boxes);
    QCOMPARE(f.w->windowTitle(), caption);
    QVERIFY(f.w->btn_Extrait->isEnabled());
}

void TestSearch::singleLineStore()
{
    Window f;
    QVERIFY(f.open({fixture::commonLines().at(1)}));
    ShowHideLog gauge;
    f.w->Gauge1->installEventFilter(&gauge);
    f.search(u"DOLI"_s);
    QCOMPARE(gauge.events, (QList<QEvent::Type>{QEvent::Show, QEvent::Hide}));
    QCOMPARE(f.w->Gauge1->minValue(), 0);
    QCOMPARE(f.w->Gauge1->maxValue(), 0);
    QCOMPARE(f.w->Gauge1->percent(), 0);
    QVERIFY(f.w->Gauge1->isHidden());
    QCOMPARE(f.listedCodes(), QStringList{u"60003620"_s});
    QCOMPARE(f.panel(0), u"1"_s);
    QCOMPARE(f.panel(2), u"1 occurence(s) pour \"DOLI\""_s);
}

void TestSearch::twoSearchesInARow()
{
    Window f;
    QVERIFY(f.open());
    f.search(u" "_s);
    QCOMPARE(f.w->JvCheckListBox1->count(), 7);
    f.clickRow(3);
    f.search(u"ARROW"_s);
    QCOMPARE(f.listedCodes(), (QStringList{u"61234567"_s, u"63000002"_s}));
    ResultListView *list = f.w->JvCheckListBox1;
    // Marks and highlight are set afresh, nothing left of the first list.
    QCOMPARE(list->selectionModel()->selectedIndexes().size(), 1);
    QVERIFY(list->selected(0));
    QVERIFY(!list->checked(0));
    QVERIFY(list->checked(1));
    QCOMPARE(list->itemIndex(), 0);
    QCOMPARE(f.w->Edit_CIP->text(), u"61234567"_s);
    QCOMPARE(f.panel(2), u"2 occurence(s) pour \"ARROW\""_s);
}

void TestSearch::recordView_data()
{
    // Each case: the window shows a first product (row 0), then the row under
    // test (row 1) is clicked.
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("autLit");
    QTest::addColumn<bool>("commLit");
    QTest::addColumn<bool>("picture"); // one of the two pictures is shown

    const QString tail = u"\tx\ty\tz\tw"_s;
    // A line whose fields hold no ";" and no leading quote shows its first
    // eight fields as they stand.
    auto plainRow = [&](const char *name, const QString &line, bool autLit, bool commLit) {
        QTest::newRow(name) << line << line.split(u'\t').mid(0, 8) << autLit << commLit << true;
    };
    plainRow("nine fields fill the eight boxes",
             u"MARK1\tNOM A\tforme\tvoie\tAutorisation active\tproc\tCommercialisée\tref\tneuf"_s,
             true, true);
    // A damaged line (a download cut short) shows what it holds, never the
    // product shown before; without a marketing field no picture claims a
    // state.
    plainRow("eight fields show themselves",
             u"MARK2\tNOM B\tforme\tvoie\tAutorisation abrogée\tproc\tNon commercialisée\tref"_s,
             false, false);
    QTest::newRow("six fields: the missing boxes empty, no picture")
        << u"MARKA\tNOM C\tforme\tvoie\tAutorisation active\tproc"_s
        << QStringList{u"MARKA"_s, u"NOM C"_s, u"forme"_s, u"voie"_s, u"Autorisation active"_s,
                       u"proc"_s,  QString(),  QString()}
        << true << true << false;
    QTest::newRow("a quoted field keeps its ;")
        << u"MARK3\t\"A;B\"\tforme\tvoie\tAutorisation active\tproc\tCommercialisée\tref"_s + tail
        << QStringList{u"MARK3"_s,
                       u"A;B"_s,
                       u"forme"_s,
                       u"voie"_s,
                       u"Autorisation active"_s,
                       u"proc"_s,
                       u"Commercialisée"_s,
                       u"ref"_s}
        << true << true << true;
    // A ";" inside a field stays in its box: the later fields keep theirs, so
    // a product that is not marketed never lights the marketed lamp.
    plainRow(
        "a ; in the name stays in the name box",
        u"MARK4\tSIROP;ENFANT\tsirop\torale\tAutorisation active\tproc\tNon commercialisée\tref"_s
            + tail,
        true, false);
    plainRow(
        "several routes stay in the route box",
        u"MARK9\tN\tcomprimé\tcutanée;orale;sublinguale\tAutorisation active\tEnreg homéo\tNon commercialisée\t20"_s
            + tail,
        true, false);
    plainRow("empty fields empty the boxes and the caption", u"MARK5\t\t\t\t\t\t\t"_s + tail, false,
             true);
    plainRow("the words inside a longer text",
             u"MARK6\tN\tf\tv\tAutorisation active (suspendue)\tp\tÉtat : Non commercialisée\tr"_s
                 + tail,
             true, false);
    plainRow("other casings do not count",
             u"MARK7\tN\tf\tv\tautorisation active\tp\tNON COMMERCIALISÉE\tr"_s + tail, false, true);
    plainRow("blanks only in the CIS box",
             u"   \tN\tf\tv\tAutorisation active\tp\tNon commercialisée\tr MARK8"_s + tail, true,
             false);
}

void TestSearch::recordView()
{
    QFETCH(QString, line);
    QFETCH(QStringList, boxes);
    QFETCH(bool, autLit);
    QFETCH(bool, commLit);
    QFETCH(bool, picture);
    const QString first =
        u"MARK0\tPREMIER\tforme0\tvoie0\tAutorisation active\tproc0\tNon commercialisée\tref0\t\t\t\t"_s;
    Window f;
    QVERIFY(f.open({first, line}));
    f.search(u"MARK"_s);
    QCOMPARE(f.w->JvCheckListBox1->count(), 2);
    const QStringList before = f.boxTexts();
    QCOMPARE(before.at(0), u"MARK0"_s);
    QCOMPARE(f.w->windowTitle(), u"PREMIER"_s);
    QVERIFY(f.w->JvLED_AUT->status());
    QVERIFY(!f.w->JvLED_COMM->status());
    QVERIFY(f.w->img_NO->isVisible());

    f.clickRow(1);
    QCOMPARE(f.w->JvCheckListBox1->itemIndex(), 1);
    QCOMPARE(f.boxTexts(), boxes);
    // Shown from its beginning, nothing selected.
    QCOMPARE(f.w->Edit_NOM->cursorPosition(), 0);
    QVERIFY(!f.w->Edit_NOM->hasSelectedText());
    QCOMPARE(f.w->windowTitle(), boxes.at(1));
    QCOMPARE(f.w->JvLED_AUT->status(), autLit);
    QCOMPARE(f.w->JvLED_COMM->status(), commLit);
    QCOMPARE(f.w->img_YES->isVisible(), picture && commLit);
    QCOMPARE(f.w->img_NO->isVisible(), picture && !commLit);
    QCOMPARE(f.w->btn_Extrait->isEnabled(), !boxes.at(0).isEmpty());
    QCOMPARE(f.w->btn_VIDAL->isEnabled(), !boxes.at(0).isEmpty());
}

void TestSearch::recordViewWritesInBoxOrder()
{
    Window f;
    QVERIFY(f.open());
    f.search(u"PARACETAMOL"_s);
    QCOMPARE(f.w->Edit_CIP->text(), u"61234567"_s);
    fixture::ChangeLog log(f.w.get());

    // The next product shares its route and procedure: those two boxes do
    // not change; the others change in field order, the reactions with them.
    f.clickRow(1);
    QCOMPARE(log.changes,
             (QStringList{u"Edit_CIP"_s, u"Edit_NOM"_s, u"edit_FORME"_s, u"edit_AUTORISATION"_s,
                          u"EDIT_commecialise"_s, u"edit_NUM"_s}));
    QVERIFY(f.w->JvLED_AUT->status());
    QVERIFY(f.w->JvLED_COMM->status());

    // Shown again: nothing changes at all.
    log.changes.clear();
    f.clickRow(1);
    QCOMPARE(log.changes, QStringList());
}

void TestSearch::sameTextTwiceRunsNoReaction()
{
    // The lamps follow changes, not texts: with the lamps set by hand between
    // two products, only a box whose text changed sets its lamp again.
    const QString tail = u"\tref\t\t\t\t"_s;
    Window f;
    QVERIFY(f.open({u"1\tA\tf\tv\tAutorisation active\tp\tCommercialisée"_s + tail,
                    u"2\tB\tf\tv\tAutorisation active\tp\tNon commercialisée"_s + tail}));
    f.search(u"A"_s); // both rows hold an A
    QCOMPARE(f.w->JvCheckListBox1->count(), 2);
    QVERIFY(f.w->JvLED_AUT->status());
    f.w->JvLED_AUT->setStatus(false);
    f.w->JvLED_COMM->setStatus(true);

    f.clickRow(1);
    QCOMPARE(f.w->Edit_NOM->text(), u"B"_s);
    QVERIFY(!f.w->JvLED_AUT->status());  // same authorisation: no reaction
    QVERIFY(!f.w->JvLED_COMM->status()); // marketing changed: reaction ran

    // Typing into a box runs its reaction as well.
    f.w->edit_AUTORISATION->setFocus();
    QTest::keyClick(f.w->edit_AUTORISATION, Qt::Key_End);
    QTest::keyClicks(f.w->edit_AUTORISATION, u" !"_s);
    QVERIFY(f.w->JvLED_AUT->status());
    f.w->Edit_CIP->setFocus();
    f.w->Edit_CIP->selectAll();
    QTest::keyClick(f.w->Edit_CIP, Qt::Key_Delete);
    QVERIFY(!f.w->btn_Extrait->isEnabled());
    QVERIFY(!f.w->btn_VIDAL->isEnabled());
}

void TestSearch::otherButtonsLeaveTheRow_data()
{
    QTest::addColumn<int>("button");
    QTest::newRow("right button") << int(Qt::RightButton);
    QTest::newRow("middle button") << int(Qt::MiddleButton);
}

// Only the left button picks a row: another one moving the current row and
// the highlight would leave the record view on the product shown before.
void TestSearch::otherButtonsLeaveTheRow()
{
    QFETCH(int, button);
    Window f;
    QVERIFY(f.open());
    f.search(u" "_s);
    ResultListView *list = f.w->JvCheckListBox1;
    f.clickRow(4);
    QCOMPARE(f.w->Edit_CIP->text(), u"63000002"_s);
    const QStringList shown = f.boxTexts();
    const bool checked = list->checked(2);

    const QPoint onRow2 = list->visualRect(list->resultModel()->index(2)).center() + QPoint(40, 0);
    QTest::mouseClick(list->viewport(), Qt::MouseButton(button), {}, onRow2);
    QTest::mouseDClick(list->viewport(), Qt::MouseButton(button), {}, onRow2);
    QCOMPARE(list->itemIndex(), 4);
    QCOMPARE(list->selectionModel()->selectedIndexes().size(), 1);
    QVERIFY(list->selected(4));
    QCOMPARE(f.boxTexts(), shown);
    QCOMPARE(list->checked(2), checked);
}

void TestSearch::listNavigation()
{
    Window f;
    QVERIFY(f.open());
    f.search(u" "_s);
    ResultListView *list = f.w->JvCheckListBox1;
    list->setFocus();

    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->itemIndex(), 1);
    QCOMPARE(f.w->Edit_CIP->text(), u"60003620"_s);
    // Left and right move the row too, as in a one-column list.
    QTest::keyClick(list, Qt::Key_Right);
    QCOMPARE(list->itemIndex(), 2);
    QCOMPARE(f.w->Edit_CIP->text(), u"61234567"_s);
    QTest::keyClick(list, Qt::Key_Left);
    QCOMPARE(list->itemIndex(), 1);
    QCOMPARE(f.w->Edit_CIP->text(), u"60003620"_s);
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(f.w->Edit_CIP->text(), u"65000004"_s);
    QTest::keyClick(list, Qt::Key_Home);
    QCOMPARE(f.w->Edit_CIP->text(), u"60002283"_s);
    QTest::keyClick(list, Qt::Key_PageDown);
    QCOMPARE(f.w->Edit_CIP->text(), list->itemText(list->itemIndex()).section(u';', 0, 0));
    QVERIFY(list->itemIndex() > 0);

    // A plain click replaces the whole highlight by the clicked row.
    f.clickRow(4);
    QCOMPARE(list->selectionModel()->selectedIndexes().size(), 1);
    QVERIFY(list->selected(4));
    QCOMPARE(f.w->Edit_CIP->text(), u"63000002"_s);
    // A drag over the rows shows the row where it ends.
    const QPoint from = list->visualRect(list->resultModel()->index(1)).center() + QPoint(40, 0);
    const QPoint to = list->visualRect(list->resultModel()->index(3)).center() + QPoint(40, 0);
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, list->viewport()->mapToGlobal(to), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, to);
    QCOMPARE(list->itemIndex(), 3);
    QCOMPARE(f.w->Edit_CIP->text(), u"62000001"_s);
    QCOMPARE(list->selectionModel()->selectedIndexes().size(), 3);
    f.clickRow(4);

    // Shift extends, Ctrl adds.
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(list->selectionModel()->selectedIndexes().size(), 2);
    QCOMPARE(f.w->Edit_CIP->text(), u"64000003"_s);

    // Space toggles the current row's mark, and only that.
    const bool wasChecked = list->checked(5);
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(list->checked(5), !wasChecked);
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(list->checked(5), wasChecked);

    // A click on the check box toggles it too.
    const QRect r = list->visualRect(list->resultModel()->index(2));
    const bool mark2 = list->checked(2);
    QStyleOptionViewItem opt;
    opt.initFrom(list);
    opt.rect = r;
    opt.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QRect box = list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt,
                                                    list);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
    QCOMPARE(list->checked(2), !mark2);
}

void TestSearch::firstSelectionChangeAfterMarking_data()
{
    // After " " rows 2 and 6 are highlighted and row 0 is current.
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("key"); // 0: a click on `row`
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QList<int>>("selected");

    QTest::newRow("click replaces") << 4 << 0 << Qt::KeyboardModifiers() << QList<int>{4};
    QTest::newRow("click on a highlighted row")
        << 6 << 0 << Qt::KeyboardModifiers() << QList<int>{6};
    QTest::newRow("Ctrl+click adds")
        << 4 << 0 << Qt::KeyboardModifiers(Qt::ControlModifier) << QList<int>{2, 4, 6};
    QTest::newRow("Ctrl+click takes away")
        << 6 << 0 << Qt::KeyboardModifiers(Qt::ControlModifier) << QList<int>{2};
    QTest::newRow("Shift+click replaces by a run")
        << 3 << 0 << Qt::KeyboardModifiers(Qt::ShiftModifier) << QList<int>{0, 1, 2, 3};
    QTest::newRow("Down replaces")
        << -1 << int(Qt::Key_Down) << Qt::KeyboardModifiers() << QList<int>{1};
    QTest::newRow("Shift+Down replaces by a run")
        << -1 << int(Qt::Key_Down) << Qt::KeyboardModifiers(Qt::ShiftModifier) << QList<int>{0, 1};
    QTest::newRow("Ctrl+Down keeps")
        << -1 << int(Qt::Key_Down) << Qt::KeyboardModifiers(Qt::ControlModifier)
        << QList<int>{2, 6};
    QTest::newRow("Space keeps") << -1 << int(Qt::Key_Space) << Qt::KeyboardModifiers()
                                 << QList<int>{2, 6};
}

// The highlight reads as the selection, and its first change gives what it
// gives over any selection: replaced by a plain move, added to with Ctrl.
void TestSearch::firstSelectionChangeAfterMarking()
{
    QFETCH(int, row);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QList<int>, selected);
    Window f;
    QVERIFY(f.open());
    f.search(u" "_s);
    ResultListView *list = f.w->JvCheckListBox1;
    list->setFocus();
    QApplication::processEvents();
    if (key == 0) {
        const QRect r = list->visualRect(list->resultModel()->index(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                          QPoint(r.left() + 60, r.center().y()));
    } else {
        QTest::keyClick(list, Qt::Key(key), modifiers);
    }
    QList<int> rows;
    for (int r = 0; r < list->count(); ++r)
        if (list->selected(r))
            rows << r;
    QCOMPARE(rows, selected);
    QCOMPARE(list->selectionModel()->selectedIndexes().size(), selected.size());
    // A later search marks afresh.
    f.search(u"ARROW"_s);
    QCOMPARE(list->selectionModel()->selectedIndexes().size(), 1);
    QVERIFY(list->selected(0));
}

void TestSearch::highlightReadsAsSelectedToScreenReaders()
{
    Window f;
    QVERIFY(f.open());
    f.search(u" "_s);
    ResultListView *list = f.w->JvCheckListBox1;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(list);
    QVERIFY(iface && iface->tableInterface());
    QAccessibleTableInterface *table = iface->tableInterface();
    QCOMPARE(table->selectedCellCount(), 2);
    for (int r = 0; r < list->count(); ++r) {
        QAccessibleInterface *cell = table->cellAt(r, 0);
        QVERIFY(cell);
        QCOMPARE(cell->state().selected, r == 2 || r == 6);
    }
}

void TestSearch::typeToFind()
{
    Window f;
    QVERIFY(f.open());
    f.search(u" "_s);
    ResultListView *list = f.w->JvCheckListBox1;
    list->setFocus();
    QCOMPARE(QApplication::keyboardInputInterval(), 500);

    QTest::keyClicks(list, u"6400"_s);
    QCOMPARE(list->itemIndex(), 5);
    QCOMPARE(list->selectionModel()->selectedIndexes().size(), 1);
    QVERIFY(list->selected(5));
    QCOMPARE(f.w->Edit_CIP->text(), u"64000003"_s);

    // No row begins with the longer prefix: nothing moves.
    QTest::keyClick(list, Qt::Key_9);
    QCOMPARE(list->itemIndex(), 5);

    // After the pause the prefix starts afresh.
    QTest::qWait(600);
    QTest::keyClicks(list, u"612"_s);
    QCOMPARE(f.w->Edit_CIP->text(), u"61234567"_s);

    // Backspace shortens the prefix; "61" still finds the same row.
    QTest::keyClick(list, Qt::Key_Backspace);
    QCOMPARE(list->itemIndex(), 2);

    // A Backspace that leaves the prefix empty shows row 0.
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->itemIndex(), 3);
    QTest::qWait(600);
    QTest::keyClick(list, Qt::Key_Backspace);
    QCOMPARE(list->itemIndex(), 0);
    QCOMPARE(list->selectionModel()->selectedIndexes().size(), 1);
    QCOMPARE(f.w->Edit_CIP->text(), u"60002283"_s);

    // Prefixes compare without regard to case.
    Window g;
    QVERIFY(g.open({u"abc\tx\tf\tv\ta\tp\tc\tr\t"_s, u"ABD\ty\tf\tv\ta\tp\tc\tr\t"_s}));
    g.search(u"B"_s);
    g.w->JvCheckListBox1->setFocus();
    QTest::keyClicks(g.w->JvCheckListBox1, u"abd"_s);
    QCOMPARE(g.w->Edit_CIP->text(), u"ABD"_s);
}

void TestSearch::emptyListKeysShowNoError()
{
    Window f;
    QVERIFY(f.open());
    f.search(u"ZZZ"_s);
    ResultListView *list = f.w->JvCheckListBox1;
    QCOMPARE(list->count(), 0);
    list->setFocus();
    auto box = modal::onNextModal([](QWidget *w) { w->close(); }, 300);
    QTest::keyClick(list, Qt::Key_Backspace);
    QTest::keyClicks(list, u"6"_s);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Space);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    QTest::qWait(400);
    QVERIFY2(!box->seen, qPrintable(box->windowTitle));
    QCOMPARE(f.w->Edit_CIP->text(), QString());
}

void TestSearch::scrollWidthFollowsTheWidestRow()
{
    const QString longName = u"X"_s.repeated(300);
    Window f;
    QVERIFY(f.open(
        {u"1\tcourt\tf\tv\ta\tp\tc\tr\t"_s, u"2\t"_s + longName + u"\tf\tv\ta\tp\tc\tr\t"_s}));
    f.search(u"1"_s);
    ResultListView *list = f.w->JvCheckListBox1;
    QCOMPARE(list->count(), 1);
    QApplication::processEvents();
    const int narrow = list->resultModel()->rowWidth();
    QVERIFY(narrow >= list->fontMetrics().horizontalAdvance(list->itemText(0) + u' '));

    f.search(u"F"_s); // both rows
    QCOMPARE(list->count(), 2);
    QApplication::processEvents();
    const int wide = list->resultModel()->rowWidth();
    QVERIFY(wide >= list->fontMetrics().horizontalAdvance(list->itemText(1) + u' '));
    QVERIFY(wide > narrow);
    QVERIFY(list->horizontalScrollBar()->maximum() > 0);
    QCOMPARE(list->visualRect(list->resultModel()->index(0)).height(), 13);

    // A larger font widens the rows.
    QFont big = list->font();
    big.setPointSize(big.pointSize() * 2);
    list->setFont(big);
    QApplication::processEvents();
    QVERIFY(list->resultModel()->rowWidth()
            >= QFontMetrics(big).horizontalAdvance(list->itemText(1)));
    QTRY_VERIFY(list->horizontalScrollBar()->maximum() + list->viewport()->width()
                >= QFontMetrics(big).horizontalAdvance(list->itemText(1)));

    // Escape empties the list, and the scroll width with it.
    f.w->Edit1->setFocus();
    QTest::keyClick(f.w->Edit1, Qt::Key_Escape);
    QApplication::processEvents();
    QCOMPARE(list->count(), 0);
    QCOMPARE(list->resultModel()->rowWidth(), 0);
    QCOMPARE(list->horizontalScrollBar()->maximum(), 0);
}

void TestSearch::itemTextOutOfRange()
{
    Window f;
    QVERIFY(f.open());
    f.search(u"PARACETAMOL"_s);
    ResultListView *list = f.w->JvCheckListBox1;
    for (int row : {-1, 2, 100}) {
        try {
            list->itemText(row);
            QFAIL("no error");
        } catch (const AppError &e) {
            QCOMPARE(e.message(), u"Index de liste hors limites (%1)"_s.arg(row));
        }
    }
    QCOMPARE(list->itemText(1).left(9), u"62000001;"_s);
}

// Whole files, the committed sample and the real one: every search lists the
// lines the literal test finds, and the record view shows each line's fields.
void TestSearch::wholeFile_data()
{
    QTest::addColumn<QString>("data"); // empty: the real file
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("notMarketed");
    QTest::newRow("sample") << testDataFile("cis_sample_cp1252.txt") << 30 << 9;
    QTest::newRow("real file") << QString() << 14442 << 2492;
}

void TestSearch::wholeFile()
{
    QFETCH(QString, data);
    QFETCH(int, lines);
    QFETCH(int, notMarketed);
    if (data.isEmpty()) {
        SKIP_WITHOUT_REAL_CIS_FILE();
        data = realCisFile();
    }
    Window f;
    QVERIFY(f.dir.isValid());
    QVERIFY(fixture::writeFile(f.iniPath(), (u"[ANSM]\r\nCIS.TXT="_s + data + u"\r\n"_s).toUtf8()));
    QVERIFY(f.openAsIs());
    const CisStore &store = *f.w->CisLines;
    QCOMPARE(store.count(), lines);
    for (const QString &query : {u"PARACETAMOL"_s, u"COMPRIMÉ"_s, u" "_s}) {
        f.search(query);
        QList<qsizetype> expected;
        for (qsizetype i = 0; i < store.count(); ++i)
            if (LineMatchesQuery(store.line(i), query))
                expected << i;
        ResultListView *list = f.w->JvCheckListBox1;
        QCOMPARE(list->count(), int(expected.size()));
        int unchecked = 0;
        for (int r = 0; r < list->count(); ++r) {
            QCOMPARE(list->resultModel()->storeLine(r), expected[r]);
            unchecked += list->checked(r) ? 0 : 1;
        }
        QCOMPARE(f.panel(2), u"%1 occurence(s) pour \"%2\""_s.arg(expected.size()).arg(query));
        if (query != u" "_s)
            continue;
        QCOMPARE(unchecked, notMarketed);
        // The boxes and lamps of every product whose line holds a ";" (several
        // routes), and of a sample of the others, match the fields of its line.
        for (int r = 0; r < list->count(); ++r) {
            const QString line = store.line(list->resultModel()->storeLine(r));
            if (!line.contains(u';') && r % 100 != 0)
                continue;
            const QStringList fields = line.split(u'\t');
            const bool marketed = fields.at(6) != u"Non commercialisée"_s;
            QCOMPARE(list->checked(r), marketed);
            f.clickRow(r);
            QCOMPARE(f.boxTexts(), fields.mid(0, 8));
            QCOMPARE(f.w->JvLED_COMM->status(), marketed);
            QCOMPARE(f.w->img_YES->isVisible(), marketed);
            QCOMPARE(f.w->JvLED_AUT->status(), fields.at(4) == u"Autorisation active"_s);
        }
    }
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
