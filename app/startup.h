#pragma once
#include <QIcon>
#include <QString>

// The program's reverse-DNS application id: the name of its desktop entry,
// metainfo and icon files.
inline constexpr char kApplicationId[] = VERDANE_APP_ID;

// The program's own icon, every size it is drawn at.
QIcon ProgramIcon();

class TForm_CIS;

// The program's start-up sequence, event loop and end. Returns the exit code.
int RunProgram(int &argc, char **argv);

// Start-up up to the event loop, inside an existing QApplication: the splash,
// the visual style of that name (error dialog when the program does not carry
// it), the main window created and shown. The caller owns the window.
TForm_CIS *StartProgram(const QString &styleName);

// Qt's own texts (the boxes' context menus, the scroll bars' menus) in French
// whatever the locale, from Qt's translations folder, else the copy built into
// the Windows program (or only from `folder`): Qt's own catalog qtbase_fr.qm,
// or qt_fr.qm as Qt's deployment step makes it. False when
// the translation cannot be loaded: Qt's texts then stay in English and the
// program goes on. Calling it again replaces the translation loaded before.
bool InstallQtFrenchTranslation(const QString &folder = QString());
// Test seam: the folder StartProgram loads Qt's translation from; empty for
// Qt's own translations folder.
void SetQtTranslationsFolderForTesting(const QString &folder);
