#pragma once
// Running part of a test in a child process: to hold a lock apart from the
// test, to limit memory without harming the test, or to drop the superuser's
// rights so that file permissions hold.
#include <QByteArray>
#include <QString>

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
