// Import of a CIS file dropped on the window, or on any of its controls.
#include "ui/frm_cis.h"

#include "core/cis_loader.h"
#include "core/cis_store.h"
#include "ui/dialogs/msg_dialog.h"
#include "ui/panel_status_bar.h"
#include "ui/upper_case_line_edit.h"
#include "util/program_folders.h"
#include "util/vela_ini.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <filesystem>

using namespace Qt::StringLiterals;

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

// Restores the busy cursor on every way out of the import.
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { restore(); }
    void restore()
    {
        if (m_active) {
            QApplication::restoreOverrideCursor();
            m_active = false;
        }
    }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    bool m_active = true;
};

bool sameFile(const QString &a, const QString &b)
{
    std::error_code ec;
    const bool same = std::filesystem::equivalent(std::filesystem::path(a.toStdU16String()),
                                                  std::filesystem::path(b.toStdU16String()), ec);
    return !ec && same;
}

bool samePath(const QString &a, const QString &b)
{
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath())
               == QDir::cleanPath(QFileInfo(b).absoluteFilePath())
           || sameFile(a, b);
}

// Keeps a copy where start-up looks for it again: beside a portable program,
// else in the per-user data folder, made on first use. Never over the program
// itself or its settings file; the dropped file being that copy already
// counts as kept.
bool keepCopyBesideProgram(const QString &path)
{
    const QString destination = ImportCopyPath(path);
    if (destination.isEmpty())
        return false;
    if (!EnsureParentFolder(destination))
        return false;
    if (samePath(destination, ProgramPath()) || samePath(destination, IniFileName()))
        return false;
    if (sameFile(path, destination))
        return true;
    return CopyFileOverwrite(path, destination);
}

} // namespace

void TForm_CIS::JvDragDrop1Drop(QObject *, QPoint, const QStringList &files)
{
    if (files.isEmpty())
        return;
    const QString path = files.first();
    BusyCursor busy;
    const QString question = u"Charger le fichier ?\r\n\r\n"_s + path + u"\r\n\r\n"_s
                             + u"Le Chargement complet de près de 30.000 médicaments peut prendre "
                               u"quelques petites secondes, merci de patienter ..."_s;
    if (ShowMessageDialog(question, MsgKind::Confirmation, MsgButton::OK | MsgButton::Cancel)
        != MsgResult::Ok)
        return;

    // A file that does not load must not cost the user the working database:
    // load aside, and replace the store and its path only once it loaded.
    auto fresh = std::make_shared<CisStore>();
    LoadCisLines(*fresh, path);
    CisLines = fresh;
    CisFilePath = path;
    const bool copied = keepCopyBesideProgram(path);

    QCoreApplication::processEvents();
    busy.restore();

    const qsizetype n = CisLines->count();
    StatusBar1->setPanelText(0, QString::number(n));
    StatusBar1->setPanelText(3, u"Base de données CIS du "_s + DateText(GetFileDate(path)));

    const QString report =
        u"Le fichier \"CIS.TXT\" a été correctement chargé\r\n\r\n"_s
        + u"Il comporte %1 entrée(s)"_s.arg(n) + u"\r\n\r\n"_s
        + (copied ? u"Une copie en sera conservée à côté du programme, vous pouvez supprimer le "
                    u"fichier CIS.TXT déposé"_s
                  : u"La copie à côté du programme n'a pas pu être faite : conservez le fichier "
                    u"CIS.TXT déposé"_s)
        + u"\r\n\r\n"_s + u"Vous pouvez commencer la recherche ..."_s;
    ShowMessageDialog(report, MsgKind::Information, MsgButton::OK);
    Edit1->setFocus();
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
