#include "adjust/imagepro.h"

#include <algorithm>
#include <cmath>
#include <cstring>

LevelTable &levelTable()
{
    static LevelTable table {};
    return table;
}

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

// Eight lookups per step through 64-bit loads and stores: the loads and stores stay wide while
// the lookups themselves pipeline well. This is the live-preview path, so it is worth the care.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void mapBytes(const uchar *source, uchar *target, qsizetype count, const quint8 *table)
{
    qsizetype i = 0;
    for (; i + 16 <= count; i += 16) {
        quint64 a, b;
        std::memcpy(&a, source + i, 8);
        std::memcpy(&b, source + i + 8, 8);
        quint64 ra = 0, rb = 0;
        for (int k = 0; k < 8; ++k) {
            ra |= quint64(table[(a >> (8 * k)) & 0xFF]) << (8 * k);
            rb |= quint64(table[(b >> (8 * k)) & 0xFF]) << (8 * k);
        }
        std::memcpy(target + i, &ra, 8);
        std::memcpy(target + i + 8, &rb, 8);
    }
    for (; i < count; ++i)
        target[i] = table[source[i]];
}

// Every third byte from `first`; the bytes in between are left as the target holds them.
void mapEveryThird(const uchar *source, uchar *target, qsizetype first, qsizetype count,
                   const quint8 *table)
{
    qsizetype x = first;
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
    uchar *target = canvas.bits();
    const uchar *source = snapshot.constBits();

    if (op == EngineOp::BrightnessContrast) {
        if (canvasRow == snapshotRow && canvasRows == snapshotRows) {
            mapBytes(source, target, canvasRow * canvasRows, table.data());
            return;
        }
        for (int y = 0; y < rows; ++y)
            mapBytes(source + (snapshotRows - 1 - y) * snapshotRow,
                     target + (canvasRows - 1 - y) * canvasRow, rowBytes, table.data());
        return;
    }

    const qsizetype first = op == EngineOp::Blue ? 0 : op == EngineOp::Green ? 1 : 2;
    for (int y = 0; y < rows; ++y)
        mapEveryThird(source + (snapshotRows - 1 - y) * snapshotRow,
                      target + (canvasRows - 1 - y) * canvasRow, first, rowBytes, table.data());
}

namespace {

quint8 roundedByte(float t)
{
    return quint8(std::nearbyint(t));
}

} // namespace

void fillGainTable(LevelTable &table, float X)
{
    const float g = float(std::exp(X / 50.0) / 5);
    for (int v = 0; v < 256; ++v) {
        // Far right of the slider the gain overflows float; 0 x infinity must still read as 0.
        float t = v == 0 ? 0.0f : float(v * double(g));
        if (t > 255)
            t = 255;
        table[v] = roundedByte(t);
    }
}

void fillContrastTable(LevelTable &table, float X)
{
    const float c = float(std::exp(X / 30.0) / 20);
    for (int v = 0; v < 256; ++v) {
        float t = v == 127 ? 127.0f : float((v - 127) * double(c) + 127);
        if (t > 255)
            t = 255;
        if (t < 0)
            t = 0;
        table[v] = roundedByte(t);
    }
}
