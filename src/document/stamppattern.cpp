#include "document/stamppattern.h"

#include "imagelib/colour.h"

namespace {

constexpr int PatternFrame = 2;

QImage loadPattern(const char *path)
{
    // The pictures are built into the program, so a failure here is a packaging fault;
    // the stamp still gets a null image rather than a crash.
    QImage image(QString::fromLatin1(path));
    if (image.isNull())
        return image;
    return image.convertToFormat(PictureFormat);
}

} // namespace

StampPattern StampPattern::defaultPattern()
{
    return {loadPattern(":/resources/pattern-mask.png"), loadPattern(":/resources/pattern-face.png")};
}

QSize StampPattern::framedSize(const QImage &picture)
{
    return picture.size() + QSize(2 * PatternFrame, 2 * PatternFrame);
}
