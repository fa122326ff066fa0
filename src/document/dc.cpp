#include "document/dc.h"

#include "document/picturebox.h"

Colour GetPixel(Dc dc, int x, int y)
{
    if (dc.isNull())
        return CLR_INVALID;
    return pixelAt(dc.box()->bitmapForRead(), x, y).value_or(CLR_INVALID);
}

bool SetPixelV(Dc dc, int x, int y, Colour colour)
{
    if (dc.isNull())
        return false;
    PictureBox *box = dc.box();
    if (x < 0 || y < 0 || x >= box->innerWidth() || y >= box->innerHeight())
        return false;
    setPixelAt(box->bitmapForWrite(), x, y, colour);
    box->markDrawn(QRect(x, y, 1, 1));
    return true;
}

// The source is held as a shared copy: when source and destination are one bitmap, writing the
// destination then detaches it and cannot change what is still to be read.
static QImage sourceOf(Dc src)
{
    return src.box()->bitmapForRead();
}

bool BitBlt(Dc dst, int x, int y, int width, int height, Dc src, int srcX, int srcY, RasterOp rop)
{
    if (dst.isNull() || src.isNull())
        return false;
    const QImage source = sourceOf(src);
    const QRect changed = blit(dst.box()->bitmapForWrite(), x, y, width, height, source, srcX, srcY, rop);
    dst.box()->markDrawn(changed);
    return true;
}

bool StretchBlt(Dc dst, int x, int y, int width, int height, Dc src, int srcX, int srcY, int srcWidth,
                int srcHeight, RasterOp rop)
{
    if (dst.isNull() || src.isNull())
        return false;
    const QImage source = sourceOf(src);
    const QRect changed = stretchBlit(dst.box()->bitmapForWrite(), x, y, width, height, source, srcX, srcY,
                                           srcWidth, srcHeight, rop);
    dst.box()->markDrawn(changed);
    return true;
}
