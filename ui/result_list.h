#pragma once
// The result list: a list model over the store's matching line numbers with a
// check flag per row, shown in a QListView. No widget item per row: a search
// of " " lists every line of stores of a million lines.
#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QListView>
#include <QPersistentModelIndex>
#include <functional>
#include <memory>
#include <vector>

class CisStore;

class ResultListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit ResultListModel(QObject *parent = nullptr);

    // Rows are lines of `store` (kept alive by the model: after an import the
    // list still shows the previous file's rows until the next search).
    void setRows(std::shared_ptr<const CisStore> store, std::vector<qsizetype> lines);
    void clear();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    QString rowText(int row) const; // the ResultRow: tabs become ";"
    bool isChecked(int row) const;
    void setChecked(int row, bool checked);
    qsizetype storeLine(int row) const;
    const CisStore *store() const { return m_store.get(); }

    // Number of characters of a row without building its text.
    qsizetype rowLength(int row) const;
    // Checks every row but those flagged (one change notification).
    void setCheckedWhereNot(const std::vector<bool> &unchecked);
    // The width every row reports as its size hint (the view's scroll width).
    void setRowWidth(int width);
    int rowWidth() const { return m_rowWidth; }

    // The marking pass's highlight: one flag per row. While it is shown, only
    // highlighted rows report themselves selectable, so that one selection
    // range over the whole list reads, for the view, the selection model and
    // accessibility alike, as exactly the highlighted rows.
    void showHighlight(std::vector<bool> highlighted);
    bool highlightShown() const { return m_highlightShown; }
    bool isHighlighted(int row) const;
    void dropHighlight();

    static constexpr int RowHeight = 13;

private:
    std::shared_ptr<const CisStore> m_store;
    std::vector<qsizetype> m_lines;
    std::vector<unsigned char> m_checked;
    std::vector<bool> m_highlighted;
    bool m_highlightShown = false;
    int m_rowWidth = 0;
};

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
