#include "filters/filter.h"

#include "document/commit.h"
#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "imagelib/resample.h"

namespace {

// Stretches the whole of `picture` onto the whole inner area of `canvas`.
void paintPicture(PictureBox *canvas, const QImage &picture)
{
    if (picture.isNull() || canvas->innerSize().isEmpty())
        return;
    const QImage stretched = resampled(picture, canvas->innerSize());
    if (stretched.isNull())
        return;
    // The stretch covers every pixel, so the new picture simply becomes the bitmap.
    canvas->replaceBitmap(stretched);
}

} // namespace

void resizePicture(DocumentWindow &document, double widthTwips, double heightTwips)
{
    PictureBox *canvas = document.canvas;
    PictureBox *snapshot = document.snapshot;
    snapshot->setPicture(canvas->picture());
    canvas->setWidthTwips(widthTwips);
    canvas->setHeightTwips(heightTwips);
    paintPicture(canvas, snapshot->picture());
    commitPicture(document);
    canvas->cls();
}
