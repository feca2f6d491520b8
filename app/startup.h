#pragma once
#include <QString>

class TForm_CIS;

// The program's start-up sequence, event loop and end. Returns the exit code.
int RunProgram(int &argc, char **argv);

// Start-up up to the event loop, inside an existing QApplication: the splash,
// the visual style of that name (error dialog when the program does not carry
// it), the main window created and shown. The caller owns the window.
TForm_CIS *StartProgram(const QString &styleName);
