#include "filters/filter.h"

#include "document/document.h"
#include "imagelib/resample.h"

namespace {

// Stretches the whole of `picture` onto the whole inner area of `canvas`; false when there is no
// memory for the stretched picture (the canvas has said so).
bool paintPicture(PictureModel &canvas, const QImage &picture)
{
    if (picture.isNull() || canvas.size().isEmpty())
        return true;
    const QImage stretched = resampled(picture, canvas.size());
    if (stretched.isNull()) {
        canvas.reportOutOfMemory(canvas.size());
        return false;
    }
    // The stretch covers every pixel, so the new picture simply becomes the bitmap.
    canvas.replaceBitmap(stretched);
    return true;
}

} // namespace

void resizePicture(Document &document, QSize outer)
{
    PictureModel &canvas = document.canvas();
    PictureModel &snapshot = document.snapshot();
    snapshot.setPicture(canvas.picture());
    // Width and height in one step: one new bitmap, and nothing half done without memory for it.
    if (!canvas.setOuterSize(outer) || !paintPicture(canvas, snapshot.picture())) {
        // The picture as it was, at its own size; there is nothing new to commit.
        canvas.setPicture(snapshot.picture());
        return;
    }
    document.commitPicture();
    canvas.eraseDrawing();
}
