#include "imagelib/pixelengine.h"

#include "imagelib/parallel.h"
#include "imagelib/picturememory.h"
#include "imagelib/vectorunits.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>


EngineOp engineOpFromName(const QString &operation)
{
    if (operation == QLatin1String("Brightness/Contrast"))
        return EngineOp::BrightnessContrast;
    if (operation == QLatin1String("RGB0"))
        return EngineOp::Red;
    if (operation == QLatin1String("RGB1"))
        return EngineOp::Green;
    if (operation == QLatin1String("RGB2"))
        return EngineOp::Blue;
    return EngineOp::None;
}

namespace {

// The table seen two bytes at a time: 64K entries of two mapped bytes halve the lookups, which
// is what bounds this loop. Building it costs about as much as mapping a quarter megabyte, so
// small pictures go byte by byte.
struct ByteMap {
    const quint8 *single = nullptr;
    std::unique_ptr<quint16[]> pairs;

    ByteMap(const LevelTable &table, qsizetype bytes) : single(table.data())
    {
        if (bytes < (qsizetype(1) << 20))
            return;
        pairs = std::make_unique_for_overwrite<quint16[]>(65536);
        for (int high = 0; high < 256; ++high)
            for (int low = 0; low < 256; ++low)
                pairs[high << 8 | low] = quint16(table[low] | table[high] << 8);
    }
};

#ifdef VP_VBMI
// With AVX-512 VBMI the whole table fits in four registers: a byte's low seven bits pick an entry
// in either half, its top bit picks the half. 64 bytes a step, with no lookup in memory.

VP_VBMI inline __m512i lookUp(__m512i bytes, const __m512i (&table)[4])
{
    const __m512i low = _mm512_permutex2var_epi8(table[0], bytes, table[1]);
    const __m512i high = _mm512_permutex2var_epi8(table[2], bytes, table[3]);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(bytes), low, high);
}

VP_VBMI inline void loadTable(const quint8 *table, __m512i (&into)[4])
{
    for (int i = 0; i < 4; ++i)
        into[i] = _mm512_loadu_si512(table + 64 * i);
}

// Maps whole steps of 64 bytes; returns how many bytes it mapped.
VP_VBMI qsizetype mapBytesVbmi(const uchar *source, uchar *target, qsizetype count, const quint8 *table)
{
    __m512i lanes[4];
    loadTable(table, lanes);
    qsizetype i = 0;
    for (; i + 64 <= count; i += 64)
        _mm512_storeu_si512(target + i, lookUp(_mm512_loadu_si512(source + i), lanes));
    return i;
}

// Every third byte from `first` in whole steps of 64 bytes, written through a mask that leaves
// the others alone; returns the length of those steps.
VP_VBMI qsizetype mapEveryThirdVbmi(const uchar *source, uchar *target, qsizetype first, qsizetype count,
                                    const quint8 *table)
{
    __m512i lanes[4];
    loadTable(table, lanes);
    // Bit k of everyThird[r] is set where k % 3 == r; a step starting at i maps k % 3 == (first - i) % 3.
    __mmask64 everyThird[3] = {0, 0, 0};
    for (int k = 0; k < 64; ++k)
        everyThird[k % 3] |= __mmask64(1) << k;
    qsizetype i = 0;
    for (int phase = int(first); i + 64 <= count; i += 64, phase = (phase + 2) % 3)
        _mm512_mask_storeu_epi8(target + i, everyThird[phase], lookUp(_mm512_loadu_si512(source + i), lanes));
    return i;
}
#endif

// 64-bit loads and stores around the lookups. The pair table is indexed by the two bytes as a
// little-endian 16-bit value, which is how x86 and ARM load them.
void mapBytes(const uchar *source, uchar *target, qsizetype count, const ByteMap &map)
{
    qsizetype i = 0;
#ifdef VP_VBMI
    if (hasVbmi())
        i = mapBytesVbmi(source, target, count, map.single);
#endif
    if (map.pairs && Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        const quint16 *pairs = map.pairs.get();
        for (; i + 8 <= count; i += 8) {
            quint64 a;
            std::memcpy(&a, source + i, 8);
            const quint64 r = quint64(pairs[a & 0xFFFF]) | quint64(pairs[(a >> 16) & 0xFFFF]) << 16
                | quint64(pairs[(a >> 32) & 0xFFFF]) << 32 | quint64(pairs[a >> 48]) << 48;
            std::memcpy(target + i, &r, 8);
        }
    }
    const quint8 *table = map.single;
    for (; i + 8 <= count; i += 8) {
        const uchar b0 = source[i], b1 = source[i + 1], b2 = source[i + 2], b3 = source[i + 3];
        const uchar b4 = source[i + 4], b5 = source[i + 5], b6 = source[i + 6], b7 = source[i + 7];
        target[i] = table[b0];
        target[i + 1] = table[b1];
        target[i + 2] = table[b2];
        target[i + 3] = table[b3];
        target[i + 4] = table[b4];
        target[i + 5] = table[b5];
        target[i + 6] = table[b6];
        target[i + 7] = table[b7];
    }
    for (; i < count; ++i)
        target[i] = table[source[i]];
}

// Every third byte from `first`; the bytes in between are left as the target holds them.
void mapEveryThird(const uchar *source, uchar *target, qsizetype first, qsizetype count,
                   const quint8 *table)
{
    qsizetype x = first;
#ifdef VP_VBMI
    if (hasVbmi()) {
        const qsizetype done = mapEveryThirdVbmi(source, target, first, count, table);
        x = done + ((first - done) % 3 + 3) % 3;
    }
#endif
    for (; x + 9 < count; x += 12) {
        const uchar s0 = source[x], s1 = source[x + 3], s2 = source[x + 6], s3 = source[x + 9];
        target[x] = table[s0];
        target[x + 3] = table[s1];
        target[x + 6] = table[s2];
        target[x + 9] = table[s3];
    }
    for (; x < count; x += 3)
        target[x] = table[source[x]];
}

} // namespace

void processImageBytes(const QImage &snapshot, QImage &canvas, EngineOp op, const LevelTable &table)
{
    if (op == EngineOp::None || canvas.isNull() || canvas.format() != QImage::Format_BGR888
        || snapshot.isNull())
        return;

    const qsizetype canvasRow = canvas.bytesPerLine();
    const qsizetype snapshotRow = snapshot.bytesPerLine();
    const int canvasRows = canvas.height();
    const int snapshotRows = snapshot.height();
    const int rows = std::min(canvasRows, snapshotRows);
    const qsizetype rowBytes = std::min(canvasRow, snapshotRow);

    // Detach the canvas before reading the snapshot: the two may share one buffer.
    if (!detachPicture(canvas, {canvas.rect()}))
        return;
    uchar *target = canvas.bits();
    const uchar *source = snapshot.constBits();

    // Mapping a row costs about twice copying it, every third byte somewhat more.
    if (op == EngineOp::BrightnessContrast) {
        const qsizetype rowCost = 4 * rowBytes;
        const ByteMap map(table, rowBytes * rows);
        if (canvasRow == snapshotRow && canvasRows == snapshotRows) {
            forEachStrip(0, rows, rowCost, [&](int first, int end) {
                mapBytes(source + first * canvasRow, target + first * canvasRow, (end - first) * canvasRow, map);
            });
            return;
        }
        forEachStrip(0, rows, rowCost, [&](int first, int end) {
            for (int y = first; y < end; ++y)
                mapBytes(source + (snapshotRows - 1 - y) * snapshotRow, target + (canvasRows - 1 - y) * canvasRow,
                         rowBytes, map);
        });
        return;
    }

    const qsizetype first = op == EngineOp::Blue ? 0 : op == EngineOp::Green ? 1 : 2;
    forEachStrip(0, rows, 6 * rowBytes, [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y)
            mapEveryThird(source + (snapshotRows - 1 - y) * snapshotRow, target + (canvasRows - 1 - y) * canvasRow,
                          first, rowBytes, table.data());
    });
}

namespace {

quint8 roundedByte(float t)
{
    return quint8(std::nearbyint(t));
}

} // namespace

float gainAt(float X)
{
    return float(std::exp(X / 50.0) / 5);
}

void fillGainTable(LevelTable &table, float X)
{
    const float g = gainAt(X);
    for (int v = 0; v < 256; ++v) {
        // Far right of the slider the gain overflows float; 0 x infinity must still read as 0.
        float t = v == 0 ? 0.0f : float(v * double(g));
        if (t > 255)
            t = 255;
        table[v] = roundedByte(t);
    }
}

float contrastAt(float X)
{
    return float(std::exp(X / 30.0) / 20);
}

void fillContrastTable(LevelTable &table, float X)
{
    const float c = contrastAt(X);
    for (int v = 0; v < 256; ++v) {
        float t = v == 127 ? 127.0f : float((v - 127) * double(c) + 127);
        if (t > 255)
            t = 255;
        if (t < 0)
            t = 0;
        table[v] = roundedByte(t);
    }
}
