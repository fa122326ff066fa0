#include "document/canvasview.h"
#include "document/picturemodel.h"
#include "fixture.h"
#include "imagelib/zoom.h"
#include "testregistry.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <memory>

namespace {

// A canvas in its view, the view `viewSize` large in a window of its own.
struct ViewedCanvas {
    PictureModel model{2};
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    CanvasView *view = nullptr;
    QWidget *canvas = nullptr; // where the picture shows, its border included

    ViewedCanvas(const QImage &picture, QSize viewSize)
    {
        model.setPicture(picture);
        view = new CanvasView(model, window.get());
        canvas = view->pictureArea();
        view->resize(viewSize);
        window->resize(viewSize);
        window->show();
        QApplication::processEvents();
    }

    QPoint onCanvas(QPoint viewportPoint) const { return canvas->mapFrom(view->viewport(), viewportPoint); }
    // The picture pixel the canvas reports for a press at a point of the viewport.
    QPointF pressAt(QPoint viewportPoint) const
    {
        QSignalSpy pressed(view, &CanvasView::mousePressed);
        QTest::mousePress(canvas, Qt::LeftButton, {}, onCanvas(viewportPoint));
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, onCanvas(viewportPoint));
        return pressed.isEmpty() ? QPointF(-999, -999) : view->picturePositionAt(pressed.first().at(0).toPointF());
    }
    void wheel(QPoint viewportPoint, QPoint angle, Qt::KeyboardModifiers modifiers) const
    {
        QWheelEvent event(viewportPoint, view->viewport()->mapToGlobal(viewportPoint), QPoint(), angle, Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &event);
    }
};

// What the view shows of the picture inside its border.
QImage shown(CanvasView &view)
{
    const QImage all = view.pictureArea()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    return all.copy(QRect(QPoint(2, 2), all.size() - QSize(4, 4)));
}

// The view below 100 % as the halvings and the area average make it from the bitmap.
QImage expectedReduced(const QImage &bitmap, double zoom)
{
    QImage level = bitmap;
    double scale = zoom;
    while (scale * 2 <= 1) {
        QImage half((level.width() + 1) / 2, (level.height() + 1) / 2, PictureFormat);
        halvePicture(level, half, half.rect());
        level = half;
        scale *= 2;
    }
    const QSize size = Zoom::viewSize(bitmap.size(), zoom);
    QImage view(size, QImage::Format_RGB32);
    shrinkToView(level, scale, QRect(QPoint(0, 0), size), view);
    return view;
}

QImage expectedMagnified(const QImage &bitmap, double zoom)
{
    const QSize size = Zoom::viewSize(bitmap.size(), zoom);
    QImage view(size, QImage::Format_RGB32);
    magnifyToView(bitmap, zoom, QRect(QPoint(0, 0), size), view);
    return view;
}

} // namespace

class TestCanvasView : public QObject {
    Q_OBJECT
private slots:
    // The tools get the picture pixel under the pointer at every zoom and scroll position; at
    // 100 % exactly the positions they always had.
    void pressesMapToThePicturePixelUnderThePointer_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QPoint>("scroll");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QPointF>("pixel");
        QTest::newRow("100 %") << 1.0 << QPoint(0, 0) << QPoint(52, 32) << QPointF(50, 30);
        QTest::newRow("100 %, scrolled") << 1.0 << QPoint(100, 50) << QPoint(52, 32) << QPointF(150, 80);
        QTest::newRow("50 %") << 0.5 << QPoint(0, 0) << QPoint(52, 33) << QPointF(100, 62);
        QTest::newRow("50 %, scrolled") << 0.5 << QPoint(20, 10) << QPoint(52, 33) << QPointF(140, 82);
        QTest::newRow("a third") << 1.0 / 3 << QPoint(0, 0) << QPoint(102, 3) << QPointF(300, 3);
        QTest::newRow("300 %, scrolled") << 3.0 << QPoint(30, 30) << QPoint(10, 10) << QPointF(12, 12);
        QTest::newRow("150 %, first view pixel of pixel 2") << 1.5 << QPoint(0, 0) << QPoint(5, 5) << QPointF(2, 2);
        QTest::newRow("200 %, on the border") << 2.0 << QPoint(0, 0) << QPoint(1, 1) << QPointF(-1, -1);
    }
    void pressesMapToThePicturePixelUnderThePointer()
    {
        QFETCH(double, zoom);
        QFETCH(QPoint, scroll);
        QFETCH(QPoint, point);
        QFETCH(QPointF, pixel);
        ViewedCanvas viewed(uniformPicture(QSize(800, 600), White), QSize(300, 200));
        viewed.view->setZoom(zoom);
        viewed.view->setScrollPosition(scroll);
        QCOMPARE(viewed.view->scrollPosition(), scroll);
        QCOMPARE(viewed.pressAt(point), pixel);
    }

    // Fit shows the whole picture as large as the window allows and no scrollbar.
    void fitShowsTheWholePictureWithoutScrollbars_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<double>("zoom");
        QTest::newRow("wide, shrunk") << QSize(2000, 500) << 396.0 / 2000;
        QTest::newRow("tall, shrunk") << QSize(300, 1480) << 296.0 / 1480;
        QTest::newRow("small, enlarged") << QSize(100, 80) << 296.0 / 80;
    }
    void fitShowsTheWholePictureWithoutScrollbars()
    {
        QFETCH(QSize, picture);
        QFETCH(double, zoom);
        ViewedCanvas viewed(uniformPicture(picture, Red), QSize(400, 300));
        viewed.view->setZoom(1.5);
        viewed.view->zoomToFit();
        QApplication::processEvents();
        QCOMPARE(viewed.view->zoom(), zoom);
        QCOMPARE(viewed.view->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(viewed.view->verticalScrollBar()->maximum(), 0);
        const QSize canvasSize = viewed.canvas->size();
        QVERIFY(canvasSize.width() <= 400 && canvasSize.height() <= 300);
        QVERIFY(canvasSize.width() == 400 || canvasSize.height() == 300);
        QCOMPARE(viewed.model.outerSize(), picture + QSize(4, 4)); // the picture itself is unchanged
    }

    void zoomKeepsThePixelUnderThePointerInPlace()
    {
        ViewedCanvas viewed(uniformPicture(QSize(800, 600), White), QSize(300, 200));
        viewed.view->setScrollPosition(QPoint(300, 200));
        const QPoint pointer(120, 90);
        const QPointF before = viewed.pressAt(pointer);
        QCOMPARE(before, QPointF(418, 288));
        viewed.view->setZoom(2, pointer);
        QCOMPARE(viewed.pressAt(pointer), before);
        viewed.view->setZoom(0.5, pointer);
        QCOMPARE(viewed.pressAt(pointer), before);
        // Ctrl+wheel away from the pointer steps once a notch, about the pointer.
        viewed.wheel(pointer, QPoint(0, 120), Qt::ControlModifier);
        QCOMPARE(viewed.view->zoom(), 2.0 / 3);
        QVERIFY(QLineF(viewed.pressAt(pointer), before).length() <= 1.5);
        viewed.wheel(pointer, QPoint(0, -240), Qt::ControlModifier);
        QCOMPARE(viewed.view->zoom(), 1.0 / 3);
    }

    // Qt's own Shift+wheel pages vertically; here it scrolls sideways by the same amount.
    void wheelScrollsDownAndShiftWheelSideways()
    {
        ViewedCanvas viewed(uniformPicture(QSize(800, 600), White), QSize(300, 200));
        viewed.wheel(QPoint(50, 50), QPoint(0, -120), {});
        const int notch = QApplication::wheelScrollLines() * 20;
        QCOMPARE(viewed.view->scrollPosition(), QPoint(0, notch));
        viewed.wheel(QPoint(50, 50), QPoint(0, -120), Qt::ShiftModifier);
        QCOMPARE(viewed.view->scrollPosition(), QPoint(notch, notch));
        viewed.wheel(QPoint(50, 50), QPoint(0, 120), {});
        QCOMPARE(viewed.view->scrollPosition(), QPoint(notch, 0));
        QCOMPARE(viewed.view->zoom(), 1.0);
    }

    void stepsAndTypedLevels()
    {
        QCOMPARE(CanvasView::stepAbove(0.3), 1.0 / 3);
        QCOMPARE(CanvasView::stepAbove(1.0 / 3), 0.5);
        QCOMPARE(CanvasView::stepBelow(0.17), 0.125);
        QCOMPARE(CanvasView::stepBelow(0.125), 0.125);
        QCOMPARE(CanvasView::stepAbove(32), 32.0);
        QCOMPARE(CanvasView::stepBelow(1), 2.0 / 3);
        QCOMPARE(CanvasView::zoomText(1.0 / 3), QStringLiteral("33 %"));
        QCOMPARE(CanvasView::zoomText(0.125), QStringLiteral("12.5 %"));
        QCOMPARE(CanvasView::zoomText(0.1683), QStringLiteral("16.8 %"));
        QCOMPARE(CanvasView::zoomText(16), QStringLiteral("1600 %"));
        QCOMPARE(CanvasView::zoomFromText(QStringLiteral("150")), 1.5);
        QCOMPARE(CanvasView::zoomFromText(QStringLiteral(" 12.5 % ")), 0.125);
        QCOMPARE(CanvasView::zoomFromText(QStringLiteral("3200%")), 32.0);
        for (const char *bad : {"", "abc", "0", "0.5", "3201", "-50", "nan", "inf", "1e9"})
            QCOMPARE(CanvasView::zoomFromText(QString::fromLatin1(bad)), 0.0);
    }

    // The reduced copy is updated only where drawing changed the bitmap: whatever the change,
    // the view must show the bitmap as it is now, never a stale part.
    void theViewFollowsEveryChangeOfTheBitmap_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::newRow("1/2, one halving") << 0.5;
        QTest::newRow("0.2, two halvings and an area average") << 0.2;
        QTest::newRow("2/3, the bitmap itself averaged") << 2.0 / 3;
        QTest::newRow("300 %, magnified") << 3.0;
    }
    void theViewFollowsEveryChangeOfTheBitmap()
    {
        QFETCH(double, zoom);
        PictureModel box(2);
        box.setPicture(noisePicture(QSize(330, 270)));
        CanvasView view(box);
        view.resize(400, 300);
        view.setZoom(zoom);
        auto expected = [&] {
            return zoom < 1 ? expectedReduced(box.image(), zoom) : expectedMagnified(box.image(), zoom);
        };
        QCOMPARE(shown(view), expected());
        box.setPenWidth(3);
        box.line(QPointF(200, 150), QPointF(320, 260), Red); // one corner, a few tiles
        QCOMPARE(shown(view), expected());
        box.eraseDrawing();
        QCOMPARE(shown(view), expected());
        QImage changed = box.picture().copy();
        changed.setPixel(131, 67, qRgb(255, 255, 255));
        box.setPicture(changed); // a new picture that differs in one pixel only
        QCOMPARE(shown(view), expected());
        box.setPicture(changed.copy()); // the same pixels again, as a commit reads them back
        QCOMPARE(shown(view), expected());
        box.setPicture(noisePicture(QSize(330, 270), PictureFormat, 11));
        QCOMPARE(shown(view), expected());
        view.setZoom(1);
        QCOMPARE(shown(view), box.image().convertToFormat(QImage::Format_RGB32));
        box.line(QPointF(10, 10), QPointF(100, 20), Blue); // drawn at 100 %, shown later below it
        view.setZoom(zoom);
        QCOMPARE(shown(view), expected());
        // Undo and Redo patch into the bitmap only the tiles that differ: the view must follow.
        QImage undone = box.picture().copy();
        for (int y = 140; y < 200; ++y)
            undone.setPixel(250, y, qRgb(0, 255, 0));
        box.setPicture(undone, {QRect(250, 140, 1, 60)});
        QCOMPARE(shown(view), expected());
    }

    // A press on the border counts as one on the picture, measured inside the border; a press
    // beside the picture starts nothing, so a drag from there that crosses it draws nothing.
    void onlyAPressOnThePictureOrItsBorderStartsAStroke()
    {
        ViewedCanvas viewed(uniformPicture(QSize(50, 50), White), QSize(300, 200));
        QSignalSpy pressed(viewed.view, &CanvasView::mousePressed);
        QSignalSpy moved(viewed.view, &CanvasView::mouseMoved);
        QTest::mousePress(viewed.canvas, Qt::RightButton, {}, QPoint(1, 0));
        QCOMPARE(viewed.view->picturePositionAt(pressed.last().at(0).toPointF()), QPointF(-1, -2));
        QTest::mouseRelease(viewed.canvas, Qt::RightButton, {}, QPoint(1, 0));
        QTest::mousePress(viewed.view->viewport(), Qt::LeftButton, {}, QPoint(150, 100));
        QTest::mouseMove(viewed.view->viewport(), QPoint(20, 20));
        QTest::mouseRelease(viewed.view->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(moved.count(), 0);
    }
};
VP_TEST(TestCanvasView)
#include "tst_canvasview.moc"
