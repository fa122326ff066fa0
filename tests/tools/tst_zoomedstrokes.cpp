#include "document/canvasview.h"
#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "fixture.h"
#include "testregistry.h"
#include "app/viewstatus.h"
#include "tools/palette.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>

// The tools work on the picture pixel under the pointer at any zoom (rounding down). The pencil
// draws at the tip of its pointer, 8 screen pixels below the hot spot: at 100 % that is 8 picture
// pixels below, as it always was; zoomed, the ink must still land under the tip. It once landed 8
// picture pixels below at every zoom: 24 screen pixels below the tip at 400 %, above it at 25 %.
class TestZoomedStrokes : public QObject {
    Q_OBJECT
private slots:
    void pencilInkLandsUnderTheTipOfItsPointer_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QPoint>("widgetPoint");
        QTest::addColumn<QPoint>("dot");
        // The picture starts 2 widget pixels in, behind the border.
        QTest::newRow("100 %") << 1.0 << QPoint(32, 22) << QPoint(30, 28);
        QTest::newRow("25 %") << 0.25 << QPoint(32, 22) << QPoint(120, 112);
        QTest::newRow("400 %") << 4.0 << QPoint(34, 26) << QPoint(8, 8);
        QTest::newRow("400 %, tip in the next pixel") << 4.0 << QPoint(34, 27) << QPoint(8, 8);
        QTest::newRow("400 %, tip a pixel further") << 4.0 << QPoint(34, 30) << QPoint(8, 9);
        QTest::newRow("a third") << 1.0 / 3 << QPoint(32, 22) << QPoint(90, 84);
    }
    void pencilInkLandsUnderTheTipOfItsPointer()
    {
        QFETCH(double, zoom);
        QFETCH(QPoint, widgetPoint);
        QFETCH(QPoint, dot);
        Program program;
        Document *doc = program.active();
        program.window->palette->pencilButton->setChecked(true);
        program.window->palette->settings().setColour(Red);
        viewOf(doc).setZoom(zoom);
        QTest::mousePress(canvasArea(doc), Qt::LeftButton, {}, widgetPoint);
        QTest::mouseRelease(canvasArea(doc), Qt::LeftButton, {}, widgetPoint);
        const QImage picture = doc->canvas().picture();
        QCOMPARE(pixelOf(picture, dot.x(), dot.y()), Red);
        // The tip's picture pixel is the one shown 8 screen pixels below the pointer.
        QCOMPARE(viewOf(doc).picturePositionAt(widgetPoint + QPoint(0, 8)), QPointF(dot));
        QCOMPARE(pixelOf(picture, dot.x() + 1, dot.y()), Colour(0)); // a dot of the pen's width
        QCOMPARE(pixelOf(picture, dot.x(), dot.y() - 1), Colour(0));
    }

    // Both ends of a straight line are under the tip, and the status bar names the pixel the
    // chosen tool acts on: under the tip for the pencil, under the hot spot for the others.
    void straightLineEndsAndTheStatusBarFollowTheTip()
    {
        Program program;
        Document *doc = program.active();
        Palette &palette = *program.window->palette;
        palette.straightLineButton->setChecked(true);
        palette.pencilButton->setChecked(true);
        palette.settings().setColour(Red);
        viewOf(doc).setZoom(4);
        QTest::mousePress(canvasArea(doc), Qt::LeftButton, {}, QPoint(2 + 4 * 5 + 1, 2 + 4 * 3));
        QTest::mouseMove(canvasArea(doc), QPoint(2 + 4 * 30 + 1, 2 + 4 * 3));
        QTest::mouseRelease(canvasArea(doc), Qt::LeftButton, {}, QPoint(2 + 4 * 30 + 1, 2 + 4 * 3));
        const QImage picture = doc->canvas().picture();
        for (int x : {5, 17, 30})
            QCOMPARE(pixelOf(picture, x, 5), Red);
        QCOMPARE(pixelOf(picture, 17, 3), Colour(0));
        QCOMPARE(program.window->viewStatus->pointerPosition->text(), QStringLiteral("30, 5"));
        palette.pickerButton->setChecked(true);
        const QPoint over(2 + 4 * 29 + 1, 2 + 4 * 3);
        QMouseEvent move(QEvent::MouseMove, over, canvasArea(doc)->mapToGlobal(over), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(canvasArea(doc), &move);
        QCOMPARE(program.window->viewStatus->pointerPosition->text(), QStringLiteral("29, 3"));
    }

    // The picker samples the pixel shown under the pointer and, while dragging, tests the
    // picture's bounds in picture pixels.
    void pickerTakesThePixelShownUnderThePointer()
    {
        Program program;
        Document *doc = program.active();
        doc->canvas().setPicture(numberedPicture(QSize(100, 80), makeColour(0, 0, 7)));
        Palette &palette = *program.window->palette;
        palette.pickerButton->setChecked(true);
        viewOf(doc).setZoom(4);
        QTest::mousePress(canvasArea(doc), Qt::LeftButton, {}, QPoint(2 + 4 * 21 + 3, 2 + 4 * 13));
        QCOMPARE(palette.settings().colour(), makeColour(21, 13, 7));
        viewOf(doc).setZoom(0.5);
        QTest::mouseMove(canvasArea(doc), QPoint(2 + 30, 2 + 20));
        QCOMPARE(palette.settings().colour(), makeColour(60, 40, 7));
        // 49 view pixels at 50 % are picture pixel 98; 50 are pixel 100, off the picture, where
        // the swatch keeps the last colour taken.
        QTest::mouseMove(canvasArea(doc), QPoint(2 + 49, 2 + 20));
        QCOMPARE(palette.settings().colour(), makeColour(98, 40, 7));
        QTest::mouseMove(canvasArea(doc), QPoint(2 + 50, 2 + 20));
        QCOMPARE(palette.settings().colour(), makeColour(98, 40, 7));
        QTest::mouseRelease(canvasArea(doc), Qt::LeftButton, {}, QPoint(2 + 50, 2 + 20));
    }
};
VP_TEST(TestZoomedStrokes)
#include "tst_zoomedstrokes.moc"
