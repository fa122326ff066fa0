#include "document/commit.h"
#include "document/form1.h"
#include "document/picturebox.h"
#include "filters/form5.h"
#include "fixture.h"
#include "testregistry.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {
constexpr Colour Red = 0x000000FF;
constexpr Colour Blue = 0x00FF0000;
constexpr Colour Green = 0x0000FF00;

enum class Mode { Size, CanvasSize };

Form5 *openDialog(Program &program, Mode mode)
{
    if (mode == Mode::Size)
        program.window->mnuSize_Click();
    else
        program.window->mnuCansize_Click();
    return qobject_cast<Form5 *>(program.window->Form5.data());
}

void click(QPushButton *button)
{
    button->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void enter(Form5 *dialog, const QString &width, const QString &height)
{
    dialog->Text1->setText(width);
    dialog->Text2->setText(height);
}

// A committed picture of a red left half and a blue right half, on a green background.
void halvesCommitted(Form1 *form, QSize inner)
{
    QImage picture = uniformPicture(inner, Blue);
    for (int y = 0; y < inner.height(); ++y)
        for (int x = 0; x < inner.width() / 2; ++x)
            picture.setPixelColor(x, y, toQColor(Red));
    form->Picture1->setBackColor(Green);
    form->Picture1->setPicture(picture);
    CommitPicture();
}
} // namespace

class TestForm5 : public QObject {
    Q_OBJECT
private slots:
    void opensInTheCommandsModeWithTheCanvasOuterSize()
    {
        Program program;
        Form1 *form = program.active();
        form->Picture1->setWidth(300 * 15);
        form->Picture1->setHeight(120 * 15);
        Form5 *dialog = openDialog(program, Mode::Size);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Size"));
        QCOMPARE(dialog->Text1->text(), QStringLiteral("300"));
        QCOMPARE(dialog->Text2->text(), QStringLiteral("120"));
        QVERIFY(!program.window->isEnabled());
        QVERIFY(!form->parentWidget()->isEnabled());
        // Showing it again while it is open gives the same dialog.
        program.window->mnuSize_Click();
        QCOMPARE(qobject_cast<Form5 *>(program.window->Form5.data()), dialog);
        click(dialog->Command2);
        QVERIFY(program.window->isEnabled());
        QVERIFY(form->parentWidget()->isEnabled());

        dialog = openDialog(program, Mode::CanvasSize);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Canvas Size"));
        QCOMPARE(dialog->Text1->text(), QStringLiteral("300"));
        click(dialog->Command2);
        QCOMPARE(openDialog(program, Mode::Size)->windowTitle(), QStringLiteral("Size"));
    }

    void boxesKeepAWholeNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept");
        QTest::newRow("250x") << "250x" << "250";
        QTest::newRow("x250") << "x250" << "250";
        QTest::newRow("1.5") << "1.5" << "2";
        QTest::newRow("2.5") << "2.5" << "2";
        QTest::newRow(".4") << ".4" << "4";
        QTest::newRow("0") << "0" << "";
    }
    void boxesKeepAWholeNumber()
    {
        QFETCH(QString, text);
        QFETCH(QString, kept);
        Program program;
        Form5 *dialog = openDialog(program, Mode::Size);
        for (QLineEdit *box : {dialog->Text1, dialog->Text2}) {
            box->setText(text);
            QCOMPARE(box->text(), kept);
            QCOMPARE(box->cursorPosition(), kept.size());
        }
    }

    void typingALetterOrALoneZeroLeavesTheNumber()
    {
        Program program;
        Form5 *dialog = openDialog(program, Mode::Size);
        dialog->Text1->clear();
        QTest::keyClicks(dialog->Text1, QStringLiteral("12a"));
        QCOMPARE(dialog->Text1->text(), QStringLiteral("12"));
        dialog->Text2->clear();
        QTest::keyClicks(dialog->Text2, QStringLiteral("0"));
        QCOMPARE(dialog->Text2->text(), QString());
        QTest::keyClicks(dialog->Text2, QStringLiteral("b"));
        QCOMPARE(dialog->Text2->text(), QString());
    }

    void sizeStretchesTheCommittedPictureAndCommitsThreeTimes()
    {
        Program program;
        Form1 *form = program.active();
        halvesCommitted(form, QSize(40, 20));
        QSignalSpy commits(form, &Form1::Committed);
        Form5 *dialog = openDialog(program, Mode::Size);
        enter(dialog, QStringLiteral("84"), QStringLiteral("14"));
        click(dialog->Command1);
        const QImage picture = form->Picture1->Picture();
        QCOMPARE(picture.size(), QSize(80, 10));
        QCOMPARE(pixelOf(picture, 0, 0), Red);
        QCOMPARE(pixelOf(picture, 38, 9), Red);
        QCOMPARE(pixelOf(picture, 41, 9), Blue);
        QCOMPARE(form->Picture2->Picture(), picture);
        QCOMPARE(form->Picture1->Image(), picture);
        QCOMPARE(commits.count(), 3);
    }

    void sizeToTheSameSizeKeepsThePicture()
    {
        Program program;
        Form1 *form = program.active();
        halvesCommitted(form, QSize(246, 246));
        const QImage before = form->Picture1->Picture();
        QSignalSpy commits(form, &Form1::Committed);
        click(openDialog(program, Mode::Size)->Command1);
        QCOMPARE(form->Picture1->Picture(), before);
        QCOMPARE(commits.count(), 3);
    }

    void sizeBeyondTheOldSixteenBitLimitWorks()
    {
        Program program;
        Form1 *form = program.active();
        halvesCommitted(form, QSize(246, 246));
        Form5 *dialog = openDialog(program, Mode::Size);
        enter(dialog, QStringLiteral("3000"), QStringLiteral("20"));
        click(dialog->Command1);
        QCOMPARE(form->Picture1->Picture().size(), QSize(2996, 16));
        QCOMPARE(form->Picture1->Width(), 3000 * 15.0);
        QCOMPARE(program.prompts->count("message"), 0);
    }

    void anEmptyBoxResizesNothingAndCommitsOnce_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("size") << Mode::Size << QSize(246, 246);
        QTest::newRow("canvas size keeps the empty side") << Mode::CanvasSize << QSize(96, 246);
    }
    void anEmptyBoxResizesNothingAndCommitsOnce()
    {
        QFETCH(Mode, mode);
        QFETCH(QSize, expected);
        Program program;
        Form1 *form = program.active();
        halvesCommitted(form, QSize(246, 246));
        QSignalSpy commits(form, &Form1::Committed);
        Form5 *dialog = openDialog(program, mode);
        enter(dialog, QStringLiteral("100"), QString());
        click(dialog->Command1);
        QVERIFY(!program.window->Form5);
        QCOMPARE(form->Picture1->Picture().size(), expected);
        QCOMPARE(commits.count(), 1);
    }

    void canvasSizeKeepsPixelsTopLeftFillsWithTheBackgroundAndCrops()
    {
        Program program;
        Form1 *form = program.active();
        halvesCommitted(form, QSize(246, 246));
        Form5 *dialog = openDialog(program, Mode::CanvasSize);
        enter(dialog, QStringLiteral("300"), QStringLiteral("280"));
        click(dialog->Command1);
        QImage picture = form->Picture1->Picture();
        QCOMPARE(picture.size(), QSize(296, 276));
        QCOMPARE(pixelOf(picture, 0, 0), Red);
        QCOMPARE(pixelOf(picture, 245, 245), Blue);
        QCOMPARE(pixelOf(picture, 246, 10), Green);
        QCOMPARE(pixelOf(picture, 10, 246), Green);
        QCOMPARE(form->Picture2->Picture(), picture);
        QCOMPARE(form->Picture2->Width(), form->Picture1->Width());

        dialog = openDialog(program, Mode::CanvasSize);
        enter(dialog, QStringLiteral("104"), QStringLiteral("54"));
        click(dialog->Command1);
        picture = form->Picture1->Picture();
        QCOMPARE(picture.size(), QSize(100, 50));
        QCOMPARE(pixelOf(picture, 99, 49), Red);
        QCOMPARE(form->Picture1->Image(), picture);
    }

    void cancelCommitsTheCanvasOnce()
    {
        Program program;
        Form1 *form = program.active();
        QSignalSpy commits(form, &Form1::Committed);
        form->Picture1->Line(QPointF(3, 3), QPointF(40, 3), Red);
        Form5 *dialog = openDialog(program, Mode::Size);
        enter(dialog, QStringLiteral("500"), QStringLiteral("500"));
        click(dialog->Command2);
        QCOMPARE(commits.count(), 1);
        QCOMPARE(form->Picture1->Picture().size(), QSize(246, 246));
        QCOMPARE(pixelOf(form->Picture1->Picture(), 20, 3), Red);
    }

    void sizesBeyondTheLimitsAreRefusedWithAMessage_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        for (Mode mode : {Mode::Size, Mode::CanvasSize}) {
            const char *name = mode == Mode::Size ? "size" : "canvas size";
            QTest::addRow("%s: wider than 16384", name) << mode << "16385" << "100";
            QTest::addRow("%s: taller than 16384", name) << mode << "100" << "16385";
            QTest::addRow("%s: over 100 megapixels", name) << mode << "10000" << "10001";
            QTest::addRow("%s: negative", name) << mode << "-250" << "250";
            QTest::addRow("%s: no room inside the border", name) << mode << "4" << "250";
        }
        QTest::addRow("canvas size: one side empty, the other too large") << Mode::CanvasSize << "" << "16385";
    }
    void sizesBeyondTheLimitsAreRefusedWithAMessage()
    {
        QFETCH(Mode, mode);
        QFETCH(QString, width);
        QFETCH(QString, height);
        Program program;
        Form1 *form = program.active();
        halvesCommitted(form, QSize(246, 246));
        const QImage before = form->Picture1->Picture();
        QSignalSpy commits(form, &Form1::Committed);
        Form5 *dialog = openDialog(program, mode);
        enter(dialog, width, height);
        click(dialog->Command1);
        QCOMPARE(program.prompts->count("message"), 1);
        const QString message = program.prompts->last("message")->text;
        QVERIFY2(message.contains(QStringLiteral("16384")) && message.contains(QStringLiteral("100 megapixels")),
                 qPrintable(message));
        QCOMPARE(program.prompts->last("message")->title, dialog->windowTitle());
        QCOMPARE(form->Picture1->Picture(), before);
        QCOMPARE(form->Picture1->Width(), 250 * 15.0);
        QCOMPARE(commits.count(), 0);
        // The dialog stays open for a better value.
        QVERIFY(program.window->Form5 && dialog->isVisible());
        QVERIFY(!program.window->isEnabled());
    }

    void limitsHoldAtTheirEdges()
    {
        QVERIFY(canvasSizeAllowed(16384, 6103));
        QVERIFY(!canvasSizeAllowed(16384, 6104));
        QVERIFY(canvasSizeAllowed(10000, 10000));
        QVERIFY(canvasSizeAllowed(5, 5));
        QVERIFY(!canvasSizeAllowed(16385, 5));
        QVERIFY(!canvasSizeAllowed(5, 4));
        QVERIFY(!canvasSizeAllowed(1e300, 5));
    }
};
VP_TEST(TestForm5)
#include "tst_form5.moc"
