// Writes the fuzzer's seed corpus: one small valid file of every kind the program reads, and
// a BMP and a JPEG with an embedded colour profile.
#include "bmpbuilder.h"
#include "hostilecorpus.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <vector>

namespace {

// A profile whose red and green primaries are swapped, and a small picture that uses it.
std::vector<vptest::SampleFile> samplesWithProfiles()
{
    const QColorSpace swapped(QPointF(0.3127, 0.3290), QPointF(0.30, 0.60), QPointF(0.64, 0.33), QPointF(0.15, 0.06),
                              QColorSpace::TransferFunction::SRgb);
    QImage picture(7, 5, QImage::Format_RGB32);
    QList<QList<quint32>> rows;
    for (int y = 0; y < picture.height(); ++y) {
        rows.append(QList<quint32>());
        for (int x = 0; x < picture.width(); ++x) {
            picture.setPixel(x, y, qRgb(x * 36, y * 60, 255 - x * 20));
            rows.back() << (picture.pixel(x, y) & 0xFFFFFF);
        }
    }
    vptest::BmpLayout bmp;
    bmp.infoBytes = 124;
    bmp.width = picture.width();
    bmp.height = picture.height();
    bmp.pixels = vptest::packedRows(rows, 24);
    bmp.colourSpace = 0x4D424544; // an embedded profile
    bmp.profile = swapped.iccProfile();
    picture.setColorSpace(swapped);
    return {{QStringLiteral("bmp 24-bit with a profile"), QStringLiteral("bmp"), vptest::bmpFile(bmp)},
            {QStringLiteral("jpeg with a profile"), QStringLiteral("jpg"), vptest::encoded(picture, "jpeg")}};
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral(".")))
        return 1;
    std::vector<vptest::SampleFile> samples = vptest::validSamples();
    for (vptest::SampleFile &sample : samplesWithProfiles())
        samples.push_back(std::move(sample));
    for (const vptest::SampleFile &sample : samples) {
        QFile file(folder.filePath(QString(sample.name).replace(QLatin1Char(' '), QLatin1Char('-')) + '.' + sample.suffix));
        if (!file.open(QIODevice::WriteOnly) || file.write(sample.bytes) != sample.bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
    }
    return 0;
}
