#include "imagelib/picturememory.h"

#include "imagelib/bmp.h"

#include <QtGlobal>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#if defined(Q_OS_LINUX) && !defined(__SANITIZE_ADDRESS__)
#include <sys/mman.h>
#include <unistd.h>
#define VP_MAPPED_PICTURES
#endif

namespace {

#ifdef VP_MAPPED_PICTURES
constexpr size_t MappedFrom = 8 * 1024 * 1024;
constexpr size_t PoolBytes = 256 * 1024 * 1024;
constexpr size_t PoolMappings = 4;

struct Mapping {
    void *start;
    size_t length;
};

struct Pool {
    std::mutex lock;
    std::vector<Mapping> free;
    size_t bytes = 0;
};

// Never destroyed: pictures held by other statics may still be let go during exit.
Pool &pool()
{
    static Pool *const p = new Pool;
    return *p;
}

Mapping takePooled(size_t length)
{
    Pool &p = pool();
    const std::lock_guard guard(p.lock);
    for (auto it = p.free.begin(); it != p.free.end(); ++it) {
        if (it->length == length) {
            const Mapping found = *it;
            p.bytes -= found.length;
            p.free.erase(it);
            return found;
        }
    }
    return {nullptr, 0};
}

void givePooled(void *info)
{
    const std::unique_ptr<Mapping> mapping(static_cast<Mapping *>(info));
    Pool &p = pool();
    {
        const std::lock_guard guard(p.lock);
        if (mapping->length <= PoolBytes) {
            while (!p.free.empty() && (p.free.size() >= PoolMappings || p.bytes + mapping->length > PoolBytes)) {
                ::munmap(p.free.front().start, p.free.front().length);
                p.bytes -= p.free.front().length;
                p.free.erase(p.free.begin());
            }
            p.free.push_back(*mapping);
            p.bytes += mapping->length;
            return;
        }
    }
    ::munmap(mapping->start, mapping->length);
}

Mapping mapFresh(size_t length)
{
    void *start = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED)
        return {nullptr, 0};
    return {start, length};
}
#endif

// Pooled memory holds an earlier picture's bytes: the padding that ends each row must not pass
// them on to a file or a comparison.
QImage withClearPadding(QImage picture)
{
    const qsizetype pixelBytes = qsizetype(picture.width()) * 3;
    const qsizetype padding = picture.bytesPerLine() - pixelBytes;
    if (padding > 0)
        for (int y = 0; y < picture.height(); ++y)
            std::memset(picture.scanLine(y) + pixelBytes, 0, size_t(padding));
    return picture;
}

QImage newPictureMemory(QSize size)
{
#ifdef VP_MAPPED_PICTURES
    const size_t bytes = size_t(bmp24RowBytes(size.width())) * size_t(size.height());
    if (bytes >= MappedFrom) {
        const size_t page = size_t(::sysconf(_SC_PAGESIZE));
        const size_t length = (bytes + page - 1) / page * page;
        Mapping mapping = takePooled(length);
        if (!mapping.start)
            mapping = mapFresh(length);
        if (mapping.start) {
            auto owner = std::make_unique<Mapping>(mapping);
            QImage picture(static_cast<uchar *>(mapping.start), size.width(), size.height(), bmp24RowBytes(size.width()),
                           QImage::Format_BGR888, givePooled, owner.get());
            if (!picture.isNull()) {
                owner.release();
                return picture;
            }
            ::munmap(mapping.start, mapping.length);
        }
    }
#endif
    return QImage(size, QImage::Format_BGR888);
}

} // namespace

QImage newPicture(QSize size)
{
    if (size.isEmpty() || size.width() > (1 << 20) || size.height() > (1 << 20))
        return QImage();
    return withClearPadding(newPictureMemory(size));
}

void releasePooledPictureMemory()
{
#ifdef VP_MAPPED_PICTURES
    Pool &p = pool();
    const std::lock_guard guard(p.lock);
    for (const Mapping &mapping : p.free)
        ::munmap(mapping.start, mapping.length);
    p.free.clear();
    p.bytes = 0;
#endif
}
