#include "ini_atomic.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

SafeFileWriter::SafeFileWriter(const QString &target) : m_target(QFile::encodeName(target)) {}

SafeFileWriter::~SafeFileWriter()
{
    discard();
}

void SafeFileWriter::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(m_temp.constData());
        m_temp.clear();
    }
}

bool SafeFileWriter::open(mode_t mode, const struct stat *original)
{
    discard();
    if (m_target.isEmpty() || m_target.endsWith('/'))
        return false;
    const qsizetype slash = m_target.lastIndexOf('/');
    const QByteArray dir = slash >= 0 ? m_target.left(slash + 1) : QByteArray();
    // Room for the prefix and suffix within the longest file name.
    const QByteArray name = m_target.mid(slash + 1).left(200);
    // A hidden name in the same directory: same file system, so the rename
    // is atomic, and no stray visible file if the program dies meanwhile.
    QByteArray pattern = dir + '.' + name + ".XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    m_fd = fd;
    m_temp = pattern;
    // Only the superuser may hand a file to someone else; for anyone else
    // the owner is theirs already, so a refusal changes nothing.
    if (original && (original->st_uid != ::geteuid() || original->st_gid != ::getegid()))
        (void)!::fchown(m_fd, original->st_uid, original->st_gid);
    if (::fchmod(m_fd, mode & 07777) != 0) {
        discard();
        return false;
    }
    return true;
}

bool SafeFileWriter::write(const char *data, qsizetype size)
{
    if (m_fd < 0)
        return false;
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool SafeFileWriter::setModificationTime(const struct timespec &mtime)
{
    if (m_fd < 0)
        return false;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = mtime;
    return ::futimens(m_fd, times) == 0;
}

bool SafeFileWriter::commit()
{
    if (m_fd < 0)
        return false;
    if (::fsync(m_fd) != 0) {
        discard();
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 || ::rename(m_temp.constData(), m_target.constData()) != 0) {
        discard();
        return false;
    }
    m_temp.clear();
    // The rename itself must reach the disk too.
    const qsizetype slash = m_target.lastIndexOf('/');
    const QByteArray dir = slash > 0 ? m_target.left(slash) : QByteArray(slash == 0 ? "/" : ".");
    const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

mode_t DefaultNewFileMode()
{
    // umask can only be read by setting it; the program is single-threaded
    // where files are written.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

QString ResolveWriteTarget(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    // A dangling link: write to where it points, the link then resolves.
    return info.symLinkTarget();
}
