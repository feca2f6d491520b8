#pragma once
// Replacing a file safely: the new content goes to a temporary file beside
// the target, is flushed to disk, then renamed over the target. A crash or a
// full disk therefore leaves either the old file or the new one, never a
// torn one; the next write of the same target removes what an interrupted
// one left behind. Used by the settings file and by the file copy.
// Not QSaveFile: it neither keeps the replaced file's owner, nor sets the
// copy's date, nor finds the leftovers of a writer killed on the way.
#include "platform/platform.h"

#include <QByteArray>
#include <QString>

class SafeFileWriter
{
public:
    explicit SafeFileWriter(const QString &target);
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter &) = delete;
    SafeFileWriter &operator=(const SafeFileWriter &) = delete;

    // Creates the temporary file with the given permission bits; with
    // `original`, the file it replaces, its owner is kept where allowed.
    bool open(std::uint32_t mode, const platform::FileInfo *original = nullptr);
    bool write(const char *data, qsizetype size);
    bool write(const QByteArray &data) { return write(data.constData(), data.size()); }
    // Sets the modification time the target will carry.
    bool setModificationTime(std::int64_t sec, std::int32_t nsec);
    // Flushes, renames over the target and flushes the directory entry.
    bool commit();

private:
    void discard();

    platform::Path m_target;
    platform::Path m_temp;
    platform::File m_file;
};

// The path that a write to `path` must replace: a symbolic link is followed
// so that the link stays and its target receives the new content.
QString ResolveWriteTarget(const QString &path);
