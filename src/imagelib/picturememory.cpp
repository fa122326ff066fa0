#include "imagelib/picturememory.h"

#include <QtGlobal>
#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#if defined(Q_OS_LINUX) && !defined(__SANITIZE_ADDRESS__)
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

#ifdef VP_MAPPED_PICTURES
// A picture of 1 MP and up: below that, malloc's own reuse serves as well.
constexpr size_t MappedFrom = 2 * 1024 * 1024;
// Room for the few pictures a command at the largest size passes between them (canvas, bitmap,
// snapshot, a state let go), without holding more than a fraction of the machine.
constexpr size_t PoolMappings = 6;
constexpr size_t PoolBytesAtMost = size_t(1) << 30;

struct Mapping {
    void *start;
    size_t length;
};

struct Pool {
    std::mutex lock;
    std::vector<Mapping> free;
    size_t bytes = 0;
    size_t limit = 0;
    bool holding = false; // keep whatever is let go, beyond the limits
};

size_t poolLimit()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    const size_t eighth = pages > 0 && pageSize > 0 ? size_t(pages) * size_t(pageSize) / 8 : PoolBytesAtMost;
    return std::min(PoolBytesAtMost, eighth);
}

// Never destroyed: pictures held by other statics may still be let go during exit.
Pool &pool()
{
    static Pool *const p = [] {
        auto *created = new Pool;
        created->limit = poolLimit();
        return created;
    }();
    return *p;
}

Mapping takePooled(size_t length)
{
    Pool &p = pool();
    const std::lock_guard guard(p.lock);
    // The most recently pooled first: its pages are the likeliest to be in the caches.
    for (auto it = p.free.rbegin(); it != p.free.rend(); ++it) {
        if (it->length == length) {
            const Mapping found = *it;
            p.bytes -= found.length;
            p.free.erase(std::next(it).base());
            return found;
        }
    }
    return {nullptr, 0};
}

// Unmapping a large picture takes milliseconds (more in a virtual machine, where every CPU the
// process runs on must be told): it is done on a thread of its own, and nobody waits for it.
void unmapLater(std::vector<Mapping> &&dropped)
{
    if (dropped.empty())
        return;
    const auto mappings = std::make_shared<const std::vector<Mapping>>(std::move(dropped));
    const auto unmapAll = [mappings] {
        for (const Mapping &gone : *mappings)
            ::munmap(gone.start, gone.length);
    };
    try {
        std::thread(unmapAll).detach();
    } catch (const std::system_error &) {
        unmapAll();
    }
}

// Takes the oldest mappings out of the pool until it is within its limits; the caller unmaps them
// outside the lock.
std::vector<Mapping> trimmed(Pool &p)
{
    std::vector<Mapping> dropped;
    while (!p.free.empty() && (p.free.size() > PoolMappings || p.bytes > p.limit)) {
        dropped.push_back(p.free.front());
        p.bytes -= p.free.front().length;
        p.free.erase(p.free.begin());
    }
    return dropped;
}

void givePooled(void *info)
{
    const std::unique_ptr<Mapping> mapping(static_cast<Mapping *>(info));
    Pool &p = pool();
    std::vector<Mapping> dropped;
    {
        const std::lock_guard guard(p.lock);
        if (mapping->length > p.limit && !p.holding) {
            dropped.push_back(*mapping);
        } else {
            p.free.push_back(*mapping);
            p.bytes += mapping->length;
            if (!p.holding)
                dropped = trimmed(p);
        }
    }
    unmapLater(std::move(dropped));
}

Mapping mapFresh(size_t length)
{
    void *start = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED) {
        // What the pool holds may be what stands in the way.
        releasePooledPictureMemory();
        start = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (start == MAP_FAILED)
            return {nullptr, 0};
    }
    return {start, length};
}
#endif

} // namespace

// Pooled memory holds an earlier picture's bytes, and fresh memory whatever it held: the padding
// that ends each row must not pass them on to a file or a comparison.
static QImage withClearPadding(QImage picture)
{
    const qsizetype pixelBytes = (qsizetype(picture.width()) * picture.depth() + 7) / 8;
    const qsizetype padding = picture.bytesPerLine() - pixelBytes;
    if (padding > 0)
        for (int y = 0; y < picture.height(); ++y)
            std::memset(picture.scanLine(y) + pixelBytes, 0, size_t(padding));
    return picture;
}

QImage newPicture(QSize size, QImage::Format format)
{
    if (size.isEmpty() || size.width() > MaxSide || size.height() > MaxSide || format == QImage::Format_Invalid)
        return QImage();
    const qsizetype bytesPerLine = bytesPerLineOf(size.width(), format);
#ifdef VP_MAPPED_PICTURES
    const size_t bytes = size_t(bytesPerLine) * size_t(size.height());
    if (bytes >= MappedFrom) {
        const size_t page = size_t(::sysconf(_SC_PAGESIZE));
        const size_t length = (bytes + page - 1) / page * page;
        Mapping mapping = takePooled(length);
        if (!mapping.start)
            mapping = mapFresh(length);
        if (!mapping.start)
            return QImage();
        auto owner = std::make_unique<Mapping>(mapping);
        QImage picture(static_cast<uchar *>(mapping.start), size.width(), size.height(), bytesPerLine, format,
                       givePooled, owner.get());
        if (picture.isNull()) {
            ::munmap(mapping.start, mapping.length);
            return QImage();
        }
        owner.release();
        return withClearPadding(picture);
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
    QImage copy = newPicture(picture.size(), picture.format());
    if (copy.isNull())
        return QImage();
    if (copy.bytesPerLine() == picture.bytesPerLine()) {
        std::memcpy(copy.bits(), picture.constBits(), size_t(picture.sizeInBytes()));
    } else {
        const size_t rowBytes = size_t(std::min(copy.bytesPerLine(), picture.bytesPerLine()));
        for (int y = 0; y < picture.height(); ++y)
            std::memcpy(copy.scanLine(y), picture.constScanLine(y), rowBytes);
    }
    if (picture.colorCount() > 0)
        copy.setColorTable(picture.colorTable());
    copy.setDotsPerMeterX(picture.dotsPerMeterX());
    copy.setDotsPerMeterY(picture.dotsPerMeterY());
    return copy;
}

bool detachPicture(QImage &picture)
{
    if (picture.isNull() || picture.isDetached())
        return true;
    QImage copy = copiedPicture(picture);
    if (copy.isNull())
        return false;
    picture = std::move(copy);
    return true;
}

void holdReleasedPictureMemory(bool hold)
{
#ifdef VP_MAPPED_PICTURES
    Pool &p = pool();
    std::vector<Mapping> dropped;
    {
        const std::lock_guard guard(p.lock);
        p.holding = hold;
        if (!hold)
            dropped = trimmed(p);
    }
    unmapLater(std::move(dropped));
#else
    Q_UNUSED(hold);
#endif
}

void releasePooledPictureMemory()
{
#ifdef VP_MAPPED_PICTURES
    Pool &p = pool();
    std::vector<Mapping> dropped;
    {
        const std::lock_guard guard(p.lock);
        dropped.swap(p.free);
        p.bytes = 0;
    }
    for (const Mapping &mapping : dropped)
        ::munmap(mapping.start, mapping.length);
#endif
}
