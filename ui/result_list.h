#pragma once
// The result list `JvCheckListBox1`: the rows of a ResultListModel in a
// QListView of fixed-height rows, with check marks, the marking pass's
// highlight and type-to-find.
#include "ui/result_list_model.h"

#include <QElapsedTimer>
#include <QListView>
#include <QPersistentModelIndex>
#include <functional>

class ResultListView : public QListView
{
    Q_OBJECT
public:
    explicit ResultListView(QWidget *parent = nullptr);
    ResultListModel *resultModel() const { return m_model; }

    int count() const;
    // Throws AppError "Index de liste hors limites (%d)" when row is out of range.
    QString itemText(int row) const;
    bool checked(int row) const;
    void setChecked(int row, bool checked);
    bool selected(int row) const;
    int itemIndex() const; // the current row, -1 when there is none
    void setItemIndex(int row);
    void clear(); // also drops the horizontal scroll width to 0

    // The marking pass in one go: rows for which `highlight` holds are
    // unchecked and highlighted, every other row checked and not highlighted.
    // The highlight reads as the selection until the first change of it,
    // which replaces it (or adds to it) exactly as it would a selection.
    void markRows(const std::function<bool(int row)> &highlight);

    // Type-to-find over the rows' beginnings (case-insensitive); a pause of
    // QApplication::keyboardInputInterval() or more starts a new prefix.
    void keyboardSearch(const QString &search) override;

    // Every row is RowHeight pixels high: each geometry question is answered
    // from the row number alone, so a listing never lays out its rows (a
    // million rows would cost tens of milliseconds per listing, and again at
    // each check mark). Answers are those of QListView's one-column list
    // mode with uniform item sizes, scrolled a row at a time.
    void doItemsLayout() override;
    QRect visualRect(const QModelIndex &index) const override;
    QModelIndex indexAt(const QPoint &p) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

signals:
    // The user changed the selection: a click on a row, a keyboard move,
    // type-to-find. The window runs the record view on it.
    void userSelectionChanged();

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void changeEvent(QEvent *e) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void updateGeometries() override;
    int verticalOffset() const override;
    void scrollContentsBy(int dx, int dy) override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void paintEvent(QPaintEvent *e) override;
    bool viewportEvent(QEvent *e) override;
    QSize viewportSizeHint() const override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;

private:
    // Rows [first, last] meeting an area in contents coordinates; last < first
    // when none.
    struct RowSpan
    {
        int first = 0;
        int last = -1;
    };
    RowSpan rowsIn(const QRect &area) const;
    QRect rowRect(int row) const; // in contents coordinates
    bool isRowIndex(const QModelIndex &index) const;
    void updateRowWidth();
    int findPrefix(const QString &prefix) const;
    void makeOnlyRow(int row);
    bool prefixTimedOut() const;

    ResultListModel *m_model;
    QString m_prefix;
    QElapsedTimer m_lastTypedKey;
    int m_rowAtPress = -1; // current row after the last press, to notice a drag
    QPersistentModelIndex m_hover;
};
