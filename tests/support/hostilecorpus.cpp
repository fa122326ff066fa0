#include "hostilecorpus.h"

#include "bmpbuilder.h"

#include "imagelib/bmp.h"
#include "imagelib/picturefiles.h"

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>

#include <cstring>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vptest {

namespace {

constexpr QSize SampleSize(23, 17); // odd width: BMP rows carry padding

QImage samplePicture()
{
    QImage picture(SampleSize, QImage::Format_RGB32);
    std::mt19937 random(11);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 11, y * 15, int(random() % 64) + (x ^ y) * 8 % 192));
    return picture;
}

QByteArray bmp24Of(const QImage &picture, bool topDown)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!writeBmp24(buffer, picture))
        qFatal("cannot encode a BMP sample");
    if (!topDown)
        return bytes;
    const int height = picture.height();
    const qsizetype rowBytes = bmp24RowBytes(picture.width());
    QByteArray flipped = bytes.left(54);
    const qint32 negative = qToLittleEndian(qint32(-height));
    std::memcpy(flipped.data() + 22, &negative, 4);
    for (int row = height - 1; row >= 0; --row)
        flipped.append(bytes.mid(54 + row * rowBytes, rowBytes));
    return flipped;
}

void putLe16(QByteArray &bytes, int at, quint16 value)
{
    bytes[at] = char(value);
    bytes[at + 1] = char(value >> 8);
}
void putLe32(QByteArray &bytes, int at, quint32 value)
{
    putLe16(bytes, at, quint16(value));
    putLe16(bytes, at + 2, quint16(value >> 16));
}
void putBe32(QByteArray &bytes, int at, quint32 value)
{
    const quint32 big = qToBigEndian(value);
    std::memcpy(bytes.data() + at, &big, 4);
}

QByteArray withBitFlipped(QByteArray bytes, qsizetype at, int bit)
{
    bytes[at] = char(bytes[at] ^ (1 << bit));
    return bytes;
}

QByteArray replaced(QByteArray bytes, qsizetype at, const QByteArray &with)
{
    return bytes.replace(at, with.size(), with);
}

} // namespace

QByteArray encoded(const QImage &picture, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(picture))
        qFatal("cannot encode %s", format);
    return bytes;
}

quint32 pngCrc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= uchar(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

namespace {

// A PNG whose header declares another size, with the header's checksum made right again so
// that only the size is a lie.
QByteArray pngDeclaring(QByteArray png, quint32 width, quint32 height)
{
    putBe32(png, 16, width);
    putBe32(png, 20, height);
    putBe32(png, 29, pngCrc32(png.mid(12, 17)));
    return png;
}

// Where the first marker of the given kind starts (its 0xFF byte), or -1.
qsizetype jpegMarker(const QByteArray &jpeg, uchar kind)
{
    for (qsizetype i = 2; i + 1 < jpeg.size(); ++i)
        if (uchar(jpeg[i]) == 0xFF && uchar(jpeg[i + 1]) == kind)
            return i;
    return -1;
}

// Offsets inside a GIF made by gifOf: screen descriptor, global colour table, image.
constexpr int GifScreenWidth = 6;
constexpr int GifImageSeparator = 13 + 768;
constexpr int GifImageWidth = GifImageSeparator + 5;
constexpr int GifLzwCodeSize = GifImageSeparator + 10;

QByteArray gifDeclaring(QByteArray gif, quint16 screenWidth, quint16 screenHeight, quint16 imageWidth, quint16 imageHeight)
{
    putLe16(gif, GifScreenWidth, screenWidth);
    putLe16(gif, GifScreenWidth + 2, screenHeight);
    putLe16(gif, GifImageWidth, imageWidth);
    putLe16(gif, GifImageWidth + 2, imageHeight);
    return gif;
}

} // namespace

QByteArray gifOf(const QImage &picture)
{
    const QImage indexed = picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    QByteArray gif("GIF89a");
    gif.append(4, '\0');
    putLe16(gif, GifScreenWidth, quint16(indexed.width()));
    putLe16(gif, GifScreenWidth + 2, quint16(indexed.height()));
    gif.append(char(0xF7)); // a global table of 256 colours
    gif.append(2, '\0');
    for (int i = 0; i < 256; ++i) {
        const QRgb colour = i < indexed.colorCount() ? indexed.color(i) : 0;
        gif.append(char(qRed(colour))).append(char(qGreen(colour))).append(char(qBlue(colour)));
    }
    gif.append(char(0x2C));
    gif.append(4, '\0');
    gif.append(4, '\0');
    putLe16(gif, GifImageWidth, quint16(indexed.width()));
    putLe16(gif, GifImageWidth + 2, quint16(indexed.height()));
    gif.append('\0');
    gif.append(char(8));

    // Nine-bit codes only: every literal, with a clear code often enough that the decoder's
    // table never needs a tenth bit.
    QByteArray codes;
    quint32 accumulator = 0;
    int bits = 0;
    auto put = [&](int code) {
        accumulator |= quint32(code) << bits;
        bits += 9;
        while (bits >= 8) {
            codes.append(char(accumulator & 0xFF));
            accumulator >>= 8;
            bits -= 8;
        }
    };
    put(256);
    int sinceClear = 0;
    for (int y = 0; y < indexed.height(); ++y) {
        for (int x = 0; x < indexed.width(); ++x) {
            if (sinceClear == 250) {
                put(256);
                sinceClear = 0;
            }
            put(indexed.constScanLine(y)[x]);
            ++sinceClear;
        }
    }
    put(257);
    if (bits > 0)
        codes.append(char(accumulator & 0xFF));
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        gif.append(char(block.size())).append(block);
    }
    gif.append('\0');
    gif.append(';');
    return gif;
}

namespace {

// The picture as palette indices (at most 2^bits colours) and that palette.
QList<QList<int>> paletteIndices(const QImage &picture, int bits, QList<QRgb> &palette)
{
    QList<QRgb> table;
    for (int i = 0; i < (1 << bits); ++i)
        table << qRgb(i * 255 / ((1 << bits) - 1), (i * 97) % 256, 255 - i * 255 / ((1 << bits) - 1));
    const QImage indexed = bits == 8 ? picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither)
                                     : picture.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither | Qt::AvoidDither);
    palette = indexed.colorTable();
    QList<QList<int>> rows;
    for (int y = 0; y < indexed.height(); ++y) {
        rows.append(QList<int>());
        for (int x = 0; x < indexed.width(); ++x)
            rows.back() << indexed.constScanLine(y)[x];
    }
    return rows;
}

QByteArray runLengthBmp(const QImage &picture, int bits)
{
    BmpLayout layout;
    layout.width = picture.width();
    layout.height = picture.height();
    layout.bits = bits;
    layout.compression = bits == 8 ? 1 : 2;
    layout.pixels = runLengthRows(paletteIndices(picture, bits, layout.palette), bits);
    layout.coloursUsed = quint32(layout.palette.size());
    return bmpFile(layout);
}

// 16 bits a pixel, 5-6-5, or 32 with 8 bits of alpha that vary across the picture.
QByteArray maskedBmp(const QImage &picture, bool withAlpha)
{
    BmpLayout layout;
    layout.width = picture.width();
    layout.height = picture.height();
    layout.bits = withAlpha ? 32 : 16;
    layout.compression = 3;
    layout.infoBytes = withAlpha ? 124 : 40;
    layout.masks = withAlpha ? QList<quint32>{0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}
                             : QList<quint32>{0xF800, 0x07E0, 0x001F};
    QList<QList<quint32>> rows;
    for (int y = 0; y < picture.height(); ++y) {
        rows.append(QList<quint32>());
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y);
            rows.back() << (withAlpha ? (quint32((x * 23 + y * 7) % 256) << 24) | (c & 0xFFFFFF)
                                      : quint32(((qRed(c) >> 3) << 11) | ((qGreen(c) >> 2) << 5) | (qBlue(c) >> 3)));
        }
    }
    layout.pixels = packedRows(rows, layout.bits);
    return bmpFile(layout);
}

} // namespace

std::vector<SampleFile> validSamples()
{
    const QImage picture = samplePicture();
    return {
        {QStringLiteral("bmp 24-bit bottom-up"), QStringLiteral("bmp"), bmp24Of(picture, false)},
        {QStringLiteral("bmp 24-bit top-down"), QStringLiteral("bmp"), bmp24Of(picture, true)},
        {QStringLiteral("bmp 8-bit"), QStringLiteral("bmp"), encoded(picture.convertToFormat(QImage::Format_Indexed8), "bmp")},
        {QStringLiteral("png"), QStringLiteral("png"), encoded(picture, "png")},
        {QStringLiteral("jpeg"), QStringLiteral("jpg"), encoded(picture, "jpeg")},
        {QStringLiteral("gif"), QStringLiteral("gif"), gifOf(picture)},
        {QStringLiteral("bmp 8-bit run-length"), QStringLiteral("bmp"), runLengthBmp(picture, 8)},
        {QStringLiteral("bmp 4-bit run-length"), QStringLiteral("bmp"), runLengthBmp(picture, 4)},
        {QStringLiteral("bmp 16-bit 5-6-5"), QStringLiteral("bmp"), maskedBmp(picture, false)},
        {QStringLiteral("bmp 32-bit with alpha"), QStringLiteral("bmp"), maskedBmp(picture, true)},
    };
}

HostileCorpus::HostileCorpus()
{
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const QString tooLarge = PictureFileErrors::tooLarge();
    const std::vector<SampleFile> samples = validSamples();
    const QByteArray &bmp = samples[0].bytes;
    const QByteArray &bmp8 = samples[2].bytes;
    const QByteArray &png = samples[3].bytes;
    const QByteArray &jpeg = samples[4].bytes;
    const QByteArray &gif = samples[5].bytes;

    for (const SampleFile &sample : samples) {
        add(sample.name + QStringLiteral(" cut after 8 bytes"), sample.suffix, sample.bytes.left(8));
        add(sample.name + QStringLiteral(" cut in half"), sample.suffix, sample.bytes.left(sample.bytes.size() / 2));
        add(sample.name + QStringLiteral(" without its last 24 bytes"), sample.suffix, sample.bytes.chopped(24));
    }

    add(QStringLiteral("bmp with its pixel offset past the end"), "bmp", withBitFlipped(bmp, 13, 7));
    add(QStringLiteral("bmp with a negative width"), "bmp", withBitFlipped(bmp, 21, 7));
    add(QStringLiteral("bmp with a height beyond its rows"), "bmp", withBitFlipped(bmp, 22, 5));
    add(QStringLiteral("bmp of 25 bits a pixel"), "bmp", withBitFlipped(bmp, 28, 0));
    add(QStringLiteral("bmp with an unknown compression"), "bmp", withBitFlipped(bmp, 30, 4));
    add(QStringLiteral("8-bit bmp with two thousand million colours"), "bmp", withBitFlipped(bmp8, 49, 7));
    add(QStringLiteral("8-bit bmp with its pixel offset past the end"), "bmp", withBitFlipped(bmp8, 13, 6));
    {
        const QString damaged = PictureFileErrors::damaged();
        BmpLayout rle;
        rle.width = 4;
        rle.height = 2;
        rle.bits = 8;
        rle.compression = 1;
        rle.palette = {qRgb(10, 20, 30), qRgb(200, 100, 50)};
        rle.coloursUsed = 2;
        rle.pixels = QByteArray::fromHex("0501" "0000" "0401" "0001");
        add(QStringLiteral("run-length bmp with a run past the end of its row"), "bmp", bmpFile(rle), damaged);
        rle.pixels = QByteArray::fromHex("0407" "0000" "0401" "0001");
        add(QStringLiteral("run-length bmp naming a colour beyond its palette"), "bmp", bmpFile(rle), damaged);
        rle.pixels = QByteArray::fromHex("0401" "00020005" "0001");
        add(QStringLiteral("run-length bmp moving past its last row"), "bmp", bmpFile(rle), damaged);
        rle.pixels = QByteArray::fromHex("0401" "0000" "0201");
        add(QStringLiteral("run-length bmp ending before its last pixel"), "bmp", bmpFile(rle), damaged);
        BmpLayout indexed = rle;
        indexed.compression = 0;
        indexed.pixels = QByteArray::fromHex("000001c8" "01010101");
        add(QStringLiteral("8-bit bmp naming a colour beyond its palette"), "bmp", bmpFile(indexed), damaged);
        BmpLayout wide;
        wide.width = 2;
        wide.height = 2;
        wide.bits = 64;
        wide.pixels = QByteArray(32, '\x40');
        add(QStringLiteral("bmp of 64 bits a pixel"), "bmp", bmpFile(wide),
            QStringLiteral("the picture uses 64 bits per pixel, which this program does not read"));
    }
    add(QStringLiteral("png with a scrambled header"), "png", withBitFlipped(png, 17, 2));
    add(QStringLiteral("png with scrambled picture data"), "png", withBitFlipped(png, png.size() / 2, 3));
    add(QStringLiteral("jpeg with a scrambled quantisation marker"), "jpg", withBitFlipped(jpeg, jpegMarker(jpeg, 0xDB) + 1, 0));
    add(QStringLiteral("jpeg of an unsupported coding"), "jpg", withBitFlipped(jpeg, jpegMarker(jpeg, 0xC0) + 1, 1));
    add(QStringLiteral("jpeg with a scan header longer than the file"), "jpg", withBitFlipped(jpeg, jpegMarker(jpeg, 0xDA) + 2, 7));
    add(QStringLiteral("gif with an impossible code size"), "gif", withBitFlipped(gif, GifLzwCodeSize, 4));
    add(QStringLiteral("gif with a scrambled image separator"), "gif", withBitFlipped(gif, GifImageSeparator, 0));

    add(QStringLiteral("bmp magic on png data"), "bmp", replaced(png, 0, "BM"));
    add(QStringLiteral("bmp with OS/2 array magic"), "bmp", replaced(bmp, 0, "BA"));
    add(QStringLiteral("png with a wrong signature"), "png", withBitFlipped(png, 1, 0));
    add(QStringLiteral("jpeg starting with its end marker"), "jpg", replaced(jpeg, 0, QByteArray::fromHex("ffd9")));
    add(QStringLiteral("gif magic on jpeg data"), "gif", replaced(jpeg, 0, "GIF89a"));
    add(QStringLiteral("gif of version 90a"), "gif", replaced(gif, 3, "90a"));
    add(QStringLiteral("text named like a picture"), "jpg", QByteArray("This is not a picture.\n"));
    std::mt19937 random(5);
    QByteArray noise(4096, '\0');
    for (char &c : noise)
        c = char(random());
    add(QStringLiteral("random bytes"), "bmp", noise);

    QByteArray hugeBmp = bmp.left(54 + 16);
    putLe32(hugeBmp, 18, 100000);
    putLe32(hugeBmp, 22, 100000);
    add(QStringLiteral("bmp declaring 100000 x 100000 with a few bytes"), "bmp", hugeBmp, tooLarge);
    putLe32(hugeBmp, 22, quint32(-100000));
    add(QStringLiteral("top-down bmp declaring 100000 x 100000"), "bmp", hugeBmp, tooLarge);
    QByteArray hugeBmp8 = bmp8.left(54 + 1024 + 16); // the whole colour table, a few pixels
    putLe32(hugeBmp8, 18, 100000);
    putLe32(hugeBmp8, 22, 100000);
    add(QStringLiteral("8-bit bmp declaring 100000 x 100000"), "bmp", hugeBmp8);
    QByteArray bmp32 = bmp.left(54 + 16);
    putLe32(bmp32, 18, 10000);
    putLe32(bmp32, 22, 10000);
    bmp32[28] = char(32);
    add(QStringLiteral("32-bit bmp declaring 10000 x 10000 with a few bytes"), "bmp", bmp32);
    add(QStringLiteral("gif declaring 10000 x 10000 with a few bytes"), "gif",
        gifDeclaring(gif, 10000, 10000, 10000, 10000).left(GifImageSeparator + 40));
    add(QStringLiteral("gif declaring 65535 x 65535 with a few bytes"), "gif",
        gifDeclaring(gif, 65535, 65535, 65535, 65535).left(GifImageSeparator + 40), tooLarge);
    add(QStringLiteral("gif with a 65535 x 65535 frame on a small screen"), "gif",
        gifDeclaring(gif, 23, 17, 65535, 65535).left(GifImageSeparator + 40));
    add(QStringLiteral("png declaring 100000 x 100000"), "png", pngDeclaring(png, 100000, 100000), tooLarge);
    QByteArray hugeJpeg = jpeg;
    const qsizetype frame = jpegMarker(jpeg, 0xC0);
    hugeJpeg.replace(frame + 5, 4, QByteArray::fromHex("fde8fde8")); // 65000 x 65000, libjpeg's largest is 65500
    add(QStringLiteral("jpeg declaring 65000 x 65000"), "jpg", hugeJpeg, tooLarge);

    for (const char *suffix : {"bmp", "jpg", "gif", "png"})
        add(QStringLiteral("empty %1 file").arg(QLatin1String(suffix)), suffix, QByteArray(), QStringLiteral("the file is empty"));

    addSpecialEntries();
}

void HostileCorpus::addSpecialEntries()
{
    HostileFile folderEntry{QStringLiteral("a folder named like a picture"), pathFor("folder", "bmp"), QStringLiteral("it is a folder")};
    ::mkdir(QFile::encodeName(folderEntry.path).constData(), 0755);
    entries.push_back(folderEntry);

    HostileFile fifo{QStringLiteral("a named pipe"), pathFor("pipe", "bmp"), QStringLiteral("it is not a picture this program can read")};
    if (::mkfifo(QFile::encodeName(fifo.path).constData(), 0666) == 0)
        entries.push_back(fifo);

    HostileFile dangling{QStringLiteral("a link to nothing"), pathFor("dangling", "bmp"), QStringLiteral("the file does not exist")};
    if (::symlink("no-such-file.bmp", QFile::encodeName(dangling.path).constData()) == 0)
        entries.push_back(dangling);

    add(QStringLiteral("a valid bmp without read permission"), "bmp", validSamples().front().bytes, QStringLiteral("permission denied"));
    entries.back().unreadable = true;
    ::chmod(QFile::encodeName(entries.back().path).constData(), 0200);
}

QString HostileCorpus::pathFor(const QString &name, const QString &suffix)
{
    return dir.filePath(QStringLiteral("%1-%2.%3").arg(entries.size(), 2, 10, QLatin1Char('0')).arg(QString(name).replace(QLatin1Char(' '), QLatin1Char('-')).remove(QLatin1Char('/')), suffix));
}

void HostileCorpus::add(const QString &name, const QString &suffix, const QByteArray &bytes, const QString &reason)
{
    HostileFile entry{name, pathFor(name, suffix), reason};
    QFile file(entry.path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the hostile file %s", qPrintable(entry.path));
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    entries.push_back(entry);
}

} // namespace vptest
