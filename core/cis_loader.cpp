#include "core/cis_loader.h"
#include "core/app_error.h"
#include "core/cis_decoding.h"
#include "platform/platform_qt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdlib>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void throwOpenError(const QString &path, const QString &reason)
{
    const QString full = path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
    throw AppError(u"Impossible d'ouvrir le fichier \"%1\". %2"_s.arg(full, reason));
}

// Whatever allocation fails, running out of memory reads the same.
[[noreturn]] void throwOutOfMemory()
{
    throw AppError(u"Impossible d'insérer une ligne"_s);
}

[[noreturn]] void throwFileError(const QString &path, const platform::Error &error)
{
    if (error.kind == platform::ErrorKind::NoMemory)
        throwOutOfMemory();
    throwOpenError(path, ReasonText(error));
}

std::function<void()> &beforeLockHook()
{
    static std::function<void()> hook;
    return hook;
}

struct MallocBlock
{
    unsigned char *p = nullptr;
    ~MallocBlock() { std::free(p); }
};

} // namespace

void SetLoadBeforeLockHookForTesting(std::function<void()> hook)
{
    beforeLockHook() = std::move(hook);
}

namespace {

// Opens the file for reading, sharing it with readers only, once it is
// known to be a plain file; gives its size and date.
platform::FileInfo openAndLock(platform::File &f, const QString &path)
{
    using platform::ErrorKind;
    // A name holding a NUL (a damaged settings file) names no file: the
    // system would read only the part before it, another file.
    if (path.contains(QChar(0)))
        throwFileError(path, platform::MakeError(ErrorKind::NotFound));
    if (const platform::Error e = f.openForReading(NativePath(path)))
        throwFileError(path, e);
    platform::FileInfo before;
    if (const platform::Error e = f.stat(before))
        throwFileError(path, e);
    if (before.type == platform::EntryType::Directory)
        throwFileError(path, platform::MakeError(ErrorKind::IsDirectory));
    if (before.type != platform::EntryType::File)
        throwFileError(path, platform::MakeError(ErrorKind::NotRegularFile));
    if (beforeLockHook())
        beforeLockHook()();
    if (const platform::Error e = f.lockForReading())
        throwFileError(path, e);
    return before;
}

// Reads the whole file into raw (room for size + 1 bytes), and closes it.
// A download still going on, or a file rewritten while we read it: its
// bytes may be partial or mixed, so none of them is taken.
void readUnchanged(platform::File &f, const QString &path, const platform::FileInfo &before,
                   unsigned char *raw)
{
    const qsizetype size = qsizetype(before.size);
    qsizetype got = 0;
    while (got < size) {
        platform::Error e;
        const std::int64_t k = f.read(raw + got, size - got, e);
        if (k < 0)
            throwFileError(path, e);
        if (k == 0)
            break;
        got += qsizetype(k);
    }
    // A file holding more than its size said (a writer appending, or a
    // system file whose size reads 0): what was read is not all of it. The
    // probe goes into the spare byte past the content.
    bool longer = false;
    if (got == size) {
        platform::Error e;
        longer = f.read(raw + size, 1, e) > 0;
    }
    platform::FileInfo after;
    const bool changed = longer || f.checkNoWriterCame() || f.stat(after)
                         || !after.sameVersionAs(before) || got != size;
    f.close();
    if (changed)
        throwFileError(path, platform::MakeError(platform::ErrorKind::Busy));
}

} // namespace

void LoadCisLines(CisStore &store, const QString &path)
{
    platform::File f;
    const platform::FileInfo before = openAndLock(f, path);
    const qsizetype size = qsizetype(before.size);
    MallocBlock raw{static_cast<unsigned char *>(std::malloc(size_t(size) + 1))};
    if (!raw.p)
        throwOutOfMemory();
    readUnchanged(f, path, before, raw.p);
    try {
        FillStoreFromOwnedBytes(store, std::exchange(raw.p, nullptr), size);
    } catch (const std::bad_alloc &) {
        throwOutOfMemory();
    }
}

bool CisFileExists(const QString &path)
{
    using platform::EntryType;
    if (path.isEmpty() || path.contains(QChar(0)))
        return false; // a NUL: see LoadCisLines
    const platform::Path name = NativePath(path);
    platform::FileInfo entry;
    if (const platform::Error e = platform::Stat(name, entry, false)) {
        if (e.kind == platform::ErrorKind::NotFound || e.kind == platform::ErrorKind::NameTooLong)
            return false;
        // Attributes unreadable for another reason: trust a listing of the
        // parent folder.
        const QFileInfo info(path);
        return platform::ListedAsNonDirectory(NativePath(info.absolutePath()),
                                              NativePath(info.fileName()));
    }
    if (entry.type != EntryType::Link)
        return entry.type != EntryType::Directory;
    // A link: its target must be there, not a folder, and readable.
    platform::FileInfo target;
    if (platform::Stat(name, target) || target.type == EntryType::Directory)
        return false;
    platform::File f;
    return !f.openForReading(name);
}

QString FindCisTxtIn(const QString &dir)
{
    const QString wanted = u"cis.txt"_s;
    const QStringList names = QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    // The exact lower-case name first, then any spelling that is usable.
    if (names.contains(wanted) && CisFileExists(dir + wanted))
        return dir + wanted;
    for (const QString &n : names) {
        if (n.size() != wanted.size())
            continue;
        bool same = true;
        for (qsizetype k = 0; same && k < n.size(); ++k) {
            char16_t c = n[k].unicode();
            if (c >= u'A' && c <= u'Z')
                c = char16_t(c + 32);
            same = c == wanted[k].unicode();
        }
        if (!same)
            continue;
        if (CisFileExists(dir + n))
            return dir + n;
    }
    return dir + wanted;
}
