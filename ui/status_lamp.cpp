#include "ui/status_lamp.h"

#include "ui/accessibility.h"

#include <QPainter>
#include <QRadialGradient>

using namespace Qt::StringLiterals;

StatusLamp::StatusLamp(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAccessibleDescription(u"allumé"_s);
    EnsureAccessibleInterfaces();
}

void StatusLamp::setStatus(bool lit)
{
    if (lit == m_lit)
        return;
    m_lit = lit;
    setAccessibleDescription(lit ? u"allumé"_s : u"éteint"_s);
    NotifyAccessibleCheckedChanged(this);
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
