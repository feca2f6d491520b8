// Wiring of every control to its handler, and the window's keyboard: the
// application-wide filter that sees keys before the focused control.
#include "ui/frm_cis.h"

#include "ui/labeled_line_edit.h"
#include "ui/result_list.h"
#include "ui/upper_case_line_edit.h"
#include "ui/window_shortcuts.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

// Set while Escape is sent on to the control from the filter itself: that
// press must not be routed a second time.
bool passingOnKey = false;

Qt::KeyboardModifiers plainModifiers(const QKeyEvent *e)
{
    return e->modifiers() & ~Qt::KeypadModifier;
}

bool isAltF(const QKeyEvent *e)
{
    return plainModifiers(e) == Qt::AltModifier && e->key() == Qt::Key_F;
}

bool canTakeFocus(const QWidget *w)
{
    return (w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled();
}

// The arrows on a push button move the focus within its container, in tab
// order, wrapping round.
void moveFocusInContainer(QPushButton *button, bool forward)
{
    QWidget *container = button->parentWidget();
    if (!container)
        return;
    QList<QWidget *> ring;
    QWidget *w = button;
    do {
        if (w->parentWidget() == container && canTakeFocus(w))
            ring << w;
        w = w->nextInFocusChain();
    } while (w && w != button);
    const qsizetype here = ring.indexOf(button);
    if (ring.size() < 2 || here < 0)
        return;
    const qsizetype next = (here + (forward ? 1 : ring.size() - 1)) % ring.size();
    ring[next]->setFocus(Qt::TabFocusReason);
}

// A record box keeps its selection when it loses the focus: the copy button
// takes the focus, then copies what was selected in the name box.
bool keepSelectionOnFocusOut(QWidget *widget, QFocusEvent *e)
{
    auto *box = qobject_cast<LabeledLineEdit *>(widget);
    const Qt::FocusReason reason = e->reason();
    if (!box || !box->hasSelectedText() || reason == Qt::ActiveWindowFocusReason
        || reason == Qt::PopupFocusReason)
        return false;
    const int start = box->selectionStart();
    const int length = box->selectionLength();
    const bool caretAtStart = box->cursorPosition() == start;
    static_cast<QObject *>(box)->event(e); // the box's own focus-out, which deselects
    if (caretAtStart)
        box->setSelection(start + length, -length);
    else
        box->setSelection(start, length);
    return true;
}

// The window's shortcuts (Ctrl+C, Ctrl+Q, Ctrl+O) come before the focused
// control's own use of the keys; Alt+F is the close button's, not the menu
// bar's.
bool overrideShortcut(QKeyEvent *key)
{
    if (IsWindowShortcut(key)) {
        key->setAccepted(false);
        return true;
    }
    if (isAltF(key)) {
        key->accept();
        return true;
    }
    return false;
}

} // namespace

void TForm_CIS::wireHandlers()
{
    auto run = [this](void (TForm_CIS::*handler)()) {
        return [this, handler]() { guarded([this, handler]() { (this->*handler)(); }); };
    };

    connect(JvCheckListBox1, &ResultListView::userSelectionChanged, this,
            run(&TForm_CIS::JvCheckListBox1Click));
    connect(Edit_CIP, &QLineEdit::textChanged, this, run(&TForm_CIS::Edit_CIPChange));
    connect(edit_AUTORISATION, &QLineEdit::textChanged, this,
            run(&TForm_CIS::edit_AUTORISATIONChange));
    connect(EDIT_commecialise, &QLineEdit::textChanged, this,
            run(&TForm_CIS::EDIT_commecialiseChange));
    connect(Edit_CIP, &LabeledLineEdit::labelDoubleClicked, this,
            run(&TForm_CIS::Edit_CIP_SHELLURL));

    connect(btn_copy, &QPushButton::clicked, this, run(&TForm_CIS::btn_copyClick));
    connect(btn_Extrait, &QPushButton::clicked, this, run(&TForm_CIS::btn_ExtraitClick));
    connect(btn_VIDAL, &QPushButton::clicked, this, run(&TForm_CIS::btn_VIDALClick));
    connect(btn_SEARCH, &QPushButton::clicked, this, run(&TForm_CIS::btn_SEARCHClick));
    connect(btn_close, &QPushButton::clicked, this, run(&TForm_CIS::btn_closeClick));

    connect(PAgedetlchragemntdelANSM1, &QAction::triggered, this,
            run(&TForm_CIS::PAgedetlchragemntdelANSM1Click));
    connect(mnu_DOWNLOAD, &QAction::triggered, this, run(&TForm_CIS::mnu_DOWNLOADClick));
    connect(DGSUrgent1, &QAction::triggered, this, run(&TForm_CIS::DGSUrgent1Click));
    connect(Quitter1, &QAction::triggered, this, run(&TForm_CIS::Quitter1Click));
    connect(CopierleNom1, &QAction::triggered, this, run(&TForm_CIS::CopierleNom1Click));
    connect(m_openCisFile, &QAction::triggered, this, run(&TForm_CIS::openCisFile));

    // The focused push button looks like the default one, as Enter presses it;
    // otherwise the search button does.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (!now || now->window() != this)
            return;
        auto *focusedButton = qobject_cast<QPushButton *>(now);
        const auto buttons = findChildren<QPushButton *>();
        for (QPushButton *b : buttons)
            b->setDefault(focusedButton ? b == focusedButton : b == btn_SEARCH);
    });

    // Type-to-find in the result list starts a new prefix after this pause.
    QApplication::setKeyboardInputInterval(500);

    // Key preview and drops over child controls: an application filter sees
    // the events before the focused control, whichever it is.
    qApp->installEventFilter(this);
}

void TForm_CIS::FormKeyPress(QChar key)
{
    if (key.unicode() != 27)
        return;
    if (Edit1->text().isEmpty() && !FormClose())
        return; // the settings were not saved: nothing is cleared
    Edit1->setText(QString());
    JvCheckListBox1->clear();
    // Emptying a box runs its change reaction, as typing would.
    const QList<LabeledLineEdit *> boxes = recordBoxes();
    for (LabeledLineEdit *box : boxes)
        box->setText(QString());
    img_YES->hide();
    img_NO->hide();
    Edit1->setFocus();
}

bool TForm_CIS::eventFilter(QObject *watched, QEvent *e)
{
    const QEvent::Type type = e->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress && type != QEvent::DragEnter
        && type != QEvent::DragMove && type != QEvent::Drop && type != QEvent::FocusOut)
        return QMainWindow::eventFilter(watched, e);
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != this)
        return QMainWindow::eventFilter(watched, e);

    switch (type) {
    case QEvent::FocusOut:
        return keepSelectionOnFocusOut(widget, static_cast<QFocusEvent *>(e));
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return forwardFileDrag(widget, static_cast<QDropEvent *>(e));
    case QEvent::ShortcutOverride:
        return overrideShortcut(static_cast<QKeyEvent *>(e));
    default:
        return routeKey(widget, static_cast<QKeyEvent *>(e));
    }
}

bool TForm_CIS::routeKey(QWidget *widget, QKeyEvent *key)
{
    if (!isFocusedControlsPress(widget))
        return false;
    if (key->key() == Qt::Key_Escape) {
        escapeThenPassOn(widget, key);
        return true;
    }
    if (routeButtonKey(key) || routeMenuKey(key))
        return true;
    if (!key->text().isEmpty())
        guarded([this, key]() { FormKeyPress(key->text().at(0)); });
    return false;
}

bool TForm_CIS::isFocusedControlsPress(const QWidget *widget) const
{
    // Key presses: once, for the control that has the focus (an unused key
    // comes back here for each parent it travels up to).
    if (passingOnKey)
        return false;
    const QWidget *focus = QApplication::focusWidget();
    if (focus ? widget != focus : widget != this)
        return false;
    // The menu bar entered with Alt takes its keys itself: Enter opens a
    // menu, Escape leaves the menu bar.
    return focus != MainMenu1;
}

void TForm_CIS::escapeThenPassOn(QWidget *widget, QKeyEvent *key)
{
    guarded([this]() { FormKeyPress(QChar(27)); });
    // The key goes on to the control. Sent from here: a dialog shown
    // meanwhile may have moved the focus, and the event must not come back
    // to this filter as the window's own key.
    QPointer<QWidget> receiver(widget);
    if (receiver) {
        passingOnKey = true;
        QCoreApplication::sendEvent(receiver, key);
        passingOnKey = false;
    }
    key->accept();
}

bool TForm_CIS::routeButtonKey(QKeyEvent *key)
{
    auto *focusedButton = qobject_cast<QPushButton *>(QApplication::focusWidget());
    const Qt::KeyboardModifiers mods = plainModifiers(key);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The focused button, else the search button; with Shift, Ctrl or
        // Alt the key is used up and presses none.
        if (mods == Qt::NoModifier)
            (focusedButton ? focusedButton : btn_SEARCH)->click();
        return true;
    case Qt::Key_F:
        if (mods != Qt::AltModifier && !(focusedButton && mods == Qt::NoModifier))
            return false;
        btn_close->click();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        if (!focusedButton || mods != Qt::NoModifier)
            return false;
        moveFocusInContainer(focusedButton,
                             key->key() == Qt::Key_Right || key->key() == Qt::Key_Down);
        return true;
    default:
        return false;
    }
}

bool TForm_CIS::routeMenuKey(const QKeyEvent *key)
{
    // The menu titles have no access letter; F10, like Alt, reaches them.
    if (key->key() != Qt::Key_F10 || plainModifiers(key) != Qt::NoModifier)
        return false;
    MainMenu1->setActiveAction(Fihcier1->menuAction());
    Fihcier1->setActiveAction(PAgedetlchragemntdelANSM1);
    return true;
}
