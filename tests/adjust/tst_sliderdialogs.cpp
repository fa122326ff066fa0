#include "adjust/form2.h"
#include "adjust/form3.h"
#include "adjust/form4.h"
#include "document/form1.h"
#include "document/picturebox.h"
#include "document/picturefiles.h"
#include "fixture.h"
#include "testregistry.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

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

QMdiSubWindow *frameOf(Form1 *form)
{
    return qobject_cast<QMdiSubWindow *>(form->parentWidget());
}

void press(PictureBox *box, int x) { QTest::mousePress(box, Qt::LeftButton, Qt::NoModifier, QPoint(x, 10)); }
void moveTo(PictureBox *box, int x) { QTest::mouseMove(box, QPoint(x, 10)); }
void release(PictureBox *box, int x) { QTest::mouseRelease(box, Qt::LeftButton, Qt::NoModifier, QPoint(x, 10)); }

void drag(PictureBox *box, int from, int to)
{
    press(box, from);
    moveTo(box, to);
    release(box, to);
}

Colour canvasPixel(Form1 *form, int x = 5, int y = 5)
{
    return pixelOf(form->Picture1->Image(), x, y);
}

// The program with the start picture on its canvas.
struct Adjusting : Program {
    Form1 *form;
    Adjusting() : form(active()) { form->Picture1->setPicture(startPicture()); }
};

} // namespace

class TestSliderDialogs : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        closeToolDialogs();
    }

    void dialogsOpenAtTheirDesignWithStartingBarsAndDisabledWindows()
    {
        Adjusting program;
        MDIForm1 &main = *program.window;
        main.mnuAdjustColors_Click();
        auto *colours = qobject_cast<Form2 *>(main.Form2.data());
        QVERIFY(colours);
        QCOMPARE(colours->size(), QSize(201, 153));
        QCOMPARE(colours->PictRGB[2]->geometry(), QRect(8, 96, 180, 20));
        QCOMPARE(colours->Command2->geometry(), QRect(104, 120, 81, 25));
        QVERIFY(!main.isEnabled() && !frameOf(program.form)->isEnabled() && colours->isEnabled());

        const QImage green = colours->PictRGB[1]->Image();
        QCOMPARE(pixelOf(green, 89, 19), Colour(0x0000FF00));
        QCOMPARE(pixelOf(green, 91, 0), fromQColor(colours->palette().color(QPalette::Button)));
        QCOMPARE(program.form->Picture1->Image(), startPicture());
        colours->Command2_Click();
        QVERIFY(main.isEnabled() && frameOf(program.form)->isEnabled());

        main.mnuAdjustContrast_Click();
        const QImage bar = qobject_cast<Form4 *>(main.Form4.data())->PictCont->Image();
        QCOMPARE(pixelOf(bar, 89, 5), Magenta);
        QCOMPARE(pixelOf(bar, 91, 5), Colour(0));
    }

    void aPressAlonePreviewsNothingAndOnlyMovesWhileHeldDo()
    {
        Adjusting program;
        program.window->mnuAdjustBrightness_Click();
        auto *dialog = qobject_cast<Form3 *>(program.window->Form3.data());
        PictureBox *slider = dialog->Pictbright;

        moveTo(slider, 0);
        QCOMPARE(canvasPixel(program.form), Start);
        press(slider, 0);
        QVERIFY(BrightDrag);
        QCOMPARE(canvasPixel(program.form), Start);

        moveTo(slider, -30);
        QCOMPARE(canvasPixel(program.form), makeColour(20, 30, 40));
        QCOMPARE(canvasPixel(program.form, 0, 0), makeColour(51, 51, 51));
        QCOMPARE(pixelOf(slider->Image(), 0, 10), Colour(0)); // left of the pointer, all rest colour
        QCOMPARE(pixelOf(program.form->Picture1->grab().toImage(), 2 + 5, 2 + 5), makeColour(20, 30, 40));
        QCOMPARE(program.form->Picture2->Picture(), startPicture());

        moveTo(slider, 90);
        QCOMPARE(canvasPixel(program.form), makeColour(121, 181, 242));
        // Previews write the stored picture in place and the bitmap shows it without a copy.
        QCOMPARE(program.form->Picture1->Image().constBits(), program.form->Picture1->Picture().constBits());
        QCOMPARE(pixelOf(slider->Image(), 89, 10), Magenta);

        release(slider, 90);
        QVERIFY(!BrightDrag);
        moveTo(slider, 0);
        QCOMPARE(canvasPixel(program.form), makeColour(121, 181, 242));
    }

    void contrastPreviewIsKeptAndCommittedByOk()
    {
        Adjusting program;
        program.form->Picture1->setPicture(uniformPicture(QSize(8, 8), makeColour(126, 128, 133)));
        program.window->mnuAdjustContrast_Click();
        auto *dialog = qobject_cast<Form4 *>(program.window->Form4.data());
        drag(dialog->PictCont, 100, 180);
        QCOMPARE(canvasPixel(program.form, 0, 0), makeColour(107, 147, 248));
        dialog->Command1_Click();
        QCOMPARE(pixelOf(LoadPicture(program.tempPath()).picture, 0, 0), makeColour(107, 147, 248));
        QCOMPARE(pixelOf(program.form->Picture2->Picture(), 0, 0), makeColour(107, 147, 248));
    }

    void redToTheLeftEdgeThenBlueCombine()
    {
        Adjusting program;
        program.window->mnuAdjustColors_Click();
        auto *dialog = qobject_cast<Form2 *>(program.window->Form2.data());
        drag(dialog->PictRGB[0], 60, -10);
        QCOMPARE(canvasPixel(program.form), makeColour(20, 150, 200));
        drag(dialog->PictRGB[2], 60, 90);
        QCOMPARE(canvasPixel(program.form), makeColour(20, 150, 242));
        // A second red drag starts again from the snapshot's red, keeping the blue.
        drag(dialog->PictRGB[0], 60, 90);
        QCOMPARE(canvasPixel(program.form), makeColour(121, 150, 242));
    }

    void cancelAfterDragsRestoresTheExactPicture()
    {
        Adjusting program;
        program.window->mnuAdjustColors_Click();
        auto *dialog = qobject_cast<Form2 *>(program.window->Form2.data());
        drag(dialog->PictRGB[1], 10, 170);
        drag(dialog->PictRGB[0], 10, 0);
        press(dialog->PictRGB[2], 10);
        dialog->Command2_Click();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!program.window->Form2 && !RGBDrag);
        QCOMPARE(program.form->Picture1->Image(), startPicture());
        QCOMPARE(program.form->Picture1->Picture(), startPicture());
        QCOMPARE(LoadPicture(program.tempPath()).picture, startPicture());
        QVERIFY(program.window->isEnabled());
    }

    void showingTwiceIsOneInstanceAndOkWithoutADragCommitsTheUnchangedPicture()
    {
        Adjusting program;
        QSignalSpy commits(program.form, &Form1::Committed);
        program.window->mnuAdjustBrightness_Click();
        QPointer<ToolDialog> first = program.window->Form3;
        program.window->mnuAdjustBrightness_Click();
        QCOMPARE(program.window->Form3, first);
        QCOMPARE(commits.count(), 1);
        qobject_cast<SliderDialog *>(first.data())->Command1_Click();
        QCOMPARE(commits.count(), 2);
        QCOMPARE(program.form->Picture1->Picture(), startPicture());
        QCOMPARE(program.form->Picture1->Image(), startPicture());
        QVERIFY(program.window->isEnabled());
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
        program.window->mnuAdjustBrightness_Click();
        auto *dialog = qobject_cast<Form3 *>(program.window->Form3.data());
        program.form->Picture1->setPicture(picture);
        press(dialog->Pictbright, 20);
        moveTo(dialog->Pictbright, 0);
        moveTo(dialog->Pictbright, 150);
        QCOMPARE(program.prompts->count("message"), 2);
        const auto *asked = program.prompts->last("message");
        QCOMPARE(asked->text, QStringLiteral(" 24-bit bitmaps only"));
        QCOMPARE(asked->title, QCoreApplication::applicationName());
        QCOMPARE(asked->icon, MessageIcon::Critical);
        QCOMPARE(program.form->Picture1->Picture(), picture);
    }

    void closingTheDialogDuringADragYieldKeepsTheLastPreview()
    {
        Adjusting program;
        program.window->mnuAdjustBrightness_Click();
        auto *dialog = qobject_cast<Form3 *>(program.window->Form3.data());
        PictureBox *slider = dialog->Pictbright;
        press(slider, 40);
        QTimer::singleShot(0, dialog, [dialog] { dialog->close(); });
        moveTo(slider, 0);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!program.window->Form3 && !BrightDrag && program.window->isEnabled());
        QCOMPARE(canvasPixel(program.form), makeColour(20, 30, 40));
        QCOMPARE(program.form->Picture2->Picture(), startPicture());
    }

    void closingTheDocumentDuringADragLeavesTheDialogHarmless()
    {
        Adjusting program;
        program.window->mnuAdjustColors_Click();
        auto *dialog = qobject_cast<Form2 *>(program.window->Form2.data());
        PictureBox *slider = dialog->PictRGB[0];
        press(slider, 40);
        QTimer::singleShot(0, program.form, [&program] {
            program.prompts->answers.push_back(PromptAnswer::No);
            frameOf(program.form)->close();
        });
        moveTo(slider, 0);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        moveTo(slider, 20);
        release(slider, 20);
        dialog->Command1_Click();
        QVERIFY(program.window->isEnabled());
        QCOMPARE(program.prompts->count("message"), 0);
    }
};

VP_TEST(TestSliderDialogs)
#include "tst_sliderdialogs.moc"
