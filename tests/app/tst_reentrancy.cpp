#include "adjust/adjustdialog.h"
#include "adjust/levelbar.h"
#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "imagelib/picturefiles.h"
#include "tools/palette.h"

#include "fixture.h"
#include "testregistry.h"

#include <QLabel>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace {

// The worst a yield can bring: the window is not only closed but already deleted when the
// handler resumes.
void deleteWhatWasClosed() { QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// What can go while a handler yields.
enum class Going { Document, Program };

// Every save question it raises is answered No.
void closeNow(Program &program, Going going, const QPointer<Document> &doc)
{
    for (int i = 0; i < 5; ++i)
        program.prompts->answers.push_back(PromptAnswer::No);
    if (going == Going::Program)
        program.window->exit();
    else if (doc)
        frameOf(doc)->close();
    deleteWhatWasClosed();
}

// Another document's look, which nothing of the gone one may touch.
QPair<QImage, QImage> lookOf(Document *doc) { return {doc->canvas().image(), doc->snapshot().picture()}; }

// Whether anything queued before `event` ran while it was handled: a handler that yields to the
// event loop lets input the user gave later (a key, a close) act in the middle of it.
bool somethingRanInside(const std::function<void()> &event)
{
    bool inside = false;
    bool ranInside = false;
    QTimer::singleShot(0, [&] { ranInside = inside; });
    inside = true;
    event();
    inside = false;
    QApplication::processEvents();
    return ranInside;
}

} // namespace

class TestReentrancy : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        closeToolDialogs();
    }

    // The drag step once ended with a yield: a key typed after the stroke could act before the
    // release, and a close could take the document from under its own handler.
    void aHeldMoveOfEveryToolLetsNothingElseRunInsideIt_data()
    {
        QTest::addColumn<int>("tool"); // index of the palette button
        const char *tools[] = {"pencil", "picker", "airbrush", "circle", "stamp", "fill"};
        for (int tool = 0; tool < 6; ++tool)
            QTest::addRow("%s", tools[tool]) << tool;
    }
    void aHeldMoveOfEveryToolLetsNothingElseRunInsideIt()
    {
        QFETCH(int, tool);
        Program program;
        Palette &palette = *program.window->palette;
        QToolButton *buttons[] = {palette.pencilButton, palette.pickerButton, palette.airbrushButton,
                                  palette.circleButton, palette.stampButton, palette.fillButton};
        buttons[tool]->setChecked(true);
        palette.settings().setColour(Red);
        QWidget *canvas = canvasArea(program.active());
        QVERIFY(!somethingRanInside([&] { QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(40, 40)); }));
        QVERIFY(!somethingRanInside([&] { QTest::mouseMove(canvas, QPoint(80, 60)); }));
        QVERIFY(!somethingRanInside([&] { QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(80, 60)); }));
    }

    // An adjustment's preview once ended with a yield too.
    void anAdjustmentDragLetsNothingElseRunInsideIt()
    {
        Program program;
        program.active()->canvas().setPicture(uniformPicture(QSize(30, 20), makeColour(100, 150, 200)));
        program.window->adjustBrightness();
        LevelBar *bar = qobject_cast<AdjustDialog *>(program.window->brightnessDialog.data())->bars[0];
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(40, 10));
        QVERIFY(!somethingRanInside([&] { QTest::mouseMove(bar, QPoint(60, 10)); }));
        QCOMPARE(pixelOf(program.active()->canvas().image(), 5, 5), makeColour(66, 100, 133));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(60, 10));
    }

    // The document goes while the button is still held: the release that follows reaches no
    // canvas, and nothing of another document is committed or touched.
    void closingADocumentMidStrokeTouchesNoOther()
    {
        Program program;
        program.window->palette->settings().setColour(Red);
        Document *other = program.active();
        const auto otherBefore = lookOf(other);
        int commits = 0;
        connect(other, &Document::committed, this, [&commits] { ++commits; });
        QPointer<Document> doc = program.newDocument();
        QPointer<QWidget> canvas = canvasArea(doc);
        QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(40, 40));
        QTest::mouseMove(canvas, QPoint(80, 60));
        closeNow(program, Going::Document, doc);
        QVERIFY(!doc && !canvas);
        QTest::mouseRelease(program.window->pictureInfo, Qt::LeftButton);
        QCOMPARE(program.documents(), QList<Document *>{other});
        QCOMPARE(commits, 0);
        QCOMPARE(lookOf(other), otherBefore);
    }

    void closingDuringSmoothStopsItMidWay_data()
    {
        QTest::addColumn<int>("goingIndex");
        QTest::newRow("the document") << int(Going::Document);
        QTest::newRow("Exit") << int(Going::Program);
    }
    void closingDuringSmoothStopsItMidWay()
    {
        QFETCH(int, goingIndex);
        const Going going = Going(goingIndex);
        Program program;
        MainWindow &main = *program.window;
        Document *other = program.active();
        const auto otherBefore = lookOf(other);
        QPointer<Document> doc = program.newDocument();
        // Large enough that the filter yields on its clock several times on a fast machine.
        const QImage picture = noisePicture(QSize(8000, 6000));
        doc->canvas().setPicture(picture);
        int commits = 0;
        // The timers and the connection go with it, before the program, however the test ends.
        QObject scope;
        connect(other, &Document::committed, &scope, [&commits] { ++commits; });

        // The first yield comes before any row is smoothed; wait for one on the filter's clock.
        bool midWay = false;
        std::function<void()> closeOnceUnderWay = [&] {
            if (!doc)
                return;
            if (pixelOf(doc->canvas().image(), 1, 1) == pixelOf(picture, 1, 1)) {
                QTimer::singleShot(0, &scope, closeOnceUnderWay);
                return;
            }
            midWay = pixelOf(doc->canvas().image(), 1, 5998) == pixelOf(picture, 1, 5998);
            closeNow(program, going, doc);
        };
        QTimer::singleShot(0, &scope, closeOnceUnderWay);
        main.smooth();
        deleteWhatWasClosed();

        QVERIFY(midWay);
        QVERIFY(!doc);
        QCOMPARE(program.prompts->count("message"), 0); // no "Done!"
        QCOMPARE(commits, 0);
        QCOMPARE(main.windowTitle(), QStringLiteral("Vell's Painter"));
        QVERIFY(main.isEnabled());
        if (going == Going::Document)
            QCOMPARE(lookOf(other), otherBefore);
    }

};
VP_TEST(TestReentrancy)
#include "tst_reentrancy.moc"
