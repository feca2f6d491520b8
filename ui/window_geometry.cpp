// Window side of the geometry settings: the texts and the clamping live in
// vela_ini; here they meet a real window and the screen.
#include "ui/window_geometry.h"

#include "util/vela_ini.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

QSize workAreaSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().size() : QSize();
}

// Gives the window the outer rectangle `outer`: the position is the frame's,
// the size is the frame's minus what the frame itself takes.
void applyOuter(QWidget *w, const QRect &outer)
{
    const QSize frameExtra = w->frameGeometry().size() - w->geometry().size();
    w->move(outer.topLeft());
    w->resize(outer.size() - frameExtra);
}

// The smallest outer size a restore leaves: 686 x 380 pixels at 96 dots per
// inch, scaled like the window's own lengths. 686 is the main window's
// designed width, the narrowest at which its search band shows the search
// box and both buttons; 380 holds the title bar (and with it the close box),
// the menu bar and every fixed band (search, record, buttons, status bar)
// without one covering another, the result list shrinking to nothing.
// Without it a stored 0 or negative size leaves the window unmapped,
// invisible and impossible to close. The work area still wins on a smaller
// screen.
QSize minimumOuterSize(const QSize &workArea)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    const double scale = dpi > 0 ? dpi / 96.0 : 1.0;
    const QSize designed(int(std::lround(686 * scale)), int(std::lround(380 * scale)));
    return workArea.isValid() ? designed.boundedTo(workArea) : designed;
}

// A window that would lie outside every screen cannot be reached by the
// user: it comes back centred on the primary screen.
bool onSomeScreen(const QRect &outer)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(),
                       [&outer](const QScreen *s) { return s->geometry().intersects(outer); });
}

// The restored rectangle made safe, then given to the window.
void applyRestored(QWidget *w, QRect outer, const QSize &workArea)
{
    outer.setSize(outer.size().expandedTo(minimumOuterSize(workArea)));
    applyOuter(w, outer);
    if (!onSomeScreen(outer))
        CentreOnScreen(w);
}

} // namespace

void SaveWindowGeometry(QWidget *window, const QString &iniFile)
{
    const QString file = iniFile.isEmpty() ? IniFileName() : iniFile;
    IniWriteString(ProgramBaseName(), window->objectName(), GeometryValue(window->frameGeometry()),
                   file);
}

void RestoreWindowGeometry(QWidget *window, const QString &iniFile)
{
    const QString file = iniFile.isEmpty() ? IniFileName() : iniFile;
    QRect outer = window->frameGeometry();
    const QString value = IniReadString(ProgramBaseName(), window->objectName(),
                                        GeometryValue(outer), file);
    const QSize workArea = workAreaSize();
    try {
        ApplyGeometryValue(outer, workArea, value);
    } catch (...) {
        applyRestored(window, outer, workArea); // the pieces read before the bad one stay applied
        throw;
    }
    applyRestored(window, outer, workArea);
}

void CentreOnScreen(QWidget *window)
{
    const QScreen *scr = QGuiApplication::primaryScreen();
    if (!scr)
        return;
    const QRect screenRect = scr->geometry();
    const QRect desktop = scr->virtualGeometry();
    const QSize outer = window->frameGeometry().size();
    // Integer division halves toward zero.
    window->move(qMax(screenRect.left() + (screenRect.width() - outer.width()) / 2, desktop.left()),
                 qMax(screenRect.top() + (screenRect.height() - outer.height()) / 2, desktop.top()));
}
