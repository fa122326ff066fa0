#include "childprocess.h"

#include "document/tempfile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QThreadPool>

#include <cerrno>
#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vptest {

namespace {

bool dropToNobody()
{
    const passwd *nobody = ::getpwnam("nobody");
    if (!nobody)
        return false;
    return ::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0 && ::setuid(nobody->pw_uid) == 0
           && ::geteuid() != 0;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

QByteArray readAll(int fd)
{
    QByteArray bytes;
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return bytes;
        bytes.append(chunk, got);
    }
}

constexpr int CannotSetUp = 97;

bool anyPooledThread()
{
    const QStringList threads = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &thread : threads) {
        QFile name(QStringLiteral("/proc/self/task/%1/comm").arg(thread));
        if (name.open(QIODevice::ReadOnly) && name.readAll().startsWith("Thread (pooled)"))
            return true;
    }
    return false;
}

// Qt's pool lets its threads go, but a thread told to end may still be on its way out, holding a
// lock of glib's or Qt's that a child forked then would find locked for ever: wait until the
// threads are gone from the process.
void letPooledThreadsEnd()
{
    QThreadPool::globalInstance()->waitForDone();
    for (int wait = 0; wait < 500 && anyPooledThread(); ++wait)
        ::usleep(10'000);
}

// The address space mapped so far (the first field of /proc/self/statm, in pages).
qint64 addressSpaceBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(0).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

} // namespace

bool runningAsRoot() { return ::geteuid() == 0; }

bool canRunUnprivileged() { return !runningAsRoot() || ::getpwnam("nobody") != nullptr; }

qint64 peakMemoryBytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

static QList<TempFile *> &trackedTempFiles()
{
    static QList<TempFile *> files;
    return files;
}

void trackTempFile(TempFile *file)
{
    trackedTempFiles().append(file);
}

void untrackTempFile(TempFile *file)
{
    trackedTempFiles().removeAll(file);
}

void settleThreads()
{
    for (TempFile *file : std::as_const(trackedTempFiles()))
        file->finishWriting();
    letPooledThreadsEnd();
}

ChildResult runInChild(const std::function<QString()> &work, ChildSetup setup)
{
    // A child has none of the parent's threads: it must not count on a write half done, nor on
    // idle threads of the pool that Qt paints and converts large pictures with (it would hand
    // them work and wait for ever). Once the pool has let its threads go, the child starts its own.
    settleThreads();
    ChildResult result;
    int channel[2];
    if (::pipe(channel) != 0) {
        result.failure = QStringLiteral("no pipe");
        return result;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(channel[0]);
        ::close(channel[1]);
        result.failure = QStringLiteral("no fork");
        return result;
    }
    if (child == 0) {
        ::close(channel[0]);
        if (setup.unprivileged && runningAsRoot() && !dropToNobody())
            ::_exit(CannotSetUp);
        if (setup.secondsAllowed > 0)
            ::alarm(unsigned(setup.secondsAllowed));
        if (setup.addressSpaceRoom >= 0) {
            const rlim_t limit = rlim_t(addressSpaceBytes() + setup.addressSpaceRoom);
            const rlimit room{limit, limit};
            if (::setrlimit(RLIMIT_AS, &room) != 0)
                ::_exit(CannotSetUp);
        }
        if (setup.fileSizeLimit >= 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(setup.fileSizeLimit), rlim_t(setup.fileSizeLimit)};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(CannotSetUp);
        }
        const bool sent = writeAll(channel[1], work().toUtf8());
        ::close(channel[1]);
        ::_exit(sent ? 0 : CannotSetUp);
    }
    ::close(channel[1]);
    const QByteArray text = readAll(channel[0]);
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        result.finished = true;
        result.text = QString::fromUtf8(text);
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == CannotSetUp) {
        result.failure = QStringLiteral("the child could not set itself up");
    } else if (WIFEXITED(status)) {
        result.failure = QStringLiteral("the child exited with status %1").arg(WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
        result.failure = QStringLiteral("the child was killed by signal %1").arg(WTERMSIG(status));
    }
    return result;
}

} // namespace vptest
