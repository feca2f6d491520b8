// The result list: the view over ResultListModel. Its geometry is worked
// out from the row number; the marking pass's highlight is one selection.
#include "ui/result_list.h"

#include "core/app_error.h"
#include "core/cis_store.h"
#include "ui/accessibility.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <queue>

using namespace Qt::StringLiterals;

// ---- The highlight as a selection ------------------------------------------

namespace {

// The highlight of a big listing is one selection range over every row,
// read through the model's per-row flags: tens of thousands of ranges would
// cost the view a region each and the selection model two persistent indexes
// each, on the marking pass and again on the first move. The first change
// of the selection gives what it would give over the highlighted rows as
// ranges of their own.
class HighlightSelectionModel : public QItemSelectionModel
{
public:
    explicit HighlightSelectionModel(ResultListModel *model)
        : QItemSelectionModel(model)
        , m_rows(model)
    {
    }

    void showHighlight()
    {
        const int n = m_rows->rowCount();
        m_placing = true;
        if (n > 0)
            QItemSelectionModel::select(QItemSelection(m_rows->index(0), m_rows->index(n - 1)),
                                        ClearAndSelect);
        else
            QItemSelectionModel::select(QItemSelection(), ClearAndSelect);
        m_placing = false;
    }

    using QItemSelectionModel::select;
    void select(const QItemSelection &selection, SelectionFlags command) override
    {
        if (m_placing || command == NoUpdate || !m_rows->highlightShown()) {
            QItemSelectionModel::select(selection, command);
            return;
        }
        if (command & (Clear | Current)) {
            // The highlight is replaced. The rows left are read while the
            // flags still tell which were highlighted.
            QItemSelectionModel::select(selection, command);
            m_rows->dropHighlight();
            return;
        }
        // Added to or taken from: the highlighted rows become plain ranges.
        QItemSelection ranges;
        const int n = m_rows->rowCount();
        for (int r = 0; r < n;) {
            if (!m_rows->isHighlighted(r)) {
                ++r;
                continue;
            }
            const int first = r;
            while (r < n && m_rows->isHighlighted(r))
                ++r;
            ranges.append(QItemSelectionRange(m_rows->index(first), m_rows->index(r - 1)));
        }
        m_rows->dropHighlight();
        m_placing = true;
        QItemSelectionModel::select(ranges, ClearAndSelect);
        m_placing = false;
        QItemSelectionModel::select(selection, command);
    }

private:
    ResultListModel *m_rows;
    bool m_placing = false;
};

} // namespace

// ---- ResultListView -------------------------------------------------------

ResultListView::ResultListView(QWidget *parent)
    : QListView(parent)
    , m_model(new ResultListModel(this))
{
    setModel(m_model);
    EnsureAccessibleInterfaces();
    QItemSelectionModel *const defaultSelection = selectionModel();
    setSelectionModel(new HighlightSelectionModel(m_model));
    delete defaultSelection;
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    // Runs after the view's own reset handling, before its delayed layout.
    connect(m_model, &QAbstractItemModel::modelReset, this, &ResultListView::updateRowWidth);
}

int ResultListView::count() const
{
    return m_model->rowCount();
}

QString ResultListView::itemText(int row) const
{
    if (row < 0 || row >= count())
        throw AppError(u"Index de liste hors limites (%1)"_s.arg(row));
    return m_model->rowText(row);
}

bool ResultListView::checked(int row) const
{
    return m_model->isChecked(row);
}

void ResultListView::setChecked(int row, bool checked)
{
    m_model->setChecked(row, checked);
}

bool ResultListView::selected(int row) const
{
    return row >= 0 && row < count() && selectionModel()->isSelected(m_model->index(row));
}

int ResultListView::itemIndex() const
{
    const QModelIndex cur = currentIndex();
    return cur.isValid() && cur.row() < count() ? cur.row() : -1;
}

void ResultListView::setItemIndex(int row)
{
    if (row < 0 || row >= count()) {
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    // The current row moves without touching the highlight.
    const QModelIndex idx = m_model->index(row);
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::NoUpdate);
    scrollTo(idx);
}

void ResultListView::clear()
{
    m_prefix.clear();
    m_model->clear();
}

void ResultListView::markRows(const std::function<bool(int)> &highlight)
{
    const int n = count();
    if (n == 0)
        return;
    // One pass over the rows, then the check marks from the flags.
    std::vector<bool> highlighted(size_t(n), false);
    bool any = false;
    for (int r = 0; r < n; ++r) {
        const bool hi = highlight(r);
        highlighted[size_t(r)] = hi;
        any = any || hi;
    }
    m_model->setCheckedWhereNot(highlighted);
    auto *const selection = static_cast<HighlightSelectionModel *>(selectionModel());
    if (!any) {
        m_model->dropHighlight();
        selection->select(QItemSelection(), QItemSelectionModel::ClearAndSelect);
        return;
    }
    m_model->showHighlight(std::move(highlighted));
    selection->showHighlight();
}

QRegion ResultListView::visualRegionForSelection(const QItemSelection &selection) const
{
    // A range is one rectangle from its first row to its last, clipped to
    // what is visible.
    QRegion region;
    const QRect visible = viewport()->rect();
    for (const QItemSelectionRange &range : selection) {
        if (!range.isValid() || range.parent().isValid() || range.model() != m_model)
            continue;
        const QRect rect(visualRect(range.topLeft()).topLeft(),
                         visualRect(range.bottomRight()).bottomRight());
        if (visible.intersects(rect))
            region += rect.intersected(visible);
    }
    return region;
}

// ---- Fixed-height geometry -------------------------------------------------

namespace {
constexpr int RowHeight = ResultListModel::RowHeight;
} // namespace

bool ResultListView::isRowIndex(const QModelIndex &index) const
{
    return index.isValid() && index.model() == m_model && !index.parent().isValid()
           && index.column() == 0 && index.row() < count();
}

QRect ResultListView::rowRect(int row) const
{
    // Rows are as wide as the widest text, or the viewport when it is wider.
    return QRect(0, row * RowHeight, std::max(m_model->rowWidth(), viewport()->width()), RowHeight);
}

ResultListView::RowSpan ResultListView::rowsIn(const QRect &area) const
{
    // Above the first row counts as the first row, and a point just at the
    // end of the list as the last one: callers check what they need.
    const int n = count();
    if (n == 0 || area.right() < 0 || area.top() > n * RowHeight || area.bottom() < 0)
        return {};
    RowSpan span;
    span.first = area.top() < 0 ? 0 : std::min(area.top() / RowHeight, n - 1);
    span.last = std::min(area.bottom() / RowHeight, n - 1);
    return span;
}

void ResultListView::doItemsLayout()
{
    // Nothing to lay out: the scroll bars and the viewport follow the row
    // count. The state keeps the scroll bars' resize from asking again.
    const State old = state();
    setState(ExpandingState);
    QAbstractItemView::doItemsLayout();
    setState(old);
}

QRect ResultListView::visualRect(const QModelIndex &index) const
{
    if (!isRowIndex(index))
        return {};
    const QRect rect = rowRect(index.row());
    if (!rect.isValid())
        return rect;
    return rect.translated(-horizontalOffset(), -verticalOffset());
}

QModelIndex ResultListView::indexAt(const QPoint &p) const
{
    const RowSpan span = rowsIn(QRect(p.x() + horizontalOffset(), p.y() + verticalOffset(), 1, 1));
    if (span.last < span.first)
        return {};
    const QModelIndex index = m_model->index(span.last);
    return visualRect(index).contains(p) ? index : QModelIndex();
}

int ResultListView::verticalOffset() const
{
    // The vertical scroll bar counts rows.
    const int value = verticalScrollBar()->value();
    return count() > 0 ? value * RowHeight : value;
}

void ResultListView::scrollContentsBy(int dx, int dy)
{
    const int n = count();
    if (n > 0) {
        const int now = std::clamp(verticalScrollBar()->value(), 0, n);
        dy = (std::clamp(now + dy, 0, n) - now) * RowHeight;
    }
    viewport()->scroll(isRightToLeft() ? -dx : dx, dy);
}

void ResultListView::updateGeometries()
{
    const int n = count();
    QScrollBar *const hbar = horizontalScrollBar();
    QScrollBar *const vbar = verticalScrollBar();
    if (geometry().isEmpty() || n <= 0) {
        hbar->setRange(0, 0);
        vbar->setRange(0, 0);
    } else {
        const int width = m_model->rowWidth();
        hbar->setSingleStep(width);
        hbar->setPageStep(viewport()->width());
        hbar->setRange(0, width - viewport()->width());
        // A page is as many whole rows as the viewport shows.
        const int height = viewport()->height();
        const int page = qint64(n) * RowHeight <= height ? n + 1 : height / RowHeight;
        vbar->setSingleStep(1);
        vbar->setPageStep(page);
        vbar->setRange(0, n - page);
    }
    QAbstractItemView::updateGeometries();
    // Place the viewport now that the scroll bars know whether they show
    // (resetting the margins lays the scroll area out at once).
    setViewportMargins(viewportMargins());
}

QSize ResultListView::viewportSizeHint() const
{
    const int n = count();
    if (n == 0)
        return QAbstractItemView::viewportSizeHint();
    return QSize(m_model->rowWidth(), n * RowHeight);
}

void ResultListView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    const QRect rect = visualRect(index);
    if (!rect.isValid())
        return;
    const QRect area = viewport()->rect();
    if (hint == EnsureVisible && area.contains(rect)) {
        viewport()->update(rect);
        return;
    }
    if (hint == EnsureVisible && rect.top() < area.top())
        hint = PositionAtTop;
    else if (hint == EnsureVisible && rect.bottom() > area.bottom())
        hint = PositionAtBottom;
    const int row = index.row();
    // The rows that fit in the viewport, the one asked for included.
    const int fit = std::min(row + 1, std::max(1, area.height() / RowHeight));
    int value = std::clamp(verticalScrollBar()->value(), 0, count());
    switch (hint) {
    case PositionAtTop:
        value = row;
        break;
    case PositionAtBottom:
        value = row - fit + 1;
        break;
    case PositionAtCenter:
        value = row - fit / 2;
        break;
    case EnsureVisible:
        break;
    }
    verticalScrollBar()->setValue(value);
}

void ResultListView::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    if (!selectionModel())
        return;
    const int dx = horizontalOffset();
    const int dy = verticalOffset();
    const auto rowAt = [&](int x, int y) {
        const RowSpan span = rowsIn(QRect(x + dx, y + dy, 1, 1));
        return span.last < span.first ? -1 : span.last;
    };
    QItemSelection selection;
    if (rect.width() == 1 && rect.height() == 1) {
        // A press selects the row under it.
        const int row = rowAt(rect.left(), rect.top());
        if (row >= 0)
            selection.select(m_model->index(row), m_model->index(row));
    } else if (state() == DragSelectingState) {
        // Dragging selects the rows the rectangle meets.
        const RowSpan span = rowsIn(rect.translated(dx, dy));
        if (span.first <= span.last)
            selection.select(m_model->index(span.first), m_model->index(span.last));
    } else {
        // Shift with a click or a key: from the row at one corner to the
        // row at the other, in the two ranges a list gives.
        const int from = rowAt(rect.left(), rect.top());
        const int to = rowAt(rect.right(), rect.bottom());
        if (from >= 0 && to >= 0) {
            const auto range = [&](int a, int b) {
                QItemSelection s;
                s.select(m_model->index(a), m_model->index(b));
                return s;
            };
            if (from < to) {
                selection.merge(range(from, to - 1), QItemSelectionModel::Select);
                selection.merge(range(to, to), QItemSelectionModel::Select);
            } else if (from > to) {
                selection.merge(range(from, from), QItemSelectionModel::Select);
                selection.merge(range(to, from - 1), QItemSelectionModel::Select);
            } else {
                selection.merge(range(from, from), QItemSelectionModel::Select);
            }
        }
    }
    selectionModel()->select(selection, command);
}

QModelIndex ResultListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int n = count();
    const QModelIndex current = currentIndex();
    if (!isRowIndex(current))
        return n > 0 ? m_model->index(0) : QModelIndex();
    const int cur = current.row();
    const QRect initial = rowRect(cur);
    if (initial.isEmpty())
        return m_model->index(0);
    QRect rect = initial;
    const QSize contents(m_model->rowWidth(), n * RowHeight);

    // The row nearest the current one among those the area meets, the
    // current row aside; -1 when there is none.
    const auto nearest = [&](const QRect &area) {
        const RowSpan span = rowsIn(area);
        int best = -1;
        int shortest = INT_MAX;
        for (int r = span.first; r <= span.last; ++r) {
            if (r == cur)
                continue;
            const int distance = std::abs(rowRect(r).center().y() - initial.center().y());
            if (distance < shortest) {
                shortest = distance;
                best = r;
            }
        }
        return best;
    };

    int found = -1;
    switch (cursorAction) {
    case MoveLeft:
        while (found < 0) {
            rect.translate(-rect.width(), 0);
            if (rect.right() <= 0)
                return current;
            if (rect.left() < 0)
                rect.setLeft(0);
            found = nearest(rect);
        }
        break;
    case MoveRight:
        while (found < 0) {
            rect.translate(rect.width(), 0);
            if (rect.left() >= contents.width())
                return current;
            if (rect.right() > contents.width())
                rect.setRight(contents.width());
            found = nearest(rect);
        }
        break;
    case MovePageUp:
        // A page is the rows the viewport shows but one.
        rect.moveTop(rect.top() - viewport()->height() + 2 * rect.height());
        if (rect.top() < rect.height())
            rect.moveTop(rect.height());
        Q_FALLTHROUGH();
    case MovePrevious:
    case MoveUp:
        while (found < 0) {
            rect.translate(0, -rect.height());
            if (rect.bottom() <= 0)
                return current;
            if (rect.top() < 0)
                rect.setTop(0);
            found = nearest(rect);
        }
        break;
    case MovePageDown:
        rect.moveTop(rect.top() + viewport()->height() - 2 * rect.height());
        if (rect.bottom() > contents.height() - rect.height())
            rect.moveBottom(contents.height() - rect.height());
        Q_FALLTHROUGH();
    case MoveNext:
    case MoveDown:
        while (found < 0) {
            rect.translate(0, rect.height());
            if (rect.top() >= contents.height())
                return current;
            if (rect.bottom() > contents.height())
                rect.setBottom(contents.height());
            found = nearest(rect);
        }
        break;
    case MoveHome:
        return m_model->index(0);
    case MoveEnd:
        return m_model->index(n - 1);
    }
    return m_model->index(found);
}

void ResultListView::paintEvent(QPaintEvent *e)
{
    QAbstractItemDelegate *const delegate = itemDelegate();
    if (!delegate)
        return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QPainter painter(viewport());
    const RowSpan span = rowsIn(e->rect().translated(horizontalOffset(), verticalOffset()));
    const QModelIndex current = currentIndex();
    const QItemSelectionModel *const selections = selectionModel();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QStyle::State state = option.state;
    const bool enabled = (state & QStyle::State_Enabled) != 0;
    const int maxWidth = std::max(viewport()->width(), m_model->rowWidth());
    for (int row = span.first; row <= span.last; ++row) {
        const QModelIndex index = m_model->index(row);
        option.rect = visualRect(index);
        option.rect.setWidth(std::min(maxWidth, option.rect.width()));
        option.state = state;
        if (selections && selections->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (enabled) {
            if (!(m_model->flags(index) & Qt::ItemIsEnabled)) {
                option.state &= ~QStyle::State_Enabled;
                option.palette.setCurrentColorGroup(QPalette::Disabled);
            } else {
                option.palette.setCurrentColorGroup(QPalette::Normal);
            }
        }
        if (focus && current == index) {
            option.state |= QStyle::State_HasFocus;
            if (this->state() == EditingState)
                option.state |= QStyle::State_Editing;
        }
        option.state.setFlag(QStyle::State_MouseOver, index == m_hover);
        delegate->paint(&painter, option, index);
    }
}

bool ResultListView::viewportEvent(QEvent *e)
{
    // The row under the pointer, for the painter, as the view tracks it.
    switch (e->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        m_hover = indexAt(static_cast<QHoverEvent *>(e)->position().toPoint());
        break;
    case QEvent::Enter:
        m_hover = indexAt(static_cast<QEnterEvent *>(e)->position().toPoint());
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
        m_hover = QPersistentModelIndex();
        break;
    default:
        break;
    }
    return QListView::viewportEvent(e);
}

void ResultListView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // Screen readers hear of the new current row by its row number.
    if (QAccessible::isActive() && isRowIndex(current) && hasFocus()) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(current.row());
        QAccessible::updateAccessibility(&event);
    }
    QAbstractItemView::currentChanged(current, previous);
}

void ResultListView::selectionChanged(const QItemSelection &selected,
                                      const QItemSelection &deselected)
{
    if (QAccessible::isActive()) {
        // The first row that changed, as a list tells it, found without
        // listing every row of a long range.
        const auto firstRow = [this](const QItemSelection &selection) {
            for (const QItemSelectionRange &range : selection) {
                if (!range.isValid() || range.model() != m_model)
                    continue;
                for (int r = range.top(); r <= range.bottom(); ++r) {
                    const Qt::ItemFlags f = m_model->flags(m_model->index(r));
                    if ((f & Qt::ItemIsSelectable) && (f & Qt::ItemIsEnabled))
                        return r;
                }
            }
            return -1;
        };
        if (const int row = firstRow(selected); row >= 0) {
            QAccessibleEvent event(this, QAccessible::SelectionAdd);
            event.setChild(row);
            QAccessible::updateAccessibility(&event);
        }
        if (const int row = firstRow(deselected); row >= 0) {
            QAccessibleEvent event(this, QAccessible::SelectionRemove);
            event.setChild(row);
            QAccessible::updateAccessibility(&event);
        }
    }
    QAbstractItemView::selectionChanged(selected, deselected);
}

void ResultListView::updateRowWidth()
{
    const int n = count();
    if (n == 0) {
        m_model->setRowWidth(0);
        return;
    }
    // Measuring a million texts would take seconds: measure only the rows
    // with the most characters, which hold the widest one in practice.
    constexpr size_t Candidates = 16;
    using Entry = std::pair<qsizetype, int>; // length, row
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> longest;
    for (int r = 0; r < n; ++r) {
        const qsizetype len = m_model->rowLength(r);
        if (longest.size() < Candidates) {
            longest.emplace(len, r);
        } else if (len > longest.top().first) {
            longest.pop();
            longest.emplace(len, r);
        }
    }
    const QFontMetrics fm(font());
    int textWidth = 0;
    while (!longest.empty()) {
        const int r = longest.top().second;
        longest.pop();
        textWidth = std::max(textWidth, fm.horizontalAdvance(m_model->shownText(r) + u' '));
    }
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const int check = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
    m_model->setRowWidth(textWidth + check + 4 * margin);
}

void ResultListView::changeEvent(QEvent *e)
{
    QListView::changeEvent(e);
    if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange)
        updateRowWidth();
}

bool ResultListView::prefixTimedOut() const
{
    return !m_lastTypedKey.isValid()
           || m_lastTypedKey.elapsed() >= QApplication::keyboardInputInterval();
}

int ResultListView::findPrefix(const QString &prefix) const
{
    const int n = count();
    const qsizetype len = prefix.size();
    const CisStore *store = m_model->store();
    QString line;
    for (int r = 0; r < n; ++r) {
        const qsizetype storeLine = m_model->storeLine(r);
        if (store->lineLength(storeLine) < len)
            continue;
        store->readLine(storeLine, line, len);
        qsizetype i = 0;
        for (; i < len; ++i) {
            QChar c = line[i];
            if (c == u'\t')
                c = u';';
            if (c != prefix[i] && c.toCaseFolded() != prefix[i].toCaseFolded())
                break;
        }
        if (i == len)
            return r;
    }
    return -1;
}

void ResultListView::makeOnlyRow(int row)
{
    const QModelIndex idx = m_model->index(row);
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
    scrollTo(idx);
}

void ResultListView::keyboardSearch(const QString &search)
{
    // An empty list has nothing to find and nothing to show.
    if (count() == 0 || search.isEmpty())
        return;
    if (prefixTimedOut())
        m_prefix.clear();
    m_lastTypedKey.start();
    m_prefix += search;
    const int row = findPrefix(m_prefix);
    if (row < 0)
        return;
    makeOnlyRow(row);
    emit userSelectionChanged();
}

void ResultListView::keyPressEvent(QKeyEvent *e)
{
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    switch (e->key()) {
    case Qt::Key_Space:
        if (mods == Qt::NoModifier) {
            const int row = itemIndex();
            if (row >= 0)
                setChecked(row, !checked(row));
            e->accept();
            return;
        }
        break;
    case Qt::Key_Backspace:
        if (mods == Qt::NoModifier) {
            e->accept();
            if (count() == 0)
                return;
            if (prefixTimedOut())
                m_prefix.clear();
            m_lastTypedKey.start();
            m_prefix.chop(1);
            const int row = m_prefix.isEmpty() ? 0 : findPrefix(m_prefix);
            if (row < 0)
                return;
            makeOnlyRow(row);
            emit userSelectionChanged();
            return;
        }
        break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        // A one-column list: left and right move the current row like up and
        // down.
        QKeyEvent vertical(e->type(), e->key() == Qt::Key_Left ? Qt::Key_Up : Qt::Key_Down,
                           e->modifiers(), e->text(), e->isAutoRepeat(), e->count());
        keyPressEvent(&vertical);
        e->setAccepted(vertical.isAccepted());
        return;
    }
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        QListView::keyPressEvent(e);
        if (count() > 0)
            emit userSelectionChanged();
        return;
    default:
        break;
    }
    const QString text = e->text();
    if (!text.isEmpty() && text.at(0).isPrint()
        && !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        keyboardSearch(text);
        e->accept();
        return;
    }
    QListView::keyPressEvent(e);
}

void ResultListView::mousePressEvent(QMouseEvent *e)
{
    // Only the left button picks a row: another one would move the current
    // row and the highlight while the record view kept the product shown
    // before.
    if (e->button() != Qt::LeftButton) {
        e->accept();
        return;
    }
    const QModelIndex idx = indexAt(e->position().toPoint());
    QListView::mousePressEvent(e);
    m_rowAtPress = itemIndex();
    if (e->button() == Qt::LeftButton && idx.isValid())
        emit userSelectionChanged();
}

void ResultListView::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton) {
        e->accept();
        return;
    }
    QListView::mouseReleaseEvent(e);
    // A drag over the rows moved the current row: show where it ended.
    if (e->button() == Qt::LeftButton && itemIndex() >= 0 && itemIndex() != m_rowAtPress)
        emit userSelectionChanged();
    m_rowAtPress = -1;
}
