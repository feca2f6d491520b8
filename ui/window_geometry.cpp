// Window side of the geometry settings: the texts and the clamping live in
// vela_ini; here they meet a real window and the screen.
#include "window_geometry.h"

#include "vela_ini.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

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

} // namespace

void SaveWindowGeometry(QWidget *window, const QString &iniFile)
{
    const QString file = iniFile.isEmpty() ? IniFileName() : iniFile;
    IniWriteString(ProgramBaseName(), window->objectName(),
                   GeometryValue(window->frameGeometry()), file);
}

void RestoreWindowGeometry(QWidget *window, const QString &iniFile)
{
    const QString file = iniFile.isEmpty() ? IniFileName() : iniFile;
    QRect outer = window->frameGeometry();
    const QString value = IniReadString(ProgramBaseName(), window->objectName(),
                                        GeometryValue(outer), file);
    try {
        ApplyGeometryValue(outer, workAreaSize(), value);
    } catch (...) {
        applyOuter(window, outer); // the pieces read before the bad one stay applied
        throw;
    }
    applyOuter(window, outer);
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
