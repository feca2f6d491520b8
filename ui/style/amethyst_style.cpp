#include "ui/style/amethyst_style.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QVariant>
#include <QWidget>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace amethyst {

QPalette Palette()
{
    QPalette pal;
    const QColor disabledText(0x8c, 0x94, 0xad);
    auto both = [&](QPalette::ColorRole role, const QColor &c) {
        pal.setColor(QPalette::Active, role, c);
        pal.setColor(QPalette::Inactive, role, c);
        pal.setColor(QPalette::Disabled, role, c);
    };
    both(QPalette::Window, kSurface);
    both(QPalette::Button, kButton);
    both(QPalette::Base, kBase);
    both(QPalette::AlternateBase, QColor(0xe9, 0xed, 0xf6));
    both(QPalette::WindowText, kText);
    both(QPalette::Text, kText);
    both(QPalette::ButtonText, kText);
    both(QPalette::BrightText, Qt::white);
    both(QPalette::Light, Qt::white);
    both(QPalette::Midlight, QColor(0xee, 0xf1, 0xf7));
    both(QPalette::Mid, QColor(0xa4, 0xad, 0xc6));
    both(QPalette::Dark, QColor(0x7b, 0x84, 0xa3));
    both(QPalette::Shadow, QColor(0x3a, 0x3f, 0x58));
    both(QPalette::Highlight, kOrange);
    both(QPalette::HighlightedText, kTextOnOrange);
    both(QPalette::ToolTipBase, QColor(0xfb, 0xf7, 0xee));
    both(QPalette::ToolTipText, kText);
    both(QPalette::PlaceholderText, disabledText);
    both(QPalette::Link, QColor(0xc0, 0x5c, 0x00));
    both(QPalette::LinkVisited, QColor(0x80, 0x40, 0x90));
    pal.setColor(QPalette::Disabled, QPalette::WindowText, disabledText);
    pal.setColor(QPalette::Disabled, QPalette::Text, disabledText);
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, disabledText);
    pal.setColor(QPalette::Disabled, QPalette::Base, kSurface);
    pal.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0xc8, 0xb8, 0xa4));
    return pal;
}

QPalette IndigoBarPalette()
{
    QPalette pal = Palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Window, kIndigo);
        pal.setColor(group, QPalette::WindowText, kTextOnIndigo);
        pal.setColor(group, QPalette::Light, kIndigoLight.lighter(150));
        pal.setColor(group, QPalette::Midlight, kIndigoLight);
        pal.setColor(group, QPalette::Mid, kIndigo.darker(130));
        pal.setColor(group, QPalette::Dark, kIndigo.darker(180));
        pal.setColor(group, QPalette::Shadow, QColor(0x10, 0x0a, 0x26));
    }
    return pal;
}

} // namespace amethyst

using namespace amethyst;

namespace {
// The result list's row height.
constexpr int kListCheckBoxSize = 13;
} // namespace

namespace {

// The keyboard focus: a rim in a colour of its own, inside the control's
// edge, so that it never reads as the orange default or hover rim.
void drawFocusRim(QPainter *painter, const QRect &rect, int inset, qreal radius)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(QPen(kFocus, 2));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(QRectF(rect).adjusted(inset + 1, inset + 1, -inset - 1, -inset - 1),
                             radius, radius);
    painter->restore();
}

} // namespace

AmethystKamriStyle::AmethystKamriStyle() : QProxyStyle(QStyleFactory::create(u"Fusion"_s))
{
    setObjectName(u"Amethyst Kamri"_s);
}

QPalette AmethystKamriStyle::standardPalette() const
{
    return Palette();
}

void AmethystKamriStyle::polish(QPalette &palette)
{
    palette = Palette();
}

// Status bars stand on indigo: the program's own (a plain widget of panels,
// marked by a property) as well as Qt's. Their panels inherit the light text
// from this palette.
static bool isStatusBar(const QWidget *widget)
{
    return widget
           && (qobject_cast<const QStatusBar *>(widget)
               || widget->property(kStatusBarProperty).toBool());
}

void AmethystKamriStyle::polish(QWidget *widget)
{
    QProxyStyle::polish(widget);
    if (isStatusBar(widget) && !widget->testAttribute(Qt::WA_SetPalette)) {
        widget->setPalette(IndigoBarPalette());
        widget->setAutoFillBackground(true);
        widget->setProperty("amethystBar", true);
    }
}

void AmethystKamriStyle::unpolish(QWidget *widget)
{
    if (widget && widget->property("amethystBar").toBool()) {
        widget->setPalette(QPalette());
        widget->setAutoFillBackground(false);
        widget->setProperty("amethystBar", QVariant());
    }
    QProxyStyle::unpolish(widget);
}

void AmethystKamriStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                       QPainter *painter, const QWidget *widget) const
{
    switch (element) {
    case PE_PanelMenuBar:
    case PE_PanelStatusBar:
        painter->fillRect(option->rect, kIndigo);
        return;
    case PE_PanelTipLabel:
        painter->fillRect(option->rect, option->palette.toolTipBase());
        painter->setPen(kIndigo);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        return;
    case PE_PanelMenu:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        Q_FALLTHROUGH(); // and the indigo frame around it
    case PE_FrameMenu:
        painter->setPen(kIndigo);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        return;
    case PE_PanelButtonCommand: {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option);
        const bool isDefault = button && (button->features & QStyleOptionButton::DefaultButton);
        const bool hover = (option->state & State_MouseOver) && (option->state & State_Enabled);
        if (isDefault || hover) {
            // The orange rim marks the default button and the one under the pointer.
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing, true);
            QColor rim = kOrange;
            if (!isDefault)
                rim.setAlpha(170);
            painter->setPen(QPen(rim, 1));
            painter->setBrush(Qt::NoBrush);
            painter->drawRoundedRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
            painter->restore();
        }
        // A push button's focus rim comes after its face (CE_PushButton): a
        // picture filling a small button would hide it.
        if ((option->state & State_HasFocus) && !qobject_cast<const QPushButton *>(widget))
            drawFocusRim(painter, option->rect, 2, 2);
        return;
    }
    case PE_FrameLineEdit:
        if (option->state & State_HasFocus) {
            // The focused box: the focus rim instead of the orange outline,
            // which is also the selection's colour.
            QStyleOption copy(*option);
            copy.state &= ~State_HasFocus;
            QProxyStyle::drawPrimitive(element, &copy, painter, widget);
            drawFocusRim(painter, option->rect, 0, 2);
            return;
        }
        break;
    case PE_FrameFocusRect:
        // The current row of a focused list, and any other focus rectangle.
        painter->save();
        painter->setPen(QPen(kFocus, 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
        return;
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void AmethystKamriStyle::drawControl(ControlElement element, const QStyleOption *option,
                                     QPainter *painter, const QWidget *widget) const
{
    switch (element) {
    case CE_PushButton:
        QProxyStyle::drawControl(element, option, painter, widget);
        if (option->state & State_HasFocus)
            drawFocusRim(painter, option->rect, 2, 2);
        return;
    case CE_ShapedFrame:
        // A focused list shows the focus rim around its frame.
        QProxyStyle::drawControl(element, option, painter, widget);
        if ((option->state & State_HasFocus) && qobject_cast<const QAbstractItemView *>(widget))
            drawFocusRim(painter, option->rect, 0, 1);
        return;
    case CE_MenuBarEmptyArea:
        painter->fillRect(option->rect, kIndigo);
        return;
    case CE_MenuBarItem:
        if (const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option)) {
            const bool active = (item->state & State_Selected) || (item->state & State_Sunken);
            const bool enabled = item->state & State_Enabled;
            painter->fillRect(item->rect, active && enabled ? kOrange : kIndigo);
            int flags = Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextDontClip
                        | Qt::TextSingleLine;
            if (!proxy()->styleHint(SH_UnderlineShortcut, item, widget))
                flags |= Qt::TextHideMnemonic;
            QPalette pal = item->palette;
            pal.setColor(QPalette::ButtonText, active && enabled ? kTextOnOrange : kTextOnIndigo);
            proxy()->drawItemText(painter, item->rect, flags, pal, enabled, item->text,
                                  QPalette::ButtonText);
            return;
        }
        break;
    case CE_HeaderSection:
        painter->fillRect(option->rect, kIndigo);
        painter->setPen(kIndigoLight);
        painter->drawLine(option->rect.topRight(), option->rect.bottomRight());
        return;
    case CE_HeaderLabel:
        if (const auto *header = qstyleoption_cast<const QStyleOptionHeader *>(option)) {
            QStyleOptionHeader copy = *header;
            copy.palette.setColor(QPalette::ButtonText, kTextOnIndigo);
            QProxyStyle::drawControl(element, &copy, painter, widget);
            return;
        }
        break;
    default:
        break;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void AmethystKamriStyle::drawComplexControl(ComplexControl control,
                                            const QStyleOptionComplex *option, QPainter *painter,
                                            const QWidget *widget) const
{
    if (control == CC_GroupBox) {
        if (const auto *box = qstyleoption_cast<const QStyleOptionGroupBox *>(option)) {
            // Frame and check box as Fusion draws them; the title on an indigo tag.
            QStyleOptionGroupBox copy = *box;
            const bool hasLabel = (box->subControls & SC_GroupBoxLabel) && !box->text.isEmpty();
            if (hasLabel)
                copy.subControls &= ~SC_GroupBoxLabel;
            QProxyStyle::drawComplexControl(control, &copy, painter, widget);
            if (hasLabel) {
                const QRect label = proxy()->subControlRect(CC_GroupBox, box, SC_GroupBoxLabel,
                                                            widget);
                painter->save();
                painter->setRenderHint(QPainter::Antialiasing, true);
                painter->setPen(Qt::NoPen);
                painter->setBrush(kIndigo);
                painter->drawRoundedRect(QRectF(label).adjusted(-3, 0, 3, 0), 3, 3);
                painter->restore();
                QPalette pal = box->palette;
                pal.setColor(QPalette::WindowText, kTextOnIndigo);
                int flags = Qt::AlignCenter | Qt::TextShowMnemonic;
                if (!proxy()->styleHint(SH_UnderlineShortcut, box, widget))
                    flags |= Qt::TextHideMnemonic;
                proxy()->drawItemText(painter, label, flags, pal, box->state & State_Enabled,
                                      box->text, QPalette::WindowText);
            }
            return;
        }
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

int AmethystKamriStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                                    const QWidget *widget) const
{
    // A box without the focus draws no caret, even where it keeps a selection:
    // only one box may look ready for typing. (The box asks with its panel's
    // option only, which names it as the style object.)
    if (metric == PM_TextCursorWidth) {
        const QObject *box = widget ? widget : (option ? option->styleObject : nullptr);
        const auto *edit = qobject_cast<const QLineEdit *>(box);
        if (edit && !edit->hasFocus())
            return 0;
    }
    // A list's check boxes fit its rows, 13 pixels high: a taller box loses
    // its top edge and the boxes down the list run together.
    if ((metric == PM_IndicatorWidth || metric == PM_IndicatorHeight)
        && qobject_cast<const QAbstractItemView *>(widget))
        return std::min(QProxyStyle::pixelMetric(metric, option, widget), kListCheckBoxSize);
    return QProxyStyle::pixelMetric(metric, option, widget);
}

int AmethystKamriStyle::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                                  QStyleHintReturn *returnData) const
{
    switch (hint) {
    case SH_ToolTip_WakeUpDelay:
        return 500;
    case SH_GroupBox_TextLabelColor:
        return int(kTextOnIndigo.rgba());
    default:
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}
