#include "ui/accessibility.h"

#include "ui/panel_status_bar.h"
#include "ui/progress_gauge.h"
#include "ui/result_list.h"
#include "ui/status_lamp.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFrame>
#include <QHash>
#include <QPointer>
#include <QSizeGrip>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The gauge: a progress bar whose value is the number of lines tested so
// far, between its minimum and maximum.
class GaugeAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit GaugeAccessible(ProgressGauge *gauge)
        : QAccessibleWidget(gauge, QAccessible::ProgressBar)
    {
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return u"%1%"_s.arg(gauge()->percent());
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State st = QAccessibleWidget::state();
        st.readOnly = true;
        return st;
    }
    QVariant currentValue() const override { return gauge()->progress(); }
    void setCurrentValue(const QVariant &) override { } // display only
    QVariant maximumValue() const override { return gauge()->maxValue(); }
    QVariant minimumValue() const override { return gauge()->minValue(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    ProgressGauge *gauge() const { return static_cast<ProgressGauge *>(widget()); }
};

// A lamp: an on/off state that the user reads but cannot change, told as a
// checked or unchecked box; its description says "allumé" or "éteint".
class LampAccessible : public QAccessibleWidget
{
public:
    explicit LampAccessible(StatusLamp *lamp) : QAccessibleWidget(lamp, QAccessible::CheckBox) { }
    QAccessible::State state() const override
    {
        QAccessible::State st = QAccessibleWidget::state();
        st.checkable = true;
        st.checked = static_cast<StatusLamp *>(widget())->status();
        st.readOnly = true;
        return st;
    }
};

class ResultListAccessible;

// One row of the result list.
class ResultRowAccessible : public QAccessibleInterface
{
public:
    ResultRowAccessible(ResultListView *view, int row) : m_view(view), m_row(row) { }

    bool isValid() const override { return m_view && m_row >= 0 && m_row < m_view->count(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return m_view ? QAccessible::queryAccessibleInterface(m_view.data()) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || (t != QAccessible::Name && t != QAccessible::Value))
            return {};
        return t == QAccessible::Name ? m_view->resultModel()->shownText(m_row) : QString();
    }
    void setText(QAccessible::Text, const QString &) override { }
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect r = m_view->visualRect(m_view->resultModel()->index(m_row));
        return QRect(m_view->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::State state() const override
    {
        QAccessible::State st;
        if (!isValid()) {
            st.invalid = true;
            return st;
        }
        st.selectable = true;
        st.extSelectable = m_view->selectionMode() == QAbstractItemView::ExtendedSelection;
        st.multiSelectable = st.extSelectable;
        st.focusable = true;
        st.checkable = true;
        st.checked = m_view->checked(m_row);
        st.selected = m_view->selected(m_row);
        // The current row is only "focused" while the list itself has the
        // keyboard focus: otherwise the search box and row 0 would both claim it.
        st.focused = m_view->hasFocus() && m_view->itemIndex() == m_row;
        const QRect r = m_view->visualRect(m_view->resultModel()->index(m_row));
        if (!m_view->viewport()->rect().intersects(r))
            st.invisible = st.offscreen = true;
        return st;
    }
    int row() const { return m_row; }

private:
    QPointer<ResultListView> m_view;
    int m_row;
};

// The list: its children are its rows, made when asked for and dropped when
// the rows change, so a list of a million rows costs nothing until read. As a
// one-column table it also tells which rows are selected (highlighted).
class ResultListAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit ResultListAccessible(ResultListView *view) : QAccessibleWidget(view, QAccessible::List)
    {
        // Any change of rows renumbers them: the made row interfaces go.
        QAbstractItemModel *model = view->resultModel();
        const auto drop = [this] { dropRows(); };
        m_connections << QObject::connect(model, &QAbstractItemModel::modelReset, view, drop)
                      << QObject::connect(model, &QAbstractItemModel::layoutChanged, view, drop)
                      << QObject::connect(model, &QAbstractItemModel::rowsRemoved, view, drop)
                      << QObject::connect(model, &QAbstractItemModel::rowsInserted, view, drop);
    }
    ~ResultListAccessible() override
    {
        for (const QMetaObject::Connection &c : std::as_const(m_connections))
            QObject::disconnect(c);
        dropRows();
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    int childCount() const override { return view()->count(); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (const auto it = m_rows.constFind(index); it != m_rows.cend())
            return QAccessible::accessibleInterface(*it);
        auto *row = new ResultRowAccessible(view(), index);
        m_rows.insert(index, QAccessible::registerAccessibleInterface(row));
        return row;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child || child->role() != QAccessible::ListItem || child->parent() != this)
            return -1;
        return static_cast<const ResultRowAccessible *>(child)->row();
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint p = view()->viewport()->mapFromGlobal(QPoint(x, y));
        const QModelIndex index = view()->indexAt(p);
        return index.isValid() ? child(index.row()) : nullptr;
    }

    // The table: one column, a cell per row.
    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override
    {
        return column == 0 ? child(row) : nullptr;
    }
    int columnCount() const override { return 1; }
    int rowCount() const override { return view()->count(); }
    QString columnDescription(int) const override { return {}; }
    QString rowDescription(int) const override { return {}; }
    int selectedCellCount() const override { return int(selectedRows().size()); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    QList<QAccessibleInterface *> selectedCells() const override
    {
        QList<QAccessibleInterface *> cells;
        for (int row : selectedRows())
            cells << child(row);
        return cells;
    }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override
    {
        QList<int> rows;
        const QModelIndexList indexes = view()->selectionModel()->selectedIndexes();
        for (const QModelIndex &index : indexes)
            rows << index.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override { return view()->selected(row); }
    bool selectRow(int row) override { return setRowSelected(row, true); }
    bool unselectRow(int row) override { return setRowSelected(row, false); }
    bool selectColumn(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent *) override { dropRows(); }

private:
    ResultListView *view() const { return static_cast<ResultListView *>(widget()); }
    bool setRowSelected(int row, bool on)
    {
        if (row < 0 || row >= view()->count())
            return false;
        view()->selectionModel()->select(view()->resultModel()->index(row),
                                         on ? QItemSelectionModel::Select
                                            : QItemSelectionModel::Deselect);
        return true;
    }
    void dropRows()
    {
        const auto ids = m_rows.values();
        m_rows.clear();
        for (QAccessible::Id id : ids)
            QAccessible::deleteAccessibleInterface(id);
    }
    mutable QHash<int, QAccessible::Id> m_rows;
    QList<QMetaObject::Connection> m_connections;
};

template <typename T>
bool isA(const QString &className)
{
    return className == QLatin1StringView(T::staticMetaObject.className());
}

QAccessibleInterface *programInterfaces(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    if (isA<ResultListView>(className))
        return new ResultListAccessible(static_cast<ResultListView *>(widget));
    if (isA<ProgressGauge>(className))
        return new GaugeAccessible(static_cast<ProgressGauge *>(widget));
    if (isA<StatusLamp>(className))
        return new LampAccessible(static_cast<StatusLamp *>(widget));
    if (isA<PanelStatusBar>(className))
        return new QAccessibleWidget(widget, QAccessible::StatusBar);
    if (isA<QSizeGrip>(className))
        return new QAccessibleWidget(widget, QAccessible::Grip);
    // A plain frame is a panel that groups controls (not a top-level frame).
    if (widget->metaObject() == &QFrame::staticMetaObject)
        return new QAccessibleWidget(widget, QAccessible::Grouping);
    return nullptr;
}

} // namespace

void EnsureAccessibleInterfaces()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(programInterfaces);
}

void NotifyAccessibleValueChanged(QWidget *widget, int value)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent event(widget, value);
    QAccessible::updateAccessibility(&event);
}

void NotifyAccessibleCheckedChanged(QWidget *widget)
{
    if (!QAccessible::isActive())
        return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(widget, changed);
    QAccessible::updateAccessibility(&event);
}
