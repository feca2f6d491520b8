#pragma once
// Replacing a file safely: the new content goes to a temporary file beside
// the target, is flushed to disk, then renamed over the target. A crash or a
// full disk therefore leaves either the old file or the new one, never a
// torn one. Used by the settings file and by the file copy.
#include <QByteArray>
#include <QString>
#include <sys/stat.h>
#include <sys/types.h>

class SafeFileWriter
{
public:
    explicit SafeFileWriter(const QString &target);
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter &) = delete;
    SafeFileWriter &operator=(const SafeFileWriter &) = delete;

    // Creates the temporary file with the given permission bits; with
    // `original`, the file it replaces, its owner is kept where allowed.
    bool open(mode_t mode, const struct stat *original = nullptr);
    bool write(const char *data, qsizetype size);
    bool write(const QByteArray &data) { return write(data.constData(), data.size()); }
    // Sets the modification time the target will carry (seconds, nanoseconds).
    bool setModificationTime(const struct timespec &mtime);
    // Flushes, renames over the target and flushes the directory entry.
    bool commit();

private:
    void discard();

    QByteArray m_target;
    QByteArray m_temp;
    int m_fd = -1;
};

// Permission bits a newly created file gets from the process's umask.
mode_t DefaultNewFileMode();

// The path that a write to `path` must replace: a symbolic link is followed
// so that the link stays and its target receives the new content.
QString ResolveWriteTarget(const QString &path);
