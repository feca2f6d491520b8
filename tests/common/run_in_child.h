#pragma once
// Running part of a test in a child process: to hold a lock apart from the
// test, to limit memory without harming the test, or to drop the superuser's
// rights so that file permissions hold.
#include <QByteArray>
#include <QString>

// POSIX only (fork): on Windows the rows that need it skip (SKIP_ON_WINDOWS).
#ifndef Q_OS_WIN
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

// Runs f in a child process and returns the text it gives back.
template <typename F>
QString inChild(F f)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return QStringLiteral("pipe failed");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const QByteArray out = f().toUtf8();
        (void)!::write(fds[1], out.constData(), size_t(out.size()));
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray got;
    char buf[4096];
    ssize_t k;
    while ((k = ::read(fds[0], buf, sizeof buf)) > 0)
        got.append(buf, k);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return QString::fromUtf8(got);
}

// Runs f as an ordinary user, for whom permissions hold: in a child process
// under the "nobody" user when the tests run as the superuser.
template <typename F>
QString asOrdinaryUser(F f)
{
    if (::geteuid() != 0)
        return f();
    return inChild([&f] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            return QStringLiteral("setuid failed");
        return f();
    });
}

// A child process that runs `hold` (which opens or locks a file, say), tells
// whether it succeeded, and keeps what it holds until release() or kill():
// another program at work on a file, for as long as the test needs.
class HeldByChild
{
public:
    template <typename F>
    explicit HeldByChild(F hold)
    {
        if (::pipe(m_ready) != 0 || ::pipe(m_release) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            const char ok = hold() ? '1' : '0';
            (void)!::write(m_ready[1], &ok, 1);
            char c;
            (void)!::read(m_release[0], &c, 1);
            ::_exit(0);
        }
        char ok = 0;
        m_ok = m_pid > 0 && ::read(m_ready[0], &ok, 1) == 1 && ok == '1';
    }
    ~HeldByChild() { release(); }
    HeldByChild(const HeldByChild &) = delete;
    HeldByChild &operator=(const HeldByChild &) = delete;

    // Whether the child holds what it was asked to.
    bool holds() const { return m_ok; }
    void release() { finish(false); }
    // As if the program were killed: nothing of its own clean-up runs.
    void kill() { finish(true); }

private:
    void finish(bool kill)
    {
        if (m_pid > 0) {
            if (kill)
                ::kill(m_pid, SIGKILL);
            else
                (void)!::write(m_release[1], "x", 1);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
        for (int *fd : {&m_ready[0], &m_ready[1], &m_release[0], &m_release[1]}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

    int m_ready[2] = {-1, -1};
    int m_release[2] = {-1, -1};
    pid_t m_pid = -1;
    bool m_ok = false;
};
#endif
