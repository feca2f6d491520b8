// The Win32 side of the platform layer: the wide-character API throughout,
// the Windows API and the standard library only, so that it and its tests
// build with a bare mingw-w64 compiler. Guarded so that every source of the
// tree also compiles on POSIX systems.
#ifdef _WIN32

#include "platform/platform.h"

#include <random>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace platform {

namespace {

// 100-nanosecond ticks between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kEpochTicks = 116444736000000000LL;

HANDLE handleOf(std::intptr_t h)
{
    return reinterpret_cast<HANDLE>(h);
}

std::wstring wide(const Path &utf8)
{
    if (utf8.empty())
        return std::wstring();
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(std::size_t(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
    return out;
}

std::string utf8(const wchar_t *text, int size)
{
    if (size <= 0)
        return std::string();
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
    std::string out(std::size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text, size, out.data(), n, nullptr, nullptr);
    return out;
}

Error lastError()
{
    return ErrorFromCode(int(::GetLastError()));
}

std::int64_t ticksOf(const FILETIME &ft)
{
    return std::int64_t((std::uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

void setTime(FileInfo &info, const FILETIME &ft)
{
    const std::int64_t t = ticksOf(ft) - kEpochTicks;
    std::int64_t sec = t / 10000000;
    std::int64_t rest = t % 10000000;
    if (rest < 0) {
        rest += 10000000;
        --sec;
    }
    info.mtimeSec = sec;
    info.mtimeNsec = std::int32_t(rest * 100);
}

EntryType typeOf(DWORD attributes, bool followLinks)
{
    if (!followLinks && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return EntryType::Link;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return EntryType::Directory;
    if (attributes & FILE_ATTRIBUTE_DEVICE)
        return EntryType::Other;
    return EntryType::File;
}

void fill(FileInfo &info, const BY_HANDLE_FILE_INFORMATION &bh, bool followLinks)
{
    info.type = typeOf(bh.dwFileAttributes, followLinks);
    info.size = std::int64_t((std::uint64_t(bh.nFileSizeHigh) << 32) | bh.nFileSizeLow);
    setTime(info, bh.ftLastWriteTime);
    info.device = bh.dwVolumeSerialNumber;
    info.inode = (std::uint64_t(bh.nFileIndexHigh) << 32) | bh.nFileIndexLow;
    info.readOnly = (bh.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

std::size_t lastSeparator(const Path &path)
{
    for (std::size_t i = path.size(); i > 0; --i) {
        if (isSeparator(path[i - 1]))
            return i - 1;
    }
    return std::string::npos;
}

} // namespace

Error ErrorFromCode(int code)
{
    static constexpr CodeKind kKinds[] = {
        {int(ERROR_FILE_NOT_FOUND), ErrorKind::NotFound},
        {int(ERROR_PATH_NOT_FOUND), ErrorKind::NotFound},
        {int(ERROR_INVALID_NAME), ErrorKind::NotFound},
        {int(ERROR_BAD_NETPATH), ErrorKind::NotFound},
        {int(ERROR_INVALID_DRIVE), ErrorKind::NotFound},
        {int(ERROR_ACCESS_DENIED), ErrorKind::AccessDenied},
        {int(ERROR_WRITE_PROTECT), ErrorKind::AccessDenied},
        {int(ERROR_SHARING_VIOLATION), ErrorKind::Busy},
        {int(ERROR_LOCK_VIOLATION), ErrorKind::Busy},
        {int(ERROR_USER_MAPPED_FILE), ErrorKind::Busy},
        {int(ERROR_CANT_RESOLVE_FILENAME), ErrorKind::LinkLoop},
        {int(ERROR_NOT_ENOUGH_MEMORY), ErrorKind::NoMemory},
        {int(ERROR_OUTOFMEMORY), ErrorKind::NoMemory},
        {int(ERROR_CRC), ErrorKind::IoError},
        {int(ERROR_READ_FAULT), ErrorKind::IoError},
        {int(ERROR_WRITE_FAULT), ErrorKind::IoError},
        {int(ERROR_GEN_FAILURE), ErrorKind::IoError},
        {int(ERROR_IO_DEVICE), ErrorKind::IoError},
        {int(ERROR_DISK_FULL), ErrorKind::DiskFull},
        {int(ERROR_HANDLE_DISK_FULL), ErrorKind::DiskFull},
        {int(ERROR_FILENAME_EXCED_RANGE), ErrorKind::NameTooLong},
        {int(ERROR_BUFFER_OVERFLOW), ErrorKind::NameTooLong},
    };
    return ErrorFromTable(code, kKinds);
}

std::string SystemMessage(int code)
{
    wchar_t *text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, DWORD(code), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::string out = utf8(text, int(n));
    if (text)
        ::LocalFree(text);
    return out;
}

Error Stat(const Path &path, FileInfo &info, bool followLinks)
{
    info = FileInfo();
    const std::wstring name = wide(path);
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS; // folders too
    if (!followLinks)
        flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE h = ::CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, flags, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION bh;
        const BOOL ok = ::GetFileInformationByHandle(h, &bh);
        const Error e = ok ? Error() : lastError();
        ::CloseHandle(h);
        if (ok)
            fill(info, bh, followLinks);
        return e;
    }
    // Attributes can still be readable where the file cannot be opened.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data))
        return lastError();
    info.type = typeOf(data.dwFileAttributes, followLinks);
    info.size = std::int64_t((std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    setTime(info, data.ftLastWriteTime);
    info.readOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    return {};
}

bool IsWritable(const Path &path)
{
    const DWORD a = ::GetFileAttributesW(wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_READONLY);
}

bool ListedAsNonDirectory(const Path &dir, const std::string &name)
{
    std::wstring pattern = wide(dir);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/')
        pattern += L'\\';
    pattern += wide(name);
    WIN32_FIND_DATAW data;
    HANDLE h = ::FindFirstFileW(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    ::FindClose(h);
    return !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

File::~File()
{
    close();
}

bool File::isOpen() const
{
    return m_handle != -1;
}

Error File::openForReading(const Path &path)
{
    close();
    const std::wstring name = wide(path);
    const DWORD a = ::GetFileAttributesW(name.c_str());
    // A folder cannot be opened as a file; say what it is.
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY))
        return MakeError(ErrorKind::IsDirectory);
    // Others may read along, but no program may hold it open for writing.
    HANDLE h = ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return lastError();
    m_handle = reinterpret_cast<std::intptr_t>(h);
    if (::GetFileType(h) != FILE_TYPE_DISK) {
        close();
        return MakeError(ErrorKind::NotRegularFile);
    }
    return {};
}

Error File::lockForReading()
{
    // The share mode of openForReading refused writers already, and keeps
    // them away until the file is closed.
    return {};
}

Error File::checkNoWriterCame() const
{
    return {};
}

Error File::createTemporaryBeside(const Path &target, Path &tempPath)
{
    close();
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::mt19937_64 gen((std::uint64_t(device()) << 32) ^ ::GetTickCount64()
                        ^ (std::uint64_t(::GetCurrentProcessId()) << 16));
    const Path prefix = TemporaryPrefix(target);
    Error last = MakeError(ErrorKind::Other);
    for (int attempt = 0; attempt < 100; ++attempt) {
        Path candidate = prefix;
        for (int i = 0; i < 6; ++i)
            candidate += kChars[gen() % 62];
        // No delete sharing: while the writer lives, the clean-up of another
        // write cannot remove its file.
        HANDLE h = ::CreateFileW(wide(candidate).c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                 nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            m_handle = reinterpret_cast<std::intptr_t>(h);
            tempPath = candidate;
            return {};
        }
        last = lastError();
        if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return last;
}

Error File::setOwnerAndMode(const FileInfo *, std::uint32_t)
{
    // Owners and permission bits are the folder's inherited access rules.
    return {};
}

Error File::stat(FileInfo &info) const
{
    info = FileInfo();
    BY_HANDLE_FILE_INFORMATION bh;
    if (!::GetFileInformationByHandle(handleOf(m_handle), &bh))
        return lastError();
    fill(info, bh, true);
    return {};
}

std::int64_t File::read(void *buffer, std::int64_t size, Error &error)
{
    const DWORD chunk = DWORD(size > (1 << 30) ? (1 << 30) : size);
    DWORD got = 0;
    if (!::ReadFile(handleOf(m_handle), buffer, chunk, &got, nullptr)) {
        error = lastError();
        return -1;
    }
    return std::int64_t(got);
}

Error File::write(const void *data, std::int64_t size)
{
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const DWORD chunk = DWORD(size > (1 << 30) ? (1 << 30) : size);
        DWORD done = 0;
        if (!::WriteFile(handleOf(m_handle), p, chunk, &done, nullptr))
            return lastError();
        p += done;
        size -= done;
    }
    return {};
}

Error File::setModificationTime(std::int64_t sec, std::int32_t nsec)
{
    const std::uint64_t t = std::uint64_t(sec * 10000000 + nsec / 100 + kEpochTicks);
    FILETIME ft;
    ft.dwLowDateTime = DWORD(t & 0xFFFFFFFFu);
    ft.dwHighDateTime = DWORD(t >> 32);
    if (!::SetFileTime(handleOf(m_handle), nullptr, nullptr, &ft))
        return lastError();
    return {};
}

Error File::flush()
{
    if (!::FlushFileBuffers(handleOf(m_handle)))
        return lastError();
    return {};
}

Error File::commitOver(const Path &tempPath, const Path &target)
{
    if (Error e = flush()) {
        close();
        return e;
    }
    // An open file cannot be moved here: closed first.
    if (Error e = close())
        return e;
    return MoveReplacing(tempPath, target);
}

Error File::close()
{
    if (m_handle == -1)
        return {};
    HANDLE h = handleOf(m_handle);
    m_handle = -1;
    if (!::CloseHandle(h))
        return lastError();
    return {};
}

Error MoveReplacing(const Path &from, const Path &to)
{
    // rename() refuses an existing target here; this replaces it in one step.
    if (!::MoveFileExW(wide(from).c_str(), wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return lastError();
    return {};
}

void FlushDirectoryOf(const Path &)
{
    // MOVEFILE_WRITE_THROUGH made the rename durable.
}

Error RemoveFile(const Path &path)
{
    if (!::DeleteFileW(wide(path).c_str()))
        return lastError();
    return {};
}

int RemoveStaleTemporaries(const Path &target, std::int64_t)
{
    const Path prefix = TemporaryPrefix(target);
    const std::size_t sep = lastSeparator(prefix);
    const std::string dir = sep == std::string::npos ? std::string() : prefix.substr(0, sep + 1);
    const std::string namePrefix = prefix.substr(dir.size());
    WIN32_FIND_DATAW data;
    HANDLE h = ::FindFirstFileW(wide(prefix + '*').c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int removed = 0;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        const std::string name = utf8(data.cFileName, int(wcslen(data.cFileName)));
        if (!IsTemporaryName(name, namePrefix))
            continue;
        // A live writer shares no deletion: only leftovers go.
        if (::DeleteFileW(wide(dir + name).c_str()))
            ++removed;
    } while (::FindNextFileW(h, &data));
    ::FindClose(h);
    return removed;
}

std::uint32_t DefaultNewFileMode()
{
    return 0666;
}

Path ExecutablePath()
{
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
        if (n == 0)
            return Path();
        if (n < buf.size())
            return utf8(buf.data(), int(n));
        if (buf.size() >= 32768)
            return Path();
        buf.resize(buf.size() * 2);
    }
}

} // namespace platform

#endif // _WIN32
