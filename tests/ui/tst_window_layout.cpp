// The main window as built: every control in its place, the bands, the
// keyboard's cycle, the menus, the texts and the accessible names.
#include "ui/frm_cis.h"
#include "ui/labeled_line_edit.h"
#include "ui/panel_status_bar.h"
#include "ui/progress_gauge.h"
#include "ui/result_list.h"
#include "ui/status_lamp.h"
#include "ui/style/visual_style.h"
#include "ui/upper_case_line_edit.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSizeGrip>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestWindowLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controls_data();
    void controls();
    void creationOrder();
    void bands_data();
    void bands();
    void recordLabels();
    void tabCycle();
    void menus();
    void textsAndFonts();
    void desktopFonts();
    void accessibleNames_data();
    void accessibleNames();
    void liveAccessibleTexts();
    void statusPanels();
    void frameAndCaption();

private:
    QWidget *named(const QString &name) const;
    void widen();

    std::unique_ptr<fixture::ProgramFolder> m_folder;
    std::unique_ptr<TForm_CIS> m_w;
};

void TestWindowLayout::initTestCase()
{
    InitVerdaneResources();
    EnsureProgramFonts();
}

void TestWindowLayout::init()
{
    m_folder = std::make_unique<fixture::ProgramFolder>();
    m_w = fixture::openWindow();
    QVERIFY(m_w);
    QCOMPARE(m_w->ClientArea1->size(), QSize(686, 443));
}

void TestWindowLayout::cleanup()
{
    m_w.reset();
    m_folder.reset();
}

QWidget *TestWindowLayout::named(const QString &name) const
{
    if (name == u"Form_CIS")
        return m_w.get();
    return m_w->findChild<QWidget *>(name);
}

void TestWindowLayout::widen()
{
    m_w->resize(m_w->width() + 200, m_w->height() + 100);
    QTRY_COMPARE(m_w->ClientArea1->size(), QSize(886, 543));
}

void TestWindowLayout::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("designed");
    QTest::addColumn<QRect>("widened"); // client 200 wider and 100 higher
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("enabled");

    const QString client = u"ClientArea1"_s;
    auto row = [](const char *name, const QString &parent, QRect designed, QRect widened,
                  bool visible = true, bool enabled = true) {
        QTest::newRow(name) << QString::fromLatin1(name) << parent << designed << widened << visible
                            << enabled;
    };
    // Bands: full width; only the result list changes height.
    row("Gauge1", client, {0, 219, 686, 16}, {0, 219, 686, 16}, false);
    row("JvCheckListBox1", client, {0, 88, 686, 147}, {0, 88, 886, 247});
    row("ListBox1", client, {0, 88, 686, 24}, {0, 88, 686, 24}, false);
    row("StatusBar1", client, {0, 424, 686, 19}, {0, 524, 886, 19});
    row("panel_edit", client, {0, 235, 686, 131}, {0, 335, 886, 131});
    row("panel_btn", client, {0, 366, 686, 58}, {0, 466, 886, 58});
    row("Panel3", client, {0, 0, 686, 88}, {0, 0, 886, 88});
    // Record panel: everything stays but the picture panel, which follows
    // the right edge and uncovers the lamps.
    const QString edit = u"panel_edit"_s;
    row("JvLED_COMM", edit, {545, 102, 17, 17}, {545, 102, 17, 17});
    row("JvLED_AUT", edit, {545, 57, 17, 17}, {545, 57, 17, 17});
    row("Edit_CIP", edit, {16, 92, 57, 21}, {16, 92, 57, 21});
    row("Edit_NOM", edit, {16, 17, 393, 21}, {16, 17, 393, 21});
    row("EDIT_VOIE", edit, {312, 56, 97, 21}, {312, 56, 97, 21});
    row("EDIT_commecialise", edit, {415, 100, 130, 21}, {415, 100, 130, 21});
    row("edit_AUTORISATION", edit, {415, 56, 130, 21}, {415, 56, 130, 21});
    row("edit_PROCEDURE", edit, {415, 17, 130, 21}, {415, 17, 130, 21});
    row("edit_FORME", edit, {16, 56, 290, 21}, {16, 56, 290, 21});
    row("edit_NUM", edit, {312, 100, 97, 21}, {312, 100, 97, 21});
    row("Panel2", edit, {556, 2, 128, 127}, {756, 2, 128, 127});
    row("img_NO", u"Panel2"_s, {0, 0, 128, 127}, {0, 0, 128, 127}, false);
    row("img_YES", u"Panel2"_s, {0, 0, 128, 127}, {0, 0, 128, 127}, false);
    row("btn_copy", edit, {389, 17, 20, 21}, {389, 17, 20, 21});
    // Web buttons: the extract button takes the width left of "Vidal".
    row("btn_Extrait", u"panel_btn"_s, {1, 1, 555, 56}, {1, 1, 755, 56}, true, false);
    row("btn_VIDAL", u"panel_btn"_s, {556, 1, 129, 56}, {756, 1, 129, 56}, true, false);
    // Top band: the group takes the width, its buttons follow its right edge.
    row("Image1", u"Panel3"_s, {1, 1, 233, 86}, {1, 1, 233, 86});
    row("GroupBox1", u"Panel3"_s, {234, 1, 451, 86}, {234, 1, 651, 86});
    row("Edit1", u"GroupBox1"_s, {6, 35, 195, 24}, {6, 35, 195, 24});
    row("btn_SEARCH", u"GroupBox1"_s, {207, 15, 169, 69}, {407, 15, 169, 69});
    row("btn_close", u"GroupBox1"_s, {376, 15, 73, 69}, {576, 15, 73, 69});
}

void TestWindowLayout::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, designed);
    QFETCH(QRect, widened);
    QFETCH(bool, visible);
    QFETCH(bool, enabled);

    QWidget *w = named(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QCOMPARE(w->geometry(), designed);
    QCOMPARE(w->isVisible(), visible);
    QCOMPARE(w->isEnabled(), enabled);

    widen();
    QCOMPARE(w->geometry(), widened);
    QCOMPARE(w->isVisible(), visible);
}

void TestWindowLayout::creationOrder()
{
    // Creation order is the stacking order: a later sibling lies above.
    auto order = [](QWidget *parent) {
        QStringList names;
        for (QObject *o : parent->children()) {
            auto *w = qobject_cast<QWidget *>(o);
            if (w && !w->objectName().isEmpty() && !w->objectName().endsWith(u"_Label"))
                names << w->objectName();
        }
        return names;
    };
    QCOMPARE(order(m_w->ClientArea1),
             QStringList({u"Gauge1"_s, u"JvCheckListBox1"_s, u"ListBox1"_s, u"StatusBar1"_s,
                          u"panel_edit"_s, u"panel_btn"_s, u"Panel3"_s}));
    QCOMPARE(
        order(m_w->panel_edit),
        QStringList({u"JvLED_COMM"_s, u"JvLED_AUT"_s, u"Edit_CIP"_s, u"Edit_NOM"_s, u"EDIT_VOIE"_s,
                     u"EDIT_commecialise"_s, u"edit_AUTORISATION"_s, u"edit_PROCEDURE"_s,
                     u"edit_FORME"_s, u"edit_NUM"_s, u"Panel2"_s, u"btn_copy"_s}));
    QCOMPARE(order(m_w->Panel2), QStringList({u"img_NO"_s, u"img_YES"_s}));
    QCOMPARE(order(m_w->GroupBox1), QStringList({u"Edit1"_s, u"btn_SEARCH"_s, u"btn_close"_s}));

    // So the copy button lies over the right end of the name box, and the
    // picture panel over the lamps' right edge.
    const QPoint overNameEnd = m_w->Edit_NOM->geometry().topRight() + QPoint(-5, 5);
    QCOMPARE(m_w->panel_edit->childAt(overNameEnd), static_cast<QWidget *>(m_w->btn_copy));
    QCOMPARE(m_w->panel_edit->childAt(QPoint(559, 64)), static_cast<QWidget *>(m_w->Panel2));
    QCOMPARE(m_w->panel_edit->childAt(QPoint(553, 64)), static_cast<QWidget *>(m_w->JvLED_AUT));

    const QList<LabeledLineEdit *> boxes = m_w->recordBoxes();
    QStringList boxNames;
    for (LabeledLineEdit *b : boxes)
        boxNames << b->objectName();
    QCOMPARE(boxNames, QStringList({u"Edit_CIP"_s, u"Edit_NOM"_s, u"EDIT_VOIE"_s,
                                    u"EDIT_commecialise"_s, u"edit_AUTORISATION"_s,
                                    u"edit_PROCEDURE"_s, u"edit_FORME"_s, u"edit_NUM"_s}));
}

void TestWindowLayout::bands_data()
{
    QTest::addColumn<bool>("gauge");
    QTest::addColumn<int>("extraHeight");
    QTest::addColumn<int>("listHeight");
    QTest::addColumn<int>("gaugeTop");

    QTest::newRow("designed, gauge hidden") << false << 0 << 147 << -1;
    QTest::newRow("designed, gauge shown") << true << 0 << 131 << 219;
    QTest::newRow("higher, gauge hidden") << false << 60 << 207 << -1;
    QTest::newRow("higher, gauge shown") << true << 60 << 191 << 279;
}

void TestWindowLayout::bands()
{
    QFETCH(bool, gauge);
    QFETCH(int, extraHeight);
    QFETCH(int, listHeight);
    QFETCH(int, gaugeTop);

    if (extraHeight) {
        m_w->resize(m_w->width(), m_w->height() + extraHeight);
        QTRY_COMPARE(m_w->ClientArea1->height(), 443 + extraHeight);
    }
    m_w->Gauge1->setVisible(gauge);
    QCOMPARE(m_w->JvCheckListBox1->geometry(), QRect(0, 88, 686, listHeight));
    QCOMPARE(m_w->panel_edit->y(), 235 + extraHeight);
    if (gauge) {
        QCOMPARE(m_w->Gauge1->geometry(), QRect(0, gaugeTop, 686, 16));
        QCOMPARE(m_w->Gauge1->geometry().bottom() + 1, m_w->panel_edit->y());
        // The list gets the space back as soon as the gauge hides again.
        m_w->Gauge1->hide();
        QCOMPARE(m_w->JvCheckListBox1->height(), listHeight + 16);
    }
    // The hidden list never takes any room.
    QVERIFY(m_w->ListBox1->isHidden());
}

void TestWindowLayout::recordLabels()
{
    struct Expect
    {
        LabeledLineEdit *box;
        QString caption;
    };
    const QList<Expect> all = {{m_w->Edit_CIP, u"CODE CIS"_s},
                               {m_w->Edit_NOM, u"NOM"_s},
                               {m_w->EDIT_VOIE, u"VOIE ADMIN."_s},
                               {m_w->EDIT_commecialise, u"COMMERCIALISE"_s},
                               {m_w->edit_AUTORISATION, u"AUTORISATION"_s},
                               {m_w->edit_PROCEDURE, u"PROCEDURE"_s},
                               {m_w->edit_FORME, u"FORME"_s},
                               {m_w->edit_NUM, u"REFERENCE"_s}};
    for (const Expect &e : all) {
        QLabel *label = e.box->label();
        QVERIFY(label);
        QCOMPARE(label->text(), e.caption);
        QCOMPARE(label->parentWidget(), e.box->parentWidget());
        QCOMPARE(label->x(), e.box->x());
        QCOMPARE(label->y(), e.box->y() - 16);
        QCOMPARE(label->height(), 13);
        QVERIFY(label->isVisible());
        // Window font, regular, whatever the box's own font.
        QVERIFY(!label->font().bold());
        QCOMPARE(label->font().pixelSize(), 11);
        QVERIFY(e.box->text().isEmpty());
    }
}

void TestWindowLayout::tabCycle()
{
    // The web buttons take part in the cycle once enabled.
    m_w->btn_Extrait->setEnabled(true);
    m_w->btn_VIDAL->setEnabled(true);
    QApplication::setActiveWindow(m_w.get());
    QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_w->Edit1));

    const QStringList cycle = {u"Edit1"_s,           u"btn_SEARCH"_s,        u"btn_close"_s,
                               u"JvCheckListBox1"_s, u"Edit_NOM"_s,          u"edit_FORME"_s,
                               u"EDIT_VOIE"_s,       u"Edit_CIP"_s,          u"edit_NUM"_s,
                               u"edit_PROCEDURE"_s,  u"edit_AUTORISATION"_s, u"EDIT_commecialise"_s,
                               u"btn_copy"_s,        u"btn_Extrait"_s,       u"btn_VIDAL"_s};
    QStringList forward;
    for (int i = 0; i < cycle.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        forward << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(forward, cycle.mid(1) + QStringList{cycle.first()});

    QStringList backward;
    for (int i = 0; i < cycle.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        backward.prepend(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(backward, cycle);

    // Disabled buttons are skipped: from the copy button straight back to the search box.
    m_w->btn_Extrait->setEnabled(false);
    m_w->btn_VIDAL->setEnabled(false);
    m_w->btn_copy->setFocus(Qt::TabFocusReason);
    QTest::keyClick(m_w->btn_copy, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_w->Edit1));

    // Controls that never take the focus.
    for (QWidget *w :
         {static_cast<QWidget *>(m_w->Gauge1), m_w->ListBox1,
          static_cast<QWidget *>(m_w->StatusBar1), static_cast<QWidget *>(m_w->JvLED_AUT),
          static_cast<QWidget *>(m_w->JvLED_COMM), static_cast<QWidget *>(m_w->Panel2),
          static_cast<QWidget *>(m_w->Image1)})
        QCOMPARE(w->focusPolicy(), Qt::NoFocus);
}

void TestWindowLayout::menus()
{
    QCOMPARE(m_w->menuBar(), m_w->MainMenu1);
    QCOMPARE(m_w->MainMenu1->objectName(), u"MainMenu1"_s);
    const QList<QAction *> titles = m_w->MainMenu1->actions();
    QCOMPARE(titles.size(), 2);
    // No access key on either title.
    QCOMPARE(titles[0]->text(), u"Fichier"_s);
    QCOMPARE(titles[0]->menu(), m_w->Fihcier1);
    QCOMPARE(titles[1]->text(), u"Editer"_s);
    QCOMPARE(titles[1]->menu(), m_w->Editer1);

    struct Item
    {
        QString name, caption, shortcut;
        bool separator;
    };
    const QList<Item> file = {
        {u"PAgedetlchragemntdelANSM1"_s, u"Page de téléchargement de l'ANSM"_s, {}, false},
        {u"mnu_DOWNLOAD"_s, u"Télécharger \"CIS.TXT\" en un seul CLIC!"_s, {}, false},
        {u"N2"_s, {}, {}, true},
        {u"DGSUrgent1"_s, u"DGS Urgent"_s, {}, false},
        {u"N1"_s, {}, {}, true},
        {u"Quitter1"_s, u"&Quitter"_s, u"Ctrl+Q"_s, false},
    };
    const QList<QAction *> fileActions = m_w->Fihcier1->actions();
    QCOMPARE(fileActions.size(), file.size());
    for (int i = 0; i < file.size(); ++i) {
        QAction *a = fileActions[i];
        QCOMPARE(a->objectName(), file[i].name);
        QCOMPARE(a->isSeparator(), file[i].separator);
        if (!file[i].separator) {
            QCOMPARE(a->text(), file[i].caption);
            QCOMPARE(a->shortcut().toString(QKeySequence::NativeText), file[i].shortcut);
            QVERIFY(a->icon().isNull());
            QVERIFY(a->isEnabled());
        }
    }
    const QList<QAction *> editActions = m_w->Editer1->actions();
    QCOMPARE(editActions.size(), 1);
    QCOMPARE(editActions[0]->objectName(), u"CopierleNom1"_s);
    QCOMPARE(editActions[0]->text(), u"Copier le Nom"_s);
    QCOMPARE(editActions[0]->shortcut().toString(QKeySequence::NativeText), u"Ctrl+C"_s);

    // The named commands.
    QCOMPARE(m_w->INI_GET->objectName(), u"INI_GET"_s);
    QCOMPARE(m_w->INI_SAVE->objectName(), u"INI_SAVE"_s);
    QCOMPARE(m_w->Action1->objectName(), u"Action1"_s);
}

void TestWindowLayout::desktopFonts()
{
    // Where the layout names no font: the desktop's, not the window's Tahoma.
    auto same = [](const QFont &a, const QFont &b) {
        return a.family() == b.family() && a.pointSizeF() == b.pointSizeF() && a.bold() == b.bold();
    };
    const QFont statusFont = QApplication::font("QStatusBar");
    QVERIFY(same(m_w->StatusBar1->font(), statusFont));
    for (int i = 0; i < 4; ++i)
        QVERIFY(same(m_w->StatusBar1->panel(i)->font(), statusFont));
    QVERIFY(same(m_w->MainMenu1->font(), QApplication::font("QMenuBar")));
    QVERIFY(same(m_w->Fihcier1->font(), QApplication::font("QMenu")));
    QVERIFY(same(m_w->Editer1->font(), QApplication::font("QMenu")));
    QVERIFY(m_w->StatusBar1->font().family() != u"Tahoma"_s);
    QVERIFY(m_w->MainMenu1->font().family() != u"Tahoma"_s);
}

void TestWindowLayout::textsAndFonts()
{
    const QString searchHint = u"Entrez tout ou partie d''un nom de médicament sans accent"_s;
    QCOMPARE(m_w->GroupBox1->title(), searchHint);
    QCOMPARE(m_w->btn_SEARCH->text(), u"Rechercher"_s);
    QCOMPARE(m_w->btn_close->text(), u"&Fermer"_s);
    QCOMPARE(m_w->btn_VIDAL->text(), u"Vidal"_s);
    QCOMPARE(
        m_w->btn_Extrait->text(),
        u"Consulter Extrait / Notice / RCP sur le site de l'Agence Nationale de Sécurité du Médicament"_s);
    QVERIFY(m_w->btn_copy->text().isEmpty());
    QVERIFY(!m_w->btn_copy->icon().isNull());
    QVERIFY(m_w->btn_SEARCH->isDefault());
    QVERIFY(!m_w->Image1->pixmap().isNull());
    QCOMPARE(m_w->Image1->pixmap().size(), QSize(233, 80));
    QCOMPARE(m_w->img_YES->pixmap().size(), QSize(128, 128));
    QCOMPARE(m_w->img_NO->pixmap().size(), QSize(128, 128));

    // Glyphs: the greyed half for the disabled state, transparent ground.
    for (QPushButton *b : {m_w->btn_SEARCH, m_w->btn_close, m_w->btn_Extrait, m_w->btn_VIDAL}) {
        QVERIFY2(!b->icon().isNull(), qPrintable(b->objectName()));
        const QImage normal = b->icon().pixmap(18, 18, QIcon::Normal).toImage();
        const QImage disabled = b->icon().pixmap(18, 18, QIcon::Disabled).toImage();
        QCOMPARE(normal.size(), QSize(18, 18));
        QVERIFY(normal != disabled);
        QCOMPARE(qAlpha(normal.pixel(0, 17)), 0);
    }

    // Hints and their duration.
    QCOMPARE(m_w->JvCheckListBox1->toolTip(), u"[ X Coché = Commercialisé ]"_s);
    for (QWidget *w :
         {static_cast<QWidget *>(m_w->GroupBox1), static_cast<QWidget *>(m_w->Edit1),
          static_cast<QWidget *>(m_w->btn_SEARCH), static_cast<QWidget *>(m_w->btn_close)}) {
        QCOMPARE(w->toolTip(), searchHint);
        QCOMPARE(w->toolTipDuration(), 2500);
    }
    QCOMPARE(m_w->btn_copy->toolTip(), u"Copier"_s);
    for (QWidget *w : {static_cast<QWidget *>(m_w->Edit_NOM), static_cast<QWidget *>(m_w->btn_VIDAL),
                       static_cast<QWidget *>(m_w->StatusBar1)})
        QVERIFY(w->toolTip().isEmpty());

    // Fonts, in pixels so that the layout does not move with the font density.
    auto check = [](QWidget *w, int px, bool bold) {
        QCOMPARE(w->font().family(), u"Tahoma"_s);
        QCOMPARE(w->font().pixelSize(), px);
        QCOMPARE(w->font().bold(), bold);
    };
    check(m_w.get(), 11, false);
    check(m_w->Edit1, 13, true);
    check(m_w->GroupBox1, 11, true);
    check(m_w->btn_SEARCH, 11, true);
    check(m_w->btn_close, 11, true);
    check(m_w->btn_Extrait, 11, true);
    check(m_w->btn_VIDAL, 11, false);
    check(m_w->Edit_NOM, 11, true);
    check(m_w->edit_FORME, 11, true);
    check(m_w->EDIT_VOIE, 11, true);
    check(m_w->Edit_CIP, 11, false);
    check(m_w->edit_NUM, 11, false);
    check(m_w->Gauge1, 11, true);

    // Initial state.
    QVERIFY(m_w->JvLED_AUT->status());
    QVERIFY(m_w->JvLED_COMM->status());
    QVERIFY(m_w->Edit1->text().isEmpty());
    QCOMPARE(m_w->JvCheckListBox1->count(), 0);
    QVERIFY(m_w->acceptDrops());
}

void TestWindowLayout::accessibleNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("accessible");
    const QString searchHint = u"Entrez tout ou partie d''un nom de médicament sans accent"_s;
    auto row = [](const char *name, const QString &accessible) {
        QTest::newRow(name) << QString::fromLatin1(name) << accessible;
    };
    row("Edit_CIP", u"CODE CIS"_s);
    row("Edit_NOM", u"NOM"_s);
    row("edit_FORME", u"FORME"_s);
    row("EDIT_VOIE", u"VOIE ADMIN."_s);
    row("edit_AUTORISATION", u"AUTORISATION"_s);
    row("edit_PROCEDURE", u"PROCEDURE"_s);
    row("EDIT_commecialise", u"COMMERCIALISE"_s);
    row("edit_NUM", u"REFERENCE"_s);
    row("Edit1", searchHint);
    row("GroupBox1", searchHint);
    row("btn_SEARCH", u"Rechercher"_s);
    row("btn_close", u"Fermer"_s);
    row("btn_VIDAL", u"Vidal"_s);
    row("btn_Extrait",
        u"Consulter Extrait / Notice / RCP sur le site de l'Agence Nationale de Sécurité du Médicament"_s);
    row("btn_copy", u"Copier"_s);
    row("JvCheckListBox1", u"Résultats"_s);
    row("JvLED_AUT", u"Autorisation active"_s);
    row("JvLED_COMM", u"Commercialisé"_s);
    row("img_YES", u"Commercialisé : oui"_s);
    row("img_NO", u"Commercialisé : non"_s);
}

void TestWindowLayout::accessibleNames()
{
    QFETCH(QString, name);
    QFETCH(QString, accessible);
    QWidget *w = named(name);
    QVERIFY(w);
    QCOMPARE(w->accessibleName(), accessible);
}

void TestWindowLayout::liveAccessibleTexts()
{
    // The lamps tell their state; the status panels their current text.
    QCOMPARE(m_w->JvLED_AUT->accessibleDescription(), u"allumé"_s);
    m_w->JvLED_AUT->setStatus(false);
    QCOMPARE(m_w->JvLED_AUT->accessibleDescription(), u"éteint"_s);
    m_w->JvLED_AUT->setStatus(true);
    QCOMPARE(m_w->JvLED_AUT->accessibleDescription(), u"allumé"_s);

    // Every control of the window carries a name.
    for (QWidget *w : m_w->findChildren<QWidget *>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(u"qt_")
            || w->objectName().startsWith(u"StatusBar1_Panel"))
            continue;
        QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
    }

    m_w->StatusBar1->setPanelText(2, u"12 trouvés"_s);
    QCOMPARE(m_w->StatusBar1->panel(2)->accessibleName(), u"12 trouvés"_s);
    QCOMPARE(m_w->StatusBar1->panelText(2), u"12 trouvés"_s);
}

void TestWindowLayout::statusPanels()
{
    auto check = [&](int width) {
        PanelStatusBar *bar = m_w->StatusBar1;
        QCOMPARE(bar->width(), width);
        // Right edges at 50, 100 and 300; the last panel reaches the end.
        QCOMPARE(bar->panel(0)->x(), 0);
        QCOMPARE(bar->panel(1)->x(), 50);
        QCOMPARE(bar->panel(2)->x(), 100);
        QCOMPARE(bar->panel(3)->x(), 300);
        QVERIFY(bar->panel(0)->geometry().right() < 50);
        QVERIFY(bar->panel(1)->geometry().right() < 100);
        QVERIFY(bar->panel(2)->geometry().right() < 300);
        QCOMPARE(bar->panel(3)->geometry().right(), width - 1);
        QCOMPARE(bar->panel(0)->frameShadow(), QFrame::Sunken);
        QCOMPARE(bar->panel(1)->frameShadow(), QFrame::Raised);
        QCOMPARE(bar->panel(2)->frameShadow(), QFrame::Sunken);
        QCOMPARE(bar->panel(3)->frameShadow(), QFrame::Raised);
        auto *grip = bar->findChild<QSizeGrip *>();
        QVERIFY(grip && grip->isVisible());
        QCOMPARE(grip->geometry().right(), width - 1);
        QCOMPARE(grip->geometry().bottom(), bar->height() - 1);
    };
    check(686);
    widen();
    check(886);
}

void TestWindowLayout::frameAndCaption()
{
    QCOMPARE(m_w->objectName(), u"Form_CIS"_s);
    QCOMPARE(m_w->windowTitle(), u"ANSM CIS - Verdane 2015 ***{:-"_s);
    const Qt::WindowFlags f = m_w->windowFlags();
    QVERIFY(f & Qt::WindowCloseButtonHint);
    QVERIFY(!(f & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(f & Qt::WindowMaximizeButtonHint));
    QCOMPARE(f & Qt::WindowType_Mask, Qt::Window);
    // No size limits beyond the menu bar's own.
    QCOMPARE(m_w->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    QCOMPARE(m_w->minimumWidth(), 0);
    QVERIFY(m_w->minimumHeight() <= m_w->MainMenu1->height());
}

QTEST_MAIN(TestWindowLayout)
#include "tst_window_layout.moc"
