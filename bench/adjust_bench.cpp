#include "adjust/adjustdialog.h"
#include "adjust/levelbar.h"
#include "adjust/processimage.h"
#include "app/mainwindow.h"
#include "document/documentwindow.h"
#include "document/document.h"
#include "document/tempfile.h"
#include "imagelib/resample.h"
#include "session.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>

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

// One move of the brightness slider while dragging: bar, table, engine pass and the canvas's
// repaint that follows, on a shown document.
double previewCase(const vpbench::Size &s)
{
    vpbench::Session session(s);
    MainWindow &main = *session.main;
    main.adjustBrightness();
    AdjustDialog *dialog = main.brightnessDialog;
    LevelBar *bar = dialog->bars[0];
    emit bar->pressed();
    int move = 0;
    const double ms = vpbench::medianMs(repsFor(s), [&] {
        emit bar->moved(float(60 + (++move % 2) * 60));
        QCoreApplication::processEvents();
    });
    emit bar->released();
    dialog->cancel();
    return ms;
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
VP_BENCH("preview", 502, previewCase)
VP_BENCH("resize-down", 410, [](const vpbench::Size &s) { return resizeCase(s, 0.7); })
VP_BENCH("resize-up", 411, [](const vpbench::Size &s) { return resizeCase(s, 1.5); })
