#include "document/history.h"

#include "imagelib/picturefiles.h"
#include "imagelib/raster.h"

#include <QSet>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

struct Registry {
    QList<DocumentHistory *> histories;
    quint64 nextRecorded = 1;
    qint64 budget = 0; // 0: the default
};

Registry &registry()
{
    static Registry r;
    return r;
}

qint64 physicalMemory()
{
#ifdef Q_OS_UNIX
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0)
        return qint64(pages) * pageSize;
#endif
    return 0;
}

// The state to give up first: the oldest one that some document could still undo to; only when
// no document has any, the undone state farthest from its document's canvas.
UndoElementList *listToDropFrom()
{
    UndoElementList *oldest = nullptr;
    quint64 oldestRecorded = 0;
    for (DocumentHistory *history : registry().histories) {
        if (history->undoList.size() < 2)
            continue;
        const quint64 recorded = history->undoList.first()->recorded;
        if (!oldest || recorded < oldestRecorded) {
            oldest = &history->undoList;
            oldestRecorded = recorded;
        }
    }
    if (oldest)
        return oldest;
    for (DocumentHistory *history : registry().histories)
        if (!history->redoList.isEmpty())
            return &history->redoList;
    return nullptr;
}

void keepWithinBudget()
{
    const qint64 budget = HistoryBudget::bytes();
    while (HistoryBudget::held() > budget) {
        UndoElementList *list = listToDropFrom();
        if (!list)
            return;
        list->removeFirst();
    }
}

} // namespace

DocumentHistory::DocumentHistory()
{
    registry().histories.append(this);
}

DocumentHistory::~DocumentHistory()
{
    registry().histories.removeOne(this);
}

bool DocumentHistory::recordPicture(const QImage &picture)
{
    if (picture.isNull())
        return false;
    if (!undoList.isEmpty() && samePixels(undoList.last()->picture, picture))
        return false;
    auto element = std::make_shared<UndoElement>();
    element->picture = picture;
    element->recorded = registry().nextRecorded++;
    undoList.append(std::move(element));
    redoList.clear();
    keepWithinBudget();
    return true;
}

void DocumentHistory::discardHistory()
{
    undoList.clear();
    redoList.clear();
}

namespace HistoryBudget {

qint64 defaultBytes()
{
    // Two states of the largest picture, so that its last edit can still be undone.
    constexpr qint64 TwoLargest = 2 * PictureLimits::MaxPixels * 3;
    const qint64 memory = physicalMemory();
    return memory > 0 ? qMin(TwoLargest, memory / 4) : TwoLargest;
}

qint64 bytes()
{
    const qint64 budget = registry().budget;
    return budget > 0 ? budget : defaultBytes();
}

void setBytes(qint64 budget)
{
    registry().budget = qMax<qint64>(0, budget);
    keepWithinBudget();
}

qint64 held()
{
    QSet<qint64> counted;
    qint64 total = 0;
    for (const DocumentHistory *history : registry().histories) {
        for (const UndoElementList *list : {&history->undoList, &history->redoList}) {
            for (const auto &element : *list) {
                const QImage &picture = element->picture;
                if (!counted.contains(picture.cacheKey())) {
                    counted.insert(picture.cacheKey());
                    total += picture.sizeInBytes();
                }
            }
        }
    }
    return total;
}

} // namespace HistoryBudget
