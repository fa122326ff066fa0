#include "adjust/imagepro.h"
#include "bench.h"
#include "filters/resample.h"

namespace {

int repsFor(const vpbench::Size &s)
{
    return s.megapixels() > 4 ? 11 : 31;
}

double engineCase(const vpbench::Size &s, EngineOp op)
{
    const QImage snapshot = vpbench::testPicture(s, QImage::Format_BGR888);
    QImage canvas = snapshot.copy();
    LevelTable table {};
    fillContrastTable(table, 120.0f);
    return vpbench::medianMs(repsFor(s), [&] { processImageBytes(snapshot, canvas, op, table); });
}

double resizeCase(const vpbench::Size &s, double factor)
{
    const QImage source = vpbench::testPicture(s, QImage::Format_BGR888);
    const QSize size(qRound(s.width * factor), qRound(s.height * factor));
    QImage result;
    return vpbench::medianMs(repsFor(s), [&] { result = resampled(source, size); },
                             [&] { result = QImage(); });
}

} // namespace

VP_BENCH("engine-bc", 500, [](const vpbench::Size &s) { return engineCase(s, EngineOp::BrightnessContrast); })
VP_BENCH("engine-rgb", 501, [](const vpbench::Size &s) { return engineCase(s, EngineOp::Red); })
VP_BENCH("resize-down", 410, [](const vpbench::Size &s) { return resizeCase(s, 0.7); })
VP_BENCH("resize-up", 411, [](const vpbench::Size &s) { return resizeCase(s, 1.5); })
