#include "ui/progress_gauge.h"

#include "ui/accessibility.h"

#include <QFont>
#include <QPainter>

using namespace Qt::StringLiterals;

ProgressGauge::ProgressGauge(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    EnsureAccessibleInterfaces();
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
    if (percent() != before && isVisible()) {
        repaint();
        NotifyAccessibleValueChanged(this, m_progress);
    }
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
