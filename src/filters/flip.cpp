#include "filters/flip.h"

#include "document/document.h"
#include "imagelib/raster.h"

void flipPicture(Document &document, FlipAxis axis)
{
    PictureModel &canvas = document.canvas();
    PictureModel &snapshot = document.snapshot();
    snapshot.setPicture(canvas.image());
    canvas.eraseDrawing();
    // The extents come from the snapshot, which has just taken the size of the canvas's bitmap.
    const int w = snapshot.size().width();
    const int h = snapshot.size().height();
    const QImage source = snapshot.bitmapForRead();
    canvas.bitmapForWrite(QRect(0, 0, w, h));
    const QRect changed = axis == FlipAxis::Horizontal
                              ? stretchBlit(canvas.bitmapForWrite(), w, 0, -w, h, source, 0, 0, w, h)
                              : stretchBlit(canvas.bitmapForWrite(), 0, h, w, -h, source, 0, 0, w, h);
    canvas.markDrawn(changed);
    snapshot.setPicture(canvas.image());
}
