#include "filters/filter.h"

#include "document/commit.h"
#include "document/picturebox.h"
#include "filters/resample.h"

namespace {

// Stretches the whole of `picture` onto the whole inner area of `canvas`.
void PaintPicture(PictureBox *canvas, const QImage &picture)
{
    if (picture.isNull() || canvas->innerSize().isEmpty())
        return;
    QImage stretched = resampled(picture, canvas->innerSize());
    if (stretched.isNull())
        return;
    // The stretch covers every pixel, so the new picture simply becomes the bitmap.
    canvas->bitmapForWrite() = std::move(stretched);
    canvas->markDrawn(QRect(QPoint(0, 0), canvas->innerSize()));
}

} // namespace

void ResizePicture(PictureBox *canvas, PictureBox *snapshot, double widthTwips, double heightTwips)
{
    snapshot->setPicture(canvas->Picture());
    canvas->setWidth(widthTwips);
    canvas->setHeight(heightTwips);
    PaintPicture(canvas, snapshot->Picture());
    CommitPicture();
    canvas->Cls();
}
