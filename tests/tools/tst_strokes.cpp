#include "document/stamppattern.h"
#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "document/tempfile.h"
#include "fixture.h"
#include "imagelib/picturefiles.h"
#include "testregistry.h"
#include "tools/colourswatch.h"
#include "tools/palette.h"

#include <QFile>
#include <QMdiSubWindow>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <cmath>

namespace {

// Canvas pixels to widget positions: the canvas has a 2-pixel border.
QPoint at(QPoint pixel) { return pixel + QPoint(2, 2); }

void stroke(QWidget *canvas, const QList<QPoint> &path, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mousePress(canvas, button, {}, at(path.first()));
    for (qsizetype i = 1; i < path.size(); ++i)
        QTest::mouseMove(canvas, at(path[i]));
    QTest::mouseRelease(canvas, button, {}, at(path.last()));
}

QList<QPoint> pixelsOf(const QImage &picture, Colour colour)
{
    QList<QPoint> found;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (pixelOf(picture, x, y) == colour)
                found << QPoint(x, y);
    return found;
}

void choose(Palette &palette, QToolButton *tool, Colour colour)
{
    tool->setChecked(true);
    palette.settings().setColour(colour);
}
} // namespace

class TestStrokes : public QObject {
    Q_OBJECT
private slots:
    void pencilTrailFallsEightPixelsBelowThePointerAndIsCommitted()
    {
        Program program;
        choose(*program.window->palette, program.window->palette->pencilButton, Red);
        stroke(canvasArea(program.active()), {{40, 40}, {100, 40}, {100, 120}});
        const QImage file = loadPicture(program.tempPath()).picture;
        for (QPoint p : {QPoint(40, 48), QPoint(70, 48), QPoint(100, 90), QPoint(100, 128)})
            QCOMPARE(pixelOf(file, p.x(), p.y()), Red);
        QCOMPARE(pixelOf(file, 70, 40), Colour(0));
    }

    void pencilDotHasThePenWidthWhichItKeeps()
    {
        Program program;
        Palette &palette = *program.window->palette;
        palette.penWidthSlider->setValue(9);
        choose(palette, palette.pencilButton, Red);
        stroke(canvasArea(program.active()), {{100, 100}});
        const QImage picture = program.active()->canvas().picture();
        QRect dot;
        for (QPoint p : pixelsOf(picture, Red))
            dot |= QRect(p, QSize(1, 1));
        QVERIFY(dot.width() >= 8 && dot.width() <= 9 && dot.height() >= 8 && dot.height() <= 9);
        QVERIFY(std::abs(QRectF(dot).center().x() - 100.5) <= 0.5 && std::abs(QRectF(dot).center().y() - 108.5) <= 0.5);
        QCOMPARE(program.active()->canvas().penWidth(), 9);
    }

    void straightLineKeepsOnlyItsLastPreview()
    {
        Program program;
        Palette &palette = *program.window->palette;
        palette.straightLineButton->setChecked(true);
        choose(palette, palette.pencilButton, Red);
        stroke(canvasArea(program.active()), {{20, 20}, {200, 20}, {20, 200}});
        const QImage picture = program.active()->canvas().picture();
        const QList<QPoint> red = pixelsOf(picture, Red);
        QVERIFY(red.size() >= 180);
        for (QPoint p : red)
            QVERIFY(p.x() == 20 && p.y() >= 27 && p.y() <= 209);
    }

    void circleFollowsItsMode_data()
    {
        QTest::addColumn<bool>("fromCentre");
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QPoint>("release");
        QTest::addColumn<QPointF>("centre");
        QTest::addColumn<double>("radius");
        QTest::newRow("centre mode") << true << QPoint(100, 100) << QPoint(140, 120) << QPointF(100, 100) << 50.0;
        QTest::newRow("corner mode") << false << QPoint(100, 100) << QPoint(140, 120) << QPointF(115, 115) << 15.0;
        QTest::newRow("down halves") << true << QPoint(100, 40) << QPoint(100, 100) << QPointF(100, 40) << 30.0;
        QTest::newRow("right counts fully") << true << QPoint(100, 100) << QPoint(160, 100) << QPointF(100, 100) << 60.0;
        QTest::newRow("up-left: no circle") << true << QPoint(100, 100) << QPoint(60, 90) << QPointF() << 0.0;
        QTest::newRow("corner backwards") << false << QPoint(100, 100) << QPoint(90, 80) << QPointF() << 0.0;
    }
    void circleFollowsItsMode()
    {
        QFETCH(bool, fromCentre);
        QFETCH(QPoint, press);
        QFETCH(QPoint, release);
        QFETCH(QPointF, centre);
        QFETCH(double, radius);
        Program program;
        Palette &palette = *program.window->palette;
        (fromCentre ? palette.fromCentreButton : palette.fromCornerButton)->setChecked(true);
        choose(palette, palette.circleButton, Red);
        // An earlier, larger preview on the way must not survive.
        stroke(canvasArea(program.active()), {press, press + QPoint(30, 30), release});
        const QList<QPoint> red = pixelsOf(program.active()->canvas().picture(), Red);
        if (radius == 0) {
            QVERIFY(red.isEmpty());
            return;
        }
        QVERIFY(red.size() > 5 * radius);
        for (QPoint p : red)
            QVERIFY2(std::abs(std::hypot(p.x() - centre.x(), p.y() - centre.y()) - radius) <= 1.5,
                     qPrintable(QStringLiteral("stray pixel at %1,%2").arg(p.x()).arg(p.y())));
    }

    void airbrushDotsFallInTheirSquareTheSameEveryRun()
    {
        QImage runs[2];
        for (QImage &run : runs) {
            // Each run a program of its own, as a user starting it again.
            Program program;
            Palette &palette = *program.window->palette;
            palette.airbrushButton->click();
            choose(palette, palette.airbrushButton, Red);
            stroke(canvasArea(program.active()), {{100, 100}});
            run = program.active()->canvas().picture();
        }
        QCOMPARE(runs[0], runs[1]);
        Program program;
        Palette &palette = *program.window->palette;
        palette.airbrushButton->click();
        const QList<QPoint> dots = pixelsOf(runs[0], Red);
        QVERIFY(dots.size() >= 6 && dots.size() <= 12);
        for (QPoint p : dots)
            QVERIFY(p.x() >= 73 && p.x() <= 95 && p.y() >= 88 && p.y() <= 110);

        palette.penWidthSlider->setValue(20);
        program.active()->canvas().setPenWidth(1);
        stroke(canvasArea(program.active()), {{100, 100}, {120, 100}});
        QCOMPARE(program.active()->canvas().penWidth(), 20);
    }

    void stampIsCentredOnThePointerAndCutOffAtTheEdge()
    {
        Program program;
        Palette &palette = *program.window->palette;
        palette.penWidthSlider->setValue(50); // neither the width nor the colour has any effect
        choose(palette, palette.stampButton, Red);
        PictureModel &canvas = program.active()->canvas();
        canvas.setPicture(uniformPicture(QSize(246, 246), White));
        QImage expected = uniformPicture(QSize(246, 246), White);
        const QImage mask = StampPattern::defaultPattern().mask, face = StampPattern::defaultPattern().face;
        // The images count with their border, 66 x 69: the corner is (X - 33, Y - 34.5), ties to even.
        for (QPoint corner : {QPoint(87, 86), QPoint(-30, -32)})
            for (int y = 0; y < 65; ++y)
                for (int x = 0; x < 62; ++x)
                    if (expected.rect().contains(corner + QPoint(x, y)))
                        expected.setPixel(corner + QPoint(x, y),
                                          toQRgb((pixelOf(expected, corner.x() + x, corner.y() + y) & pixelOf(mask, x, y)) |
                                                 pixelOf(face, x, y)));
        stroke(canvasArea(program.active()), {{120, 120}});
        stroke(canvasArea(program.active()), {{3, 3}});
        QCOMPARE(canvas.picture(), expected);
    }

    void fillReplacesEveryExactMatchAndNothingElse()
    {
        Program program;
        Palette &palette = *program.window->palette;
        choose(palette, palette.fillButton, Red);
        PictureModel &canvas = program.active()->canvas();
        QImage picture = uniformPicture(QSize(20, 10), White);
        picture.setPixel(3, 3, toQRgb(makeColour(254, 255, 255)));
        picture.setPixel(5, 5, toQRgb(0));
        canvas.setPicture(picture);
        stroke(canvasArea(program.active()), {{21, 5}}); // on the border, outside the bitmap
        QCOMPARE(canvas.picture(), picture);
        stroke(canvasArea(program.active()), {{0, 0}, {5, 5}, {12, 8}});
        QImage expected = uniformPicture(QSize(20, 10), Red);
        expected.setPixel(3, 3, toQRgb(makeColour(254, 255, 255)));
        expected.setPixel(5, 5, toQRgb(0));
        QCOMPARE(canvas.picture(), expected);
    }

    void pickerFollowsThePointerOverThePictureOnly()
    {
        Program program;
        Palette &palette = *program.window->palette;
        choose(palette, palette.pickerButton, 0x00123456);
        program.active()->canvas().setPicture(uniformPicture(QSize(100, 50), Red));
        QImage picture = uniformPicture(QSize(100, 50), Red);
        for (int y = 0; y < 50; ++y)
            for (int x = 50; x < 100; ++x)
                picture.setPixel(x, y, toQRgb(Blue));
        program.active()->canvas().setPicture(picture);
        QWidget *canvas = canvasArea(program.active());
        QFile::remove(program.tempPath());
        stroke(canvas, {{-2, 10}}); // a press on the border
        QCOMPARE(palette.settings().colour(), Colour(0x00123456));
        QTest::mousePress(canvas, Qt::LeftButton, {}, at({80, 10}));
        QCOMPARE(palette.settings().colour(), Blue);
        for (QPoint p : {QPoint(20, 10), QPoint(101, 10), QPoint(150, 10)})
            QTest::mouseMove(canvas, at(p));
        QCOMPARE(palette.settings().colour(), Red);
        QCOMPARE(palette.settings().dialogColour(), Red);
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, at({150, 10}));
        QCOMPARE(loadPicture(program.tempPath()).picture, picture);
        QTest::mouseClick(palette.colourSwatch, Qt::LeftButton); // cancelled
        QCOMPARE(palette.settings().colour(), Red);
    }

    void everyButtonDrawsLikeTheLeft_data()
    {
        QTest::addColumn<int>("tool");
        for (int tool = 0; tool < 6; ++tool)
            QTest::newRow(qPrintable(QStringLiteral("Option%1").arg(tool + 1))) << tool;
    }
    void everyButtonDrawsLikeTheLeft()
    {
        QFETCH(int, tool);
        QImage results[2];
        Colour colourAfter = 0;
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
            // A program of its own each time: the airbrush sprays the same dots.
            Program program;
            Palette &palette = *program.window->palette;
            QToolButton *tools[] = {palette.pencilButton, palette.pickerButton, palette.airbrushButton,
                                    palette.circleButton, palette.stampButton, palette.fillButton};
            choose(palette, tools[tool], Red);
            stroke(canvasArea(program.active()), {{60, 60}, {90, 80}, {120, 70}}, button);
            results[button == Qt::RightButton] = program.active()->canvas().picture();
            colourAfter = palette.settings().colour();
            closeToolDialogs();
        }
        QCOMPARE(results[1], results[0]);
        QCOMPARE(colourAfter == Red, tool != 1);
    }

    void aMoveWithoutButtonDrawsNothingButResetsTheSnapshot()
    {
        Program program;
        Document *doc = program.active();
        const QImage before = doc->canvas().image();
        doc->snapshot().setPicture(uniformPicture(QSize(5, 5), Red));
        QTest::mouseMove(canvasArea(doc), at({50, 50}));
        QTRY_COMPARE(doc->snapshot().picture(), doc->canvas().picture());
        QCOMPARE(doc->canvas().image(), before);
    }

    void theReleaseCommitsTheDocumentPressedOn()
    {
        Program program;
        Document *first = program.active();
        Document *second = program.newDocument();
        activate(first);
        choose(*program.window->palette, program.window->palette->pencilButton, Red);
        stroke(canvasArea(second), {{30, 30}});
        QCOMPARE(program.active(), second);
        QCOMPARE(pixelOf(second->canvas().picture(), 30, 38), Red);
        QCOMPARE(pixelOf(loadPicture(program.tempPath()).picture, 30, 38), Red);
    }
};
VP_TEST(TestStrokes)
#include "tst_strokes.moc"
