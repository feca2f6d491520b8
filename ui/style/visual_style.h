#pragma once
#include <QString>
#include <QStringList>

class QFont;
class QStyle;

// Makes the pictures and style sheets carried in the program's resources
// available (static libraries need it once, before the first use).
void InitVerdaneResources();

// The styles the program carries.
QStringList CarriedStyleNames();
// Applies the carried style of that name (letter case ignored) to the whole
// application: every window and dialog created afterwards. False when the
// program carries no style of that name; nothing is changed then.
bool ApplyVisualStyle(const QString &name);

inline const QString kProgramStyleName = QStringLiteral("Amethyst Kamri");

// The carried style in force ("Amethyst Kamri"), or an empty text while the
// desktop's default look is in force.
QString ActiveVisualStyleName();
// The desktop's own look (Fusion), for the boxes that keep it whatever style
// the program applies. Owned by the application.
QStyle *DesktopLookStyle();

// The desktop's font for a kind of widget ("QStatusBar", "QMenuBar"...), for
// the controls whose font the layout does not name: set on a widget, it is
// not overridden by the window's own font.
QFont DesktopFont(const char *widgetClass);

// Lengths and font sizes are designed for a screen of 96 dots per inch: the
// factor for the primary screen (its logical dots per inch / 96, exactly 1
// within half a dot of 96).
double ScreenDensityScale();

// Makes "Tahoma" and "MS Sans Serif" resolvable: the system's own faces when
// installed, else the metric-compatible faces of Debian's fonts-wine
// (/usr/share/wine/fonts, registered with the application), else a
// substitution by "DejaVu Sans". On Windows, whose own faces they are, it
// does nothing. Idempotent.
void EnsureProgramFonts();
