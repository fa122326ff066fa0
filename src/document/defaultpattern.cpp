#include "document/defaultpattern.h"

#include "imagelib/colour.h"

namespace {

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

QImage defaultPatternMask()
{
    return loadPattern(":/resources/pattern-mask.png");
}

QImage defaultPatternFace()
{
    return loadPattern(":/resources/pattern-face.png");
}
