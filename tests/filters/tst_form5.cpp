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

Form5 *openDialog(Program &program, bool canvasSize)
{
    canvasSize ? program.window->mnuCansize_Click() : program.window->mnuSize_Click();
    return qobject_cast<Form5 *>(program.window->Form5.data());
}

// Types the sizes, clicks OK (or Cancel), and lets the closed dialog go.
void answer(Form5 *dialog, const QString &width, const QString &height, bool ok = true)
{
    dialog->Text1->setText(width);
    dialog->Text2->setText(height);
    (ok ? dialog->Command1 : dialog->Command2)->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A committed picture of a red left half and a blue right half, on a green background.
QImage halvesCommitted(Form1 *form, QSize inner)
{
    QImage picture = uniformPicture(inner, Blue);
    for (int y = 0; y < inner.height(); ++y)
        for (int x = 0; x < inner.width() / 2; ++x)
            picture.setPixelColor(x, y, toQColor(Red));
    form->Picture1->setBackColor(Green);
    form->Picture1->setPicture(picture);
    CommitPicture();
    return form->Picture1->Picture();
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
        Form5 *dialog = openDialog(program, false);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Size"));
        QCOMPARE(dialog->Text1->text() + QLatin1Char('x') + dialog->Text2->text(), QStringLiteral("300x250"));
        QVERIFY(!program.window->isEnabled() && !form->parentWidget()->isEnabled());
        answer(dialog, {}, {}, false);
        QVERIFY(program.window->isEnabled() && form->parentWidget()->isEnabled());
        QCOMPARE(openDialog(program, true)->windowTitle(), QStringLiteral("Canvas Size"));
    }

    void boxesKeepAWholeNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept");
        for (auto [text, kept] : {std::pair{"250x", "250"}, {"x250", "250"}, {"1.5", "2"}, {"2.5", "2"}, {".4", "4"},
                                  {"0", ""}})
            QTest::newRow(text) << text << kept;
    }
    void boxesKeepAWholeNumber()
    {
        QFETCH(QString, text);
        QFETCH(QString, kept);
        Program program;
        QLineEdit *box = openDialog(program, false)->Text2;
        box->setText(text);
        QCOMPARE(box->text(), kept);
        QCOMPARE(box->cursorPosition(), kept.size());
    }

    void sizeStretchesTheCommittedPictureBeyondTheOldSixteenBitLimit()
    {
        Program program;
        Form1 *form = program.active();
        halvesCommitted(form, QSize(40, 20));
        QSignalSpy commits(form, &Form1::Committed);
        answer(openDialog(program, false), QStringLiteral("3004"), QStringLiteral("14"));
        const QImage picture = form->Picture1->Picture();
        QCOMPARE(picture.size(), QSize(3000, 10));
        QCOMPARE(pixelOf(picture, 1400, 9), Red);
        QCOMPARE(pixelOf(picture, 1600, 0), Blue);
        QCOMPARE(form->Picture2->Picture(), picture);
        QCOMPARE(form->Picture1->Image(), picture);
        QCOMPARE(commits.count(), 3);
        QCOMPARE(program.prompts->count("message"), 0);
    }

    void whatEachAnswerCommits_data()
    {
        QTest::addColumn<bool>("canvasSize");
        QTest::addColumn<QString>("width");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("commits");
        QTest::newRow("size to the same size") << false << "250" << true << QSize(246, 246) << 3;
        QTest::newRow("size with an empty box") << false << "" << true << QSize(246, 246) << 1;
        QTest::newRow("canvas size keeps an empty side") << true << "" << true << QSize(246, 96) << 1;
        QTest::newRow("cancel") << false << "500" << false << QSize(246, 246) << 1;
    }
    void whatEachAnswerCommits()
    {
        QFETCH(bool, canvasSize);
        QFETCH(QString, width);
        QFETCH(bool, ok);
        QFETCH(QSize, size);
        QFETCH(int, commits);
        Program program;
        Form1 *form = program.active();
        const QImage before = halvesCommitted(form, QSize(246, 246));
        QSignalSpy committed(form, &Form1::Committed);
        answer(openDialog(program, canvasSize), width, canvasSize ? QStringLiteral("100") : QString("250"), ok);
        QVERIFY(!program.window->Form5);
        QCOMPARE(committed.count(), commits);
        QCOMPARE(form->Picture1->Picture(), size == before.size() ? before : before.copy(QRect({}, size)));
    }

    void canvasSizeKeepsPixelsTopLeftFillsWithTheBackgroundAndCrops()
    {
        Program program;
        Form1 *form = program.active();
        halvesCommitted(form, QSize(246, 246));
        answer(openDialog(program, true), QStringLiteral("300"), QStringLiteral("280"));
        QImage picture = form->Picture1->Picture();
        QCOMPARE(picture.size(), QSize(296, 276));
        QCOMPARE(pixelOf(picture, 245, 245), Blue);
        QCOMPARE(pixelOf(picture, 246, 10), Green);
        QCOMPARE(pixelOf(picture, 10, 246), Green);
        QCOMPARE(form->Picture2->Picture(), picture);

        answer(openDialog(program, true), QStringLiteral("104"), QStringLiteral("54"));
        QCOMPARE(form->Picture1->Picture(), uniformPicture(QSize(100, 50), Red));
    }

    void sizesBeyondTheLimitsAreRefusedWithAMessage_data()
    {
        QTest::addColumn<bool>("canvasSize");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        for (bool canvasSize : {false, true}) {
            const char *mode = canvasSize ? "canvas size" : "size";
            QTest::addRow("%s: wider than 16384", mode) << canvasSize << "16385" << "100";
            QTest::addRow("%s: over 100 megapixels", mode) << canvasSize << "10000" << "10001";
            QTest::addRow("%s: negative", mode) << canvasSize << "-250" << "250";
            QTest::addRow("%s: no room inside the border", mode) << canvasSize << "250" << "4";
        }
        QTest::addRow("canvas size: one side empty, the other too tall") << true << "" << "16385";
    }
    void sizesBeyondTheLimitsAreRefusedWithAMessage()
    {
        QFETCH(bool, canvasSize);
        QFETCH(QString, width);
        QFETCH(QString, height);
        Program program;
        Form1 *form = program.active();
        const QImage before = halvesCommitted(form, QSize(246, 246));
        QSignalSpy commits(form, &Form1::Committed);
        Form5 *dialog = openDialog(program, canvasSize);
        answer(dialog, width, height);
        QCOMPARE(program.prompts->count("message"), 1);
        const QString message = program.prompts->last("message")->text;
        QVERIFY2(message.contains(QStringLiteral("16384")) && message.contains(QStringLiteral("100 megapixels")),
                 qPrintable(message));
        QCOMPARE(form->Picture1->Picture(), before);
        QCOMPARE(form->Picture1->Width(), 250 * 15.0);
        QCOMPARE(commits.count(), 0);
        // The dialog stays open for a better value.
        QVERIFY(dialog->isVisible() && !program.window->isEnabled());
        QVERIFY(canvasSizeAllowed(16384, 6103) && !canvasSizeAllowed(16384, 6104) && canvasSizeAllowed(5, 5));
    }
};
VP_TEST(TestForm5)
#include "tst_form5.moc"
