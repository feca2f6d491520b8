// A CIS file dropped on the window, or on any of its controls: the drag
// events, and the drop handed to the import (frm_cis_import.cpp).
#include "ui/frm_cis.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QUrl>

namespace {

// The local paths of a drop, in the desktop's order.
QStringList droppedPaths(const QMimeData *mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    const QList<QUrl> urls = mime->urls();
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            paths << QDir::toNativeSeparators(url.toLocalFile());
    }
    return paths;
}

} // namespace

void TForm_CIS::JvDragDrop1Drop(QObject *, QPoint, const QStringList &files)
{
    if (!files.isEmpty())
        importCisFile(files.first()); // only the first of several
}

namespace {

bool acceptFileDrag(QDropEvent *e)
{
    if (droppedPaths(e->mimeData()).isEmpty()) {
        e->ignore();
        return false;
    }
    e->setDropAction(Qt::CopyAction);
    e->accept();
    return true;
}

} // namespace

void TForm_CIS::dragEnterEvent(QDragEnterEvent *e)
{
    acceptFileDrag(e);
}

void TForm_CIS::dragMoveEvent(QDragMoveEvent *e)
{
    acceptFileDrag(e);
}

void TForm_CIS::dropEvent(QDropEvent *e)
{
    const QStringList files = droppedPaths(e->mimeData());
    if (!acceptFileDrag(e))
        return;
    QPoint pos = e->position().toPoint();
    if (ClientArea1)
        pos = ClientArea1->mapFrom(this, pos);
    // The import asks questions in modal dialogs: run it once the desktop has
    // finished the drop, so the file manager is not held until they close.
    QPointer<TForm_CIS> self(this);
    QTimer::singleShot(0, this, [self, pos, files]() {
        if (self)
            self->guarded([&]() { self->JvDragDrop1Drop(self, pos, files); });
    });
}

// File drops over a control that takes text drops (the boxes) belong to the
// window; text drags keep working as usual.
bool TForm_CIS::forwardFileDrag(QWidget *widget, QDropEvent *drop)
{
    if (widget == this)
        return false;
    const QEvent::Type type = drop->type();
    const QMimeData *mime = drop->mimeData();
    if (droppedPaths(mime).isEmpty())
        return false;
    const QPointF pos = widget->mapTo(this, drop->position().toPoint());
    if (type == QEvent::DragEnter) {
        QDragEnterEvent mapped(pos.toPoint(), drop->possibleActions(), mime, drop->buttons(),
                               drop->modifiers());
        dragEnterEvent(&mapped);
        drop->setDropAction(mapped.dropAction());
        drop->setAccepted(mapped.isAccepted());
    } else if (type == QEvent::DragMove) {
        QDragMoveEvent mapped(pos.toPoint(), drop->possibleActions(), mime, drop->buttons(),
                              drop->modifiers());
        dragMoveEvent(&mapped);
        drop->setDropAction(mapped.dropAction());
        drop->setAccepted(mapped.isAccepted());
    } else {
        QDropEvent mapped(pos, drop->possibleActions(), mime, drop->buttons(), drop->modifiers());
        dropEvent(&mapped);
        drop->setDropAction(mapped.dropAction());
        drop->setAccepted(mapped.isAccepted());
    }
    return true;
}
