#include "document/canvasview.h"
#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "fixture.h"
#include "testregistry.h"
#include "tools/palette.h"

#include <QTest>
#include <QToolButton>

// The tools work in picture pixels at any zoom: a press maps to the picture pixel under the
// pointer (rounding down) and every rule of the tool, its offsets included, applies from there.
class TestZoomedStrokes : public QObject {
    Q_OBJECT
private slots:
    void pencilDotFallsEightPicturePixelsBelowThePixelUnderThePointer_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QPoint>("widgetPoint");
        QTest::addColumn<QPoint>("dot");
        QTest::newRow("100 %") << 1.0 << QPoint(32, 22) << QPoint(30, 28);
        QTest::newRow("50 %") << 0.5 << QPoint(32, 22) << QPoint(60, 48);
        QTest::newRow("a third") << 1.0 / 3 << QPoint(32, 22) << QPoint(90, 68);
        QTest::newRow("300 %, inside pixel 10") << 3.0 << QPoint(34, 34) << QPoint(10, 18);
        QTest::newRow("150 %") << 1.5 << QPoint(17, 17) << QPoint(10, 18);
    }
    void pencilDotFallsEightPicturePixelsBelowThePixelUnderThePointer()
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
        QCOMPARE(pixelOf(picture, dot.x(), dot.y() - 8), Colour(0));
        QCOMPARE(pixelOf(picture, dot.x() + 1, dot.y()), Colour(0)); // a dot of the pen's width
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
