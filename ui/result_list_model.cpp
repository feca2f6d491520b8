// Rows are line numbers into the store, texts are made on demand, so a
// million-row list costs a few bytes per row.
#include "ui/result_list_model.h"

#include "core/cis_store.h"
#include "core/text_logic.h"

#include <QSize>

ResultListModel::ResultListModel(QObject *parent) : QAbstractListModel(parent) { }

void ResultListModel::setRows(std::shared_ptr<const CisStore> store, std::vector<qsizetype> lines)
{
    beginResetModel();
    m_highlighted.clear();
    m_highlighted.shrink_to_fit();
    m_highlightShown = false;
    m_store = std::move(store);
    m_lines = std::move(lines);
    m_lines.shrink_to_fit();
    m_checked.assign(m_lines.size(), 0);
    m_checked.shrink_to_fit();
    if (!m_store)
        m_lines.clear();
    endResetModel();
}

void ResultListModel::clear()
{
    setRows(nullptr, {});
}

int ResultListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

QVariant ResultListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return shownText(index.row());
    case Qt::CheckStateRole:
        return isChecked(index.row()) ? Qt::Checked : Qt::Unchecked;
    case Qt::SizeHintRole:
        return QSize(m_rowWidth, RowHeight);
    default:
        return {};
    }
}

bool ResultListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= rowCount())
        return false;
    const bool on = value.toInt() == Qt::Checked;
    if (on != isChecked(index.row())) {
        m_checked[size_t(index.row())] = on;
        emit dataChanged(index, index, {Qt::CheckStateRole});
    }
    return true;
}

Qt::ItemFlags ResultListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable
                                | Qt::ItemNeverHasChildren;
    if (m_highlightShown && !isHighlighted(index.row()))
        return flags & ~Qt::ItemIsSelectable;
    return flags;
}

void ResultListModel::showHighlight(std::vector<bool> highlighted)
{
    m_highlighted = std::move(highlighted);
    m_highlighted.resize(m_lines.size());
    m_highlightShown = true;
}

bool ResultListModel::isHighlighted(int row) const
{
    return row >= 0 && size_t(row) < m_highlighted.size() && m_highlighted[size_t(row)];
}

void ResultListModel::dropHighlight()
{
    m_highlightShown = false;
    m_highlighted.clear();
    m_highlighted.shrink_to_fit();
}

QString ResultListModel::rowText(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return ResultRowText(m_store->line(m_lines[size_t(row)]));
}

QString ResultListModel::shownText(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const qsizetype line = m_lines[size_t(row)];
    QString text;
    m_store->readLine(line, text, ShownUnits);
    if (m_store->lineLength(line) <= ShownUnits)
        return ResultRowText(text);
    if (text.back().isHighSurrogate())
        text.chop(1);
    return ResultRowText(text) + u'…';
}

qsizetype ResultListModel::rowLength(int row) const
{
    // Tabs become ";" one for one: the row is as long as its line.
    return m_store->lineLength(m_lines[size_t(row)]);
}

bool ResultListModel::isChecked(int row) const
{
    return row >= 0 && row < rowCount() && m_checked[size_t(row)] != 0;
}

void ResultListModel::setChecked(int row, bool checked)
{
    setData(index(row), checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

qsizetype ResultListModel::storeLine(int row) const
{
    return m_lines[size_t(row)];
}

void ResultListModel::setCheckedWhereNot(const std::vector<bool> &unchecked)
{
    const int n = rowCount();
    for (int r = 0; r < n; ++r)
        m_checked[size_t(r)] = size_t(r) < unchecked.size() && unchecked[size_t(r)] ? 0 : 1;
    if (n > 0)
        emit dataChanged(index(0), index(n - 1), {Qt::CheckStateRole});
}

void ResultListModel::setRowWidth(int width)
{
    if (width == m_rowWidth)
        return;
    m_rowWidth = width;
    if (rowCount() > 0)
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::SizeHintRole});
}
