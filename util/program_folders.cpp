#include "util/program_folders.h"

#include "core/cis_loader.h"
#include "util/vela_ini.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

using namespace Qt::StringLiterals;

namespace {

// Folders that hold installed programs. The superuser (or an administrator on
// Windows) may write to them, yet a program found there is installed: its
// settings never go beside it.
bool isSystemProgramFolder(const QString &canonicalDir)
{
    QStringList system;
#ifdef VERDANE_INSTALL_BINDIR
    system << QFileInfo(QStringLiteral(VERDANE_INSTALL_BINDIR)).canonicalFilePath();
#endif
#ifdef Q_OS_WIN
    // Program Files, and the user's own programs folder, where an installer
    // run without administrator rights puts a program.
    QStringList roots;
    for (const char *name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"})
        roots << qEnvironmentVariable(name);
    if (const QString local = qEnvironmentVariable("LOCALAPPDATA"); !local.isEmpty())
        roots << local + u"/Programs"_s;
    for (const QString &folder : std::as_const(roots)) {
        const QString root = QFileInfo(folder).canonicalFilePath();
        if (!root.isEmpty() && canonicalDir.startsWith(root + u'/', Qt::CaseInsensitive))
            return true;
    }
#else
    for (const QString &dir : {u"/usr/bin"_s, u"/usr/local/bin"_s, u"/bin"_s, u"/usr/games"_s,
                               u"/usr/local/games"_s, u"/usr/sbin"_s, u"/sbin"_s})
        system << QFileInfo(dir).canonicalFilePath();
#endif
    system.removeAll(QString());
    return system.contains(canonicalDir);
}

QString withSeparator(QString dir)
{
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

QString perUserDir(QStandardPaths::StandardLocation base)
{
    const QString root = QStandardPaths::writableLocation(base);
    if (root.isEmpty())
        return QString();
    return withSeparator(withSeparator(root) + ProgramBaseName());
}

bool samePlace(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const QFileInfo fa(a), fb(b);
    if (QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath()))
        return true;
    return fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath();
}

} // namespace

bool IsPortableProgramFolder(const QString &dir)
{
    const QFileInfo info(dir);
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty() || !info.isDir() || isSystemProgramFolder(canonical))
        return false;
    // A real trial rather than the permission bits: those say nothing of a
    // read-only mount, of access lists, or of a network share's own rules.
    QTemporaryFile trial(withSeparator(canonical) + u".write-test-XXXXXX"_s);
    return trial.open();
}

bool ProgramIsPortable()
{
    // Decided once per folder: the settings file must not move while the
    // program runs.
    static QString decidedFor;
    static bool portable = true;
    const QString dir = ProgramDir();
    if (dir != decidedFor) {
        decidedFor = dir;
        portable = IsPortableProgramFolder(dir);
    }
    return portable;
}

QString PerUserSettingsDir()
{
    return perUserDir(QStandardPaths::GenericConfigLocation);
}

QString PerUserDataDir()
{
    return perUserDir(QStandardPaths::GenericDataLocation);
}

QString CisDataDir()
{
    return ProgramIsPortable() ? ProgramDir() : PerUserDataDir();
}

bool EnsureParentFolder(const QString &path)
{
    const QString dir = QFileInfo(path).absolutePath();
    return QFileInfo(dir).isDir() || QDir().mkpath(dir);
}

QString ImportCopyPath(const QString &dropped)
{
    const QString dir = CisDataDir();
    return dir.isEmpty() ? QString() : dir + QFileInfo(dropped).fileName();
}

QString FallbackCisFile(const QString &savedPath)
{
    const QString dir = CisDataDir();
    if (dir.isEmpty())
        return QString(); // no per-user folder at all: nothing to find
    const QString name = FileNamePartOf(savedPath);
    if (!name.isEmpty()) {
        const QString copy = dir + name;
        if (!samePlace(copy, ProgramPath()) && !samePlace(copy, IniFileName())
            && CisFileExists(copy))
            return copy;
    }
    return FindCisTxtIn(dir);
}
