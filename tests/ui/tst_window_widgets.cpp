// The window's own small controls: gauge, lamp, labelled box, search box.
#include "ui/labeled_line_edit.h"
#include "ui/progress_gauge.h"
#include "ui/status_lamp.h"
#include "ui/style/visual_style.h"
#include "ui/upper_case_line_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Real key events carrying any character, accented ones included.
void typeText(QWidget *w, const QString &text)
{
    for (const QChar c : text) {
        const Qt::Key key = c.unicode() < 0x80 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Press, w, key, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, w, key, QString(c), Qt::NoModifier);
    }
}

bool isYellowish(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 80;
}

bool isBlackish(QRgb c)
{
    return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60;
}

} // namespace

class TestWindowWidgets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void gaugePercent_data();
    void gaugePercent();
    void gaugePaint_data();
    void gaugePaint();
    void gaugeRepaintsOnWholePercent();
    void lampColours();
    void upperEditTyping_data();
    void upperEditTyping();
    void upperEditPasteKeepsCaret();
    void boxSelectsAllOnFocus();
    void noLengthLimit();
    void labelFollowsBox();
};

void TestWindowWidgets::initTestCase()
{
    InitVerdaneResources();
    EnsureProgramFonts();
}

void TestWindowWidgets::gaugePercent_data()
{
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("progress");
    QTest::addColumn<int>("percent");
    QTest::newRow("start") << 0 << 100 << 0 << 0;
    QTest::newRow("whole share") << 0 << 30000 << 30000 << 100;
    QTest::newRow("rounded down") << 0 << 3 << 2 << 66;
    QTest::newRow("offset range") << 100 << 300 << 150 << 25;
    QTest::newRow("empty range") << 5 << 5 << 5 << 0;
    QTest::newRow("large counts") << 0 << 2000000000 << 1999999999 << 99;
}

void TestWindowWidgets::gaugePercent()
{
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, progress);
    QFETCH(int, percent);
    ProgressGauge g;
    g.setMinValue(min);
    g.setMaxValue(max);
    g.setProgress(progress);
    QCOMPARE(g.percent(), percent);
}

void TestWindowWidgets::gaugePaint_data()
{
    QTest::addColumn<int>("percent");
    QTest::newRow("0%") << 0;
    QTest::newRow("25%") << 25;
    QTest::newRow("75%") << 75;
    QTest::newRow("100%") << 100;
}

void TestWindowWidgets::gaugePaint()
{
    QFETCH(int, percent);
    ProgressGauge g;
    g.resize(401, 16);
    g.setMaxValue(100);
    g.setProgress(percent);
    const QImage img = g.grab().toImage();
    QCOMPARE(img.size(), QSize(401, 16));

    // Black frame all round.
    for (QPoint p : {QPoint(0, 0), QPoint(0, 8), QPoint(400, 15), QPoint(120, 0), QPoint(120, 15),
                     QPoint(400, 8)})
        QCOMPARE(QColor(img.pixel(p)), QColor(Qt::black));

    // Blue from inside the frame up to x = (width - 1) * percent / 100, exclusive.
    const int fillEnd = 400 * percent / 100;
    const int probeY = 2; // above the text
    if (fillEnd > 1) {
        QCOMPARE(QColor(img.pixel(1, probeY)), QColor(0, 0, 255));
        QCOMPARE(QColor(img.pixel(qMin(fillEnd, 400) - 1, probeY)), QColor(0, 0, 255));
    }
    if (fillEnd < 400)
        QCOMPARE(QColor(img.pixel(qMax(fillEnd, 1), probeY)), QColor(Qt::white));

    // The centred number: black over white, yellow over blue.
    bool black = false, yellow = false;
    for (int x = 170; x < 230; ++x) {
        for (int y = 1; y < 15; ++y) {
            const QRgb c = img.pixel(x, y);
            black = black || (isBlackish(c) && x >= fillEnd);
            yellow = yellow || (isYellowish(c) && x < fillEnd);
        }
    }
    QCOMPARE(black, percent < 50);
    QCOMPARE(yellow, percent > 50);
}

void TestWindowWidgets::gaugeRepaintsOnWholePercent()
{
    ProgressGauge g;
    g.resize(200, 16);
    g.setMaxValue(1000);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    QCoreApplication::processEvents();
    PaintCounter counter;
    g.installEventFilter(&counter);

    // 0.9 % is still 0 %: nothing to paint.
    for (int i = 1; i <= 9; ++i)
        g.setProgress(i);
    QCOMPARE(counter.paints, 0);
    // The step to 1 % paints at once, without waiting for the event loop.
    g.setProgress(10);
    QCOMPARE(counter.paints, 1);
    g.setProgress(19);
    QCOMPARE(counter.paints, 1);
    g.setProgress(500);
    QCOMPARE(counter.paints, 2);
}

void TestWindowWidgets::lampColours()
{
    QWidget holder;
    QPalette pal = holder.palette();
    pal.setColor(QPalette::Window, QColor(255, 0, 255));
    holder.setPalette(pal);
    holder.setAutoFillBackground(true);
    holder.resize(40, 40);
    auto *lamp = new StatusLamp(&holder);
    lamp->setGeometry(10, 10, 17, 17);

    QVERIFY(lamp->status()); // lit when created
    QCOMPARE(lamp->accessibleDescription(), u"allumé"_s);
    QImage img = holder.grab(QRect(10, 10, 17, 17)).toImage();
    QCOMPARE(QColor(img.pixel(11, 12)), QColor(0, 255, 0));
    // Round: the corners show what lies below.
    QCOMPARE(QColor(img.pixel(0, 0)), QColor(255, 0, 255));
    QCOMPARE(QColor(img.pixel(16, 16)), QColor(255, 0, 255));
    // A white highlight in the upper left part of the disc.
    bool highlight = false;
    for (int x = 3; x < 9; ++x)
        for (int y = 3; y < 9; ++y)
            highlight = highlight || (qRed(img.pixel(x, y)) > 200 && qBlue(img.pixel(x, y)) > 200);
    QVERIFY(highlight);

    lamp->setStatus(false);
    QCOMPARE(lamp->accessibleDescription(), u"éteint"_s);
    img = holder.grab(QRect(10, 10, 17, 17)).toImage();
    QCOMPARE(QColor(img.pixel(11, 12)), QColor(255, 0, 0));
}

void TestWindowWidgets::upperEditTyping_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << u"doliprane"_s << u"DOLIPRANE"_s;
    QTest::newRow("accented") << u"éèàçôü"_s << u"ÉÈÀÇÔÜ"_s;
    QTest::newRow("digits and signs") << u"a 500 mg/5ml"_s << u"A 500 MG/5ML"_s;
    // No single upper-case letter: stays as it is, the length never changes.
    QTest::newRow("sharp s") << u"straße"_s << u"STRAßE"_s;
}

void TestWindowWidgets::upperEditTyping()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    UpperCaseLineEdit e;
    e.show();
    QVERIFY(QTest::qWaitForWindowExposed(&e));
    typeText(&e, typed);
    QCOMPARE(e.text(), shown);
    QCOMPARE(e.cursorPosition(), shown.size());
}

void TestWindowWidgets::upperEditPasteKeepsCaret()
{
    UpperCaseLineEdit e;
    e.show();
    QVERIFY(QTest::qWaitForWindowExposed(&e));
    typeText(&e, u"ab"_s);
    e.setCursorPosition(1);
    QGuiApplication::clipboard()->setText(u"xé"_s);
    e.paste();
    QCOMPARE(e.text(), u"AXÉB"_s);
    QCOMPARE(e.cursorPosition(), 3);
    // Typing in the middle keeps the caret after the new letter.
    QTest::keyClick(&e, Qt::Key_Y, Qt::NoModifier);
    QCOMPARE(e.text(), u"AXÉYB"_s);
    QCOMPARE(e.cursorPosition(), 4);
}

void TestWindowWidgets::boxSelectsAllOnFocus()
{
    QWidget w;
    auto *first = new UpperCaseLineEdit(&w);
    first->setGeometry(10, 10, 100, 21);
    auto *box = new LabeledLineEdit(u"NOM"_s, &w);
    box->setGeometry(10, 60, 200, 21);
    box->setText(u"DOLIPRANE 500 mg"_s);
    w.resize(260, 100);
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));

    // By Tab.
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(box));
    QCOMPARE(box->selectedText(), box->text());

    // By code.
    first->setFocus();
    box->deselect();
    box->setFocus();
    QCOMPARE(box->selectedText(), box->text());

    // By a left click: the caret goes where the user clicked, nothing selected.
    first->setFocus();
    box->deselect();
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(box));
    QVERIFY(box->selectedText().isEmpty());

    // The search box follows the same rule.
    first->setText(u"ABC"_s);
    first->deselect();
    QTest::keyClick(box, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(first));
    QCOMPARE(first->selectedText(), u"ABC"_s);
}

void TestWindowWidgets::noLengthLimit()
{
    // Fields of any length are shown whole, not cut at the toolkit's default.
    const QString longField(100000, u'x');
    QWidget panel;
    auto *box = new LabeledLineEdit(u"NOM"_s, &panel);
    box->setText(longField);
    QCOMPARE(box->text().size(), longField.size());
    UpperCaseLineEdit search;
    search.setText(longField);
    QCOMPARE(search.text(), longField.toUpper());
}

void TestWindowWidgets::labelFollowsBox()
{
    QWidget w;
    auto *box = new LabeledLineEdit(u"CODE CIS"_s, &w);
    box->setGeometry(16, 92, 57, 21);
    w.resize(200, 150);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QLabel *label = box->label();
    QCOMPARE(label->parentWidget(), &w);
    QCOMPARE(label->text(), u"CODE CIS"_s);
    QCOMPARE(label->pos(), QPoint(16, 76));
    QCOMPARE(box->accessibleName(), u"CODE CIS"_s);

    box->move(30, 50);
    QCOMPARE(label->pos(), QPoint(30, 34));
    box->hide();
    QVERIFY(!label->isVisible());
    box->show();
    QVERIFY(label->isVisible());

    QSignalSpy spy(box, &LabeledLineEdit::labelDoubleClicked);
    QTest::mouseDClick(label, Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QTest::mouseDClick(box, Qt::LeftButton); // the box itself is not the label
    QCOMPARE(spy.count(), 1);

    // The label goes with its box.
    QPointer<QLabel> watched = label;
    delete box;
    QVERIFY(watched.isNull());
}

QTEST_MAIN(TestWindowWidgets)
#include "tst_window_widgets.moc"
