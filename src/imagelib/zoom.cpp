#include "imagelib/zoom.h"

#include "imagelib/parallel.h"
#include "imagelib/vectorunits.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace Zoom {

int pictureCoordinate(double v, double zoom)
{
    // The quotient of a view pixel that starts a picture pixel can come out a hair below the
    // whole number it is (1 / 3 is not exact); a margin far below any real step keeps it whole.
    return int(std::floor(v / zoom + 1e-7));
}

int viewCoordinate(int i, double zoom)
{
    int v = int(std::ceil(i * zoom));
    while (pictureCoordinate(v - 1, zoom) >= i)
        --v;
    while (pictureCoordinate(v, zoom) < i)
        ++v;
    return v;
}

QSize viewSize(QSize picture, double zoom)
{
    return QSize(viewCoordinate(picture.width(), zoom), viewCoordinate(picture.height(), zoom));
}

QRect viewRect(const QRect &pictureRect, double zoom)
{
    if (pictureRect.isEmpty())
        return QRect();
    const QPoint topLeft(viewCoordinate(pictureRect.left(), zoom), viewCoordinate(pictureRect.top(), zoom));
    const QPoint end(viewCoordinate(pictureRect.right() + 1, zoom), viewCoordinate(pictureRect.bottom() + 1, zoom));
    return QRect(topLeft, QSize(end.x() - topLeft.x(), end.y() - topLeft.y()));
}

} // namespace Zoom

namespace {

#ifdef VP_VBMI
VP_VBMI inline __m512i widened(const uchar *p)
{
    return _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)));
}

// Bytes 0 to 31 of a pair of rows: each with its neighbour three bytes on, summed, rounded.
VP_VBMI inline __m256i blockMeans(const uchar *a, const uchar *b)
{
    const __m512i sum = _mm512_add_epi16(_mm512_add_epi16(widened(a), widened(a + 3)),
                                         _mm512_add_epi16(widened(b), widened(b + 3)));
    return _mm512_maskz_cvtepi16_epi8(~__mmask32(0), _mm512_srli_epi16(_mm512_add_epi16(sum, _mm512_set1_epi16(2)), 2));
}

// Sixteen pixels of a halving a step from whole 2 x 2 blocks: each byte's block with its neighbour
// three bytes on, summed in 16 bits, then every other pixel of those gathered by byte
// permutations. Reads three bytes past the blocks it makes, so it leaves at least one of the
// `pixels` it is given to the caller. Returns how many pixels it made.
VP_VBMI int halveBlocksVbmi(const uchar *a, const uchar *b, uchar *out, int pixels)
{
    // Output byte j is the sum at byte 6 * (j / 3) + j % 3 of the 96 made a step: the first 32
    // come from the first 64 sums, the other 16 from the 64 that start at sum 32.
    alignas(32) static constexpr auto Pick = [] {
        std::array<uchar, 64> pick {};
        for (int j = 0; j < 48; ++j)
            pick[size_t(j)] = uchar(6 * (j / 3) + j % 3 - (j < 32 ? 0 : 32));
        return pick;
    }();
    const __m256i pickFirst = _mm256_load_si256(reinterpret_cast<const __m256i *>(Pick.data()));
    const __m256i pickRest = _mm256_load_si256(reinterpret_cast<const __m256i *>(Pick.data() + 32));
    int done = 0;
    for (; done + 16 < pixels; done += 16, a += 96, b += 96, out += 48) {
        const __m256i first = blockMeans(a, b), second = blockMeans(a + 32, b + 32), third = blockMeans(a + 64, b + 64);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out), _mm256_permutex2var_epi8(first, pickFirst, second));
        _mm256_mask_storeu_epi8(out + 32, __mmask32(0xFFFF), _mm256_permutex2var_epi8(second, pickRest, third));
    }
    return done;
}
#endif

// Pixels x0 to x1 of one row of a halving, from the two rows r0 and r1 (r1 null at an odd bottom
// edge) of a source w pixels wide. `scratch` is a buffer of the caller's, reused row after row.
void halveRow(const uchar *r0, const uchar *r1, int w, uchar *out, int x0, int x1, std::vector<uchar> &scratch)
{
    // Whole 2 x 2 blocks first; a block cut by the right edge last.
    const int wholeEnd = std::min(x1 + 1, w / 2);
    int x = x0;
    out += 3 * qsizetype(x0);
    if (r1 && wholeEnd > x) {
#ifdef VP_VBMI
        if (hasVbmi()) {
            const int made = halveBlocksVbmi(r0 + 6 * qsizetype(x), r1 + 6 * qsizetype(x), out, wholeEnd - x);
            x += made;
            out += 3 * qsizetype(made);
        }
#endif
        // Every byte's block with its neighbour three bytes on, in one loop the compiler runs in
        // vector registers; then every other pixel of that is a pixel of the halving.
        const qsizetype first = 6 * qsizetype(x), bytes = 6 * qsizetype(wholeEnd - x) - 3;
        scratch.resize(size_t(bytes) + 3);
        const uchar *a = r0 + first, *b = r1 + first;
        uchar *sums = scratch.data();
        for (qsizetype i = 0; i < bytes; ++i)
            sums[i] = uchar((unsigned(a[i]) + a[i + 3] + b[i] + b[i + 3] + 2) >> 2);
        for (; x < wholeEnd; ++x, out += 3, sums += 6) {
            out[0] = sums[0];
            out[1] = sums[1];
            out[2] = sums[2];
        }
    }
    const int rows = r1 ? 2 : 1;
    for (; x <= x1; ++x, out += 3) {
        const int sx0 = 2 * x, sx1 = std::min(2 * x + 1, w - 1);
        const int n = (sx1 - sx0 + 1) * rows;
        for (int c = 0; c < 3; ++c) {
            int sum = 0;
            for (int sx = sx0; sx <= sx1; ++sx)
                sum += r0[3 * sx + c] + (r1 ? r1[3 * sx + c] : 0);
            out[c] = uchar((sum + n / 2) / n);
        }
    }
}

// The picture halved `times` times, one row at a time: each level's rows are made from two rows
// of the level above, held in buffers of one strip, so that no level in between is kept.
class RowReducer {
public:
    RowReducer(const uchar *bits, qsizetype stride, QSize size, int times) : m_bits(bits), m_stride(stride)
    {
        m_sizes.push_back(size);
        for (int k = 1; k <= times; ++k)
            m_sizes.push_back(QSize((m_sizes.back().width() + 1) / 2, (m_sizes.back().height() + 1) / 2));
        m_rows.resize(size_t(times) + 1);
    }

    // Pixels x0 to x1 of row y of level `level` (level 0 is the picture itself).
    const uchar *row(int level, int y, int x0, int x1, int slot)
    {
        if (level == 0)
            return m_bits + y * m_stride;
        const QSize above = m_sizes[size_t(level) - 1];
        const int ax0 = 2 * x0, ax1 = std::min(2 * x1 + 1, above.width() - 1);
        const int sy0 = 2 * y, sy1 = std::min(2 * y + 1, above.height() - 1);
        std::vector<uchar> &buffer = m_rows[size_t(level)][size_t(slot)];
        buffer.resize(3 * size_t(m_sizes[size_t(level)].width()));
        const uchar *r0 = row(level - 1, sy0, ax0, ax1, 0);
        const uchar *r1 = sy1 != sy0 ? row(level - 1, sy1, ax0, ax1, 1) : nullptr;
        halveRow(r0, r1, above.width(), buffer.data(), x0, x1, m_scratch);
        return buffer.data();
    }

private:
    const uchar *m_bits;
    qsizetype m_stride;
    std::vector<QSize> m_sizes;
    std::vector<std::array<std::vector<uchar>, 2>> m_rows;
    std::vector<uchar> m_scratch;
};

} // namespace

void halvePicture(const QImage &source, QImage &half, const QRect &rect)
{
    reducePicture(source, half, rect, 1);
}

void reducePicture(const QImage &source, QImage &reduced, const QRect &rect, int times)
{
    const QRect area = rect & reduced.rect();
    if (area.isEmpty() || times < 1)
        return;
    // Rows are taken before the strips start: QImage's row calls are not for several threads.
    const uchar *const from = source.constBits();
    const qsizetype fromStride = source.bytesPerLine();
    uchar *const to = reduced.bits();
    const qsizetype toStride = reduced.bytesPerLine();
    // A row reads 2^times rows of the source, each 2^times times as wide: as much as copying them.
    const qsizetype rowCost = 2 * 3 * qsizetype(area.width()) << (2 * times);
    forEachStrip(area.top(), area.bottom() + 1, rowCost, [&](int first, int end) {
        RowReducer reducer(from, fromStride, source.size(), times);
        for (int y = first; y < end; ++y) {
            const uchar *made = reducer.row(times, y, area.left(), area.right(), 0);
            std::memcpy(to + y * toStride + 3 * qsizetype(area.left()), made + 3 * qsizetype(area.left()),
                        3 * size_t(area.width()));
        }
    });
}

namespace {

// Across a row the weights have 14 fractional bits; down the rows 8, so that the sums of the
// vertical pass stay within 16 bits and go through the vector unit eight at a time.
constexpr int ColumnShift = 14;
constexpr int RowShift = 8;

// The source pixels one view position covers: `count` of them from `first`, their weights in
// fixed point summing to exactly 1 << shift written to `weights`.
struct Span {
    int first = 0;
    int count = 0;
};

Span spanOf(int v, double scale, int length, int shift, std::vector<int> &weights)
{
    const double begin = v / scale;
    const double end = std::min((v + 1) / scale, double(length));
    Span span;
    span.first = std::clamp(int(std::floor(begin)), 0, length - 1);
    const int last = std::clamp(int(std::ceil(end)) - 1, span.first, length - 1);
    span.count = last - span.first + 1;
    weights.resize(size_t(span.count));
    double total = 0;
    for (int j = 0; j < span.count; ++j) {
        const int at = span.first + j;
        total += std::max(0.0, std::min(end, at + 1.0) - std::max(begin, double(at)));
    }
    if (!(total > 0)) {
        // Past the source's end: the last pixel.
        span.count = 1;
        weights.assign(1, 1 << shift);
        return span;
    }
    int sum = 0, largest = 0;
    for (int j = 0; j < span.count; ++j) {
        const int at = span.first + j;
        const double overlap = std::max(0.0, std::min(end, at + 1.0) - std::max(begin, double(at)));
        weights[size_t(j)] = int(std::lround(overlap / total * (1 << shift)));
        sum += weights[size_t(j)];
        if (weights[size_t(j)] > weights[size_t(largest)])
            largest = j;
    }
    weights[size_t(largest)] += (1 << shift) - sum;
    return span;
}

inline quint32 rgb32(const uchar *bgr)
{
    return 0xFF000000u | (quint32(bgr[2]) << 16) | (quint32(bgr[1]) << 8) | bgr[0];
}

// One row of sums down the source rows a view row covers: each byte of the row weighted and
// added, 8 fractional bits kept.
template <int Rows>
void verticalPass(const uchar *const *rows, const quint16 *weights, quint16 *out, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        quint16 sum = 0;
        for (int j = 0; j < Rows; ++j)
            sum = quint16(sum + weights[j] * rows[j][i]);
        out[i] = sum;
    }
}

void verticalPassAny(const uchar *const *rows, const quint16 *weights, int count, quint16 *out, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        quint16 sum = 0;
        for (int j = 0; j < count; ++j)
            sum = quint16(sum + weights[j] * rows[j][i]);
        out[i] = sum;
    }
}

// Each view pixel of the row: its columns' sums weighted, rounded to bytes. `Taps` weights a
// column (0: `taps` given at run time).
template <int Taps>
void horizontalPass(const quint16 *sums, const int *firsts, int offset, const quint32 *weights, quint32 *line,
                    int width, int taps = Taps)
{
    const int count = Taps ? Taps : taps;
    for (int x = 0; x < width; ++x, weights += count) {
        const quint16 *in = sums + 3 * qsizetype(firsts[x] - offset);
        quint32 b = 1u << 21, g = 1u << 21, r = 1u << 21;
        for (int j = 0; j < count; ++j) {
            b += weights[j] * in[3 * j];
            g += weights[j] * in[3 * j + 1];
            r += weights[j] * in[3 * j + 2];
        }
        line[x] = 0xFF000000u | ((r >> 22) << 16) | ((g >> 22) << 8) | (b >> 22);
    }
}

} // namespace

void shrinkToView(const QImage &source, double scale, const QRect &viewRect, QImage &out)
{
    if (viewRect.isEmpty() || source.isNull())
        return;
    const int width = viewRect.width();
    if (scale == 1) {
        // One source pixel a view pixel: the view is the source, in the screen's format.
        const int inside = std::clamp(source.width() - viewRect.left(), 0, width);
        for (int y = 0; y < viewRect.height(); ++y) {
            const int sy = std::min(viewRect.top() + y, source.height() - 1);
            const uchar *in = source.constScanLine(sy) + 3 * qsizetype(viewRect.left());
            auto *line = reinterpret_cast<quint32 *>(out.scanLine(y));
            for (int x = 0; x < inside; ++x, in += 3)
                line[x] = rgb32(in);
            for (int x = inside; x < width; ++x)
                line[x] = rgb32(source.constScanLine(sy) + 3 * qsizetype(source.width() - 1));
        }
        return;
    }
    // The columns' spans once, flat: `taps` weights per view column, zero-padded. A span of
    // 1 / scale pixels starting anywhere touches at most one more than that.
    const int taps = int(std::ceil(1 / scale)) + 1;
    std::vector<int> weights;
    std::vector<int> firsts(static_cast<size_t>(width));
    std::vector<quint32> columnTaps(size_t(width) * size_t(taps), 0);
    for (int x = 0; x < width; ++x) {
        const Span span = spanOf(viewRect.left() + x, scale, source.width(), ColumnShift, weights);
        firsts[size_t(x)] = span.first;
        std::copy(weights.begin(), weights.begin() + std::min(span.count, taps), columnTaps.begin() + qsizetype(x) * taps);
    }
    const int firstColumn = firsts.front();
    const int lastColumn = std::min(source.width() - 1, firsts.back() + taps - 1);
    const int columns = lastColumn - firstColumn + 1;
    // One row of the vertical pass over the columns needed, 8 fractional bits kept; padded so
    // that zero-weight taps past the last column read something.
    std::vector<quint16> rowSums((size_t(columns) + size_t(taps)) * 3, 0);
    std::vector<const uchar *> rows;
    std::vector<quint16> rowWeights;
    for (int y = 0; y < viewRect.height(); ++y) {
        const Span span = spanOf(viewRect.top() + y, scale, source.height(), RowShift, weights);
        rows.resize(size_t(span.count));
        rowWeights.assign(weights.begin(), weights.end());
        for (int j = 0; j < span.count; ++j)
            rows[size_t(j)] = source.constScanLine(span.first + j) + 3 * qsizetype(firstColumn);
        switch (span.count) {
        case 1: verticalPass<1>(rows.data(), rowWeights.data(), rowSums.data(), columns * 3); break;
        case 2: verticalPass<2>(rows.data(), rowWeights.data(), rowSums.data(), columns * 3); break;
        case 3: verticalPass<3>(rows.data(), rowWeights.data(), rowSums.data(), columns * 3); break;
        default: verticalPassAny(rows.data(), rowWeights.data(), span.count, rowSums.data(), columns * 3); break;
        }
        auto *line = reinterpret_cast<quint32 *>(out.scanLine(y));
        const int offset = firstColumn;
        switch (taps) {
        case 2: horizontalPass<2>(rowSums.data(), firsts.data(), offset, columnTaps.data(), line, width); break;
        case 3: horizontalPass<3>(rowSums.data(), firsts.data(), offset, columnTaps.data(), line, width); break;
        case 4: horizontalPass<4>(rowSums.data(), firsts.data(), offset, columnTaps.data(), line, width); break;
        default: horizontalPass<0>(rowSums.data(), firsts.data(), offset, columnTaps.data(), line, width, taps); break;
        }
    }
}

void magnifyToView(const QImage &source, double zoom, const QRect &viewRect, QImage &out)
{
    if (source.isNull() || viewRect.isEmpty())
        return;
    std::vector<int> columns(size_t(viewRect.width()));
    for (int x = 0; x < viewRect.width(); ++x)
        columns[size_t(x)] = 3 * std::clamp(Zoom::pictureCoordinate(viewRect.left() + x, zoom), 0, source.width() - 1);
    int previous = -1;
    for (int y = 0; y < viewRect.height(); ++y) {
        const int sy = std::clamp(Zoom::pictureCoordinate(viewRect.top() + y, zoom), 0, source.height() - 1);
        auto *line = reinterpret_cast<quint32 *>(out.scanLine(y));
        if (sy == previous) {
            std::memcpy(line, out.constScanLine(y - 1), size_t(viewRect.width()) * 4);
            continue;
        }
        const uchar *in = source.constScanLine(sy);
        for (int x = 0; x < viewRect.width(); ++x)
            line[x] = rgb32(in + columns[size_t(x)]);
        previous = sy;
    }
}

namespace {

// The first (the last) byte at which two runs of bytes differ; -1 when they are equal.
int firstDifference(const uchar *a, const uchar *b, int bytes)
{
    int i = 0;
    for (; i + 8 <= bytes; i += 8) {
        quint64 x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        if (x != y)
            break;
    }
    for (; i < bytes; ++i)
        if (a[i] != b[i])
            return i;
    return -1;
}

int lastDifference(const uchar *a, const uchar *b, int bytes)
{
    int i = bytes;
    for (; i >= 8; i -= 8) {
        quint64 x, y;
        std::memcpy(&x, a + i - 8, 8);
        std::memcpy(&y, b + i - 8, 8);
        if (x != y)
            break;
    }
    for (--i; i >= 0; --i)
        if (a[i] != b[i])
            return i;
    return -1;
}

} // namespace

QRect differingRect(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.format() != b.format())
        return a.rect() | b.rect();
    if (a.isNull() || a.cacheKey() == b.cacheKey())
        return QRect();
    const int pixelBytes = a.depth() / 8;
    const int bytes = a.width() * pixelBytes;
    int top = 0;
    while (top < a.height() && std::memcmp(a.constScanLine(top), b.constScanLine(top), size_t(bytes)) == 0)
        ++top;
    if (top == a.height())
        return QRect();
    int bottom = a.height() - 1;
    while (std::memcmp(a.constScanLine(bottom), b.constScanLine(bottom), size_t(bytes)) == 0)
        --bottom;
    int left = bytes, right = -1;
    for (int y = top; y <= bottom; ++y) {
        const uchar *p = a.constScanLine(y), *q = b.constScanLine(y);
        // Only the bytes outside what earlier rows already found can widen the rectangle.
        const int first = firstDifference(p, q, left);
        if (first >= 0)
            left = first;
        const int from = right + 1;
        const int last = lastDifference(p + from, q + from, bytes - from);
        if (last >= 0)
            right = from + last;
    }
    return QRect(QPoint(left / pixelBytes, top), QPoint(right / pixelBytes, bottom));
}
