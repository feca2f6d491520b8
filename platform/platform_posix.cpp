// The POSIX side of the platform layer (Linux first: leases and flock).
// Guarded so that every source of the tree also compiles on Windows.
#ifndef _WIN32

#include "platform/platform.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>

namespace platform {

namespace {

int fdOf(std::intptr_t h)
{
    return int(h);
}

Error lastError()
{
    return ErrorFromCode(errno);
}

void fill(FileInfo &info, const struct stat &st)
{
    if (S_ISREG(st.st_mode))
        info.type = EntryType::File;
    else if (S_ISDIR(st.st_mode))
        info.type = EntryType::Directory;
    else if (S_ISLNK(st.st_mode))
        info.type = EntryType::Link;
    else
        info.type = EntryType::Other;
    info.size = std::int64_t(st.st_size);
    info.mtimeSec = std::int64_t(st.st_mtim.tv_sec);
    info.mtimeNsec = std::int32_t(st.st_mtim.tv_nsec);
    info.device = std::uint64_t(st.st_dev);
    info.inode = std::uint64_t(st.st_ino);
    info.mode = std::uint32_t(st.st_mode & 07777);
    info.owner = std::uint32_t(st.st_uid);
    info.group = std::uint32_t(st.st_gid);
    info.readOnly = (st.st_mode & 0222) == 0;
}

std::string folderOf(const Path &file)
{
    const std::size_t slash = file.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : file.substr(0, slash);
}

#ifdef F_SETLEASE
// A broken lease is announced with SIGIO, which would end the program; the
// loader asks instead, after its read, whether the lease still holds.
void keepLeaseSignalHarmless()
{
    static const bool done = [] {
        struct sigaction old = {};
        if (::sigaction(SIGIO, nullptr, &old) == 0 && old.sa_handler == SIG_DFL
            && !(old.sa_flags & SA_SIGINFO))
            std::signal(SIGIO, SIG_IGN);
        return true;
    }();
    (void)done;
}
#endif

} // namespace

Error ErrorFromCode(int code)
{
    static constexpr CodeKind kKinds[] = {
        {ENOENT, ErrorKind::NotFound},
        {ENOTDIR, ErrorKind::NotFound},
        {EACCES, ErrorKind::AccessDenied},
        {EPERM, ErrorKind::AccessDenied},
        {EROFS, ErrorKind::AccessDenied},
        {EISDIR, ErrorKind::IsDirectory},
        {EWOULDBLOCK, ErrorKind::Busy},
        {ETXTBSY, ErrorKind::Busy},
        {EBUSY, ErrorKind::Busy},
        {ELOOP, ErrorKind::LinkLoop},
        {ENOMEM, ErrorKind::NoMemory},
        {EIO, ErrorKind::IoError},
        {ENOSPC, ErrorKind::DiskFull},
        {EDQUOT, ErrorKind::DiskFull},
        {ENAMETOOLONG, ErrorKind::NameTooLong},
    };
    return ErrorFromTable(code, kKinds);
}

std::string SystemMessage(int code)
{
    char buf[512];
    buf[0] = 0;
    // Both strerror_r flavours: GNU returns the text, XSI fills the buffer.
    const auto text = [&](auto r) -> const char * {
        if constexpr (std::is_same_v<decltype(r), int>)
            return r == 0 ? buf : "";
        else
            return r ? r : "";
    };
    return text(::strerror_r(code, buf, sizeof buf));
}

Error Stat(const Path &path, FileInfo &info, bool followLinks)
{
    info = FileInfo();
    struct stat st;
    const int rc = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    if (rc != 0)
        return lastError();
    fill(info, st);
    return {};
}

bool IsWritable(const Path &path)
{
    return ::access(path.c_str(), W_OK) == 0;
}

bool ListedAsNonDirectory(const Path &dir, const std::string &name)
{
    DIR *d = ::opendir(dir.c_str());
    if (!d)
        return false;
    bool found = false;
    while (dirent *e = ::readdir(d)) {
        if (name == e->d_name) {
            found = e->d_type != DT_DIR;
            break;
        }
    }
    ::closedir(d);
    return found;
}

File::~File()
{
    close();
}

bool File::isOpen() const
{
    return m_handle >= 0;
}

Error File::openForReading(const Path &path)
{
    close();
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A socket, or a device file with no device behind it. Elsewhere
        // (a read, on a removed disk) these codes mean something else.
        if (errno == ENXIO || errno == ENODEV) {
            Error e = MakeError(ErrorKind::NotRegularFile);
            e.code = errno;
            return e;
        }
        return lastError();
    }
    m_handle = fd;
    return {};
}

Error File::lockForReading()
{
    const int fd = fdOf(m_handle);
#ifdef F_SETLEASE
    // A read lease is refused exactly while someone has the file open for
    // writing. Only the owner (or the superuser) may take one, and some
    // file systems have none: then the lock below is all we can check.
    keepLeaseSignalHarmless();
    if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0)
        m_lease = true;
    else if (errno == EAGAIN)
        return MakeError(ErrorKind::Busy);
#endif
    // Shared lock for the read: a writer holding an exclusive lock refuses
    // us, and none can take one while we read. A file system without locks
    // (some network and FUSE mounts) is read all the same.
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return MakeError(ErrorKind::Busy);
    return {};
}

Error File::checkNoWriterCame() const
{
#ifdef F_GETLEASE
    // A writer's open breaks the lease: it is then no longer a read lease.
    if (m_lease && ::fcntl(fdOf(m_handle), F_GETLEASE) != F_RDLCK)
        return MakeError(ErrorKind::Busy);
#endif
    return {};
}

Error File::createTemporaryBeside(const Path &target, Path &tempPath)
{
    close();
    std::string pattern = TemporaryPrefix(target) + "XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return lastError();
    m_handle = fd;
    // Held until the file is closed or the process dies: a temporary file
    // without it is a leftover.
    (void)::flock(fd, LOCK_EX | LOCK_NB);
    tempPath = pattern;
    return {};
}

Error File::setOwnerAndMode(const FileInfo *original, std::uint32_t mode)
{
    const int fd = fdOf(m_handle);
    // Only the superuser may hand a file to someone else; for anyone else
    // the owner is theirs already, so a refusal changes nothing.
    if (original && (original->owner != ::geteuid() || original->group != ::getegid()))
        (void)!::fchown(fd, uid_t(original->owner), gid_t(original->group));
    if (::fchmod(fd, mode_t(mode & 07777)) != 0)
        return lastError();
    return {};
}

Error File::stat(FileInfo &info) const
{
    info = FileInfo();
    struct stat st;
    if (::fstat(fdOf(m_handle), &st) != 0)
        return lastError();
    fill(info, st);
    return {};
}

std::int64_t File::read(void *buffer, std::int64_t size, Error &error)
{
    for (;;) {
        const ssize_t k = ::read(fdOf(m_handle), buffer, std::size_t(size));
        if (k >= 0)
            return k;
        if (errno != EINTR) {
            error = lastError();
            return -1;
        }
    }
}

Error File::write(const void *data, std::int64_t size)
{
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = ::write(fdOf(m_handle), p, std::size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return lastError();
        }
        p += n;
        size -= n;
    }
    return {};
}

Error File::setModificationTime(std::int64_t sec, std::int32_t nsec)
{
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(sec);
    times[1].tv_nsec = long(nsec);
    if (::futimens(fdOf(m_handle), times) != 0)
        return lastError();
    return {};
}

Error File::flush()
{
    if (::fsync(fdOf(m_handle)) != 0)
        return lastError();
    return {};
}

Error File::commitOver(const Path &tempPath, const Path &target)
{
    if (Error e = flush()) {
        close();
        return e;
    }
    // Renamed while still open, so that the lock keeps other writers'
    // clean-up away until the file is in place.
    if (Error e = MoveReplacing(tempPath, target)) {
        close();
        return e;
    }
    const Error closed = close();
    FlushDirectoryOf(target);
    return closed;
}

Error File::close()
{
    if (m_handle < 0)
        return {};
    const int fd = fdOf(m_handle);
    m_handle = -1;
#ifdef F_SETLEASE
    if (m_lease)
        (void)::fcntl(fd, F_SETLEASE, F_UNLCK);
#endif
    m_lease = false;
    if (::close(fd) != 0)
        return lastError();
    return {};
}

Error MoveReplacing(const Path &from, const Path &to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        return lastError();
    return {};
}

void FlushDirectoryOf(const Path &file)
{
    const int dfd = ::open(folderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

Error RemoveFile(const Path &path)
{
    if (::unlink(path.c_str()) != 0)
        return lastError();
    return {};
}

int RemoveStaleTemporaries(const Path &target, std::int64_t startedSec)
{
    const Path prefix = TemporaryPrefix(target);
    const std::size_t slash = prefix.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : prefix.substr(0, slash + 1);
    const std::string namePrefix = prefix.substr(dir.size());
    DIR *d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return 0;
    int removed = 0;
    while (dirent *e = ::readdir(d)) {
        if (!IsTemporaryName(e->d_name, namePrefix))
            continue;
        const std::string path = dir + e->d_name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st;
        bool stale = false;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            // A live writer holds its lock; where locks do not work, only a
            // file older than this write can be nobody's.
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
                stale = true;
            else if (errno != EWOULDBLOCK)
                stale = std::int64_t(st.st_mtim.tv_sec) < startedSec;
        }
        if (stale && ::unlink(path.c_str()) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(d);
    return removed;
}

std::uint32_t DefaultNewFileMode()
{
    // umask can only be read by setting it; the program is single-threaded
    // where files are written.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return std::uint32_t(0666 & ~mask);
}

Path ExecutablePath()
{
    std::string buf(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n <= 0 || std::size_t(n) >= buf.size())
        return Path();
    buf.resize(std::size_t(n));
    return buf;
}

} // namespace platform

#endif // !_WIN32
