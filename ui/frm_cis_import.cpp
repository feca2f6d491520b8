// The import of a CIS file, dropped on the window or chosen in the file
// dialog (Ctrl+O): both ways run the same flow and show the same messages.
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
#include <QFileDialog>
#include <QFileInfo>
#include <filesystem>

using namespace Qt::StringLiterals;

namespace {

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

bool confirmLoad(const QString &path)
{
    const QString question = u"Charger le fichier ?\r\n\r\n"_s + path + u"\r\n\r\n"_s
                             + u"Le Chargement complet de près de 30.000 médicaments peut prendre "
                               u"quelques petites secondes, merci de patienter ..."_s;
    return ShowMessageDialog(question, MsgKind::Confirmation, MsgButton::OK | MsgButton::Cancel)
           == MsgResult::Ok;
}

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
// itself or its settings file; the imported file being that copy already
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

void reportLoaded(qsizetype entries, bool copied)
{
    const QString report =
        u"Le fichier \"CIS.TXT\" a été correctement chargé\r\n\r\n"_s
        + u"Il comporte %1 entrée(s)"_s.arg(entries) + u"\r\n\r\n"_s
        + (copied ? u"Une copie en sera conservée à côté du programme, vous pouvez supprimer le "
                    u"fichier CIS.TXT déposé"_s
                  : u"La copie à côté du programme n'a pas pu être faite : conservez le fichier "
                    u"CIS.TXT déposé"_s)
        + u"\r\n\r\n"_s + u"Vous pouvez commencer la recherche ..."_s;
    ShowMessageDialog(report, MsgKind::Information, MsgButton::OK);
}

// Where the file dialog opens: beside the current database, else at home.
QString startFolder()
{
    if (!CisFilePath.isEmpty()) {
        const QDir folder = QFileInfo(CisFilePath).absoluteDir();
        if (folder.exists())
            return folder.path();
    }
    return QDir::homePath();
}

} // namespace

void TForm_CIS::importCisFile(const QString &path)
{
    BusyCursor busy;
    if (!confirmLoad(path))
        return;

    // A file that does not load must not cost the user the working database:
    // load aside (a failure throws and ends the import here), then swap the
    // store and its path.
    auto fresh = std::make_shared<CisStore>();
    LoadCisLines(*fresh, path);
    CisLines = fresh;
    CisFilePath = path;

    const bool copied = keepCopyBesideProgram(path);

    QCoreApplication::processEvents(); // the window repaints after the load
    busy.restore();
    const qsizetype n = CisLines->count();
    StatusBar1->setPanelText(0, QString::number(n));
    StatusBar1->setPanelText(3, u"Base de données CIS du "_s + DateText(GetFileDate(path)));
    reportLoaded(n, copied);
    Edit1->setFocus();
}

void TForm_CIS::openCisFile()
{
    // Qt's own dialog on every desktop, so that it is the same everywhere,
    // in French through Qt's translation, and can be answered in tests.
    // The option comes first: it must be set before any other property.
    QFileDialog dialog(this);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(u"Ouvrir un fichier CIS"_s);
    dialog.setDirectory(startFolder());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({u"Fichiers texte (*.txt *.TXT)"_s, u"Tous les fichiers (*)"_s});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return; // Escape or "Annuler": nothing changes
    importCisFile(QDir::toNativeSeparators(dialog.selectedFiles().first()));
}
