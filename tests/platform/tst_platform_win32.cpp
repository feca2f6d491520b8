// The Win32 side of the platform layer, run under Wine on Linux: built with
// mingw-w64 from the Windows API and the standard library only. Prints one
// line per failed check and returns non-zero if any failed.
#include "platform/platform.h"

#include <cstdio>
#include <cstring>
#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

using namespace platform;

namespace {

int g_failures = 0;
int g_checks = 0;

void check(bool ok, const char *what, int line)
{
    ++g_checks;
    if (!ok) {
        ++g_failures;
        std::printf("FAIL line %d: %s\n", line, what);
    }
}
#define CHECK(x) check((x), #x, __LINE__)

std::wstring wide(const std::string &s)
{
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(std::size_t(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), n);
    return w;
}

std::string tempFolder()
{
    wchar_t buf[MAX_PATH + 1];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, buf);
    std::wstring base(buf, n);
    const int len = ::WideCharToMultiByte(CP_UTF8, 0, base.data(), int(base.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string out(std::size_t(len), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, base.data(), int(base.size()), out.data(), len, nullptr,
                          nullptr);
    // An accented name: the wide-character API must be used throughout.
    out += "plateforme-\xC3\xA9t\xC3\xA9-" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryW(wide(out).c_str(), nullptr);
    return out + "\\";
}

bool writeWhole(const std::string &path, const std::string &content)
{
    HANDLE h = ::CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    const BOOL ok = ::WriteFile(h, content.data(), DWORD(content.size()), &done, nullptr);
    ::CloseHandle(h);
    return ok && done == content.size();
}

std::string readWhole(const std::string &path)
{
    File f;
    if (f.openForReading(path))
        return "<unreadable>";
    std::string out;
    char buf[4096];
    Error e;
    for (;;) {
        const std::int64_t n = f.read(buf, sizeof buf, e);
        if (n <= 0)
            break;
        out.append(buf, std::size_t(n));
    }
    return out;
}

// Every entry of the folder whose name starts with `start`.
int countStartingWith(const std::string &dir, const std::string &start)
{
    WIN32_FIND_DATAW data;
    HANDLE h = ::FindFirstFileW(wide(dir + start + "*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int n = 0;
    do
        ++n;
    while (::FindNextFileW(h, &data));
    ::FindClose(h);
    return n;
}

// A write as the safe file writer does it.
bool replaceWith(const std::string &target, const std::string &content)
{
    RemoveStaleTemporaries(target, NowSec());
    File f;
    Path temp;
    if (f.createTemporaryBeside(target, temp))
        return false;
    if (f.write(content.data(), std::int64_t(content.size())) || f.commitOver(temp, target)) {
        RemoveFile(temp);
        return false;
    }
    return true;
}

void replaceTwiceInARow(const std::string &dir)
{
    const std::string target = dir + "Verdane.INI";
    CHECK(writeWhole(target, "old"));
    CHECK(replaceWith(target, "first"));
    CHECK(readWhole(target) == "first");
    // rename() fails on an existing target here; the second replace is the
    // one that used to fail.
    CHECK(replaceWith(target, "second, longer"));
    CHECK(readWhole(target) == "second, longer");
    CHECK(countStartingWith(dir, ".Verdane.INI.") == 0);
}

void interruptedWriteLeavesTheTarget(const std::string &dir)
{
    const std::string target = dir + "cis.txt";
    CHECK(writeWhole(target, "whole"));
    Path temp;
    {
        File f;
        CHECK(!f.createTemporaryBeside(target, temp));
        CHECK(temp.rfind(dir + ".cis.txt.verdane-tmp-", 0) == 0
              && temp.size() == dir.size() + 21 + 6);
        CHECK(!f.write("half", 4));
        // While its writer lives, another write's clean-up leaves it alone.
        CHECK(RemoveStaleTemporaries(target, NowSec() + 10) == 0);
        CHECK(countStartingWith(dir, ".cis.txt.") == 1);
        CHECK(readWhole(target) == "whole");
    } // closed without commit: as a writer that died
    CHECK(countStartingWith(dir, ".cis.txt.") == 1);
    CHECK(writeWhole(dir + ".cis.txt.notours", "x")); // not of the pattern
    CHECK(writeWhole(dir + ".cis.txt.backup", "x"));  // the user's own, six letters
    CHECK(replaceWith(target, "new"));
    CHECK(readWhole(target) == "new");
    CHECK(countStartingWith(dir, ".cis.txt.verdane-tmp-") == 0);
    CHECK(countStartingWith(dir, ".cis.txt.") == 2);
    CHECK(RemoveFile(dir + ".cis.txt.notours").kind == ErrorKind::None);
    CHECK(RemoveFile(dir + ".cis.txt.backup").kind == ErrorKind::None);
}

void sharing(const std::string &dir)
{
    const std::string path = dir + "partage.txt";
    CHECK(writeWhole(path, "1\tA\r\n"));
    {
        HANDLE writer = ::CreateFileW(wide(path).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        CHECK(writer != INVALID_HANDLE_VALUE);
        File f;
        const Error e = f.openForReading(path);
        CHECK(e.kind == ErrorKind::Busy);
        ::CloseHandle(writer);
    }
    {
        HANDLE reader = ::CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        CHECK(reader != INVALID_HANDLE_VALUE);
        File f;
        CHECK(!f.openForReading(path));
        CHECK(!f.lockForReading());
        ::CloseHandle(reader);
        // While we read, no program may start writing.
        HANDLE writer = ::CreateFileW(wide(path).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        CHECK(writer == INVALID_HANDLE_VALUE);
        if (writer != INVALID_HANDLE_VALUE)
            ::CloseHandle(writer);
    }
    File folder;
    CHECK(folder.openForReading(dir).kind == ErrorKind::IsDirectory);
    File missing;
    CHECK(missing.openForReading(dir + "absent.txt").kind == ErrorKind::NotFound);
    CHECK(missing.openForReading(dir + "absent\\x.txt").kind == ErrorKind::NotFound);
}

void existenceAndDate(const std::string &dir)
{
    const std::string path = dir + "date.txt";
    CHECK(writeWhole(path, "12345"));
    FileInfo info;
    CHECK(!Stat(path, info));
    CHECK(info.type == EntryType::File);
    CHECK(info.size == 5);
    // A fresh file is dated now.
    const std::int64_t now = NowSec();
    CHECK(info.mtimeSec >= now - 60 && info.mtimeSec <= now + 60);
    CHECK(!Stat(dir, info) && info.type == EntryType::Directory);
    CHECK(Stat(dir + "absent", info).kind == ErrorKind::NotFound && info.type == EntryType::Missing);

    // A date set through a handle reads back, to the 100 ns the system keeps.
    {
        File f;
        Path temp;
        CHECK(!f.createTemporaryBeside(path, temp));
        CHECK(!f.setModificationTime(1234567890, 123456700));
        CHECK(!f.commitOver(temp, path));
    }
    CHECK(!Stat(path, info));
    CHECK(info.mtimeSec == 1234567890 && info.mtimeNsec == 123456700);
    CHECK(info.size == 0);
    FileInfo again;
    CHECK(!Stat(path, again) && again.sameFileAs(info) && again.sameVersionAs(info));
    FileInfo other;
    CHECK(!Stat(dir + "partage.txt", other) && !other.sameFileAs(info));

    CHECK(IsWritable(path));
    CHECK(::SetFileAttributesW(wide(path).c_str(), FILE_ATTRIBUTE_READONLY));
    CHECK(!IsWritable(path));
    CHECK(!Stat(path, info) && info.readOnly);
    CHECK(::SetFileAttributesW(wide(path).c_str(), FILE_ATTRIBUTE_NORMAL));
    CHECK(ListedAsNonDirectory(dir, "date.txt"));
    CHECK(!ListedAsNonDirectory(dir, "absent"));
}

void ownPath()
{
    const Path self = ExecutablePath();
    const std::string name = "tst_platform_win32.exe";
    CHECK(self.size() > name.size()
          && self.compare(self.size() - name.size(), name.size(), name) == 0);
    FileInfo info;
    CHECK(!Stat(self, info) && info.type == EntryType::File);
}

void reasons()
{
    CHECK(ErrorFromCode(ERROR_FILE_NOT_FOUND).kind == ErrorKind::NotFound);
    CHECK(ErrorFromCode(ERROR_PATH_NOT_FOUND).kind == ErrorKind::NotFound);
    CHECK(ErrorFromCode(ERROR_ACCESS_DENIED).kind == ErrorKind::AccessDenied);
    CHECK(ErrorFromCode(ERROR_SHARING_VIOLATION).kind == ErrorKind::Busy);
    CHECK(ErrorFromCode(ERROR_NOT_ENOUGH_MEMORY).kind == ErrorKind::NoMemory);
    CHECK(ErrorFromCode(ERROR_DISK_FULL).kind == ErrorKind::DiskFull);
    CHECK(ErrorFromCode(ERROR_FILENAME_EXCED_RANGE).kind == ErrorKind::NameTooLong);
    CHECK(ErrorFromCode(ERROR_CRC).kind == ErrorKind::IoError);
    CHECK(ErrorFromCode(ERROR_CANT_RESOLVE_FILENAME).kind == ErrorKind::LinkLoop);
    const Error other = ErrorFromCode(ERROR_NOT_SAME_DEVICE);
    CHECK(other.kind == ErrorKind::Other && other.code == ERROR_NOT_SAME_DEVICE);
    CHECK(!SystemMessage(ERROR_NOT_SAME_DEVICE).empty());
    CHECK(TemporaryPrefix("C:\\a\\b/Verdane.INI") == "C:\\a\\b/.Verdane.INI.verdane-tmp-");
    CHECK(TemporaryPrefix("Verdane.INI") == ".Verdane.INI.verdane-tmp-");
    CHECK(HasFileName("C:\\a\\Verdane.INI") && !HasFileName("C:\\a\\") && !HasFileName("C:/a/")
          && !HasFileName(""));
}

void removeFolder(const std::string &dir)
{
    WIN32_FIND_DATAW data;
    HANDLE h = ::FindFirstFileW(wide(dir + "*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileW((wide(dir) + data.cFileName).c_str());
        } while (::FindNextFileW(h, &data));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(wide(dir).c_str());
}

} // namespace

int main()
{
    const std::string dir = tempFolder();
    replaceTwiceInARow(dir);
    interruptedWriteLeavesTheTarget(dir);
    sharing(dir);
    existenceAndDate(dir);
    ownPath();
    reasons();
    removeFolder(dir);
    std::printf("%d checks, %d failed\n", g_checks, g_failures);
    return g_failures == 0 ? 0 : 1;
}
