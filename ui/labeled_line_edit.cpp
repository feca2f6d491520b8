#include "ui/labeled_line_edit.h"

#include <QMouseEvent>

LabeledLineEdit::LabeledLineEdit(const QString &caption, QWidget *parent)
    : SelectAllLineEdit(parent)
{
    m_label = new QLabel(caption, parent);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setBuddy(this);
    m_label->setAccessibleName(caption);
    m_label->installEventFilter(this);
    connect(m_label, &QObject::destroyed, this, [this] { m_label = nullptr; });
    m_label->resize(m_label->sizeHint().width(), 13);
    setAccessibleName(caption);
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
    return SelectAllLineEdit::event(e);
}

bool LabeledLineEdit::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == m_label && e->type() == QEvent::MouseButtonDblClick) {
        auto *me = static_cast<QMouseEvent *>(e);
        if (me->button() == Qt::LeftButton)
            emit labelDoubleClicked();
    }
    return SelectAllLineEdit::eventFilter(watched, e);
}
