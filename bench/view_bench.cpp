// The canvas view in a 1600 x 1000 window at the zoom that fits the picture: one full repaint,
// one pencil move with the repaint of what it changed, one zoom step with its repaint.
#include "session.h"

#include "document/canvasview.h"
#include "document/documentwindow.h"
#include "document/document.h"
#include "tools/palette.h"
#include "tools/strokeframe.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QSlider>
#include <QToolButton>

namespace {

const std::vector<vpbench::Size> ViewSizes = {{4000, 3000}, {8000, 6000}};

// A session whose document shows its canvas in a 1600 x 1000 view, zoomed to fit, painted once.
struct FitView {
    vpbench::Session session;
    CanvasView *view;

    explicit FitView(const vpbench::Size &size) : session(size), view(&session.window->view())
    {
        session.main->resize(2200, 1500);
        QApplication::processEvents();
        auto *window = qobject_cast<QMdiSubWindow *>(session.window->parentWidget());
        window->resize(window->size() - view->viewport()->size() + QSize(1600, 1000));
        QApplication::processEvents();
        view->zoomToFit();
        view->pictureArea()->repaint();
    }
};

double fitPaint(const vpbench::Size &size)
{
    FitView fit(size);
    return vpbench::medianMs(15, [&] { fit.view->pictureArea()->repaint(); });
}

double moveAtFit(const vpbench::Size &size)
{
    FitView fit(size);
    StrokeFrame &strokes = *fit.session.strokes;
    Palette &palette = *fit.session.main->palette;
    palette.pencilButton->click();
    palette.penWidthSlider->setValue(5);
    palette.settings().setColour(makeColour(255, 40, 0));
    strokes.press(QPointF(100, 100));
    QApplication::processEvents();
    int step = 0;
    const double ms = vpbench::medianMs(41, [&] {
        ++step;
        strokes.move(QPointF(100 + 9 * step, 100 + 4 * step));
        QApplication::processEvents();
    });
    strokes.release(QPointF());
    return ms;
}

// In from the fitting zoom six steps, out six steps, and so on; each step repaints the view.
double zoomStep(const vpbench::Size &size)
{
    FitView fit(size);
    int step = 0;
    return vpbench::medianMs(25, [&] {
        if (step++ % 12 < 6)
            fit.view->zoomIn();
        else
            fit.view->zoomOut();
        fit.view->viewport()->repaint();
    });
}

} // namespace

VP_BENCH_AT("view-fit-paint", 45, ViewSizes, fitPaint)
VP_BENCH_AT("view-move-fit", 46, ViewSizes, moveAtFit)
VP_BENCH_AT("view-zoom-step", 47, ViewSizes, zoomStep)
