#include "document/dc.h"

#include "document/picturebox.h"

Colour GetPixel(Dc dc, int x, int y)
{
    if (dc.isNull())
        return CLR_INVALID;
    return rasterGetPixel(dc.box()->bitmapForRead(), x, y);
}

bool SetPixelV(Dc dc, int x, int y, Colour colour)
{
    if (dc.isNull())
        return false;
    PictureBox *box = dc.box();
    if (x < 0 || y < 0 || x >= box->innerWidth() || y >= box->innerHeight())
        return false;
    rasterSetPixel(box->bitmapForWrite(), x, y, colour);
    box->markDrawn(QRect(x, y, 1, 1));
    return true;
}

// The source is held as a shared copy: when source and destination are one bitmap, writing the
// destination then detaches it and cannot change what is still to be read.
static QImage sourceOf(Dc src)
{
    return src.box()->bitmapForRead();
}

bool BitBlt(Dc dst, int x, int y, int width, int height, Dc src, int srcX, int srcY, quint32 rop)
{
    if (dst.isNull() || src.isNull())
        return false;
    const QImage source = sourceOf(src);
    const QRect changed = rasterBitBlt(dst.box()->bitmapForWrite(), x, y, width, height, source, srcX, srcY, rop);
    dst.box()->markDrawn(changed);
    return true;
}

bool StretchBlt(Dc dst, int x, int y, int width, int height, Dc src, int srcX, int srcY, int srcWidth,
                int srcHeight, quint32 rop)
{
    if (dst.isNull() || src.isNull())
        return false;
    const QImage source = sourceOf(src);
    const QRect changed = rasterStretchBlt(dst.box()->bitmapForWrite(), x, y, width, height, source, srcX, srcY,
                                           srcWidth, srcHeight, rop);
    dst.box()->markDrawn(changed);
    return true;
}
