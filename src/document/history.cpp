#include "document/history.h"

#include "imagelib/colour.h"
#include "imagelib/picturefiles.h"
#include "imagelib/raster.h"

#include <QSet>

#include <optional>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

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

// A state kept as tiles that also holds its whole picture: the picture may go at any time.
bool holdsSparePicture(const UndoElement &element)
{
    return !element.changes.isEmpty() && !element.picture.isNull();
}

// Every state but the current one.
template <typename Visit> void forEachPastOrUndone(DocumentHistory &history, Visit visit)
{
    for (qsizetype i = 0; i + 1 < history.undoList.size(); ++i)
        visit(*history.undoList[i]);
    for (const auto &element : std::as_const(history.redoList))
        visit(*element);
}

// Only the state next to the current one, the one a single step goes to, keeps a spare picture.
void keepSparePictureOf(DocumentHistory &history, const UndoElement *keep)
{
    forEachPastOrUndone(history, [keep](UndoElement &element) {
        if (&element != keep && holdsSparePicture(element))
            element.picture = QImage();
    });
}

enum class Difference { None, Tiles, Whole };

// How `after` differs from `before`; for Tiles, `tiles` holds before's pixels where they differ.
// A change over a quarter of the picture is Whole: rebuilding a state from that many tiles would
// cost more than half again a copy of the picture, and keep nearly as much.
Difference compare(const QImage &before, const QImage &after, const PictureChange &known, PicturePatch &tiles)
{
    if (before.cacheKey() == after.cacheKey())
        return Difference::None;
    if (before.size() != after.size() || before.format() != PictureFormat || after.format() != PictureFormat)
        return samePixels(before, after) ? Difference::None : Difference::Whole;
    const bool vouched = known.base != 0 && known.base == before.cacheKey();
    QRect within = before.rect();
    if (vouched) {
        within = QRect();
        for (const QRect &rect : known.within)
            within |= rect;
    }
    std::optional<PicturePatch> found = differingTiles(before, after, within, before.sizeInBytes() / 4);
    if (!found)
        return Difference::Whole;
    if (found->isEmpty())
        return Difference::None;
    tiles = std::move(*found);
    return Difference::Tiles;
}

// Makes `target`, the neighbour of the current state that a step goes to, whole again, and the
// current state relative to it. Nothing when the memory for the picture cannot be had.
std::optional<HistoryStep> exchange(UndoElement &current, UndoElement &target)
{
    HistoryStep step;
    step.from = current.picture.cacheKey();
    if (target.changes.isEmpty()) {
        // Kept whole: the current state stays whole too, nothing smaller relates the two.
        step.picture = target.picture;
        return step;
    }
    if (target.picture.isNull()) {
        // The tiles swap places: the rebuilt picture takes the target's, the tiles the current's.
        QImage rebuilt = exchangePatch(current.picture, target.changes);
        if (rebuilt.isNull())
            return std::nullopt;
        target.picture = rebuilt;
        current.changes = std::move(target.changes);
    } else {
        current.changes = copyPatch(current.picture, target.changes.rects);
    }
    target.changes = PicturePatch();
    step.picture = target.picture;
    step.changed = current.changes.rects;
    step.anywhere = false;
    return step;
}

} // namespace

DocumentHistory::DocumentHistory(HistoryBudget &budget) : m_budget(budget)
{
    m_budget.m_histories.append(this);
}

DocumentHistory::~DocumentHistory()
{
    m_budget.m_histories.removeOne(this);
}

bool DocumentHistory::recordPicture(const QImage &picture, const PictureChange &change)
{
    if (picture.isNull())
        return false;
    UndoElement *previous = undoList.isEmpty() ? nullptr : undoList.last().get();
    if (previous) {
        PicturePatch tiles;
        switch (compare(previous->picture, picture, change, tiles)) {
        case Difference::None:
            return false;
        case Difference::Tiles:
            // The picture stays beside the tiles for an Undo right after.
            previous->changes = std::move(tiles);
            break;
        case Difference::Whole:
            break;
        }
    }
    auto element = std::make_shared<UndoElement>();
    element->picture = picture;
    element->recorded = m_budget.m_nextRecorded++;
    undoList.append(std::move(element));
    redoList.clear();
    keepSparePictureOf(*this, previous);
    m_budget.keepWithin();
    return true;
}

HistoryStep DocumentHistory::stepBack()
{
    if (undoList.size() < 2)
        return {};
    const std::shared_ptr<UndoElement> current = undoList.last();
    std::optional<HistoryStep> step = exchange(*current, *undoList[undoList.size() - 2]);
    if (!step)
        return {};
    undoList.removeLast();
    redoList.append(current);
    keepSparePictureOf(*this, current.get());
    m_budget.keepWithin();
    return *step;
}

HistoryStep DocumentHistory::stepForward()
{
    if (redoList.isEmpty() || undoList.isEmpty())
        return {};
    const std::shared_ptr<UndoElement> current = undoList.last();
    std::optional<HistoryStep> step = exchange(*current, *redoList.last());
    if (!step)
        return {};
    undoList.append(redoList.takeLast());
    keepSparePictureOf(*this, current.get());
    m_budget.keepWithin();
    return *step;
}

void DocumentHistory::discardHistory()
{
    undoList.clear();
    redoList.clear();
}

qint64 HistoryBudget::defaultBytes()
{
    // Two states of the largest picture, so that its last edit can still be undone.
    constexpr qint64 TwoLargest = 2 * PictureLimits::MaxPixels * 3;
    const qint64 memory = physicalMemory();
    return memory > 0 ? qMin(TwoLargest, memory / 4) : TwoLargest;
}

qint64 HistoryBudget::bytes() const
{
    return m_bytes > 0 ? m_bytes : defaultBytes();
}

void HistoryBudget::setBytes(qint64 budget)
{
    m_bytes = qMax<qint64>(0, budget);
    keepWithin();
}

qint64 HistoryBudget::held() const
{
    QSet<qint64> counted;
    qint64 total = 0;
    for (const DocumentHistory *history : m_histories) {
        for (const UndoElementList *list : {&history->undoList, &history->redoList}) {
            for (const auto &element : *list) {
                total += element->changes.bytes();
                const QImage &picture = element->picture;
                if (!picture.isNull() && !counted.contains(picture.cacheKey())) {
                    counted.insert(picture.cacheKey());
                    total += picture.sizeInBytes();
                }
            }
        }
    }
    return total;
}

// The state to give up first: the oldest one that some document could still undo to; only when
// no document has any, the undone state farthest from its document's canvas.
UndoElementList *HistoryBudget::oldestDroppable() const
{
    UndoElementList *oldest = nullptr;
    quint64 oldestRecorded = 0;
    for (DocumentHistory *history : m_histories) {
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
    for (DocumentHistory *history : m_histories)
        if (!history->redoList.isEmpty())
            return &history->redoList;
    return nullptr;
}

void HistoryBudget::keepWithin()
{
    const qint64 budget = bytes();
    if (held() <= budget)
        return;
    // Spare pictures go before any state: they only spare a rebuild.
    for (DocumentHistory *history : m_histories)
        keepSparePictureOf(*history, nullptr);
    while (held() > budget) {
        UndoElementList *list = oldestDroppable();
        if (!list)
            return;
        list->removeFirst();
    }
}
