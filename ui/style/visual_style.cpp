#include "ui/style/visual_style.h"

#include "ui/style/amethyst_style.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <functional>

using namespace Qt::StringLiterals;

static void initResourcesOnce()
{
    Q_INIT_RESOURCE(verdane);
}

void InitVerdaneResources()
{
    static const bool done = (initResourcesOnce(), true);
    Q_UNUSED(done);
}

namespace {

struct CarriedStyle
{
    QString name;
    std::function<QStyle *()> create;
    std::function<void()> applyPalettes; // after setStyle: the app-wide palettes
};

const QList<CarriedStyle> &registry()
{
    static const QList<CarriedStyle> styles = {
        {kProgramStyleName, [] { return new AmethystKamriStyle; },
         [] { QApplication::setPalette(amethyst::Palette()); }},
    };
    return styles;
}

QString g_activeStyle;

} // namespace

QStringList CarriedStyleNames()
{
    QStringList names;
    for (const CarriedStyle &s : registry())
        names << s.name;
    return names;
}

bool ApplyVisualStyle(const QString &name)
{
    for (const CarriedStyle &s : registry()) {
        if (s.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        InitVerdaneResources();
        QApplication::setStyle(s.create()); // the application owns it
        s.applyPalettes();
        g_activeStyle = s.name;
        return true;
    }
    return false;
}

QString ActiveVisualStyleName()
{
    // Someone may have set another style since.
    if (!g_activeStyle.isEmpty() && QApplication::style()
        && QApplication::style()->objectName() == g_activeStyle)
        return g_activeStyle;
    return QString();
}

QStyle *DesktopLookStyle()
{
    static QPointer<QStyle> style;
    if (!style) {
        style = QStyleFactory::create(u"Fusion"_s);
        if (style)
            style->setParent(qApp); // lives as long as the application
    }
    return style.data();
}

double ScreenDensityScale()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return (dpi > 0 && qAbs(dpi - 96.0) > 0.5) ? dpi / 96.0 : 1.0;
}

QFont DesktopFont(const char *widgetClass)
{
    QFont f = QApplication::font(widgetClass);
    f.setResolveMask(QFont::AllPropertiesResolved); // every property its own
    return f;
}

void EnsureProgramFonts()
{
    static bool done = false;
    if (done)
        return;
    done = true;

#if defined(Q_OS_WIN)
    // Both faces are Windows' own: no stand-in to look for, and no
    // substitution naming a face that Windows lacks.
#else
    struct Face
    {
        QString family;
        QStringList files;
    };
    const QString wineFonts = u"/usr/share/wine/fonts/"_s;
    const Face faces[] = {
        // Only the regular face: fonts-wine's bold Tahoma draws no heavier
        // than the regular one, while the regular face emboldened reads bold.
        {u"Tahoma"_s, {wineFonts + u"tahoma.ttf"_s}},
        {u"MS Sans Serif"_s, {wineFonts + u"ms_sans_serif.ttf"_s}},
    };
    const QStringList installed = QFontDatabase::families();
    for (const Face &face : faces) {
        if (installed.contains(face.family, Qt::CaseInsensitive))
            continue; // the system's own face
        QStringList registered;
        for (const QString &file : face.files) {
            if (!QFile::exists(file))
                continue;
            const int id = QFontDatabase::addApplicationFont(file);
            if (id >= 0)
                registered += QFontDatabase::applicationFontFamilies(id);
        }
        if (registered.contains(face.family, Qt::CaseInsensitive))
            continue;
        // A face registered under another family name still serves by name.
        QFont::insertSubstitution(face.family,
                                  registered.isEmpty() ? u"DejaVu Sans"_s : registered.first());
    }
#endif
}
