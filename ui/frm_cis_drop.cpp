// Import of a CIS file dropped on the window.
#include "frm_cis.h"

#include <QDragEnterEvent>
#include <QDropEvent>

void TForm_CIS::JvDragDrop1Drop(QObject *, QPoint, const QStringList &) {}
void TForm_CIS::dragEnterEvent(QDragEnterEvent *e) { QMainWindow::dragEnterEvent(e); }
void TForm_CIS::dragMoveEvent(QDragMoveEvent *e) { QMainWindow::dragMoveEvent(e); }
void TForm_CIS::dropEvent(QDropEvent *e) { QMainWindow::dropEvent(e); }
