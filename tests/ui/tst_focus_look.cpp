// Where the keyboard focus is must show on screen: the focused control looks
// different from the same control without the focus, and a box that has lost
// the focus draws neither a caret nor the active selection colour.
#include "ui/frm_cis.h"
#include "ui/labeled_line_edit.h"
#include "ui/result_list.h"
#include "ui/style/amethyst_style.h"
#include "ui/style/visual_style.h"
#include "ui/upper_case_line_edit.h"
#include "window_fixture.h"

#include <QApplication>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Pixels that differ between two grabs of the same widget.
int changedPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return a.width() * a.height();
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

bool near(QRgb c, const QColor &ref, int tolerance = 24)
{
    return qAbs(qRed(c) - ref.red()) <= tolerance && qAbs(qGreen(c) - ref.green()) <= tolerance
           && qAbs(qBlue(c) - ref.blue()) <= tolerance;
}

int pixelsNear(const QImage &img, const QColor &ref)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += near(img.pixel(x, y), ref);
    return n;
}

QImage grab(QWidget *w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Darkest run of a column over the caret's height: a caret is a dark line
// that fills it.
bool hasCaret(QLineEdit *box, const QImage &img)
{
    const QRect caret = box->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    for (int x = caret.left(); x <= caret.right() + 1; ++x) {
        if (x < 0 || x >= img.width())
            continue;
        int dark = 0, tall = 0;
        for (int y = caret.top() + 2; y <= caret.bottom() - 2 && y < img.height(); ++y, ++tall)
            dark += qGray(img.pixel(x, y)) < 110;
        if (tall > 4 && dark == tall)
            return true;
    }
    return false;
}

} // namespace

class TestFocusLook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void focusedButtonShows_data();
    void focusedButtonShows();
    void focusedListShows();
    void onlyTheFocusedBoxLooksActive();
    void listCheckBoxesFitTheirRows();

private:
    void tabTo(QWidget *target);
    std::unique_ptr<fixture::ProgramFolder> m_folder;
    std::unique_ptr<TForm_CIS> m_w;
};

void TestFocusLook::initTestCase()
{
    InitVerdaneResources();
    EnsureProgramFonts();
    QVERIFY(ApplyVisualStyle(kProgramStyleName));
}

void TestFocusLook::init()
{
    m_folder = std::make_unique<fixture::ProgramFolder>();
    QVERIFY(fixture::writeFile(m_folder->path(u"cis.txt"_s), fixture::sampleCis()));
    m_w = fixture::openWindow();
    QVERIFY(m_w);
    QApplication::setActiveWindow(m_w.get());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_w->Edit1));
}

void TestFocusLook::cleanup()
{
    m_w.reset();
    m_folder.reset();
}

void TestFocusLook::tabTo(QWidget *target)
{
    for (int i = 0; i < 20 && QApplication::focusWidget() != target; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), target);
}

void TestFocusLook::focusedButtonShows_data()
{
    QTest::addColumn<QString>("button");
    // The search button is the default one before it takes the focus: its
    // default rim alone must not look like the focus.
    QTest::newRow("default button") << u"btn_SEARCH"_s;
    QTest::newRow("plain button") << u"btn_close"_s;
    // A picture filling the button must not hide the rim.
    QTest::newRow("picture button") << u"btn_copy"_s;
}

void TestFocusLook::focusedButtonShows()
{
    QFETCH(QString, button);
    auto *b = m_w->findChild<QPushButton *>(button);
    QVERIFY(b);
    const QImage before = grab(b);
    tabTo(b);
    const QImage after = grab(b);
    // A whole rim's worth of pixels, not a stray one.
    QVERIFY2(changedPixels(before, after) > 2 * (b->width() + b->height()) / 2,
             qPrintable(QString::number(changedPixels(before, after))));
    // In a colour of its own, not the orange of the default and hover rims.
    QVERIFY(pixelsNear(after, amethyst::kFocus)
            > pixelsNear(before, amethyst::kFocus) + b->height());
    // All round the button, whatever its face holds: a band along each side.
    const int w = after.width(), h = after.height();
    const QRect sides[4] = {{0, 0, w, 4}, {0, h - 4, w, 4}, {0, 0, 4, h}, {w - 4, 0, 4, h}};
    for (const QRect &side : sides)
        QVERIFY2(pixelsNear(after.copy(side), amethyst::kFocus)
                     >= std::max(side.width(), side.height()) / 2,
                 qPrintable(u"side %1,%2 %3x%4"_s.arg(side.x())
                                .arg(side.y())
                                .arg(side.width())
                                .arg(side.height())));
}

void TestFocusLook::focusedListShows()
{
    m_w->Edit1->setText(u"O"_s);
    QTest::keyClick(m_w->Edit1, Qt::Key_Return);
    ResultListView *list = m_w->JvCheckListBox1;
    QCOMPARE(list->count(), 3);
    const QImage before = grab(list);
    tabTo(list);
    const QImage after = grab(list);
    QVERIFY(pixelsNear(after, amethyst::kFocus)
            > pixelsNear(before, amethyst::kFocus) + list->height());
}

void TestFocusLook::onlyTheFocusedBoxLooksActive()
{
    m_w->Edit1->setText(u"DOLI"_s);
    QTest::keyClick(m_w->Edit1, Qt::Key_Return);
    QVERIFY(!m_w->Edit_NOM->text().isEmpty());

    // Through the name, form and route boxes: each selects all as it is entered.
    tabTo(m_w->Edit_NOM);
    QTest::keyClick(m_w->Edit_NOM, Qt::Key_Tab);
    QTest::keyClick(m_w->edit_FORME, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_w->EDIT_VOIE));

    // The focused box shows its selection in the active colour.
    QVERIFY(m_w->EDIT_VOIE->hasSelectedText());
    QVERIFY(pixelsNear(grab(m_w->EDIT_VOIE), amethyst::kOrange) > 20);

    // The boxes left behind: the name keeps its selection (the copy button
    // copies it) but neither draws the active colour nor a caret.
    QVERIFY(m_w->Edit_NOM->hasSelectedText());
    for (LabeledLineEdit *box : {m_w->Edit_NOM, m_w->edit_FORME}) {
        const QImage img = grab(box);
        QCOMPARE(pixelsNear(img, amethyst::kOrange), 0);
        QVERIFY2(!hasCaret(box, img), qPrintable(box->objectName()));
    }
    // The selection is still drawn, in the inactive colour.
    const QImage kept = grab(m_w->Edit_NOM);
    const int start = m_w->Edit_NOM->selectionStart(), length = m_w->Edit_NOM->selectionLength();
    m_w->Edit_NOM->deselect();
    QVERIFY(changedPixels(kept, grab(m_w->Edit_NOM)) > 20);
    m_w->Edit_NOM->setSelection(start, length);

    // Back in the name box: the active colour again.
    QTest::keyClick(m_w->EDIT_VOIE, Qt::Key_Backtab);
    QTest::keyClick(m_w->edit_FORME, Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_w->Edit_NOM));
    QVERIFY(pixelsNear(grab(m_w->Edit_NOM), amethyst::kOrange) > 20);
}

QTEST_MAIN(TestFocusLook)
// Each row's check box is drawn whole: a box taller than the row loses its
// top edge, and the boxes down the list run into one ladder.
void TestFocusLook::listCheckBoxesFitTheirRows()
{
    m_w->Edit1->setText(u"O"_s);
    QTest::keyClick(m_w->Edit1, Qt::Key_Return);
    ResultListView *list = m_w->JvCheckListBox1;
    QVERIFY(list->count() > 0);
    QStyleOptionViewItem opt;
    opt.initFrom(list);
    opt.widget = list; // as the list's painting gives it
    opt.rect = list->visualRect(list->resultModel()->index(0));
    opt.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QRect box = list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt,
                                                    list);
    QCOMPARE(opt.rect.height(), ResultListModel::RowHeight);
    QVERIFY2(opt.rect.contains(box),
             qPrintable(u"box %1x%2 at %3,%4 in a row of %5"_s.arg(box.width())
                            .arg(box.height())
                            .arg(box.x())
                            .arg(box.y())
                            .arg(opt.rect.height())));
}

#include "tst_focus_look.moc"
