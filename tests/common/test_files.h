#pragma once
// File helpers shared by the tests: whole-file bytes, UTF-16 bytes, the
// committed sample files, the real CIS file when it is at hand, and writes
// that fail part-way as on a full disk.
#include <QByteArray>
#include <QFile>
#include <QString>

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#endif

// The file's bytes, or "<unreadable>" when it cannot be opened.
inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(bytes) == bytes.size();
}

// The text as UTF-16 units, without byte-order mark.
inline QByteArray utf16(const QString &text, bool bigEndian)
{
    QByteArray bytes;
    for (const QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        bytes.append(bigEndian ? hi : lo);
        bytes.append(bigEndian ? lo : hi);
    }
    return bytes;
}

// A committed sample file of tests/data (see its README for what it holds).
inline QString testDataFile(const char *name)
{
    return QStringLiteral(VERDANE_TEST_DATA_DIR "/") + QString::fromUtf8(name);
}

// The real CIS file named at configure time (VERDANE_REAL_CIS_FILE); empty
// when it is not there.
inline QString realCisFile()
{
    const QString path = QStringLiteral(VERDANE_REAL_CIS_FILE);
    return QFile::exists(path) ? path : QString();
}

// Skips the current test or data row, saying where the real file was looked
// for, when it is not there.
#define SKIP_WITHOUT_REAL_CIS_FILE()                                                               \
    do {                                                                                           \
        if (realCisFile().isEmpty())                                                               \
            QSKIP("skipped: real file not found at " VERDANE_REAL_CIS_FILE);                       \
    } while (false)

// Skips a row that rests on what POSIX alone has (permission bits, the
// superuser, a per-process file size limit, fork), saying why.
#ifdef Q_OS_WIN
#define SKIP_ON_WINDOWS(why) QSKIP("skipped on Windows: " why)
#else
#define SKIP_ON_WINDOWS(why)                                                                       \
    do {                                                                                           \
    } while (false)
#endif

#ifndef Q_OS_WIN
// Runs f while no file may grow past `limit` bytes, so that a write fails
// part-way as on a full disk (the signal that would end the process is
// ignored). False when the limit could not be set.
template <typename F>
bool withFileSizeLimit(rlim_t limit, F f)
{
    struct rlimit saved;
    if (::getrlimit(RLIMIT_FSIZE, &saved) != 0)
        return false;
    struct rlimit small = saved;
    small.rlim_cur = limit;
    const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    const bool limited = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    if (limited)
        f();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedSignal);
    return limited;
}
#endif
