#include "imagelib/parallel.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

namespace {

// Starting and joining a thread takes about 10 microseconds on an idle machine, but when other
// programs hold the cores a thread may wait milliseconds for one, and the call for it. A thread
// is worth it for about a millisecond and a half of work, no less: copying 18 MB here, a cost of
// 36 MB. A copy of 12 MP then runs on two threads, and every kernel keeps a picture of a
// megapixel on one.
constexpr qint64 CostPerThreadAtLeast = qint64(36) << 20;
// More strips than threads, so that a thread the machine runs late leaves its share to the
// others; each still long enough that claiming it costs nothing.
constexpr int StripsPerThread = 4;
constexpr qint64 CostPerStripAtLeast = qint64(256) << 10;

thread_local int forcedThreads = 0;
thread_local bool insideStrip = false;

int machineThreads()
{
    static const int threads = std::max(1, QThread::idealThreadCount());
    return threads;
}

class StripScope {
public:
    StripScope() : m_wasInside(insideStrip) { insideStrip = true; }
    ~StripScope() { insideStrip = m_wasInside; }
    StripScope(const StripScope &) = delete;
    StripScope &operator=(const StripScope &) = delete;

private:
    bool m_wasInside;
};

struct Plan {
    int threads = 1;
    int rowsPerStrip = 0;
};

Plan planFor(int rows, qsizetype rowCost)
{
    Plan plan;
    if (insideStrip)
        return plan;
    if (forcedThreads > 0) {
        plan.threads = std::min(forcedThreads, rows);
        plan.rowsPerStrip = std::max(1, rows / (plan.threads * StripsPerThread));
        return plan;
    }
    rowCost = std::max<qsizetype>(rowCost, 1);
    plan.threads = int(std::clamp<qint64>(qint64(rows) * rowCost / CostPerThreadAtLeast, 1, machineThreads()));
    const qint64 rowsAtLeast = (CostPerStripAtLeast + rowCost - 1) / rowCost;
    plan.rowsPerStrip = int(std::max<qint64>(rowsAtLeast, rows / (plan.threads * StripsPerThread)));
    return plan;
}

} // namespace

void forEachStrip(int firstRow, int endRow, qsizetype rowCost, const std::function<void(int, int)> &body)
{
    const int rows = endRow - firstRow;
    if (rows <= 0)
        return;
    const Plan plan = planFor(rows, rowCost);
    if (plan.threads <= 1) {
        body(firstRow, endRow);
        return;
    }

    std::atomic<int> next{firstRow};
    std::atomic<bool> failed{false};
    std::vector<std::exception_ptr> errors(size_t(plan.threads));
    const auto takeStrips = [&](int slot) {
        const StripScope inside;
        try {
            while (!failed.load(std::memory_order_relaxed)) {
                const int first = next.fetch_add(plan.rowsPerStrip, std::memory_order_relaxed);
                if (first >= endRow)
                    break;
                body(first, std::min(endRow, first + plan.rowsPerStrip));
            }
        } catch (...) {
            errors[size_t(slot)] = std::current_exception();
            failed = true;
        }
    };
    {
        std::vector<std::jthread> helpers;
        try {
            helpers.reserve(size_t(plan.threads - 1));
            for (int slot = 1; slot < plan.threads; ++slot)
                helpers.emplace_back(takeStrips, slot);
        } catch (...) {
            // No thread (or no memory for one) to be had: the threads there are, and this one,
            // take every strip.
        }
        takeStrips(0);
    }
    for (const std::exception_ptr &error : errors)
        if (error)
            std::rethrow_exception(error);
}

KernelThreadsScope::KernelThreadsScope(int threads) : m_previous(forcedThreads)
{
    forcedThreads = std::max(1, threads);
}

KernelThreadsScope::~KernelThreadsScope()
{
    forcedThreads = m_previous;
}
