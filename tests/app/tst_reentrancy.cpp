#include "adjust/adjustdialog.h"
#include "document/documentwindow.h"
#include "document/picturebox.h"
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
void closeNow(Program &program, Going going, const QPointer<DocumentWindow> &doc)
{
    for (int i = 0; i < 5; ++i)
        program.prompts->answers.push_back(PromptAnswer::No);
    if (going == Going::Program)
        program.window->exit();
    else if (doc)
        frameOf(doc)->close();
    deleteWhatWasClosed();
}

// At the first yield of the event loop.
void atNextYield(Program &program, Going going, QPointer<DocumentWindow> doc)
{
    QTimer::singleShot(0, program.window.get(), [&program, going, doc] { closeNow(program, going, doc); });
}

// Lets go of the button QTest still holds, away from any canvas.
void letGoOfTheMouse(Program &program) { QTest::mouseRelease(program.window->pictureInfo, Qt::LeftButton); }

// Another document's look, which nothing of the gone one may touch.
QPair<QImage, QImage> lookOf(DocumentWindow *doc) { return {doc->canvas->image(), doc->snapshot->picture()}; }

} // namespace

class TestReentrancy : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        closeToolDialogs();
    }

    void closingDuringAHeldMoveOfEveryTool_data()
    {
        QTest::addColumn<int>("tool"); // index of the palette button
        QTest::addColumn<int>("goingIndex");
        const char *tools[] = {"pencil", "picker", "airbrush", "circle", "stamp"};
        for (int tool = 0; tool < 5; ++tool) {
            QTest::addRow("%s, the document", tools[tool]) << tool << int(Going::Document);
            QTest::addRow("%s, Exit", tools[tool]) << tool << int(Going::Program);
        }
    }
    void closingDuringAHeldMoveOfEveryTool()
    {
        QFETCH(int, tool);
        QFETCH(int, goingIndex);
        const Going going = Going(goingIndex);
        Program program;
        Palette &palette = *program.window->palette;
        QToolButton *buttons[] = {palette.pencilButton, palette.pickerButton, palette.airbrushButton, palette.circleButton, palette.stampButton};
        buttons[tool]->setChecked(true);
        palette.setCurrentColour(Red);
        DocumentWindow *other = program.active();
        const auto otherBefore = lookOf(other);
        QPointer<DocumentWindow> doc = program.window->newDocument();
        QPointer<PictureBox> canvas = doc->canvas;
        int commits = 0;
        connect(other, &DocumentWindow::committed, this, [&commits] { ++commits; });

        QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(40, 40));
        atNextYield(program, going, doc);
        QTest::mouseMove(canvas, QPoint(80, 60));
        QVERIFY(!doc && !canvas);
        letGoOfTheMouse(program);

        QCOMPARE(program.window->documents().size(), going == Going::Program ? 0 : 1);
        QCOMPARE(program.prompts->count("question"), going == Going::Program ? 2 : 1);
        QCOMPARE(commits, 0);
        if (going == Going::Document)
            QCOMPARE(lookOf(other), otherBefore);
    }

    void savingOnTheCloseDuringAHeldMoveWritesTheStrokeSoFar()
    {
        Program program;
        program.window->palette->setCurrentColour(Red);
        QPointer<DocumentWindow> doc = program.active();
        const QString path = program.folder.filePath(QStringLiteral("stroke.bmp"));
        QTest::mousePress(doc->canvas, Qt::LeftButton, {}, QPoint(40, 40));
        QTimer::singleShot(0, program.window.get(), [&] {
            program.prompts->answers = {PromptAnswer::Yes};
            program.prompts->files = {path};
            frameOf(doc)->close();
            deleteWhatWasClosed();
        });
        QTest::mouseMove(doc->canvas, QPoint(120, 40));
        QVERIFY(!doc);
        letGoOfTheMouse(program);
        const QImage saved = loadPicture(path).picture;
        QCOMPARE(pixelOf(saved, 80, 46), Red); // the pencil draws 8 pixels below the pointer
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
        DocumentWindow *other = program.active();
        const auto otherBefore = lookOf(other);
        QPointer<DocumentWindow> doc = main.newDocument();
        // Large enough that the filter yields on its clock several times on a fast machine.
        const QImage picture = noisePicture(QSize(8000, 6000));
        doc->canvas->setPicture(picture);
        int commits = 0;
        // The timers and the connection go with it, before the program, however the test ends.
        QObject scope;
        connect(other, &DocumentWindow::committed, &scope, [&commits] { ++commits; });

        // The first yield comes before any row is smoothed; wait for one on the filter's clock.
        bool midWay = false;
        std::function<void()> closeOnceUnderWay = [&] {
            if (!doc)
                return;
            if (pixelOf(doc->canvas->image(), 1, 1) == pixelOf(picture, 1, 1)) {
                QTimer::singleShot(0, &scope, closeOnceUnderWay);
                return;
            }
            midWay = pixelOf(doc->canvas->image(), 1, 5998) == pixelOf(picture, 1, 5998);
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

    void closingDuringAnAdjustmentDrag_data()
    {
        QTest::addColumn<int>("dialog"); // colours, brightness, contrast
        QTest::addColumn<int>("goingIndex");
        const char *dialogs[] = {"colours", "brightness", "contrast"};
        for (int dialog = 0; dialog < 3; ++dialog) {
            QTest::addRow("%s, the document", dialogs[dialog]) << dialog << int(Going::Document);
            QTest::addRow("%s, Exit", dialogs[dialog]) << dialog << int(Going::Program);
        }
    }
    void closingDuringAnAdjustmentDrag()
    {
        QFETCH(int, dialog);
        QFETCH(int, goingIndex);
        const Going going = Going(goingIndex);
        Program program;
        MainWindow &main = *program.window;
        DocumentWindow *other = program.active();
        other->canvas->setPicture(uniformPicture(QSize(30, 20), makeColour(100, 150, 200)));
        const auto otherBefore = lookOf(other);
        QPointer<DocumentWindow> doc = main.newDocument();
        doc->canvas->setPicture(uniformPicture(QSize(30, 20), makeColour(100, 150, 200)));
        int commits = 0;
        connect(other, &DocumentWindow::committed, this, [&commits] { ++commits; });

        PictureBox *slider = nullptr;
        QPointer<AdjustDialog> shown;
        if (dialog == 0) {
            main.adjustColours();
            shown = main.coloursDialog;
            slider = qobject_cast<AdjustDialog *>(shown.data())->bars[0];
        } else if (dialog == 1) {
            main.adjustBrightness();
            shown = main.brightnessDialog;
            slider = qobject_cast<AdjustDialog *>(shown.data())->bars[0];
        } else {
            main.adjustContrast();
            shown = main.contrastDialog;
            slider = qobject_cast<AdjustDialog *>(shown.data())->bars[0];
        }
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(40, 10));
        atNextYield(program, going, doc);
        QTest::mouseMove(slider, QPoint(60, 10));
        QVERIFY(!doc);
        // The dialog outlives its document: it goes on dragging, then is accepted.
        QTest::mouseMove(slider, QPoint(150, 10));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(150, 10));
        qobject_cast<AdjustDialog *>(shown.data())->okButton->click();
        deleteWhatWasClosed();

        QVERIFY(!shown);
        QCOMPARE(program.prompts->count("message"), 0);
        QVERIFY(main.isEnabled());
        if (going == Going::Document) {
            QCOMPARE(commits, 0);
            QCOMPARE(lookOf(other), otherBefore);
            QVERIFY(frameOf(other)->isEnabled());
        }
    }
};
VP_TEST(TestReentrancy)
#include "tst_reentrancy.moc"
