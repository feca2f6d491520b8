// Start-up: splash, visual style, main window, event loop, end.
#include "app/startup.h"

#include "app/frm_SplashScreen.h"
#include "ui/dialogs/msg_dialog.h"
#include "ui/frm_cis.h"
#include "ui/style/visual_style.h"
#include "ui/window_geometry.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QIcon>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>
#include <QWindow>
#include <memory>

using namespace Qt::StringLiterals;

// The icon sizes live in a static library: register them by hand.
static void initProgramIcons()
{
    Q_INIT_RESOURCE(icons);
}

namespace {

// Shows the splash and paints it before anything else happens. Only the
// window system's own events are let through, and only until the window can
// be drawn: the user's input waits for the event loop.
void showSplash(TSplashScreen *splash)
{
    CentreOnScreen(splash);
    splash->show();
    splash->raise();
    QDeadlineTimer deadline(500);
    while (splash->windowHandle() && !splash->windowHandle()->isExposed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    splash->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents
                                    | QEventLoop::ExcludeSocketNotifiers);
}

} // namespace

QIcon ProgramIcon()
{
    initProgramIcons();
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(u":/icons/%1x%1/"_s.arg(size) + QLatin1StringView(kApplicationId) + u".png"_s,
                     QSize(size, size));
    return icon;
}

namespace {
QString &translationsFolderForTesting()
{
    static QString folder;
    return folder;
}
} // namespace

void SetQtTranslationsFolderForTesting(const QString &folder)
{
    translationsFolderForTesting() = folder;
}

bool InstallQtFrenchTranslation(const QString &folder)
{
    static QPointer<QTranslator> translator;
    if (!translator)
        translator = new QTranslator(QCoreApplication::instance());
    QCoreApplication::removeTranslator(translator);
    // qtbase_fr.qm is Qt's own catalog, as Linux packages install it; a Qt
    // deployed beside the program on Windows has Qt's French texts gathered
    // into the one catalog qt_fr.qm instead. The Windows program carries its
    // own copy (":/translations"), having no Qt installed beside it.
    QStringList dirs{folder};
    if (folder.isEmpty())
        dirs = {QLibraryInfo::path(QLibraryInfo::TranslationsPath), u":/translations"_s};
    for (const QString &dir : std::as_const(dirs)) {
        if (translator->load(u"qtbase_fr"_s, dir) || translator->load(u"qt_fr"_s, dir))
            return QCoreApplication::installTranslator(translator);
    }
    return false;
}

TForm_CIS *StartProgram(const QString &styleName)
{
    // The desktop matches the running program with its menu entry and icon
    // by this id; the window carries the icon for the title bar and task bar.
    QGuiApplication::setDesktopFileName(QLatin1StringView(kApplicationId));
    QApplication::setWindowIcon(ProgramIcon());
    InstallQtFrenchTranslation(translationsFolderForTesting()); // the program is French by design
    InitVerdaneResources();
    EnsureProgramFonts();
    // Only the quit request ends the program, never the last window hiding.
    QApplication::setQuitOnLastWindowClosed(false);

    auto splash = std::make_unique<TSplashScreen>();
    showSplash(splash.get());

    if (!ApplyVisualStyle(styleName))
        ShowMessageDialog(u"Style '%1' non trouvé"_s.arg(styleName), MsgKind::Error,
                          MsgButton::Close);

    auto *window = new TForm_CIS;
    splash->hide();
    splash.reset();
    window->show();
    return window;
}

int RunProgram(int &argc, char **argv)
{
    // The program takes no arguments: not even the toolkit's own options
    // (-style, -platform...) are read from the command line.
    int ownArgc = argc > 0 ? 1 : 0;
    char *ownArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    QApplication app(ownArgc, ownArgv);
    std::unique_ptr<TForm_CIS> window(StartProgram(kProgramStyleName));
    app.exec();
    // Windows go without any close handler running; the exit code is 0
    // whatever ended the loop.
    window.reset();
    CisFilePath.clear();
    return 0;
}
