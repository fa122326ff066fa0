#pragma once
// Runs a piece of a test in a forked child: as an unprivileged user (so that file permissions
// bind even when the tests run as root), under a file-size limit (a disk that fills up), with
// little memory left to map, or just apart from the test process so that its peak memory can be
// measured on its own. The temp file's background write and Qt's pooled threads are finished
// first, so that the child starts with nothing half done by a thread it does not have.
#include <QString>

class TempFile;

#include <functional>
#include <optional>

namespace vptest {

struct ChildSetup {
    bool unprivileged = false;   // when running as root, become "nobody" first
    qint64 fileSizeLimit = -1;   // bytes a file may grow to (RLIMIT_FSIZE); SIGXFSZ is ignored
    qint64 addressSpaceRoom = -1; // bytes of address space beyond what the child has (RLIMIT_AS)
    int secondsAllowed = 0;       // then the child is ended (SIGALRM), so a hang fails; 0: no end
};

struct ChildResult {
    bool finished = false;  // exited normally with the text below
    QString text;           // what the work returned
    QString failure;        // otherwise: how the child ended
};

// The work runs in the child and returns text for the parent; the child then ends with _exit,
// so no destructor or exit handler of the test process runs twice.
ChildResult runInChild(const std::function<QString()> &work, ChildSetup setup = {});

// Whether an unprivileged child can be had: not root, or root with a "nobody" user to become.
bool canRunUnprivileged();
bool runningAsRoot();

// Waits until the temp files' writers and Qt's pooled threads are gone: no thread is on its way
// out when the process forks, or ends under the leak checker.
void settleThreads();
// The temp files whose writers settleThreads waits for (every Program's, and a test's own).
void trackTempFile(TempFile *file);
void untrackTempFile(TempFile *file);

// The child's peak resident memory so far, in bytes.
qint64 peakMemoryBytes();

} // namespace vptest
