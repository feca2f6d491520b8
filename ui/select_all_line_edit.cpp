#include "ui/select_all_line_edit.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <limits>

namespace {

// A box entered by the keyboard or given the focus by code selects its whole
// text; a left click places the caret where the user clicked instead.
// Re-activating the window only restores the focus it had.
bool selectsAllOnFocus(const QFocusEvent *e)
{
    switch (e->reason()) {
    case Qt::MouseFocusReason:
        return !(QGuiApplication::mouseButtons() & Qt::LeftButton);
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
        return false;
    default:
        return true;
    }
}

} // namespace

SelectAllLineEdit::SelectAllLineEdit(QWidget *parent) : QLineEdit(parent)
{
    setMaxLength(std::numeric_limits<int>::max()); // a text is shown whole, however long
}

void SelectAllLineEdit::focusInEvent(QFocusEvent *e)
{
    showSelectionActive(true);
    QLineEdit::focusInEvent(e);
    if (selectsAllOnFocus(e))
        selectAll();
}

void SelectAllLineEdit::focusOutEvent(QFocusEvent *e)
{
    QLineEdit::focusOutEvent(e);
    showSelectionActive(false);
}

void SelectAllLineEdit::showSelectionActive(bool active)
{
    if (active) {
        setPalette(QPalette()); // the inherited colours again
        return;
    }
    // Only the two selection roles are set; everything else stays inherited.
    QPalette inactive;
    inactive.setColor(QPalette::Highlight, palette().color(QPalette::Button));
    inactive.setColor(QPalette::HighlightedText, palette().color(QPalette::Text));
    setPalette(inactive);
}
