#pragma once
// File helpers shared by the tests: whole-file bytes, UTF-16 bytes, the real
// CIS file when it is at hand, and writes that fail part-way as on a full
// disk.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <csignal>
#include <sys/resource.h>

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
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
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

// The real CIS file from the shared data folder; empty when it is not there.
inline QString realCisFile()
{
    const QString dir = qEnvironmentVariable("VERDANE_SHARED_DATA");
    const QString path = dir + QStringLiteral("/CIS_bdpm_2019_cp1252.txt");
    return !dir.isEmpty() && QFile::exists(path) ? path : QString();
}

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
