#include "ui/panel_status_bar.h"

#include "ui/accessibility.h"
#include "ui/style/amethyst_style.h"
#include "ui/style/visual_style.h"

#include <QSizeGrip>

using namespace Qt::StringLiterals;

namespace {
constexpr int kPanelWidths[4] = {50, 50, 200, 50};
constexpr bool kPanelRaised[4] = {false, true, false, true};
} // namespace

PanelStatusBar::PanelStatusBar(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(u"Barre d'état"_s);
    setProperty(kStatusBarProperty, true); // the style draws it as a status bar
    EnsureAccessibleInterfaces();
    setFont(DesktopFont("QStatusBar")); // the layout names no font for it
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
