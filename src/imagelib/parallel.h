#pragma once
// Whole-picture kernels split their rows into strips and run them on every core: threads of the
// standard library, started for one call and joined before it returns, so that no thread
// outlives a kernel (a child forked later, or the end of the process, finds none). The calling
// thread takes strips too, and takes over whatever a thread the machine is slow to run has not
// started, so a busy machine costs at most the start of the threads. A kernel's strips must
// write disjoint rows and give the same bytes whichever thread runs them and however the rows
// are cut: results are those of one thread.
#include <QtGlobal>

#include <functional>

// Runs body(first, end) over consecutive strips covering [firstRow, endRow), on as many threads
// as the machine has where the work pays for them. `rowCost` is the work of one row, counted as
// the bytes a plain copy would read and write in the same time (copying a row of B bytes costs
// 2B): a picture too small to gain stays on the calling thread. A kernel called from inside a
// strip runs on that strip's thread alone. An exception thrown by a strip reaches the caller
// once every thread has stopped.
void forEachStrip(int firstRow, int endRow, qsizetype rowCost, const std::function<void(int, int)> &body);

// While one lives, the kernels called from the thread that made it run on exactly `threads`
// threads and split their rows however few there are (down to a row a strip, `threads` strips
// or more): the tests compare one thread with many at every strip boundary, and the benchmark
// times a kernel on one thread. Scopes nest; the innermost one counts.
class KernelThreadsScope {
public:
    explicit KernelThreadsScope(int threads);
    ~KernelThreadsScope();
    KernelThreadsScope(const KernelThreadsScope &) = delete;
    KernelThreadsScope &operator=(const KernelThreadsScope &) = delete;

private:
    int m_previous;
};
