#include "adjust/adjustdialog.h"
#include "adjust/levelbar.h"
#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "fixture.h"
#include "imagelib/picturefiles.h"
#include "testregistry.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

namespace {

constexpr Colour Start = makeColour(100, 150, 200);
constexpr Colour Magenta = 0x00FF00FF;

// A picture of one colour with a white pixel at the top-left.
QImage startPicture()
{
    QImage picture = uniformPicture(QSize(40, 30), Start);
    picture.setPixel(0, 0, toQRgb(makeColour(255, 255, 255)));
    return picture;
}

void press(LevelBar *box, int x) { QTest::mousePress(box, Qt::LeftButton, Qt::NoModifier, QPoint(x, 10)); }
void moveTo(LevelBar *box, int x) { QTest::mouseMove(box, QPoint(x, 10)); }
void release(LevelBar *box, int x) { QTest::mouseRelease(box, Qt::LeftButton, Qt::NoModifier, QPoint(x, 10)); }

void drag(LevelBar *box, int from, int to)
{
    press(box, from);
    moveTo(box, to);
    release(box, to);
}

Colour canvasPixel(Document *doc, int x = 5, int y = 5)
{
    return pixelOf(doc->canvas().image(), x, y);
}

// The program with the start picture on its canvas.
struct Adjusting : Program {
    Document *doc;
    Adjusting() : doc(active()) { doc->canvas().setPicture(startPicture()); }
};

} // namespace

class TestAdjustDialog : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        closeToolDialogs();
    }

    void dialogsOpenAtTheirDesignWithStartingBarsAndDisabledWindows()
    {
        Adjusting program;
        MainWindow &main = *program.window;
        main.adjustColours();
        auto *colours = qobject_cast<AdjustDialog *>(main.coloursDialog.data());
        QVERIFY(colours);
        QCOMPARE(colours->size(), QSize(201, 153));
        QCOMPARE(colours->bars[2]->geometry(), QRect(8, 96, 180, 20));
        QCOMPARE(colours->cancelButton->geometry(), QRect(104, 120, 81, 25));
        QVERIFY(documentsBlocked(program) && colours->isEnabled());
        QVERIFY(std::all_of(colours->levelTable().begin(), colours->levelTable().end(), [](quint8 v) { return v == 0; }));

        const QImage green = colours->bars[1]->grab().toImage();
        QCOMPARE(pixelOf(green, 89, 19), Colour(0x0000FF00));
        QCOMPARE(pixelOf(green, 91, 0), fromQColor(colours->palette().color(QPalette::Button)));
        QCOMPARE(program.doc->canvas().image(), startPicture());
        colours->cancel();
        QVERIFY(!documentsBlocked(program));

        main.adjustContrast();
        const QImage bar = qobject_cast<AdjustDialog *>(main.contrastDialog.data())->bars[0]->grab().toImage();
        QCOMPARE(pixelOf(bar, 89, 5), Magenta);
        QCOMPARE(pixelOf(bar, 91, 5), Colour(0));
    }

    void aPressAlonePreviewsNothingAndOnlyMovesWhileHeldDo()
    {
        Adjusting program;
        program.window->adjustBrightness();
        auto *dialog = qobject_cast<AdjustDialog *>(program.window->brightnessDialog.data());
        LevelBar *slider = dialog->bars[0];

        moveTo(slider, 0);
        QCOMPARE(canvasPixel(program.doc), Start);
        press(slider, 0);
        QVERIFY(dialog->dragging());
        QCOMPARE(canvasPixel(program.doc), Start);

        moveTo(slider, -30);
        QCOMPARE(canvasPixel(program.doc), makeColour(20, 30, 40));
        const uchar *previewed = program.doc->canvas().picture().constBits();
        QCOMPARE(canvasPixel(program.doc, 0, 0), makeColour(51, 51, 51));
        QCOMPARE(pixelOf(slider->grab().toImage(), 0, 10), Colour(0)); // left of the pointer, all rest colour
        QCOMPARE(pixelOf(canvasArea(program.doc)->grab().toImage(), 2 + 5, 2 + 5), makeColour(20, 30, 40));
        QCOMPARE(program.doc->snapshot().picture(), startPicture());

        moveTo(slider, 90);
        QCOMPARE(canvasPixel(program.doc), makeColour(121, 181, 242));
        // Previews write the stored picture in place and the bitmap shows it without a copy.
        // Fault: a copy of the picture held across the write made every move copy it whole.
        QCOMPARE(program.doc->canvas().picture().constBits(), previewed);
        QCOMPARE(program.doc->canvas().image().constBits(), previewed);
        QCOMPARE(pixelOf(slider->grab().toImage(), 89, 10), Magenta);

        release(slider, 90);
        QVERIFY(!dialog->dragging());
        moveTo(slider, 0);
        QCOMPARE(canvasPixel(program.doc), makeColour(121, 181, 242));
    }

    void contrastPreviewIsKeptAndCommittedByOk()
    {
        Adjusting program;
        program.doc->canvas().setPicture(uniformPicture(QSize(8, 8), makeColour(126, 128, 133)));
        program.window->adjustContrast();
        auto *dialog = qobject_cast<AdjustDialog *>(program.window->contrastDialog.data());
        drag(dialog->bars[0], 100, 180);
        QCOMPARE(canvasPixel(program.doc, 0, 0), makeColour(107, 147, 248));
        dialog->ok();
        QCOMPARE(pixelOf(loadPicture(program.tempPath()).picture, 0, 0), makeColour(107, 147, 248));
        QCOMPARE(pixelOf(program.doc->snapshot().picture(), 0, 0), makeColour(107, 147, 248));
    }

    void redToTheLeftEdgeThenBlueCombine()
    {
        Adjusting program;
        program.window->adjustColours();
        auto *dialog = qobject_cast<AdjustDialog *>(program.window->coloursDialog.data());
        drag(dialog->bars[0], 60, -10);
        QCOMPARE(canvasPixel(program.doc), makeColour(20, 150, 200));
        drag(dialog->bars[2], 60, 90);
        QCOMPARE(canvasPixel(program.doc), makeColour(20, 150, 242));
        // A second red drag starts again from the snapshot's red, keeping the blue.
        drag(dialog->bars[0], 60, 90);
        QCOMPARE(canvasPixel(program.doc), makeColour(121, 150, 242));
    }

    void cancelAfterDragsRestoresTheExactPicture()
    {
        Adjusting program;
        program.window->adjustColours();
        auto *dialog = qobject_cast<AdjustDialog *>(program.window->coloursDialog.data());
        drag(dialog->bars[1], 10, 170);
        drag(dialog->bars[0], 10, 0);
        press(dialog->bars[2], 10);
        dialog->cancel();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!program.window->coloursDialog);
        QCOMPARE(program.doc->canvas().image(), startPicture());
        QCOMPARE(program.doc->canvas().picture(), startPicture());
        QCOMPARE(loadPicture(program.tempPath()).picture, startPicture());
        QVERIFY(!documentsBlocked(program));
    }

    void showingTwiceIsOneInstanceAndOkWithoutADragCommitsTheUnchangedPicture()
    {
        Adjusting program;
        QSignalSpy commits(program.doc, &Document::committed);
        program.window->adjustBrightness();
        QPointer<AdjustDialog> first = program.window->brightnessDialog;
        program.window->adjustBrightness();
        QCOMPARE(program.window->brightnessDialog, first);
        QCOMPARE(commits.count(), 1);
        qobject_cast<AdjustDialog *>(first.data())->ok();
        QCOMPARE(commits.count(), 2);
        QCOMPARE(program.doc->canvas().picture(), startPicture());
        QCOMPARE(program.doc->canvas().image(), startPicture());
        QVERIFY(!documentsBlocked(program));
    }

    void aCanvasPictureThatIsNot24BitGetsTheMessageAndNoChange_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::newRow("32-bit") << QImage(QSize(6, 6), QImage::Format_RGB32);
        QTest::newRow("no picture") << QImage();
    }

    void aCanvasPictureThatIsNot24BitGetsTheMessageAndNoChange()
    {
        QFETCH(QImage, picture);
        if (!picture.isNull())
            picture.fill(toQColor(Start));
        Adjusting program;
        program.window->adjustBrightness();
        auto *dialog = qobject_cast<AdjustDialog *>(program.window->brightnessDialog.data());
        program.doc->canvas().setPicture(picture);
        press(dialog->bars[0], 20);
        moveTo(dialog->bars[0], 0);
        moveTo(dialog->bars[0], 150);
        QCOMPARE(program.prompts->count("message"), 2);
        const auto *asked = program.prompts->last("message");
        QCOMPARE(asked->text, QStringLiteral(" 24-bit bitmaps only"));
        QCOMPARE(asked->title, QCoreApplication::applicationName());
        QCOMPARE(asked->icon, MessageIcon::Critical);
        QCOMPARE(program.doc->canvas().picture(), picture);
    }

    // Closed by its frame, the dialog runs only its closing steps: the canvas keeps the last
    // preview, uncommitted, and the snapshot still holds the picture from before.
    void closingTheDialogByItsFrameKeepsTheLastPreviewUncommitted()
    {
        Adjusting program;
        program.window->adjustBrightness();
        auto *dialog = qobject_cast<AdjustDialog *>(program.window->brightnessDialog.data());
        QSignalSpy commits(program.doc, &Document::committed);
        LevelBar *slider = dialog->bars[0];
        press(slider, 40);
        moveTo(slider, 0);
        dialog->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!program.window->brightnessDialog && !documentsBlocked(program));
        QCOMPARE(canvasPixel(program.doc), makeColour(20, 30, 40));
        QCOMPARE(program.doc->snapshot().picture(), startPicture());
        QCOMPARE(commits.count(), 0);
    }

    void closingTheDocumentDuringADragLeavesTheDialogHarmless()
    {
        Adjusting program;
        program.window->adjustColours();
        auto *dialog = qobject_cast<AdjustDialog *>(program.window->coloursDialog.data());
        LevelBar *slider = dialog->bars[0];
        press(slider, 40);
        moveTo(slider, 0);
        program.prompts->answers.push_back(PromptAnswer::No);
        frameOf(program.doc)->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        moveTo(slider, 20);
        release(slider, 20);
        dialog->ok();
        QVERIFY(!documentsBlocked(program));
        QCOMPARE(program.prompts->count("message"), 0);
    }
};

VP_TEST(TestAdjustDialog)
#include "tst_adjustdialog.moc"
