// Small controls of the main window: gauge, lamp, status bar, labelled box,
// upper-case search box.
#include "widgets.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFont>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSizeGrip>
#include <QValidator>
#include <limits>

using namespace Qt::StringLiterals;

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

// Upper-cases every UTF-16 unit on its own, so that the text never changes
// length and the caret stays where it was.
class UpperCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        for (qsizetype i = 0; i < input.size(); ++i) {
            const QChar c = input.at(i);
            const QChar u = c.toUpper();
            if (u != c)
                input[i] = u;
        }
        return Acceptable;
    }
};

} // namespace

// ---- ProgressGauge ----------------------------------------------------------------

ProgressGauge::ProgressGauge(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void ProgressGauge::setMinValue(int v)
{
    if (v == m_min)
        return;
    m_min = v;
    update();
}

void ProgressGauge::setMaxValue(int v)
{
    if (v == m_max)
        return;
    m_max = v;
    update();
}

void ProgressGauge::setProgress(int v)
{
    const int before = percent();
    m_progress = v;
    // The search runs without processing events: paint now, but only when
    // the number shown changes, so a long search is not slowed by repaints.
    if (percent() != before && isVisible())
        repaint();
}

int ProgressGauge::percent() const
{
    if (m_max == m_min)
        return 0;
    return int((qint64(m_progress) - m_min) * 100 / (qint64(m_max) - m_min));
}

void ProgressGauge::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int w = width(), h = height();
    p.fillRect(rect(), Qt::white);
    const int fillEnd = int(qint64(w - 1) * percent() / 100); // exclusive
    if (fillEnd > 1 && h > 2)
        p.fillRect(QRect(1, 1, qMin(fillEnd, w - 1) - 1, h - 2), QColor(0, 0, 255));
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, w - 1, h - 1);

    // White in "difference" mode inverts what lies below: black over the
    // white ground, yellow over the blue fill.
    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    p.setCompositionMode(QPainter::CompositionMode_Difference);
    p.setPen(Qt::white);
    p.drawText(rect(), Qt::AlignCenter, u"%1%"_s.arg(percent()));
}

// ---- StatusLamp ----------------------------------------------------------------

StatusLamp::StatusLamp(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAccessibleDescription(u"allumé"_s);
}

void StatusLamp::setStatus(bool lit)
{
    if (lit == m_lit)
        return;
    m_lit = lit;
    setAccessibleDescription(lit ? u"allumé"_s : u"éteint"_s);
    update();
}

void StatusLamp::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF disc = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    // The corners stay unpainted: the panel shows through them.
    p.setPen(QPen(QColor(128, 128, 128), 1.0));
    p.setBrush(m_lit ? QColor(0, 255, 0) : QColor(255, 0, 0));
    p.drawEllipse(disc);

    const qreal d = disc.width();
    QRadialGradient shine(disc.left() + d * 0.35, disc.top() + d * 0.32, d * 0.28);
    shine.setColorAt(0.0, QColor(255, 255, 255, 235));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(disc.adjusted(1, 1, -1, -1));
}

// ---- PanelStatusBar ------------------------------------------------------------

namespace {
constexpr int kPanelWidths[4] = {50, 50, 200, 50};
constexpr bool kPanelRaised[4] = {false, true, false, true};
} // namespace

PanelStatusBar::PanelStatusBar(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(u"Barre d'état"_s);
    for (int i = 0; i < 4; ++i) {
        auto *l = new QLabel(this);
        l->setObjectName(u"StatusBar1_Panel%1"_s.arg(i));
        l->setFrameStyle(QFrame::Panel | (kPanelRaised[i] ? QFrame::Raised : QFrame::Sunken));
        l->setLineWidth(1);
        l->setIndent(2);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        l->setTextFormat(Qt::PlainText);
        m_panels[i] = l;
    }
    m_grip = new QSizeGrip(this);
    m_grip->setObjectName(u"StatusBar1_SizeGrip"_s);
    m_grip->setAccessibleName(u"Redimensionner"_s);
}

QString PanelStatusBar::panelText(int index) const
{
    return (index >= 0 && index < 4) ? m_panels[index]->text() : QString();
}

void PanelStatusBar::setPanelText(int index, const QString &text)
{
    if (index < 0 || index >= 4)
        return;
    m_panels[index]->setText(text);
    m_panels[index]->setAccessibleName(text);
}

QLabel *PanelStatusBar::panel(int index) const
{
    return (index >= 0 && index < 4) ? m_panels[index] : nullptr;
}

void PanelStatusBar::resizeEvent(QResizeEvent *)
{
    // Each panel's width fixes its right edge; the last one reaches the end of
    // the bar whatever its nominal width. A 2-pixel gap separates panels and
    // the panels leave 2 pixels of bar above them.
    const int scale100 = qMax(1, (height() * 100 + 9) / 19); // density follows the bar height
    auto s = [&](int v) { return v * scale100 / 100; };
    const int top = s(2);
    const int h = qMax(0, height() - top);
    int x = 0;
    for (int i = 0; i < 4; ++i) {
        const int right = (i == 3) ? width() : x + s(kPanelWidths[i]);
        m_panels[i]->setGeometry(x, top, qMax(0, right - x - (i == 3 ? 0 : s(2))), h);
        x = right;
    }
    const QSize g = m_grip->sizeHint().boundedTo(QSize(h, h));
    m_grip->setGeometry(width() - g.width(), height() - g.height(), g.width(), g.height());
    m_grip->raise();
}

// ---- LabeledLineEdit ----------------------------------------------------------

LabeledLineEdit::LabeledLineEdit(const QString &caption, QWidget *parent) : QLineEdit(parent)
{
    m_label = new QLabel(caption, parent);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setBuddy(this);
    m_label->setAccessibleName(caption);
    m_label->installEventFilter(this);
    connect(m_label, &QObject::destroyed, this, [this] { m_label = nullptr; });
    m_label->resize(m_label->sizeHint().width(), 13);
    setAccessibleName(caption);
    setMaxLength(std::numeric_limits<int>::max()); // a field is shown whole, however long
    placeLabel();
}

LabeledLineEdit::~LabeledLineEdit()
{
    delete m_label;
}

void LabeledLineEdit::placeLabel()
{
    if (!m_label)
        return;
    // The label keeps its height (13 pixels at 96 dpi) and ends 3 pixels
    // above the box; on denser screens the gap grows with the height.
    const int h = m_label->height();
    const int w = m_label->sizeHint().width();
    const int gap = (h * 3 + 6) / 13;
    m_label->setGeometry(x(), y() - h - gap, w, h);
}

bool LabeledLineEdit::event(QEvent *e)
{
    switch (e->type()) {
    case QEvent::Move:
        placeLabel();
        break;
    case QEvent::ShowToParent:
        if (m_label)
            m_label->show();
        break;
    case QEvent::HideToParent:
        if (m_label)
            m_label->hide();
        break;
    case QEvent::ParentChange:
        if (m_label && m_label->parentWidget() != parentWidget()) {
            m_label->setParent(parentWidget());
            placeLabel();
            m_label->setVisible(!isHidden());
        }
        break;
    default:
        break;
    }
    return QLineEdit::event(e);
}

void LabeledLineEdit::focusInEvent(QFocusEvent *e)
{
    QLineEdit::focusInEvent(e);
    if (selectsAllOnFocus(e))
        selectAll();
}

bool LabeledLineEdit::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == m_label && e->type() == QEvent::MouseButtonDblClick) {
        auto *me = static_cast<QMouseEvent *>(e);
        if (me->button() == Qt::LeftButton)
            emit labelDoubleClicked();
    }
    return QLineEdit::eventFilter(watched, e);
}

// ---- UpperCaseLineEdit ------------------------------------------------------------

UpperCaseLineEdit::UpperCaseLineEdit(QWidget *parent) : QLineEdit(parent)
{
    // The validator sees every insertion (typing, paste, drop) and rewrites
    // it in place before the text changes.
    setValidator(new UpperCaseValidator(this));
    setMaxLength(std::numeric_limits<int>::max());
}

void UpperCaseLineEdit::focusInEvent(QFocusEvent *e)
{
    QLineEdit::focusInEvent(e);
    if (selectsAllOnFocus(e))
        selectAll();
}
