#pragma once
// "Amethyst Kamri": the program's look, drawn over Fusion. Only colours and
// drawing change; every size and metric is Fusion's, so controls placed to
// the pixel keep their geometry.
#include <QColor>
#include <QPalette>
#include <QProxyStyle>

namespace amethyst {
// The scheme's colours, for widgets that draw themselves.
inline const QColor kIndigo{0x2b, 0x1e, 0x5c};      // frame and title areas
inline const QColor kIndigoLight{0x45, 0x35, 0x8a}; // raised parts on indigo
inline const QColor kSurface{0xdf, 0xe4, 0xef};     // pale grey-blue surfaces
inline const QColor kButton{0xd2, 0xd9, 0xe8};
inline const QColor kBase{0xf6, 0xf8, 0xfc}; // text and list ground
inline const QColor kText{0x2c, 0x3a, 0x63}; // dark slate-blue text
inline const QColor kTextOnIndigo{0xee, 0xea, 0xff};
inline const QColor kOrange{0xf0, 0x8a, 0x24}; // highlights
inline const QColor kTextOnOrange{0x23, 0x1a, 0x4a};
inline const QColor kFocus{0x1f, 0x5f, 0xd0}; // keyboard focus rim

QPalette Palette();          // surfaces, text, orange selection
QPalette IndigoBarPalette(); // for bars drawn on indigo (status bar)
} // namespace amethyst

// A widget with this property set to true is drawn as a status bar, whatever
// its class.
inline constexpr char kStatusBarProperty[] = "statusBar";

class AmethystKamriStyle : public QProxyStyle
{
    Q_OBJECT
public:
    AmethystKamriStyle();

    QPalette standardPalette() const override;
    void polish(QPalette &palette) override;
    void polish(QWidget *widget) override;
    void unpolish(QWidget *widget) override;
    using QProxyStyle::polish;
    using QProxyStyle::unpolish;

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption *option = nullptr,
                  const QWidget *widget = nullptr,
                  QStyleHintReturn *returnData = nullptr) const override;
};
