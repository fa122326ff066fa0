#include "tools/stamp.h"

#include "document/document.h"
#include "imagelib/raster.h"
#include "imagelib/units.h"

QPoint stampCorner(float X, float Y, double width, double height)
{
    return QPoint(roundEven(X - width / 2), roundEven(Y - height / 2));
}

QRect stampPattern(QImage &picture, const QImage &mask, QPoint maskAt, const QImage &face, QPoint faceAt)
{
    const QRect masked = blit(picture, maskAt.x(), maskAt.y(), mask.width(), mask.height(), mask, 0, 0, RasterOp::And);
    const QRect painted =
        blit(picture, faceAt.x(), faceAt.y(), face.width(), face.height(), face, 0, 0, RasterOp::Or);
    return masked | painted;
}

static QPoint cornerFor(const QImage &picture, float X, float Y)
{
    // Each image is centred by its own size with the frame it was kept in, so that the default
    // 62 x 65 pictures count as 66 x 69.
    const QSize framed = StampPattern::framedSize(picture);
    return stampCorner(X, Y, framed.width(), framed.height());
}

void StampTool::print(float X, float Y)
{
    // Composed straight into the canvas's own bitmap, over the stamp's rectangle only: the same
    // pixels as composing a whole copy of the canvas and copying it back, without the two
    // whole-picture copies at every move.
    PictureModel &canvas = document().canvas();
    const StampPattern &pattern = document().pattern();
    const QPoint maskAt = cornerFor(pattern.mask, X, Y);
    const QPoint faceAt = cornerFor(pattern.face, X, Y);
    const QRect where = QRect(maskAt, pattern.mask.size()) | QRect(faceAt, pattern.face.size());
    const QRect changed = stampPattern(canvas.bitmapForWrite(where), pattern.mask, maskAt, pattern.face, faceAt);
    canvas.markDrawn(changed);
}
