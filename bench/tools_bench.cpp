// One mouse event of each canvas tool, through the canvas handlers of a real document window
// (snapshot refresh and event processing included); the fill press against a plain pass over
// every pixel of the same picture.
#include "session.h"

#include <QApplication>

#include "app/mainwindow.h"
#include "document/documentwindow.h"
#include "document/document.h"
#include "document/tempfile.h"
#include "tools/palette.h"
#include "tools/strokeframe.h"

#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <cmath>

namespace {


constexpr int Moves = 41;

// Presses at `start`, then times each move to path(i) with the button held.
double moveCase(const vpbench::Size &size, QToolButton *Palette::*tool, const std::function<void(Palette &)> &prepare,
                QPointF start, const std::function<QPointF(int)> &path)
{
    vpbench::Session session(size);
    Palette &palette = *session.main->palette;
    (palette.*tool)->setChecked(true);
    palette.settings().setColour(makeColour(255, 40, 0));
    prepare(palette);
    session.strokes->press(QPointF(float(start.x()), float(start.y())));
    int step = 0;
    const double ms = vpbench::medianMs(Moves, [&] {
        const QPointF p = path(step++);
        session.strokes->move(QPointF(float(p.x()), float(p.y())));
        QApplication::processEvents();
    });
    session.strokes->release(QPointF());
    return ms;
}

QPointF around(QPointF centre, double radius, int step)
{
    const double angle = step * 0.37;
    return centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
}

double pencilMove(const vpbench::Size &size)
{
    return moveCase(size, &Palette::pencilButton, [](Palette &p) { p.penWidthSlider->setValue(5); p.pencilButton->click(); },
                    QPointF(100, 100), [](int i) { return QPointF(100 + 9 * i, 100 + 4 * i); });
}

double linePreviewMove(const vpbench::Size &size)
{
    const QPointF centre(size.width / 2.0, size.height / 2.0);
    return moveCase(size, &Palette::pencilButton, [](Palette &p) { p.straightLineButton->setChecked(true); }, centre,
                    [=](int i) { return around(centre, 300, i); });
}

double circlePreviewMove(const vpbench::Size &size)
{
    const QPointF centre(size.width / 2.0, size.height / 2.0);
    return moveCase(size, &Palette::circleButton, [](Palette &p) { p.penWidthSlider->setValue(3); p.circleButton->click(); }, centre,
                    [=](int i) { return centre + QPointF(100 + 5 * i, 50); });
}

double airbrushMove(const vpbench::Size &size)
{
    return moveCase(size, &Palette::airbrushButton, [](Palette &p) { p.penWidthSlider->setValue(30); p.airbrushButton->click(); },
                    QPointF(300, 300), [](int i) { return QPointF(300 + 11 * i, 300 + 6 * i); });
}

double stampMove(const vpbench::Size &size)
{
    return moveCase(size, &Palette::stampButton, [](Palette &) {}, QPointF(200, 200),
                    [](int i) { return QPointF(200 + 13 * i, 200 + 7 * i); });
}

// The worst press: every pixel has the pressed colour. Each press swaps the canvas between two
// colours, right after the commit of the previous stroke, as a user's presses come.
double fillPress(const vpbench::Size &size)
{
    QImage uniform(size.width, size.height, PictureFormat);
    uniform.fill(Qt::blue);
    vpbench::Session session(size, uniform);
    Palette &palette = *session.main->palette;
    palette.fillButton->setChecked(true);
    int press = 0;
    return vpbench::medianMs(
        7, [&] { session.strokes->press(QPointF(10, 10)); },
        [&] {
            // The release commits; the next press comes once the temp file is written, as at a
            // user's pace.
            if (press > 0)
                session.strokes->release(QPointF());
            session.main->tempFile().finishWriting();
            palette.settings().setColour(++press % 2 ? makeColour(255, 0, 0) : makeColour(0, 0, 255));
        });
}

// The yardstick of the fill: read and write every pixel of the same picture once.
double pixelPass(const vpbench::Size &size)
{
    QImage picture = vpbench::testPicture(size, PictureFormat);
    return vpbench::medianMs(7, [&] {
        for (int y = 0; y < picture.height(); ++y) {
            uchar *p = picture.scanLine(y);
            for (int x = 0; x < picture.width(); ++x, p += 3)
                setPixelBGR(p, pixelBGR(p) ^ 0x00FFFFFFu);
        }
    });
}

} // namespace

VP_BENCH("pencil-move", 30, pencilMove)
VP_BENCH("line-preview-move", 31, linePreviewMove)
VP_BENCH("circle-preview-move", 32, circlePreviewMove)
VP_BENCH("airbrush-move", 33, airbrushMove)
VP_BENCH("stamp-move", 34, stampMove)
VP_BENCH("fill-press", 35, fillPress)
VP_BENCH("pixel-pass", 36, pixelPass)
