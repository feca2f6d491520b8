// The result list answers every geometry question from its fixed row height:
// a listing of a million rows lays out none of them, and what the user sees
// and does (rows, scrolling, keys, clicks, selection) is what a QListView of
// uniform rows gives over the same model.
#include "core/cis_store.h"
#include "ui/result_list.h"

#include <QApplication>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Counts what a layout pass would ask of each row.
class CountingDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        ++sizeHints;
        return QStyledItemDelegate::sizeHint(option, index);
    }
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        ++paints;
        QStyledItemDelegate::paint(painter, option, index);
    }
    mutable int sizeHints = 0;
    mutable int paints = 0;
};

std::shared_ptr<CisStore> storeOf(int lines, int longEvery)
{
    auto store = std::make_shared<CisStore>();
    for (int i = 0; i < lines; ++i) {
        QString line = u"%1\tPRODUIT %2\tcomprimé"_s.arg(60000000 + i).arg(i);
        if (longEvery > 0 && i % longEvery == 0)
            line += u"\t"_s + QString(120, u'X');
        store->append(line);
    }
    return store;
}

std::vector<qsizetype> allLines(int n)
{
    std::vector<qsizetype> lines(size_t(n), 0);
    for (int i = 0; i < n; ++i)
        lines[size_t(i)] = i;
    return lines;
}

QList<int> selectedRows(const QAbstractItemView &view)
{
    QList<int> rows;
    for (const QModelIndex &index : view.selectionModel()->selectedIndexes())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace

class TestResultList : public QObject
{
    Q_OBJECT
private slots:
    void millionRowsAreNeverLaidOut();
    void sameAsUniformQListView_data();
    void sameAsUniformQListView();
    void hugeRowShowsItsBeginning_data();
    void hugeRowShowsItsBeginning();
};

void TestResultList::millionRowsAreNeverLaidOut()
{
    constexpr int N = 1000000;
    ResultListView list;
    CountingDelegate delegate;
    list.setItemDelegate(&delegate);
    // Without the promise of uniform rows a per-row layout would ask the
    // delegate for every row's size: none may be asked.
    list.setUniformItemSizes(false);
    list.resize(300, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));

    // A million rows over a few lines, as a listing of " " would give.
    auto store = storeOf(7, 3);
    std::vector<qsizetype> lines(static_cast<size_t>(N));
    for (int i = 0; i < N; ++i)
        lines[size_t(i)] = i % 7;
    list.resultModel()->setRows(store, std::move(lines));
    list.setItemIndex(0);
    QApplication::processEvents();
    list.viewport()->repaint();
    const int visibleRows = list.viewport()->height() / ResultListModel::RowHeight + 2;
    QVERIFY2(delegate.sizeHints <= 2, qPrintable(u"%1 size questions"_s.arg(delegate.sizeHints)));
    QVERIFY(delegate.paints > 0);
    QVERIFY(delegate.paints <= 2 * visibleRows);
    QCOMPARE(list.verticalScrollBar()->maximum(),
             N - list.viewport()->height() / ResultListModel::RowHeight);

    // To the end and back by keys: the rows found, shown and hit are the
    // right ones at both ends of the list.
    list.setFocus();
    delegate.paints = 0;
    QTest::keyClick(&list, Qt::Key_End);
    QCOMPARE(list.itemIndex(), N - 1);
    const QRect last = list.visualRect(list.resultModel()->index(N - 1));
    QVERIFY(last.top() >= 0 && last.bottom() < list.viewport()->height());
    QCOMPARE(list.indexAt(last.center()).row(), N - 1);
    QCOMPARE(list.indexAt(last.center() + QPoint(0, ResultListModel::RowHeight)), QModelIndex());
    QTest::keyClick(&list, Qt::Key_PageUp);
    // A page up lands on the row a viewport's height above the end.
    const int h = list.viewport()->height();
    QCOMPARE(list.itemIndex(), (N * ResultListModel::RowHeight - h + ResultListModel::RowHeight - 1)
                                   / ResultListModel::RowHeight);
    QTest::keyClick(&list, Qt::Key_Home);
    QCOMPARE(list.itemIndex(), 0);
    QCOMPARE(list.verticalScrollBar()->value(), 0);
    list.viewport()->repaint();
    QVERIFY(delegate.sizeHints <= 2);
    QVERIFY(delegate.paints <= 8 * visibleRows);
}

void TestResultList::sameAsUniformQListView_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("longEvery"); // every n-th row wider than the view; 0: none
    QTest::addColumn<QSize>("size");
    QTest::newRow("empty") << 0 << 0 << QSize(300, 200);
    QTest::newRow("fits, narrow rows") << 5 << 0 << QSize(400, 200);
    QTest::newRow("scrolls, page of whole rows") << 60 << 0 << QSize(400, 13 * 10 + 30);
    QTest::newRow("scrolls, wide rows, part row") << 60 << 7 << QSize(250, 157);
    QTest::newRow("one row") << 1 << 1 << QSize(250, 100);
}

void TestResultList::sameAsUniformQListView()
{
    QFETCH(int, rows);
    QFETCH(int, longEvery);
    QFETCH(QSize, size);

    ResultListView list;
    list.resultModel()->setRows(storeOf(std::max(rows, 1), longEvery), allLines(rows));
    // The reference: Qt's own list over the same model, set up alike.
    QListView ref;
    ref.setModel(list.resultModel());
    ref.setUniformItemSizes(true);
    ref.setSelectionMode(QAbstractItemView::ExtendedSelection);
    ref.setEditTriggers(QAbstractItemView::NoEditTriggers);
    ref.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ref.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    ref.setTextElideMode(Qt::ElideNone);
    for (QAbstractItemView *v :
         {static_cast<QAbstractItemView *>(&list), static_cast<QAbstractItemView *>(&ref)}) {
        v->resize(size);
        v->show();
        QVERIFY(QTest::qWaitForWindowExposed(v));
    }
    QApplication::processEvents();

    const auto sameGeometry = [&](const char *where) {
        const QString at = QString::fromLatin1(where);
        QCOMPARE(list.viewport()->size(), ref.viewport()->size());
        for (QScrollBar *(QAbstractScrollArea::*bar)() const :
             {&QAbstractScrollArea::verticalScrollBar, &QAbstractScrollArea::horizontalScrollBar}) {
            const QScrollBar *a = (list.*bar)();
            const QScrollBar *b = (ref.*bar)();
            QVERIFY2(a->maximum() == b->maximum() && a->pageStep() == b->pageStep()
                         && a->singleStep() == b->singleStep() && a->value() == b->value()
                         && a->isVisible() == b->isVisible(),
                     qPrintable(at
                                + u": scroll bar max %1/%2 page %3/%4 step %5/%6 value %7/%8"_s
                                      .arg(a->maximum())
                                      .arg(b->maximum())
                                      .arg(a->pageStep())
                                      .arg(b->pageStep())
                                      .arg(a->singleStep())
                                      .arg(b->singleStep())
                                      .arg(a->value())
                                      .arg(b->value())));
        }
        for (int r = 0; r < rows; ++r) {
            const QModelIndex index = list.resultModel()->index(r);
            QVERIFY2(list.visualRect(index) == ref.visualRect(index),
                     qPrintable(at + u" row %1"_s.arg(r)));
        }
        const int w = list.viewport()->width();
        const int h = list.viewport()->height();
        for (int x : {-1, 0, 7, w - 1, w + 2, 2000})
            for (int y = -3; y < h + 3; y += 4)
                QVERIFY2(list.indexAt(QPoint(x, y)) == ref.indexAt(QPoint(x, y)),
                         qPrintable(at + u" point %1,%2"_s.arg(x).arg(y)));
    };
    sameGeometry("shown");
    if (rows == 0)
        return;

    // Scrolled to each end and the middle.
    const int maxValue = ref.verticalScrollBar()->maximum();
    for (int value : {maxValue / 2, maxValue, 0}) {
        ref.verticalScrollBar()->setValue(value);
        list.verticalScrollBar()->setValue(value);
        ref.horizontalScrollBar()->setValue(value);
        list.horizontalScrollBar()->setValue(value);
        sameGeometry("scrolled");
    }

    // Scrolling to a row, each way.
    for (int r = 0; r < rows; r += std::max(1, rows / 7)) {
        for (auto hint :
             {QAbstractItemView::EnsureVisible, QAbstractItemView::PositionAtTop,
              QAbstractItemView::PositionAtBottom, QAbstractItemView::PositionAtCenter}) {
            const QModelIndex index = list.resultModel()->index(r);
            list.scrollTo(index, hint);
            ref.scrollTo(index, hint);
            QVERIFY2(list.verticalScrollBar()->value() == ref.verticalScrollBar()->value(),
                     qPrintable(u"scrollTo row %1 hint %2"_s.arg(r).arg(int(hint))));
        }
    }

    // Keys, plain and with Shift or Control, then clicks and a drag.
    const QList<std::pair<int, Qt::KeyboardModifiers>> keys = {
        {Qt::Key_Down, {}},
        {Qt::Key_Down, {}},
        {Qt::Key_PageDown, {}},
        {Qt::Key_PageDown, {}},
        {Qt::Key_Up, Qt::ShiftModifier},
        {Qt::Key_PageDown, Qt::ShiftModifier},
        {Qt::Key_PageUp, {}},
        {Qt::Key_End, {}},
        {Qt::Key_Down, {}},
        {Qt::Key_PageUp, Qt::ShiftModifier},
        {Qt::Key_Up, Qt::ControlModifier},
        {Qt::Key_Home, Qt::ShiftModifier},
        {Qt::Key_Up, {}},
        {Qt::Key_PageUp, {}},
        {Qt::Key_End, Qt::ShiftModifier},
        {Qt::Key_Home, {}},
    };
    // The same start for both, whichever took the focus when shown.
    for (QAbstractItemView *v :
         {static_cast<QAbstractItemView *>(&list), static_cast<QAbstractItemView *>(&ref)}) {
        v->selectionModel()->setCurrentIndex(list.resultModel()->index(0),
                                             QItemSelectionModel::ClearAndSelect);
        v->verticalScrollBar()->setValue(0);
    }
    for (const auto &[key, mods] : keys) {
        QTest::keyClick(&list, Qt::Key(key), mods);
        QTest::keyClick(&ref, Qt::Key(key), mods);
        const QString what = u"key %1 mods %2: rows %3/%4"_s.arg(key, 0, 16)
                                 .arg(int(mods))
                                 .arg(list.currentIndex().row())
                                 .arg(ref.currentIndex().row())
                             + u" scroll %1/%2"_s.arg(list.verticalScrollBar()->value())
                                   .arg(ref.verticalScrollBar()->value());
        QVERIFY2(list.currentIndex() == ref.currentIndex(), qPrintable(what));
        QVERIFY2(selectedRows(list) == selectedRows(ref), qPrintable(what));
        QVERIFY2(list.verticalScrollBar()->value() == ref.verticalScrollBar()->value(),
                 qPrintable(what));
    }
    const int h = list.viewport()->height();
    const QList<std::pair<QPoint, Qt::KeyboardModifiers>> clicks = {
        {QPoint(20, 5), {}},
        {QPoint(20, h - 4), Qt::ShiftModifier},
        {QPoint(20, 30), Qt::ControlModifier},
        {QPoint(20, h + 40), {}},
        {QPoint(20, 18), {}},
    };
    for (const auto &[p, mods] : clicks) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, mods, p);
        QTest::mouseClick(ref.viewport(), Qt::LeftButton, mods, p);
        const QString what = u"click %1,%2"_s.arg(p.x()).arg(p.y());
        QVERIFY2(list.currentIndex() == ref.currentIndex(), qPrintable(what));
        QVERIFY2(selectedRows(list) == selectedRows(ref), qPrintable(what));
    }
    for (QAbstractItemView *v :
         {static_cast<QAbstractItemView *>(&list), static_cast<QAbstractItemView *>(&ref)}) {
        QTest::mousePress(v->viewport(), Qt::LeftButton, {}, QPoint(30, 3));
        QMouseEvent move(QEvent::MouseMove, QPointF(35, 45),
                         v->viewport()->mapToGlobal(QPointF(35, 45)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(v->viewport(), &move);
        QTest::mouseRelease(v->viewport(), Qt::LeftButton, {}, QPoint(35, 45));
    }
    QCOMPARE(list.currentIndex(), ref.currentIndex());
    QCOMPARE(selectedRows(list), selectedRows(ref));
    sameGeometry("after the clicks");
}

void TestResultList::hugeRowShowsItsBeginning_data()
{
    constexpr qsizetype n = ResultListModel::ShownUnits;
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("shown");
    QTest::newRow("as long as shown") << QString(n, u'A') << QString(n, u'A');
    QTest::newRow("one character more") << QString(n, u'A') + u'B' << QString(n, u'A') + u'…';
    QTest::newRow("a whole file without line break")
        << QString(2'000'000, u'A') + u"\tX"_s << QString(n, u'A') + u'…';
    QTest::newRow("a letter of two units across the cut")
        << QString(n - 1, u'A') + u"\U0001F600B"_s << QString(n - 1, u'A') + u'…';
    QTest::newRow("tabs shown as ;")
        << u"6\tA\t"_s + QString(n, u'C') << u"6;A;"_s + QString(n - 4, u'C') + u'…';
}

// A file that is no CIS file may hold a line of megabytes: the row shows
// its beginning, so that painting and measuring the list stay quick, while
// the row's own text stays whole.
void TestResultList::hugeRowShowsItsBeginning()
{
    QFETCH(QString, line);
    QFETCH(QString, shown);
    auto store = std::make_shared<CisStore>();
    store->append(line);
    store->append(u"61266250\tDOLIPRANE"_s);
    ResultListView list;
    list.resize(300, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.resultModel()->setRows(store, {0, 1});
    const ResultListModel *model = list.resultModel();
    QCOMPARE(model->data(model->index(0), Qt::DisplayRole).toString(), shown);
    QCOMPARE(model->data(model->index(0), Qt::AccessibleTextRole).toString(), shown);
    QCOMPARE(model->data(model->index(1), Qt::DisplayRole).toString(), u"61266250;DOLIPRANE"_s);
    QCOMPARE(list.itemText(0), QString(line).replace(u'\t', u';'));
    // The scroll width follows the shown text.
    const QFontMetrics fm(list.font());
    QVERIFY(model->rowWidth() >= fm.horizontalAdvance(shown));
    QVERIFY(model->rowWidth() < fm.horizontalAdvance(shown) + 100);
    list.viewport()->repaint();
}

QTEST_MAIN(TestResultList)
#include "tst_result_list.moc"
