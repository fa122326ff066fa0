#include "tools/stamp.h"

#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "document/screen.h"
#include "imagelib/raster.h"
#include "imagelib/units.h"

QPoint stampCorner(float X, float Y, double outerWidth, double outerHeight)
{
    return QPoint(roundEven(X - outerWidth / 2), roundEven(Y - outerHeight / 2));
}

QRect stampPattern(QImage &picture, const QImage &mask, QPoint maskAt, const QImage &face, QPoint faceAt)
{
    const QRect masked = blit(picture, maskAt.x(), maskAt.y(), mask.width(), mask.height(), mask, 0, 0, RasterOp::And);
    const QRect painted =
        blit(picture, faceAt.x(), faceAt.y(), face.width(), face.height(), face, 0, 0, RasterOp::Or);
    return masked | painted;
}

static QPoint cornerFor(PictureBox &image, float X, float Y)
{
    // Measured from outside, border included, so the default 62 x 65 images count as 66 x 69.
    return stampCorner(X, Y, image.widthTwips() / Screen::TwipsPerPixelX, image.heightTwips() / Screen::TwipsPerPixelY);
}

void stampPrint(DocumentWindow &document, Palette &, float X, float Y)
{
    // Composed straight into the canvas's own bitmap, over the stamp's rectangle only: the
    // same pixels as composing a whole copy of the canvas and copying it back, without the
    // two whole-picture copies at every move.
    PictureBox &canvas = *document.canvas;
    const QPoint maskAt = cornerFor(*document.mask, X, Y);
    const QPoint faceAt = cornerFor(*document.face, X, Y);
    const QRect changed = stampPattern(canvas.bitmapForWrite(), document.mask->bitmapForRead(), maskAt,
                                       document.face->bitmapForRead(), faceAt);
    canvas.markDrawn(changed);
}
