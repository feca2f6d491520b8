// Placeholder: the result list model and view (to be completed).
#include "result_list.h"

ResultListModel::ResultListModel(QObject *parent) : QAbstractListModel(parent) {}
void ResultListModel::setRows(std::shared_ptr<const CisStore> store, std::vector<qsizetype> lines)
{
    beginResetModel();
    m_store = std::move(store);
    m_lines = std::move(lines);
    m_checked.assign(m_lines.size(), 0);
    endResetModel();
}
void ResultListModel::clear() { setRows(nullptr, {}); }
int ResultListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_lines.size()); }
QVariant ResultListModel::data(const QModelIndex &, int) const { return {}; }
bool ResultListModel::setData(const QModelIndex &, const QVariant &, int) { return false; }
Qt::ItemFlags ResultListModel::flags(const QModelIndex &index) const { return QAbstractListModel::flags(index); }
QString ResultListModel::rowText(int) const { return {}; }
bool ResultListModel::isChecked(int row) const { return m_checked[size_t(row)] != 0; }
void ResultListModel::setChecked(int row, bool c) { m_checked[size_t(row)] = c; }
qsizetype ResultListModel::storeLine(int row) const { return m_lines[size_t(row)]; }

TCheckListView::TCheckListView(QWidget *parent) : QListView(parent), m_model(new ResultListModel(this)) { setModel(m_model); }
int TCheckListView::count() const { return m_model->rowCount(); }
QString TCheckListView::itemText(int row) const { return m_model->rowText(row); }
bool TCheckListView::checked(int row) const { return m_model->isChecked(row); }
void TCheckListView::setChecked(int row, bool c) { m_model->setChecked(row, c); }
bool TCheckListView::selected(int) const { return false; }
void TCheckListView::setSelected(int, bool) {}
int TCheckListView::itemIndex() const { return currentIndex().isValid() ? currentIndex().row() : -1; }
void TCheckListView::setItemIndex(int row) { setCurrentIndex(m_model->index(row)); }
void TCheckListView::clear() { m_model->clear(); }
