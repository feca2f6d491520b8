// What assistive tools read from the window: each control's role, name,
// value and state, through the same accessible interfaces a screen reader
// queries.
#include "ui/frm_cis.h"
#include "ui/labeled_line_edit.h"
#include "ui/panel_status_bar.h"
#include "ui/progress_gauge.h"
#include "ui/result_list.h"
#include "ui/status_lamp.h"
#include "ui/style/visual_style.h"
#include "ui/upper_case_line_edit.h"
#include "window_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSizeGrip>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QAccessibleInterface *iface(QObject *o)
{
    return QAccessible::queryAccessibleInterface(o);
}

// The rows of the result list as assistive tools see them.
QAccessibleInterface *listRow(ResultListView *list, int row)
{
    QAccessibleInterface *l = iface(list);
    return l ? l->child(row) : nullptr;
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void roles_data();
    void roles();
    void statusBarChildren();
    void gaugeValue();
    void lampState();
    void windowNameFollowsCaption();
    void windowDescriptionNamesTheImport();
    void onlyTheFocusedControlIsFocused();
    void listRows();

private:
    void search(const QString &text);
    std::unique_ptr<fixture::ProgramFolder> m_folder;
    std::unique_ptr<TForm_CIS> m_w;
};

void TestAccessibility::initTestCase()
{
    InitVerdaneResources();
    EnsureProgramFonts();
}

void TestAccessibility::init()
{
    m_folder = std::make_unique<fixture::ProgramFolder>();
    QVERIFY(fixture::writeFile(m_folder->path(u"cis.txt"_s), fixture::sampleCis()));
    m_w = fixture::openWindow();
    QVERIFY(m_w);
    QCOMPARE(m_w->StatusBar1->panelText(0), u"3"_s);
}

void TestAccessibility::cleanup()
{
    m_w.reset();
    m_folder.reset();
}

void TestAccessibility::search(const QString &text)
{
    m_w->Edit1->setFocus();
    m_w->Edit1->setText(text);
    QTest::keyClick(m_w->Edit1, Qt::Key_Return);
}

void TestAccessibility::roles_data()
{
    QTest::addColumn<QString>("name"); // object name
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("accessible"); // the name read out
    auto row = [](const char *name, QAccessible::Role role, const QString &accessible) {
        QTest::newRow(name) << QString::fromLatin1(name) << int(role) << accessible;
    };
    row("StatusBar1", QAccessible::StatusBar, u"Barre d'état"_s);
    row("StatusBar1_SizeGrip", QAccessible::Grip, u"Redimensionner"_s);
    row("Gauge1", QAccessible::ProgressBar, u"Progression"_s);
    row("JvLED_AUT", QAccessible::CheckBox, u"Autorisation active"_s);
    row("JvLED_COMM", QAccessible::CheckBox, u"Commercialisé"_s);
    row("panel_edit", QAccessible::Grouping, u"Fiche du produit"_s);
    row("panel_btn", QAccessible::Grouping, u"Liens"_s);
    row("Panel3", QAccessible::Grouping, u"Bandeau"_s);
    row("Panel2", QAccessible::Grouping, u"Commercialisation"_s);
    row("GroupBox1", QAccessible::Grouping,
        u"Entrez tout ou partie d''un nom de médicament sans accent"_s);
    row("JvCheckListBox1", QAccessible::List, u"Résultats"_s);
    row("Edit1", QAccessible::EditableText,
        u"Entrez tout ou partie d''un nom de médicament sans accent"_s);
    row("Edit_NOM", QAccessible::EditableText, u"NOM"_s);
    row("btn_SEARCH", QAccessible::Button, u"Rechercher"_s);
    row("btn_copy", QAccessible::Button, u"Copier"_s);
}

void TestAccessibility::roles()
{
    QFETCH(QString, name);
    QFETCH(int, role);
    QFETCH(QString, accessible);
    auto *w = m_w->findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name));
    QAccessibleInterface *a = iface(w);
    QVERIFY(a);
    QCOMPARE(int(a->role()), role);
    QCOMPARE(a->text(QAccessible::Name), accessible);
}

void TestAccessibility::statusBarChildren()
{
    // The four panels are the status bar's children, each named by its text.
    m_w->StatusBar1->setPanelText(2, u"2 trouvés"_s);
    QAccessibleInterface *bar = iface(m_w->StatusBar1);
    QVERIFY(bar);
    QVERIFY(bar->childCount() >= 4);
    for (int i = 0; i < 4; ++i) {
        QAccessibleInterface *panel = bar->child(i);
        QVERIFY(panel);
        QCOMPARE(panel->object(), static_cast<QObject *>(m_w->StatusBar1->panel(i)));
        QCOMPARE(panel->text(QAccessible::Name), m_w->StatusBar1->panelText(i));
        QCOMPARE(panel->parent(), bar);
    }
    QCOMPARE(bar->child(2)->text(QAccessible::Name), u"2 trouvés"_s);
}

void TestAccessibility::gaugeValue()
{
    ProgressGauge *g = m_w->Gauge1;
    g->setMinValue(0);
    g->setMaxValue(400);
    g->setProgress(100);
    QAccessibleValueInterface *value = iface(g)->valueInterface();
    QVERIFY(value);
    QCOMPARE(value->minimumValue().toInt(), 0);
    QCOMPARE(value->maximumValue().toInt(), 400);
    QCOMPARE(value->currentValue().toInt(), 100);
    QCOMPARE(iface(g)->text(QAccessible::Value), u"25%"_s);
    g->setProgress(300);
    QCOMPARE(value->currentValue().toInt(), 300);
    QCOMPARE(iface(g)->text(QAccessible::Value), u"75%"_s);
}

void TestAccessibility::lampState()
{
    // The state is readable as checked or not, and as "allumé"/"éteint".
    for (StatusLamp *lamp : {m_w->JvLED_AUT, m_w->JvLED_COMM}) {
        QAccessibleInterface *a = iface(lamp);
        QVERIFY(a->state().checkable);
        QVERIFY(a->state().checked);
        QVERIFY(!a->state().focusable);
        QCOMPARE(a->text(QAccessible::Description), u"allumé"_s);
    }
    search(u"ASPIRINE"_s); // not marketed
    QAccessibleInterface *comm = iface(m_w->JvLED_COMM);
    QVERIFY(!comm->state().checked);
    QCOMPARE(comm->text(QAccessible::Description), u"éteint"_s);
    QVERIFY(iface(m_w->JvLED_AUT)->state().checked);
    search(u"AMOXICILLINE"_s); // marketed, authorisation repealed
    QVERIFY(comm->state().checked);
    QVERIFY(!iface(m_w->JvLED_AUT)->state().checked);
}

void TestAccessibility::windowNameFollowsCaption()
{
    QAccessibleInterface *a = iface(m_w.get());
    QCOMPARE(a->text(QAccessible::Name), u"ANSM CIS - Verdane 2015 ***{:-"_s);
    search(u"DOLI"_s);
    QCOMPARE(m_w->windowTitle(), u"DOLIPRANE 500 mg, comprimé"_s);
    QCOMPARE(a->text(QAccessible::Name), m_w->windowTitle());
    search(u"ASPI"_s);
    QCOMPARE(a->text(QAccessible::Name), u"ASPIRINE 100 mg"_s);
}

void TestAccessibility::windowDescriptionNamesTheImport()
{
    // The one thing a mouse drag did alone: a screen reader user learns the key.
    QAccessibleInterface *a = iface(m_w.get());
    const QString description =
        u"Importer un fichier CIS : déposez-le sur la fenêtre, ou ouvrez-le par Ctrl+O"_s;
    QCOMPARE(a->text(QAccessible::Description), description);
    search(u"DOLI"_s); // the record view changes the name, not the description
    QCOMPARE(a->text(QAccessible::Description), description);
}

void TestAccessibility::onlyTheFocusedControlIsFocused()
{
    search(u"O"_s); // all three rows; row 0 current, the search box keeps the focus
    QCOMPARE(m_w->JvCheckListBox1->count(), 3);
    QCOMPARE(m_w->JvCheckListBox1->itemIndex(), 0);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_w->Edit1));
    QVERIFY(iface(m_w->Edit1)->state().focused);
    for (int r = 0; r < 3; ++r)
        QVERIFY2(!listRow(m_w->JvCheckListBox1, r)->state().focused, qPrintable(QString::number(r)));

    // Into the list: its current row is the focused one, and the box is not.
    QTest::keyClick(m_w->Edit1, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_w->JvCheckListBox1));
    QVERIFY(!iface(m_w->Edit1)->state().focused);
    QVERIFY(listRow(m_w->JvCheckListBox1, 0)->state().focused);
    QTest::keyClick(m_w->JvCheckListBox1, Qt::Key_Down);
    QVERIFY(!listRow(m_w->JvCheckListBox1, 0)->state().focused);
    QVERIFY(listRow(m_w->JvCheckListBox1, 1)->state().focused);
}

void TestAccessibility::listRows()
{
    search(u"O"_s);
    ResultListView *list = m_w->JvCheckListBox1;
    QAccessibleInterface *a = iface(list);
    QCOMPARE(a->childCount(), 3);
    for (int r = 0; r < 3; ++r) {
        QAccessibleInterface *row = a->child(r);
        QVERIFY(row);
        QCOMPARE(row->role(), QAccessible::ListItem);
        QCOMPARE(row->text(QAccessible::Name), list->itemText(r));
        QCOMPARE(a->indexOfChild(row), r);
        QCOMPARE(row->parent(), a);
        // A product not marketed is unchecked and highlighted: read as selected.
        QCOMPARE(bool(row->state().checked), list->checked(r));
        QCOMPARE(bool(row->state().selected), !list->checked(r));
        QVERIFY(row->state().checkable);
        QVERIFY(row->state().extSelectable);
    }
    QVERIFY(a->child(1)->state().selected); // ASPIRINE, not marketed
    QVERIFY(!a->child(0)->state().selected);
    QCOMPARE(a->child(3), nullptr);

    // After the list is emptied the old rows are gone.
    QTest::keyClick(m_w->Edit1, Qt::Key_Escape);
    QCOMPARE(list->count(), 0);
    QCOMPARE(a->childCount(), 0);
    QCOMPARE(a->child(0), nullptr);
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
