#pragma once
// Saving and restoring a window's outer geometry in the settings file, under
// the section named like the program and the key named like the window.
#include <QString>

class QWidget;

// Throws AppError "Impossible d'écrire dans %s" when the file cannot be written.
void SaveWindowGeometry(QWidget *window, const QString &iniFile = QString());
// Throws AppError at the first unreadable piece of the stored value; the
// pieces before it are applied all the same. Whatever the value, the window
// keeps a minimum size and stays on a screen (centred when it would not).
void RestoreWindowGeometry(QWidget *window, const QString &iniFile = QString());

// Moves a top-level window so that its outer rectangle is centred on the
// primary screen: each offset halved toward zero, then raised to the
// desktop's left and top edges.
void CentreOnScreen(QWidget *window);
