#include "ui/dialogs/msg_dialog.h"

#include "ui/style/visual_style.h"
#include "util/vela_ini.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFontMetrics>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QWindow>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

struct ButtonDef
{
    MsgButton flag;
    QString caption;
    MsgResult result; // None: the button does not end the dialog (help)
    QString objectName;
};

// In their fixed order on screen.
const QList<ButtonDef> &buttonDefs()
{
    static const QList<ButtonDef> defs = {
        {MsgButton::Yes, u"&Oui"_s, MsgResult::Yes, u"Yes"_s},
        {MsgButton::No, u"&Non"_s, MsgResult::No, u"No"_s},
        {MsgButton::OK, u"OK"_s, MsgResult::Ok, u"OK"_s},
        {MsgButton::Cancel, u"Annuler"_s, MsgResult::Cancel, u"Cancel"_s},
        {MsgButton::Abort, u"A&bandonner"_s, MsgResult::Abort, u"Abort"_s},
        {MsgButton::Retry, u"&Réessayer"_s, MsgResult::Retry, u"Retry"_s},
        {MsgButton::Ignore, u"&Ignorer"_s, MsgResult::Ignore, u"Ignore"_s},
        {MsgButton::All, u"&Tous"_s, MsgResult::All, u"All"_s},
        {MsgButton::NoToAll, u"Non &pour tout"_s, MsgResult::NoToAll, u"NoToAll"_s},
        {MsgButton::YesToAll, u"O&ui pour tout"_s, MsgResult::YesToAll, u"YesToAll"_s},
        {MsgButton::Help, u"&Aide"_s, MsgResult::None, u"Help"_s},
        {MsgButton::Close, u"Fer&mer"_s, MsgResult::Close, u"Close"_s},
    };
    return defs;
}

// A word wider than the wrap width (a long path has no space) may break
// anywhere: a zero-width space after each of its characters, in the shown
// text only. Else the dialog would grow past the screen, its buttons with it.
QString breakableLongWords(const QString &text, const QFontMetrics &fm, int wrapWidth)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        qsizetype j = i;
        while (j < text.size() && !text.at(j).isSpace())
            ++j;
        const QString word = text.mid(i, j - i);
        if (fm.horizontalAdvance(word) > wrapWidth) {
            for (const QChar c : word) {
                out += c;
                if (!c.isHighSurrogate())
                    out += QChar(0x200B);
            }
        } else {
            out += word;
        }
        for (; j < text.size() && text.at(j).isSpace(); ++j)
            out += text.at(j);
        i = j;
    }
    return out;
}

QString withoutAmpersands(QString caption)
{
    return caption.remove(u'&');
}

QChar accessLetter(const QString &caption)
{
    const qsizetype at = caption.indexOf(u'&');
    if (at < 0 || at + 1 >= caption.size())
        return QChar();
    return caption.at(at + 1).toUpper();
}

MsgButton chooseDefault(MsgButtons buttons, MsgButton named)
{
    if (named != MsgButton::None && buttons.testFlag(named))
        return named;
    for (MsgButton b : {MsgButton::OK, MsgButton::Yes, MsgButton::Retry})
        if (buttons.testFlag(b))
            return b;
    return MsgButton::None;
}

MsgButton chooseCancel(MsgButtons buttons)
{
    for (MsgButton b : {MsgButton::Cancel, MsgButton::No, MsgButton::OK})
        if (buttons.testFlag(b))
            return b;
    return MsgButton::None;
}

QStyle::StandardPixmap kindIcon(MsgKind kind, bool *hasIcon)
{
    *hasIcon = true;
    switch (kind) {
    case MsgKind::Warning:
        return QStyle::SP_MessageBoxWarning;
    case MsgKind::Error:
        return QStyle::SP_MessageBoxCritical;
    case MsgKind::Information:
        return QStyle::SP_MessageBoxInformation;
    case MsgKind::Confirmation:
        return QStyle::SP_MessageBoxQuestion;
    case MsgKind::Plain:
        break;
    }
    *hasIcon = false;
    return QStyle::SP_CustomBase;
}

// Lengths of the dialog, from the average width and the height of its font.
struct DialogMeasures
{
    int marginX = 0;
    int marginY = 0;
    int iconGap = 0;
    int textGap = 0;
    int buttonHeight = 0;
    int buttonGap = 0;
    int buttonWidth = 0; // wide enough for every shown caption
};

DialogMeasures measure(const QFontMetrics &fm, const QList<const ButtonDef *> &shown)
{
    // Measures from the 52 letters of the alphabet, both cases.
    const int w = fm.horizontalAdvance(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"_s)
                  / 52;
    const int h = fm.height();
    DialogMeasures m;
    m.marginX = int(std::lround(2.0 * w));
    m.marginY = h;
    m.iconGap = int(std::lround(2.5 * w));
    m.textGap = int(std::lround(1.25 * h));
    m.buttonHeight = int(std::lround(1.75 * h));
    m.buttonGap = w;
    m.buttonWidth = int(std::lround(12.5 * w));
    for (const ButtonDef *d : shown)
        m.buttonWidth = std::max(m.buttonWidth,
                                 fm.horizontalAdvance(withoutAmpersands(d->caption)) + 8);
    return m;
}

QList<const ButtonDef *> shownButtons(MsgButtons buttons)
{
    QList<const ButtonDef *> shown;
    for (const ButtonDef &d : buttonDefs()) {
        if (buttons.testFlag(d.flag))
            shown << &d;
    }
    return shown;
}

// The screen the user works on.
QScreen *workScreen()
{
    QScreen *screen = nullptr;
    if (QWidget *active = QApplication::activeWindow())
        screen = active->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen;
}

class MessageDialog : public QDialog
{
public:
    MessageDialog(const QString &text, MsgKind kind, MsgButtons buttons, MsgButton defaultButton,
                  QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void reject() override { done(int(MsgResult::Cancel)); } // close box and Alt+F4

private:
    // The icon and the text, wrapped within wrapWidth; returns their block's size.
    QSize addIconAndText(const QString &text, MsgKind kind, const DialogMeasures &m, int wrapWidth);
    // One row of buttons from (x, y); the focus goes to the default one.
    void addButtons(const QList<const ButtonDef *> &shown, MsgButton def, MsgButton cancel,
                    const DialogMeasures &m, int x, int y);
    // Centred in the work area of the screen.
    void placeOn(QScreen *screen);

    void press(QPushButton *button);
    void moveFocus(QPushButton *from, int step);
    void copyToClipboard();

    QString m_text;
    QList<QPushButton *> m_buttons;
    QList<MsgResult> m_results;
    QPushButton *m_cancel = nullptr;
};

MessageDialog::MessageDialog(const QString &text, MsgKind kind, MsgButtons buttons,
                             MsgButton defaultButton, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_text(text)
{
    setObjectName(u"MessageDialog"_s);
    setWindowTitle(MsgKindCaption(kind));
    setAccessibleName(windowTitle());
    setWindowModality(Qt::ApplicationModal);
    setFont(QApplication::font("QMessageBox")); // the desktop's message font

    const QList<const ButtonDef *> shown = shownButtons(buttons);
    const DialogMeasures m = measure(QFontMetrics(font()), shown);
    // The text is wrapped within half the screen's width.
    QScreen *screen = workScreen();
    const int wrapWidth = screen ? screen->geometry().width() / 2 : 640;
    const QSize block = addIconAndText(text, kind, m, wrapWidth);

    const int count = int(shown.size());
    const int rowWidth = count > 0 ? count * m.buttonWidth + (count - 1) * m.buttonGap : 0;
    const int clientWidth = std::max(block.width(), rowWidth) + 2 * m.marginX;
    const int clientHeight = block.height() + m.textGap + m.buttonHeight + 2 * m.marginY;
    setFixedSize(clientWidth, clientHeight);

    addButtons(shown, chooseDefault(buttons, defaultButton), chooseCancel(buttons), m,
               (clientWidth - rowWidth) / 2, m.marginY + block.height() + m.textGap);
    placeOn(screen);
}

QSize MessageDialog::addIconAndText(const QString &text, MsgKind kind, const DialogMeasures &m,
                                    int wrapWidth)
{
    QString shownText = text;
    shownText.replace(u"\r\n"_s, u"\n"_s);
    shownText.replace(u'\r', u'\n');
    shownText = breakableLongWords(shownText, QFontMetrics(font()), wrapWidth);
    const int textFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;
    const QRect textRect = QFontMetrics(font()).boundingRect(QRect(0, 0, wrapWidth, 1 << 20),
                                                             textFlags, shownText);

    bool hasIcon = false;
    const QStyle::StandardPixmap iconKind = kindIcon(kind, &hasIcon);
    int blockWidth = textRect.width();
    int blockHeight = textRect.height();
    int textLeft = m.marginX;
    if (hasIcon) {
        auto *icon = new QLabel(this);
        icon->setObjectName(u"MessageIcon"_s);
        icon->setAccessibleName(windowTitle());
        icon->setPixmap(style()->standardIcon(iconKind, nullptr, this).pixmap(32, 32));
        icon->setGeometry(m.marginX, m.marginY, 32, 32);
        textLeft += 32 + m.iconGap;
        blockWidth += 32 + m.iconGap;
        blockHeight = std::max(blockHeight, 32);
    }

    auto *label = new QLabel(this);
    label->setObjectName(u"MessageText"_s);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(shownText);
    label->setAccessibleName(text);
    label->setGeometry(textLeft, m.marginY, textRect.width(), textRect.height());
    return QSize(blockWidth, blockHeight);
}

void MessageDialog::addButtons(const QList<const ButtonDef *> &shown, MsgButton def,
                               MsgButton cancel, const DialogMeasures &m, int x, int y)
{
    QPushButton *focus = nullptr;
    for (const ButtonDef *d : shown) {
        auto *b = new QPushButton(d->caption, this);
        b->setObjectName(d->objectName);
        b->setAccessibleName(withoutAmpersands(d->caption));
        b->setGeometry(x, y, m.buttonWidth, m.buttonHeight);
        // Without a default button no button is drawn as one, even when focused.
        b->setAutoDefault(def != MsgButton::None);
        b->installEventFilter(this);
        x += m.buttonWidth + m.buttonGap;
        const MsgResult result = d->result;
        connect(b, &QPushButton::clicked, this, [this, result] {
            if (result != MsgResult::None)
                done(int(result));
        });
        if (d->flag == def) {
            b->setDefault(true);
            focus = b;
        }
        if (d->flag == cancel)
            m_cancel = b;
        m_buttons << b;
        m_results << result;
    }
    if (!focus && !m_buttons.isEmpty())
        focus = m_buttons.first();
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
}

void MessageDialog::placeOn(QScreen *screen)
{
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const int left = std::max(area.left() + (area.width() - width()) / 2, area.left());
    const int top = std::max(area.top() + (area.height() - height()) / 2, area.top());
    move(left, top);
}

void MessageDialog::press(QPushButton *button)
{
    if (button && button->isEnabled())
        button->click();
}

void MessageDialog::moveFocus(QPushButton *from, int step)
{
    const qsizetype at = m_buttons.indexOf(from);
    if (at < 0 || m_buttons.size() < 2)
        return;
    const qsizetype n = m_buttons.size();
    m_buttons.at((at + step + n) % n)->setFocus(Qt::TabFocusReason);
}

bool MessageDialog::eventFilter(QObject *watched, QEvent *event)
{
    auto *button = qobject_cast<QPushButton *>(watched);
    if (button && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers mods = key->modifiers()
                                           & (Qt::ShiftModifier | Qt::ControlModifier
                                              | Qt::AltModifier | Qt::MetaModifier);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Only a plain Enter presses the focused button.
            if (mods == Qt::NoModifier)
                press(button);
            return true;
        case Qt::Key_Left:
        case Qt::Key_Up:
            if (mods == Qt::NoModifier) {
                moveFocus(button, -1);
                return true;
            }
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            if (mods == Qt::NoModifier) {
                moveFocus(button, +1);
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void MessageDialog::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers()
                                       & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier
                                          | Qt::MetaModifier);
    if (event->key() == Qt::Key_C && mods == Qt::ControlModifier) {
        QApplication::beep();
        copyToClipboard();
        return; // the dialog stays open
    }
    if (event->key() == Qt::Key_Escape && mods == Qt::NoModifier) {
        if (m_cancel)
            press(m_cancel); // without a cancel button Escape does nothing
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (mods == Qt::NoModifier)
            press(qobject_cast<QPushButton *>(focusWidget()));
        return;
    }
    // Access letters work alone as well as with Alt.
    if (mods == Qt::NoModifier || mods == Qt::AltModifier || mods == Qt::ShiftModifier) {
        QChar typed;
        if (event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z)
            typed = QChar(event->key());
        else if (!event->text().isEmpty())
            typed = event->text().at(0).toUpper();
        if (!typed.isNull()) {
            for (QPushButton *b : std::as_const(m_buttons)) {
                if (accessLetter(b->text()) == typed) {
                    b->setFocus(Qt::ShortcutFocusReason);
                    press(b);
                    return;
                }
            }
        }
    }
    QDialog::keyPressEvent(event);
}

void MessageDialog::copyToClipboard()
{
    const QString crlf = u"\r\n"_s;
    const QString divider = QString(27, u'-') + crlf;
    QString block = divider + windowTitle() + crlf + divider + m_text + crlf + divider;
    for (QPushButton *b : std::as_const(m_buttons))
        block += withoutAmpersands(b->text()) + u"   "_s;
    block += crlf + divider;
    QGuiApplication::clipboard()->setText(block);
}

} // namespace

QString MsgKindCaption(MsgKind kind)
{
    switch (kind) {
    case MsgKind::Warning:
        return u"Avertissement"_s;
    case MsgKind::Error:
        return u"Erreur"_s;
    case MsgKind::Information:
        return u"Informations"_s;
    case MsgKind::Confirmation:
        return u"Confirmer"_s;
    case MsgKind::Plain:
        break;
    }
    return ProgramTitle();
}

QString MsgButtonCaption(MsgButton button)
{
    for (const ButtonDef &d : buttonDefs())
        if (d.flag == button)
            return d.caption;
    return QString();
}

MsgResult ShowMessageDialog(const QString &text, MsgKind kind, MsgButtons buttons,
                            MsgButton defaultButton)
{
    MessageDialog dialog(text, kind, buttons, defaultButton, QApplication::activeWindow());
    const int result = dialog.exec();
    return result == QDialog::Rejected ? MsgResult::Cancel : MsgResult(result);
}

QString ErrorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

void ShowErrorBox(const QString &message)
{
    QMessageBox box(QMessageBox::Critical, ProgramTitle(), ErrorBoxText(message), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setObjectName(u"ErrorBox"_s);
    box.setTextFormat(Qt::PlainText);
    box.setAccessibleName(box.windowTitle());
    if (QAbstractButton *ok = box.button(QMessageBox::Ok)) {
        ok->setText(u"OK"_s);
        ok->setAccessibleName(u"OK"_s);
    }
    // The error box keeps the desktop's look whatever style the program applies.
    if (QStyle *desktop = DesktopLookStyle()) {
        box.setStyle(desktop);
        box.setPalette(desktop->standardPalette());
        const auto children = box.findChildren<QWidget *>();
        for (QWidget *child : children)
            child->setStyle(desktop);
    }
    // Some desktops put a picture on standard buttons; the program's dialogs
    // have captions only.
    if (QAbstractButton *ok = box.button(QMessageBox::Ok))
        ok->setIcon(QIcon());
    box.exec();
}
