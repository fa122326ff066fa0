#include "tools/fill.h"

#include "document/dc.h"
#include "document/form1.h"
#include "document/picturebox.h"
#include "document/units.h"
#include "tools/palette.h"

namespace {

// Runs of matching pixels in one 24-bit row, reported as [from, to).
template <class Run> void matchingRuns(const uchar *row, int width, const uchar bgr[3], Run run)
{
    int x = 0;
    while (x < width) {
        while (x < width && !(row[3 * x] == bgr[0] && row[3 * x + 1] == bgr[1] && row[3 * x + 2] == bgr[2]))
            ++x;
        const int from = x;
        while (x < width && row[3 * x] == bgr[0] && row[3 * x + 1] == bgr[1] && row[3 * x + 2] == bgr[2])
            ++x;
        if (x > from)
            run(from, x);
    }
}

QRect replaceInBgr(QImage &picture, Colour target, Colour replacement)
{
    const uchar want[3] = {uchar(blueOf(target)), uchar(greenOf(target)), uchar(redOf(target))};
    const uchar put[3] = {uchar(blueOf(replacement)), uchar(greenOf(replacement)), uchar(redOf(replacement))};
    QRect changed;
    for (int y = 0; y < picture.height(); ++y) {
        matchingRuns(picture.constScanLine(y), picture.width(), want, [&](int from, int to) {
            // Only written rows detach the picture.
            uchar *row = picture.scanLine(y);
            for (int x = from; x < to; ++x) {
                row[3 * x] = put[0];
                row[3 * x + 1] = put[1];
                row[3 * x + 2] = put[2];
            }
            changed |= QRect(from, y, to - from, 1);
        });
    }
    return changed;
}

} // namespace

QRect replaceColour(QImage &picture, Colour target, Colour replacement)
{
    if (picture.isNull() || target > 0x00FFFFFFu || target == replacement)
        return {};
    if (picture.format() == PictureFormat)
        return replaceInBgr(picture, target, replacement);
    QRect changed;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (fromQRgb(picture.pixel(x, y)) == target) {
                picture.setPixel(x, y, toQRgb(replacement));
                changed |= QRect(x, y, 1, 1);
            }
    return changed;
}

void fillPress(Form1 &form, const Palette &palette, float X, float Y)
{
    PictureBox &canvas = *form.Picture1;
    form.stroke.TargetColor = GetPixel(canvas.hDC(), roundEven(X), roundEven(Y));
    // The scan over the canvas's outer size visits a frame of positions outside the bitmap as
    // well, where nothing matches: the bitmap alone gives the same result.
    canvas.markDrawn(replaceColour(canvas.bitmapForWrite(), form.stroke.TargetColor, palette.currentColour()));
    canvas.Refresh();
}
