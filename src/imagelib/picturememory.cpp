#include "imagelib/picturememory.h"

#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>
#define VP_MAPPED_PICTURES
#endif

namespace {

constexpr int MaxSide = 1 << 20;

qsizetype bytesPerLineOf(int width, QImage::Format format)
{
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    return (qsizetype(width) * depth + 31) / 32 * 4;
}

std::atomic<PictureMemoryMode> chosenMode{PictureMemoryMode::Automatic};

// Pooled memory holds an earlier picture's bytes, and the heap whatever it held: the padding that
// ends each row must not pass them on to a file or a comparison.
QImage withClearPadding(QImage picture)
{
    const qsizetype pixelBytes = (qsizetype(picture.width()) * picture.depth() + 7) / 8;
    const qsizetype padding = picture.bytesPerLine() - pixelBytes;
    if (padding > 0)
        for (int y = 0; y < picture.height(); ++y)
            std::memset(picture.scanLine(y) + pixelBytes, 0, size_t(padding));
    return picture;
}

void carryOver(const QImage &from, QImage &to)
{
    if (from.colorCount() > 0)
        to.setColorTable(from.colorTable());
    to.setDotsPerMeterX(from.dotsPerMeterX());
    to.setDotsPerMeterY(from.dotsPerMeterY());
}

#ifdef VP_MAPPED_PICTURES
// Writes the bytes into the file from its start; false when a write fails.
bool writeAllAt(int fd, const uchar *data, size_t length)
{
    for (size_t done = 0; done < length;) {
        const ssize_t written = ::pwrite(fd, data + done, length - done, off_t(done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += size_t(written);
    }
    return true;
}
#endif

QImage wholeCopy(const QImage &picture)
{
    QImage copy = newPicture(picture.size(), picture.format());
    if (copy.isNull())
        return QImage();
#ifdef VP_MAPPED_PICTURES
    // Fresh memory is filled through its file: no page of the copy is faulted in and cleared first.
    if (const int fd = freshPictureFile(copy); fd >= 0 && copy.bytesPerLine() == picture.bytesPerLine()
        && writeAllAt(fd, picture.constBits(), size_t(picture.sizeInBytes()))) {
        // A copy is made to be written: its pages are mapped writable in one go, where the first
        // write to each would take a page fault of its own (seconds on the largest picture).
#ifdef MADV_POPULATE_WRITE
        ::madvise(const_cast<uchar *>(copy.constBits()), size_t(copy.sizeInBytes()), MADV_POPULATE_WRITE);
#endif
        carryOver(picture, copy);
        return copy;
    }
#endif
    if (copy.bytesPerLine() == picture.bytesPerLine()) {
        std::memcpy(copy.bits(), picture.constBits(), size_t(picture.sizeInBytes()));
    } else {
        const size_t rowBytes = size_t(std::min(copy.bytesPerLine(), picture.bytesPerLine()));
        for (int y = 0; y < picture.height(); ++y)
            std::memcpy(copy.scanLine(y), picture.constScanLine(y), rowBytes);
    }
    carryOver(picture, copy);
    return copy;
}

#ifdef VP_MAPPED_PICTURES
// A picture of 1 MP and up: below that, malloc's own reuse serves as well.
constexpr size_t MappedFrom = 2 * 1024 * 1024;
// Room for the few pictures a command at the largest size passes between them (canvas, bitmap,
// snapshot, a state let go), without holding more than a fraction of the machine.
constexpr size_t PoolMappings = 6;
constexpr size_t PoolBytesAtMost = size_t(1) << 30;
// A shared clone that has written more than this share of its pages is copied whole rather than
// cloned again, so that the pages every clone copies stop growing. Copying a written page costs
// about ten times what a page of a whole copy into reused memory does; over forty strokes that
// each write a tenth of the rows of a 268 MP picture, an eighth gave the least time a stroke (a
// quarter: twice as much).
constexpr size_t RebaseFromOneIn = 8;

enum class Way { Heap, Anonymous, CopyOnWrite, CopyOnWriteWithoutPageMap };

Way currentWay()
{
    switch (chosenMode.load(std::memory_order_relaxed)) {
    case PictureMemoryMode::CopyOnWrite: return Way::CopyOnWrite;
    case PictureMemoryMode::CopyOnWriteWithoutPageMap: return Way::CopyOnWriteWithoutPageMap;
    case PictureMemoryMode::WholeCopies: return Way::Anonymous;
    case PictureMemoryMode::Automatic: break;
    }
#ifdef __SANITIZE_ADDRESS__
    return Way::Heap;
#else
    return Way::CopyOnWrite;
#endif
}

size_t pageSize()
{
    static const size_t size = size_t(::sysconf(_SC_PAGESIZE));
    return size;
}

struct MemoryFile {
    explicit MemoryFile(int descriptor) : fd(descriptor) {}
    ~MemoryFile() { ::close(fd); }
    MemoryFile(const MemoryFile &) = delete;
    MemoryFile &operator=(const MemoryFile &) = delete;
    const int fd;
    // Under the state's lock:
    int clones = 0;            // pictures mapping it privately
    bool inOtherProcess = false; // a forked child may map it too: never written again
};

enum class Kind { Anonymous, Owner, Clone };

struct Mapping {
    uchar *start = nullptr;
    size_t length = 0;
    Kind kind = Kind::Anonymous;
    std::shared_ptr<MemoryFile> file; // owners and clones
    bool frozen = false;              // owners: cloned, their file unchanged from then on
    bool fresh = false;               // mapped for the picture now being made: zero, untouched
};

// A frozen owner is made read-only in builds with assertions, so that a write that skipped
// detachPicture faults there rather than change what its clones show. Not in release builds:
// write-protecting and unprotecting every page of a mapping costs 3 ms at 48 MP, 13 ms at 268.
#ifdef NDEBUG
constexpr bool GuardFrozenOwners = false;
#else
constexpr bool GuardFrozenOwners = true;
#endif

void protect(const Mapping &owner, bool readOnly)
{
    if (GuardFrozenOwners)
        ::mprotect(owner.start, owner.length, readOnly ? PROT_READ : PROT_READ | PROT_WRITE);
}

struct State {
    std::mutex lock;
    std::vector<Mapping> pool; // anonymous mappings, and owners no clone reads
    size_t poolBytes = 0;
    size_t limit = 0;
    bool holding = false;       // keep whatever is let go, beyond the limits
    std::vector<Mapping> held;  // let go during a hold and of no further use
    std::vector<Mapping> parked; // frozen owners let go while clones still read their file
    std::map<const uchar *, Mapping *> live; // every mapping a picture holds, by its start
    std::atomic<bool> forkedChild{false};    // this process is a child: it unmaps on its own thread
};

size_t poolLimit()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long size = ::sysconf(_SC_PAGESIZE);
    const size_t eighth = pages > 0 && size > 0 ? size_t(pages) * size_t(size) / 8 : PoolBytesAtMost;
    return std::min(PoolBytesAtMost, eighth);
}

void beforeFork();
void afterFork();
void afterForkInChild();

// Never destroyed: pictures held by other statics may still be let go during exit.
State &state()
{
    static State *const s = [] {
        auto *created = new State;
        created->limit = poolLimit();
        ::pthread_atfork(beforeFork, afterFork, afterForkInChild);
        return created;
    }();
    return *s;
}

void unmap(const Mapping &mapping)
{
    ::munmap(mapping.start, mapping.length);
}

// Unmapping a large picture takes milliseconds (more in a virtual machine, where every CPU the
// process runs on must be told): it is done on a thread of its own, and nobody waits for it.
void unmapLater(std::vector<Mapping> &&dropped)
{
    if (dropped.empty())
        return;
    const auto mappings = std::make_shared<std::vector<Mapping>>(std::move(dropped));
    const auto unmapAll = [mappings] {
        for (const Mapping &gone : *mappings)
            unmap(gone);
    };
    if (state().forkedChild.load(std::memory_order_relaxed)) {
        unmapAll();
        return;
    }
    try {
        std::thread(unmapAll).detach();
    } catch (const std::system_error &) {
        unmapAll();
    }
}

// An owner mapped shared is the same memory in a child as in its parent: a child that wrote it in
// place would change the parent's picture, and pooled owners would be handed out in both. Every
// owner is frozen (each side clones before writing), and the pool lets its owners go.
void beforeFork()
{
    State &s = state();
    s.lock.lock();
    for (auto &[start, mapping] : s.live) {
        if (mapping->file)
            mapping->file->inOtherProcess = true;
        if (mapping->kind == Kind::Owner && !mapping->frozen) {
            protect(*mapping, true);
            mapping->frozen = true;
        }
    }
    const auto owners = std::stable_partition(s.pool.begin(), s.pool.end(),
                                              [](const Mapping &m) { return m.kind != Kind::Owner; });
    for (auto it = owners; it != s.pool.end(); ++it) {
        s.poolBytes -= it->length;
        unmap(*it);
    }
    s.pool.erase(owners, s.pool.end());
    for (const Mapping &owner : s.parked)
        unmap(owner);
    s.parked.clear();
}

void afterFork()
{
    state().lock.unlock();
}

// A child's threads start from whatever the parent's other threads held at the fork (and
// ThreadSanitizer takes them for the parent's own): a child unmaps in place.
void afterForkInChild()
{
    state().forkedChild.store(true, std::memory_order_relaxed);
    afterFork();
}

Mapping takePooled(State &s, size_t length, Kind kind)
{
    const std::lock_guard guard(s.lock);
    // The most recently pooled first: its pages are the likeliest to be in the caches.
    for (auto it = s.pool.rbegin(); it != s.pool.rend(); ++it) {
        if (it->length == length && it->kind == kind) {
            Mapping found = std::move(*it);
            s.poolBytes -= found.length;
            s.pool.erase(std::next(it).base());
            return found;
        }
    }
    return {};
}

// Takes the oldest mappings out of the pool until it is within its limits; the caller unmaps them
// outside the lock.
std::vector<Mapping> trimmed(State &s)
{
    std::vector<Mapping> dropped;
    while (!s.pool.empty() && (s.pool.size() > PoolMappings || s.poolBytes > s.limit)) {
        s.poolBytes -= s.pool.front().length;
        dropped.push_back(std::move(s.pool.front()));
        s.pool.erase(s.pool.begin());
    }
    return dropped;
}

// A frozen owner whose file no clone reads any more may be written again (call with the lock).
bool thaw(Mapping &owner)
{
    if (owner.file->clones > 0 || owner.file->inOtherProcess)
        return false;
    protect(owner, false);
    owner.frozen = false;
    return true;
}

// Call with the lock; the caller unmaps what comes back outside it.
std::vector<Mapping> pooled(State &s, Mapping &&mapping)
{
    std::vector<Mapping> dropped;
    if (mapping.length > s.limit && !s.holding) {
        dropped.push_back(std::move(mapping));
        return dropped;
    }
    s.poolBytes += mapping.length;
    mapping.fresh = false;
    s.pool.push_back(std::move(mapping));
    if (!s.holding)
        dropped = trimmed(s);
    return dropped;
}

// Runs on whichever thread lets go of the picture's last QImage.
void letGo(void *info)
{
    const std::unique_ptr<Mapping> mapping(static_cast<Mapping *>(info));
    State &s = state();
    std::vector<Mapping> dropped;
    {
        const std::lock_guard guard(s.lock);
        s.live.erase(mapping->start);
        if (mapping->kind == Kind::Clone) {
            // A clone's written pages are no picture's to reuse; the last clone of a file lets
            // its owner, if it waits, back into the pool.
            const std::shared_ptr<MemoryFile> file = mapping->file;
            (s.holding ? s.held : dropped).push_back(std::move(*mapping));
            if (--file->clones == 0) {
                const auto owner = std::find_if(s.parked.begin(), s.parked.end(),
                                                [&](const Mapping &m) { return m.file == file; });
                if (owner != s.parked.end()) {
                    Mapping waiting = std::move(*owner);
                    s.parked.erase(owner);
                    if (thaw(waiting)) {
                        std::vector<Mapping> trimmedAway = pooled(s, std::move(waiting));
                        std::move(trimmedAway.begin(), trimmedAway.end(), std::back_inserter(dropped));
                    } else {
                        dropped.push_back(std::move(waiting));
                    }
                }
            }
        } else if (mapping->frozen && !thaw(*mapping)) {
            if (s.holding)
                s.held.push_back(std::move(*mapping));
            else if (mapping->file->clones > 0 && !mapping->file->inOtherProcess)
                s.parked.push_back(std::move(*mapping));
            else
                dropped.push_back(std::move(*mapping));
        } else {
            dropped = pooled(s, std::move(*mapping));
        }
    }
    unmapLater(std::move(dropped));
}

// mmap, and once more after emptying the pool: what the pool holds may be what stands in the way.
void *mapped(size_t length, int protection, int flags, int fd)
{
    void *start = ::mmap(nullptr, length, protection, flags, fd, 0);
    if (start == MAP_FAILED) {
        releasePooledPictureMemory();
        start = ::mmap(nullptr, length, protection, flags, fd, 0);
    }
    return start == MAP_FAILED ? nullptr : start;
}

Mapping mapAnonymous(size_t length)
{
    Mapping mapping;
    mapping.start = static_cast<uchar *>(mapped(length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1));
    mapping.length = mapping.start ? length : 0;
    mapping.fresh = true;
    return mapping;
}

// Null when the kernel has no files in memory for us (or no descriptor left): the caller falls
// back to anonymous memory.
Mapping mapOwner(size_t length)
{
    const int fd = ::memfd_create("vp-picture", MFD_CLOEXEC);
    if (fd < 0)
        return {};
    auto file = std::make_shared<MemoryFile>(fd);
    if (::ftruncate(fd, off_t(length)) != 0)
        return {};
    Mapping mapping;
    mapping.start = static_cast<uchar *>(mapped(length, PROT_READ | PROT_WRITE, MAP_SHARED, fd));
    if (!mapping.start)
        return {};
    mapping.length = length;
    mapping.kind = Kind::Owner;
    mapping.file = std::move(file);
    mapping.fresh = true;
    return mapping;
}

Mapping mapClone(const Mapping &of)
{
    Mapping mapping;
    mapping.start = static_cast<uchar *>(mapped(of.length, PROT_READ | PROT_WRITE, MAP_PRIVATE, of.file->fd));
    if (!mapping.start)
        return {};
    mapping.length = of.length;
    mapping.kind = Kind::Clone;
    mapping.file = of.file;
    return mapping;
}

QImage wrapped(Mapping &&mapping, QSize size, qsizetype bytesPerLine, QImage::Format format)
{
    auto owned = std::make_unique<Mapping>(std::move(mapping));
    QImage picture(owned->start, size.width(), size.height(), bytesPerLine, format, letGo, owned.get());
    if (picture.isNull()) {
        unmap(*owned);
        return QImage();
    }
    State &s = state();
    const std::lock_guard guard(s.lock);
    if (owned->kind == Kind::Clone)
        ++owned->file->clones;
    s.live[owned->start] = owned.get();
    owned.release();
    return picture;
}

// What the picture's memory is, as it is now; nothing for memory not mapped here.
std::optional<Mapping> mappingOf(const QImage &picture)
{
    if (picture.isNull())
        return std::nullopt;
    State &s = state();
    const std::lock_guard guard(s.lock);
    const auto found = s.live.find(picture.constBits());
    if (found == s.live.end() || size_t(picture.sizeInBytes()) > found->second->length)
        return std::nullopt;
    return *found->second;
}

// Makes a frozen owner that no clone reads any more writable again: true when it is.
bool thawed(const uchar *start)
{
    State &s = state();
    const std::lock_guard guard(s.lock);
    const auto found = s.live.find(start);
    return found != s.live.end() && found->second->kind == Kind::Owner
           && (!found->second->frozen || thaw(*found->second));
}

void freeze(const uchar *start)
{
    State &s = state();
    const std::lock_guard guard(s.lock);
    const auto found = s.live.find(start);
    if (found == s.live.end() || found->second->kind != Kind::Owner || found->second->frozen)
        return;
    Mapping &owner = *found->second;
    protect(owner, true);
    owner.frozen = true;
}

struct PageRun {
    size_t first;
    size_t count;
};

// The pages of a clone that it has written (anonymous now, in memory or swapped out), as runs;
// nothing when the kernel does not say.
std::optional<std::vector<PageRun>> writtenPages(const Mapping &clone, size_t &written)
{
    if (currentWay() == Way::CopyOnWriteWithoutPageMap)
        return std::nullopt;
    // Opened anew each time: the file answers for the process that opened it, and a forked child
    // must read its own.
    const int fd = ::open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    constexpr quint64 Present = quint64(1) << 63;
    constexpr quint64 Swapped = quint64(1) << 62;
    constexpr quint64 FileOrShared = quint64(1) << 61;
    const size_t pages = clone.length / pageSize();
    const off_t firstEntry = off_t(reinterpret_cast<quintptr>(clone.start) / pageSize()) * off_t(sizeof(quint64));
    std::vector<quint64> entries(std::min<size_t>(pages, 64 * 1024));
    std::vector<PageRun> runs;
    written = 0;
    for (size_t done = 0; done < pages;) {
        const size_t want = std::min(entries.size(), pages - done);
        const ssize_t got = ::pread(fd, entries.data(), want * sizeof(quint64),
                                    firstEntry + off_t(done * sizeof(quint64)));
        if (got <= 0 || got % ssize_t(sizeof(quint64)) != 0) {
            if (got < 0 && errno == EINTR)
                continue;
            ::close(fd);
            return std::nullopt;
        }
        const size_t count = size_t(got) / sizeof(quint64);
        for (size_t i = 0; i < count; ++i) {
            const quint64 entry = entries[i];
            if (!(entry & (Present | Swapped)) || (entry & FileOrShared))
                continue;
            const size_t page = done + i;
            if (!runs.empty() && runs.back().first + runs.back().count == page)
                ++runs.back().count;
            else
                runs.push_back({page, 1});
            ++written;
        }
        done += count;
    }
    ::close(fd);
    return runs;
}

// A clone of an owner or of a clone: a private mapping of the same file, with the pages the
// source clone has written copied; a whole copy when there are too many of those to copy, or
// they cannot be known. Null when the memory cannot be had.
QImage cloneOf(const QImage &picture, const Mapping &source)
{
    std::vector<PageRun> runs;
    if (source.kind == Kind::Clone) {
        size_t written = 0;
        std::optional<std::vector<PageRun>> found = writtenPages(source, written);
        if (!found || written * RebaseFromOneIn > source.length / pageSize())
            return wholeCopy(picture);
        runs = std::move(*found);
    }
    Mapping clone = mapClone(source);
    if (!clone.start)
        return QImage();
    if (source.kind == Kind::Owner)
        freeze(source.start);
    const size_t page = pageSize();
    for (const PageRun &run : runs)
        std::memcpy(clone.start + run.first * page, source.start + run.first * page, run.count * page);
    QImage result = wrapped(std::move(clone), picture.size(), picture.bytesPerLine(), picture.format());
    if (!result.isNull())
        carryOver(picture, result);
    return result;
}

bool clonable(const std::optional<Mapping> &mapping)
{
    return mapping && mapping->kind != Kind::Anonymous;
}
#endif

} // namespace

QImage newPicture(QSize size, QImage::Format format)
{
    if (size.isEmpty() || size.width() > MaxSide || size.height() > MaxSide || format == QImage::Format_Invalid)
        return QImage();
    const qsizetype bytesPerLine = bytesPerLineOf(size.width(), format);
#ifdef VP_MAPPED_PICTURES
    const size_t bytes = size_t(bytesPerLine) * size_t(size.height());
    const Way way = currentWay();
    if (bytes >= MappedFrom && way != Way::Heap) {
        const size_t length = (bytes + pageSize() - 1) / pageSize() * pageSize();
        State &s = state();
        Mapping mapping;
        if (way != Way::Anonymous) {
            mapping = takePooled(s, length, Kind::Owner);
            if (!mapping.start)
                mapping = mapOwner(length);
        }
        if (!mapping.start)
            mapping = takePooled(s, length, Kind::Anonymous);
        if (!mapping.start)
            mapping = mapAnonymous(length);
        if (!mapping.start)
            return QImage();
        // Fresh memory reads as zeros: clearing its padding would only touch every page.
        const bool fresh = mapping.fresh;
        QImage picture = wrapped(std::move(mapping), size, bytesPerLine, format);
        return fresh ? picture : withClearPadding(std::move(picture));
    }
#endif
    QImage picture(size, format);
    Q_ASSERT(picture.isNull() || picture.bytesPerLine() == bytesPerLine);
    return withClearPadding(picture);
}

QImage copiedPicture(const QImage &picture)
{
    if (picture.isNull())
        return QImage();
#ifdef VP_MAPPED_PICTURES
    if (const std::optional<Mapping> mapping = mappingOf(picture); clonable(mapping)) {
        QImage clone = cloneOf(picture, *mapping);
        if (!clone.isNull())
            return clone;
    }
#endif
    return wholeCopy(picture);
}

#ifdef VP_MAPPED_PICTURES
namespace {

// Writing a page of a clone for the first time costs a page fault and a copy of the page, about
// ten times what a page of a whole copy into reused memory costs: a writer that reaches more than
// this share of the picture's bytes is better served by a whole copy.
constexpr qint64 CopiedWholeFromOneIn = 8;

bool writesMuchOf(const QImage &picture, const QList<QRect> &written)
{
    qint64 touched = 0;
    for (const QRect &rect : written) {
        const QRect inside = rect & picture.rect();
        if (inside.isEmpty())
            continue;
        // Each row written faults in the pages its stretch spans, at least one.
        const qint64 stretch = qint64(inside.width()) * picture.depth() / 8 + qint64(pageSize());
        touched += qint64(inside.height()) * std::min<qint64>(stretch, picture.bytesPerLine());
    }
    return touched * CopiedWholeFromOneIn > picture.sizeInBytes();
}

} // namespace
#endif

static bool detached(QImage &picture, const QList<QRect> &written)
{
    if (picture.isNull())
        return true;
#ifdef VP_MAPPED_PICTURES
    if (const std::optional<Mapping> mapping = mappingOf(picture); clonable(mapping)) {
        // A clone of its own about to be written over much of it, too, is better copied whole.
        const bool much = writesMuchOf(picture, written);
        if (picture.isDetached() && (!mapping->frozen || thawed(mapping->start))
            && !(much && mapping->kind == Kind::Clone))
            return true;
        QImage own = much ? wholeCopy(picture) : cloneOf(picture, *mapping);
        if (own.isNull())
            return false;
        picture = std::move(own);
        return true;
    }
#else
    Q_UNUSED(written);
#endif
    if (picture.isDetached())
        return true;
    QImage copy = wholeCopy(picture);
    if (copy.isNull())
        return false;
    picture = std::move(copy);
    return true;
}

bool detachPicture(QImage &picture)
{
    return detached(picture, {});
}

bool detachPicture(QImage &picture, const QList<QRect> &written)
{
    return detached(picture, written);
}

bool detachClones(const QImage &picture, const QList<QRect> &written)
{
#ifdef VP_MAPPED_PICTURES
    return clonable(mappingOf(picture)) && !writesMuchOf(picture, written);
#else
    Q_UNUSED(picture);
    Q_UNUSED(written);
    return false;
#endif
}

int freshPictureFile(const QImage &picture)
{
#ifdef VP_MAPPED_PICTURES
    const std::optional<Mapping> mapping = mappingOf(picture);
    if (mapping && mapping->kind == Kind::Owner && mapping->fresh && !mapping->frozen && picture.isDetached())
        return mapping->file->fd;
#else
    Q_UNUSED(picture);
#endif
    return -1;
}

bool writableInPlace(const QImage &picture)
{
    return !picture.isNull() && picture.isDetached() && pictureMemoryKind(picture) != PictureMemoryKind::FrozenOwner;
}

PictureMemoryKind pictureMemoryKind(const QImage &picture)
{
#ifdef VP_MAPPED_PICTURES
    const std::optional<Mapping> mapping = mappingOf(picture);
    if (!mapping)
        return PictureMemoryKind::Other;
    switch (mapping->kind) {
    case Kind::Anonymous: return PictureMemoryKind::Anonymous;
    case Kind::Owner: return mapping->frozen ? PictureMemoryKind::FrozenOwner : PictureMemoryKind::Owner;
    case Kind::Clone: return PictureMemoryKind::Clone;
    }
#else
    Q_UNUSED(picture);
#endif
    return PictureMemoryKind::Other;
}

void setPictureMemoryMode(PictureMemoryMode mode)
{
    chosenMode.store(mode, std::memory_order_relaxed);
}

void holdReleasedPictureMemory(bool hold)
{
#ifdef VP_MAPPED_PICTURES
    State &s = state();
    std::vector<Mapping> dropped;
    {
        const std::lock_guard guard(s.lock);
        s.holding = hold;
        if (!hold) {
            dropped = trimmed(s);
            std::move(s.held.begin(), s.held.end(), std::back_inserter(dropped));
            s.held.clear();
        }
    }
    unmapLater(std::move(dropped));
#else
    Q_UNUSED(hold);
#endif
}

void releasePooledPictureMemory()
{
#ifdef VP_MAPPED_PICTURES
    State &s = state();
    std::vector<Mapping> dropped;
    {
        const std::lock_guard guard(s.lock);
        dropped.swap(s.pool);
        s.poolBytes = 0;
    }
    for (const Mapping &mapping : dropped)
        unmap(mapping);
#endif
}
