#pragma once
// The program's one door to the operating system. Everything here has a
// POSIX side (platform_posix.cpp) and a Win32 side (platform_win32.cpp) that
// behave alike; the rest of the program calls only this interface, or Qt and
// the standard library where they already behave the same everywhere.
//
// Standard types only, so that the Win32 side and its tests build with a bare
// mingw-w64 compiler. Paths are the file system's bytes on POSIX (what
// QFile::encodeName gives) and UTF-8 on Windows; NativePath() in
// platform_qt.h makes one from a QString.
#include <cstdint>
#include <span>
#include <string>

namespace platform {

using Path = std::string;

// The reasons a user can meet, each with its own French text; Other keeps
// the system's own text.
enum class ErrorKind {
    None,
    NotFound,
    AccessDenied,
    IsDirectory,
    Busy,
    NotRegularFile,
    LinkLoop,
    NoMemory,
    IoError,
    DiskFull,
    NameTooLong,
    Other,
};

struct Error
{
    ErrorKind kind = ErrorKind::None;
    int code = 0; // errno, or GetLastError() on Windows
    explicit operator bool() const { return kind != ErrorKind::None; }
};

// Classifies a native error code (errno or GetLastError()).
Error ErrorFromCode(int code);
// One native code and the kind it means: each side lists its own system's.
struct CodeKind
{
    int code;
    ErrorKind kind;
};
// ErrorFromCode's lookup, shared by both sides: the kind the table gives the
// code, Other for a code it does not name, None for 0.
Error ErrorFromTable(int code, std::span<const CodeKind> table);
Error MakeError(ErrorKind kind);
// The system's text for a native code, UTF-8, as the system words it.
std::string SystemMessage(int code);

enum class EntryType { Missing, File, Directory, Link, Other };

struct FileInfo
{
    EntryType type = EntryType::Missing;
    std::int64_t size = 0;
    std::int64_t mtimeSec = 0; // seconds since 1970-01-01 UTC
    std::int32_t mtimeNsec = 0;
    // Together they name the file whatever path reaches it.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint32_t mode = 0; // permission bits on POSIX; 0 on Windows
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    bool readOnly = false; // no write permission bit, or the read-only attribute

    bool sameFileAs(const FileInfo &o) const { return device == o.device && inode == o.inode; }
    bool sameVersionAs(const FileInfo &o) const
    {
        return size == o.size && mtimeSec == o.mtimeSec && mtimeNsec == o.mtimeNsec;
    }
};

// With followLinks false, a symbolic link is described itself.
Error Stat(const Path &path, FileInfo &info, bool followLinks = true);
// Whether this process may write to the file (permissions and attributes).
bool IsWritable(const Path &path);
// For an entry whose attributes cannot be read (a folder listable but not
// searchable): whether the folder's listing names it as a non-folder.
bool ListedAsNonDirectory(const Path &dir, const std::string &name);

// An open file. Closed by the destructor.
class File
{
public:
    File() = default;
    ~File();
    File(const File &) = delete;
    File &operator=(const File &) = delete;

    // Opens for reading. Never waits (a FIFO without writer does not block);
    // on Windows other programs may then only read the file.
    Error openForReading(const Path &path);
    // Refuses with Busy a file that another program is writing: one holding
    // it open for writing (where the system tells) or holding a lock on it.
    // Holds a shared lock until close().
    Error lockForReading();
    // After the read: Busy when another program opened the file for writing
    // meanwhile.
    Error checkNoWriterCame() const;

    // Creates a new hidden file beside `target` (TemporaryPrefix plus six
    // characters), exclusively, and returns its path. It is locked while
    // open, so that RemoveStaleTemporaries leaves it alone.
    Error createTemporaryBeside(const Path &target, Path &tempPath);
    // POSIX: permission bits, and with `original` its owner where allowed.
    Error setOwnerAndMode(const FileInfo *original, std::uint32_t mode);

    Error stat(FileInfo &info) const;
    // Bytes read, 0 at the end; -1 on error, with `error` set.
    std::int64_t read(void *buffer, std::int64_t size, Error &error);
    Error write(const void *data, std::int64_t size);
    Error setModificationTime(std::int64_t sec, std::int32_t nsec);
    // Data and size on the disk.
    Error flush();
    // Ends a temporary file's write: flushed, put in the place of `target`
    // and closed, the rename itself made durable. The temporary file is
    // left for the caller to remove when this fails.
    Error commitOver(const Path &tempPath, const Path &target);
    Error close();
    bool isOpen() const;

private:
    std::intptr_t m_handle = -1; // descriptor, or HANDLE
    bool m_lease = false;
};

// Atomically puts `from` in the place of `to`, replacing it if it exists.
Error MoveReplacing(const Path &from, const Path &to);
// Makes a rename in the folder of `file` durable (POSIX; Windows did it).
void FlushDirectoryOf(const Path &file);
Error RemoveFile(const Path &path);

// False for an empty path or one ending with a folder separator.
bool HasFileName(const Path &path);
// The hidden name's start that the temporary files of `target` share:
// "<folder>/.<name>.verdane-tmp-" with the name cut to 200 bytes.
Path TemporaryPrefix(const Path &target);
// Whether a bare file name is TemporaryPrefix's name part plus six letters
// or digits.
bool IsTemporaryName(const std::string &name, const std::string &prefixName);
// Removes the leftovers of interrupted writes of `target`: files named
// TemporaryPrefix plus six letters or digits that no live writer holds
// (or, where the system cannot tell, older than `startedSec`). Returns how
// many were removed.
int RemoveStaleTemporaries(const Path &target, std::int64_t startedSec);

// Permission bits a new file gets from the process's umask (0666 on Windows).
std::uint32_t DefaultNewFileMode();
// The running program's own file; empty if the system cannot tell.
Path ExecutablePath();
// Seconds since 1970-01-01 UTC.
std::int64_t NowSec();

} // namespace platform
