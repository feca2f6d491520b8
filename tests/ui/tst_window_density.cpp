// The window on a 192-dpi screen that the toolkit does not scale itself: the
// window doubles its fonts and every length.
#include "ui/frm_cis.h"
#include "ui/labeled_line_edit.h"
#include "ui/panel_status_bar.h"
#include "ui/style/visual_style.h"
#include "ui/upper_case_line_edit.h"
#include "window_fixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestWindowDensity : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void scaled_data();
    void scaled();
    void fontsAndLabels();
};

void TestWindowDensity::initTestCase()
{
    InitVerdaneResources();
    EnsureProgramFonts();
    QCOMPARE(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 192.0);
}

// Designed places and sizes, doubled: bands, boxes, and the controls that
// follow the right edge.
void TestWindowDensity::scaled_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("top band") << u"Panel3"_s << QRect(0, 0, 1372, 176);
    QTest::newRow("result list") << u"JvCheckListBox1"_s << QRect(0, 176, 1372, 294);
    QTest::newRow("record panel") << u"panel_edit"_s << QRect(0, 470, 1372, 262);
    QTest::newRow("status bar") << u"StatusBar1"_s << QRect(0, 848, 1372, 38);
    QTest::newRow("name box") << u"Edit_NOM"_s << QRect(32, 34, 786, 42);
    QTest::newRow("copy button") << u"btn_copy"_s << QRect(778, 34, 40, 42);
    QTest::newRow("lamp") << u"JvLED_AUT"_s << QRect(1090, 114, 34, 34);
    QTest::newRow("picture panel") << u"Panel2"_s << QRect(1112, 4, 256, 254);
    QTest::newRow("Vidal button") << u"btn_VIDAL"_s << QRect(1112, 2, 258, 112);
    QTest::newRow("search box") << u"Edit1"_s << QRect(12, 70, 390, 48);
    QTest::newRow("search button") << u"btn_SEARCH"_s << QRect(414, 30, 338, 138);
    QTest::newRow("close button") << u"btn_close"_s << QRect(752, 30, 146, 138);
}

void TestWindowDensity::scaled()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    fixture::ProgramFolder folder;
    auto w = fixture::openWindow();
    QVERIFY(w);
    QCOMPARE(w->ClientArea1->size(), QSize(1372, 886));
    QWidget *control = w->findChild<QWidget *>(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(control->geometry(), geometry);
}

void TestWindowDensity::fontsAndLabels()
{
    fixture::ProgramFolder folder;
    auto w = fixture::openWindow();
    QVERIFY(w);
    QCOMPARE(w->font().pixelSize(), 22);
    QCOMPARE(w->Edit1->font().pixelSize(), 26);
    // The result list sets its own font (no shaping): the form's, scaled.
    QCOMPARE(w->JvCheckListBox1->font().pixelSize(), 22);
    QCOMPARE(w->JvCheckListBox1->font().family(), w->font().family());
    // Each label still ends 3 designed pixels above its box.
    for (LabeledLineEdit *box : w->recordBoxes()) {
        QCOMPARE(box->label()->height(), 26);
        QCOMPARE(box->y() - box->label()->y(), 32);
    }
    // Status panels' right edges at 100, 200 and 600.
    QCOMPARE(w->StatusBar1->panel(1)->x(), 100);
    QCOMPARE(w->StatusBar1->panel(2)->x(), 200);
    QCOMPARE(w->StatusBar1->panel(3)->x(), 600);
}

int main(int argc, char **argv)
{
    // A large 192-dpi screen, and no scaling by the toolkit: the window's own
    // density rule does the work.
    QTemporaryDir dir;
    const QString config = dir.filePath(u"screen.json"_s);
    QFile f(config);
    if (!f.open(QIODevice::WriteOnly)
        || f.write(R"({"screens":[{"name":"dense","x":0,"y":0,"width":2400,"height":1800,)"
                   R"("logicalDpi":192,"logicalBaseDpi":96,"dpr":1}]})")
               <= 0)
        return 1;
    f.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    TestWindowDensity test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window_density.moc"
