#pragma once
// The result list's model: the store's matching line numbers, with a check
// flag and a highlight flag per row. No item per row: a search of " " lists
// every line of stores of a million lines.
#include <QAbstractListModel>
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
    // What the row shows and reads out: its ResultRow, cut after ShownUnits
    // characters with "…". A line of megabytes (from a file that is no CIS
    // file) would otherwise cost seconds at each paint of the list.
    QString shownText(int row) const;
    static constexpr qsizetype ShownUnits = 4096;
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
