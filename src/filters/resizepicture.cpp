#include "filters/filter.h"

#include "document/commit.h"
#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "imagelib/resample.h"

namespace {

// Stretches the whole of `picture` onto the whole inner area of `canvas`; false when there is no
// memory for the stretched picture (the canvas has said so).
bool paintPicture(PictureBox *canvas, const QImage &picture)
{
    if (picture.isNull() || canvas->innerSize().isEmpty())
        return true;
    const QImage stretched = resampled(picture, canvas->innerSize());
    if (stretched.isNull()) {
        emit canvas->outOfMemory(canvas->innerSize());
        return false;
    }
    // The stretch covers every pixel, so the new picture simply becomes the bitmap.
    canvas->replaceBitmap(stretched);
    return true;
}

} // namespace

void resizePicture(DocumentWindow &document, double widthTwips, double heightTwips)
{
    PictureBox *canvas = document.canvas;
    PictureBox *snapshot = document.snapshot;
    snapshot->setPicture(canvas->picture());
    // Width and height in one step: one new bitmap, and nothing half done without memory for it.
    if (!canvas->setSizeTwips(widthTwips, heightTwips) || !paintPicture(canvas, snapshot->picture())) {
        // The picture as it was, at its own size; there is nothing new to commit.
        canvas->setPicture(snapshot->picture());
        return;
    }
    commitPicture(document);
    canvas->cls();
}
