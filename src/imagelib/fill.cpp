#include "imagelib/fill.h"

#include "imagelib/parallel.h"
#include "imagelib/picturememory.h"

#include <atomic>
#include <cstring>
#include <mutex>

namespace {

struct Bgr {
    uchar b, g, r;
    explicit Bgr(Colour c) : b(uchar(blueOf(c))), g(uchar(greenOf(c))), r(uchar(redOf(c))) {}
    bool at(const uchar *p) const { return p[0] == b && p[1] == g && p[2] == r; }
    void putAt(uchar *p) const
    {
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }
};

// Four pixels of one colour, twelve bytes, as three words: a run of the target colour is found
// and replaced four pixels at a time.
struct Quad {
    quint32 words[3];
    explicit Quad(Bgr c)
    {
        uchar bytes[12];
        for (int i = 0; i < 4; ++i)
            c.putAt(bytes + 3 * i);
        std::memcpy(words, bytes, sizeof words);
    }
    bool at(const uchar *p) const
    {
        quint32 w[3];
        std::memcpy(w, p, sizeof w);
        return ((w[0] ^ words[0]) | (w[1] ^ words[1]) | (w[2] ^ words[2])) == 0;
    }
    void putAt(uchar *p) const { std::memcpy(p, words, sizeof words); }
};

int firstMatch(const uchar *row, int width, Bgr want)
{
    for (int x = 0; x < width; ++x)
        if (want.at(row + 3 * x))
            return x;
    return -1;
}

// One row: `to` gets `from` with every match replaced. `to` may be `from` itself (in place,
// only the matches are written) or another row (every pixel is written). Widens `changed`.
void replaceInRow(const uchar *from, uchar *to, int y, int width, Bgr want, Bgr put, QRect &changed)
{
    const Quad wantQuad(want), putQuad(put);
    const bool inPlace = from == to;
    int first = width, last = -1;
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const uchar *p = from + 3 * x;
        uchar *q = to + 3 * x;
        if (wantQuad.at(p)) {
            putQuad.putAt(q);
            first = qMin(first, x);
            last = x + 3;
            continue;
        }
        if (!inPlace)
            std::memcpy(q, p, 12);
        for (int i = 0; i < 4; ++i) {
            if (want.at(p + 3 * i)) {
                put.putAt(q + 3 * i);
                first = qMin(first, x + i);
                last = x + i;
            }
        }
    }
    for (; x < width; ++x) {
        const uchar *p = from + 3 * x;
        uchar *q = to + 3 * x;
        if (want.at(p)) {
            put.putAt(q);
            first = qMin(first, x);
            last = x;
        } else if (!inPlace) {
            std::memcpy(q, p, 3);
        }
    }
    if (last >= 0)
        changed |= QRect(first, y, last - first + 1, 1);
}

// Each strip widens a rectangle of its own; the union is the same however the rows were cut.
class ChangedRows {
public:
    void add(const QRect &strip)
    {
        const std::lock_guard guard(m_lock);
        m_changed |= strip;
    }
    QRect rect() const { return m_changed; }

private:
    std::mutex m_lock;
    QRect m_changed;
};

// The first row holding the colour, or `height`. A strip stops once a row above its own holds it.
int firstRowWith(const QImage &picture, Bgr want)
{
    const int width = picture.width(), height = picture.height();
    const uchar *const bits = picture.constBits();
    const qsizetype stride = picture.bytesPerLine();
    std::atomic<int> found{height};
    // Comparing a row costs about three times reading it.
    forEachStrip(0, height, 3 * qsizetype(width) * 3, [&](int first, int end) {
        for (int y = first; y < end && y < found.load(std::memory_order_relaxed); ++y)
            if (firstMatch(bits + y * stride, width, want) >= 0) {
                int seen = found.load(std::memory_order_relaxed);
                while (y < seen && !found.compare_exchange_weak(seen, y, std::memory_order_relaxed)) {
                }
                return;
            }
    });
    return found.load();
}

QRect replaceInBgr(QImage &picture, Colour target, Colour replacement, bool *outOfMemory)
{
    const Bgr want(target), put(replacement);
    const int width = picture.width(), height = picture.height();
    const qsizetype rowBytes = qsizetype(width) * 3;
    // Replacing in a row costs about three times copying it.
    const qsizetype rowCost = 6 * rowBytes;
    // Nothing is written, nor copied, without a match.
    const int y0 = firstRowWith(picture, want);
    if (y0 == height)
        return {};
    int y1 = height - 1;
    while (firstMatch(picture.constScanLine(y1), width, want) < 0)
        --y1;
    ChangedRows changed;
    // Where few rows match, a clone copies only the pages written; where many do, a copy of our
    // own written row by row costs less.
    const QList<QRect> rows{QRect(0, y0, width, y1 - y0 + 1)};
    if (writableInPlace(picture) || detachClones(picture, rows)) {
        if (!detachPicture(picture, rows)) {
            if (outOfMemory)
                *outOfMemory = true;
            return {};
        }
        uchar *const bits = picture.bits();
        const qsizetype stride = picture.bytesPerLine();
        forEachStrip(y0, y1 + 1, rowCost, [&](int first, int end) {
            QRect strip;
            for (int y = first; y < end; ++y) {
                uchar *row = bits + y * stride;
                replaceInRow(row, row, y, width, want, put, strip);
            }
            changed.add(strip);
        });
        return changed.rect();
    }
    // Pixels shared with another picture (a canvas just committed shares its stored picture):
    // rather than copy them all and then go over the copy again, write each row into a picture
    // of our own, replacing while the row is at hand.
    QImage own = newPicture(picture.size(), picture.format());
    if (own.isNull()) {
        if (outOfMemory)
            *outOfMemory = true;
        return {};
    }
    const uchar *const from = picture.constBits();
    const qsizetype fromStride = picture.bytesPerLine();
    uchar *const to = own.bits();
    const qsizetype toStride = own.bytesPerLine();
    forEachStrip(0, height, rowCost, [&](int first, int end) {
        QRect strip;
        for (int y = first; y < end; ++y) {
            if (y < y0)
                std::memcpy(to + y * toStride, from + y * fromStride, size_t(rowBytes));
            else
                replaceInRow(from + y * fromStride, to + y * toStride, y, width, want, put, strip);
        }
        changed.add(strip);
    });
    picture = own;
    return changed.rect();
}

} // namespace

QRect replaceColour(QImage &picture, Colour target, Colour replacement, bool *outOfMemory)
{
    if (outOfMemory)
        *outOfMemory = false;
    if (picture.isNull() || target > 0x00FFFFFFu || target == replacement)
        return {};
    if (picture.format() == PictureFormat)
        return replaceInBgr(picture, target, replacement, outOfMemory);
    QRect changed;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (fromQRgb(picture.pixel(x, y)) == target) {
                if (changed.isEmpty() && !detachPicture(picture)) {
                    if (outOfMemory)
                        *outOfMemory = true;
                    return {};
                }
                picture.setPixel(x, y, toQRgb(replacement));
                changed |= QRect(x, y, 1, 1);
            }
    return changed;
}
