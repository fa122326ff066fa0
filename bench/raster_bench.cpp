#include "bench.h"
#include "imagelib/raster.h"
#include "imagelib/rotate.h"
#include "imagelib/smooth.h"

namespace {

double flipCase(const vpbench::Size &size, bool horizontal)
{
    const QImage src = vpbench::testPicture(size, QImage::Format_BGR888);
    QImage dst(src.size(), QImage::Format_BGR888);
    dst.fill(0);
    const int w = size.width;
    const int h = size.height;
    return vpbench::medianMs(15, [&] {
        if (horizontal)
            stretchBlit(dst, w, 0, -w, h, src, 0, 0, w, h);
        else
            stretchBlit(dst, 0, h, w, -h, src, 0, 0, w, h);
    });
}

} // namespace

VP_BENCH("flip-h", 40, [](const vpbench::Size &s) -> double { return flipCase(s, true); })
VP_BENCH("flip-v", 41, [](const vpbench::Size &s) -> double { return flipCase(s, false); })

VP_BENCH("smooth", 42, [](const vpbench::Size &s) -> double {
    const QImage src = vpbench::testPicture(s, QImage::Format_BGR888);
    QImage dst(src.size(), QImage::Format_BGR888);
    dst.fill(0);
    return vpbench::medianMs(11, [&] { smoothRows(src, dst, 0, src.height()); });
})

VP_BENCH("rotate-30", 43, [](const vpbench::Size &s) -> double {
    const QImage src = vpbench::testPicture(s, QImage::Format_BGR888);
    QImage dst(src.size(), QImage::Format_BGR888);
    dst.fill(0);
    const int w = s.width;
    const int h = s.height;
    return vpbench::medianMs(9, [&] {
        rotatePicture(src, dst, 0.5235987755982988, 0, 0, w - 1, h - 1, w / 2, h / 2, w / 2, h / 2);
    });
})
