#include "adjust/form2.h"
#include "adjust/form3.h"
#include "adjust/form4.h"
#include "document/form1.h"
#include "document/picturebox.h"
#include "document/picturefiles.h"
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

constexpr Colour Red = 0x000000FF;

QMdiSubWindow *frameOf(Form1 *form) { return qobject_cast<QMdiSubWindow *>(form->parentWidget()); }

// The worst a yield can bring: the window is not only closed but already deleted when the
// handler resumes.
void deleteWhatWasClosed() { QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// What can go while a handler yields.
enum class Going { Document, Program };

// Every save question it raises is answered No.
void closeNow(Program &program, Going going, const QPointer<Form1> &form)
{
    for (int i = 0; i < 5; ++i)
        program.prompts->answers.push_back(PromptAnswer::No);
    if (going == Going::Program)
        program.window->mnuExit_Click();
    else if (form)
        frameOf(form)->close();
    deleteWhatWasClosed();
}

// At the first yield of the event loop.
void atNextYield(Program &program, Going going, QPointer<Form1> form)
{
    QTimer::singleShot(0, program.window.get(), [&program, going, form] { closeNow(program, going, form); });
}

// Lets go of the button QTest still holds, away from any canvas.
void letGoOfTheMouse(Program &program) { QTest::mouseRelease(program.window->Label1, Qt::LeftButton); }

// Another document's look, which nothing of the gone one may touch.
QPair<QImage, QImage> lookOf(Form1 *form) { return {form->Picture1->Image(), form->Picture2->Picture()}; }

QImage noise(QSize size)
{
    QImage picture(size, PictureFormat);
    quint32 state = 12345;
    for (int y = 0; y < size.height(); ++y) {
        uchar *row = picture.scanLine(y);
        for (int x = 0; x < size.width() * 3; ++x) {
            state = state * 1103515245u + 12345u;
            row[x] = uchar(state >> 24);
        }
    }
    return picture;
}

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
        QToolButton *buttons[] = {palette.Option1, palette.Option2, palette.Option3, palette.Option4, palette.Option5};
        buttons[tool]->setChecked(true);
        palette.setCurrentColour(Red);
        Form1 *other = program.active();
        const auto otherBefore = lookOf(other);
        QPointer<Form1> form = program.window->newDocument();
        QPointer<PictureBox> canvas = form->Picture1;
        int commits = 0;
        connect(other, &Form1::Committed, this, [&commits] { ++commits; });

        QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(40, 40));
        atNextYield(program, going, form);
        QTest::mouseMove(canvas, QPoint(80, 60));
        QVERIFY(!form && !canvas);
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
        QPointer<Form1> form = program.active();
        const QString path = program.folder.filePath(QStringLiteral("stroke.bmp"));
        QTest::mousePress(form->Picture1, Qt::LeftButton, {}, QPoint(40, 40));
        QTimer::singleShot(0, program.window.get(), [&] {
            program.prompts->answers = {PromptAnswer::Yes};
            program.prompts->files = {path};
            frameOf(form)->close();
            deleteWhatWasClosed();
        });
        QTest::mouseMove(form->Picture1, QPoint(120, 40));
        QVERIFY(!form);
        letGoOfTheMouse(program);
        const QImage saved = LoadPicture(path).picture;
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
        MDIForm1 &main = *program.window;
        Form1 *other = program.active();
        const auto otherBefore = lookOf(other);
        QPointer<Form1> form = main.newDocument();
        const QImage picture = noise(QSize(2500, 2500));
        form->Picture1->setPicture(picture);
        int commits = 0;
        connect(other, &Form1::Committed, this, [&commits] { ++commits; });

        // The first yield comes before any row is smoothed; wait for one on the filter's clock.
        bool midWay = false;
        std::function<void()> closeOnceUnderWay = [&] {
            if (!form)
                return;
            if (pixelOf(form->Picture1->Image(), 1, 1) == pixelOf(picture, 1, 1)) {
                QTimer::singleShot(0, &main, closeOnceUnderWay);
                return;
            }
            midWay = pixelOf(form->Picture1->Image(), 1, 2498) == pixelOf(picture, 1, 2498);
            closeNow(program, going, form);
        };
        QTimer::singleShot(0, &main, closeOnceUnderWay);
        main.mnuSmooth_Click();
        deleteWhatWasClosed();

        QVERIFY(midWay);
        QVERIFY(!form);
        QCOMPARE(program.prompts->count("message"), 0); // no "Done!"
        QCOMPARE(commits, 0);
        QCOMPARE(main.windowTitle(), MainTitle);
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
        MDIForm1 &main = *program.window;
        Form1 *other = program.active();
        other->Picture1->setPicture(uniformPicture(QSize(30, 20), makeColour(100, 150, 200)));
        const auto otherBefore = lookOf(other);
        QPointer<Form1> form = main.newDocument();
        form->Picture1->setPicture(uniformPicture(QSize(30, 20), makeColour(100, 150, 200)));
        int commits = 0;
        connect(other, &Form1::Committed, this, [&commits] { ++commits; });

        PictureBox *slider = nullptr;
        QPointer<ToolDialog> shown;
        if (dialog == 0) {
            main.mnuAdjustColors_Click();
            shown = main.Form2;
            slider = qobject_cast<Form2 *>(shown.data())->PictRGB[0];
        } else if (dialog == 1) {
            main.mnuAdjustBrightness_Click();
            shown = main.Form3;
            slider = qobject_cast<Form3 *>(shown.data())->Pictbright;
        } else {
            main.mnuAdjustContrast_Click();
            shown = main.Form4;
            slider = qobject_cast<Form4 *>(shown.data())->PictCont;
        }
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(40, 10));
        atNextYield(program, going, form);
        QTest::mouseMove(slider, QPoint(60, 10));
        QVERIFY(!form);
        // The dialog outlives its document: it goes on dragging, then is accepted.
        QTest::mouseMove(slider, QPoint(150, 10));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(150, 10));
        qobject_cast<SliderDialog *>(shown.data())->Command1->click();
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
