#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "filters/sizedialog.h"
#include "fixture.h"
#include "testregistry.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

SizeDialog *openDialog(Program &program, bool canvasSize)
{
    canvasSize ? program.window->sizeCanvas() : program.window->sizePicture();
    return qobject_cast<SizeDialog *>(program.window->sizeDialog.data());
}

// Types the sizes, clicks OK (or Cancel), and lets the closed dialog go.
void answer(SizeDialog *dialog, const QString &width, const QString &height, bool ok = true)
{
    dialog->widthBox->setText(width);
    dialog->heightBox->setText(height);
    (ok ? dialog->okButton : dialog->cancelButton)->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A committed picture of a red left half and a blue right half, on a green background.
QImage halvesCommitted(Document *doc, QSize inner)
{
    QImage picture = uniformPicture(inner, Blue);
    for (int y = 0; y < inner.height(); ++y)
        for (int x = 0; x < inner.width() / 2; ++x)
            picture.setPixelColor(x, y, toQColor(Red));
    doc->canvas().setBackgroundColour(Green);
    doc->canvas().setPicture(picture);
    doc->commitPicture();
    return doc->canvas().picture();
}
} // namespace

class TestSizeDialog : public QObject {
    Q_OBJECT
private slots:
    void opensInTheCommandsModeWithTheCanvasOuterSize()
    {
        Program program;
        Document *doc = program.active();
        doc->canvas().setOuterSize(QSize(300, 250));
        SizeDialog *dialog = openDialog(program, false);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Size"));
        QCOMPARE(dialog->widthBox->text() + QLatin1Char('x') + dialog->heightBox->text(), QStringLiteral("300x250"));
        QVERIFY(documentsBlocked(program));
        answer(dialog, {}, {}, false);
        QVERIFY(!documentsBlocked(program));
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
        QLineEdit *box = openDialog(program, false)->heightBox;
        box->setText(text);
        QCOMPARE(box->text(), kept);
        QCOMPARE(box->cursorPosition(), kept.size());
    }

    void sizeStretchesTheCommittedPictureBeyondTheOldSixteenBitLimit()
    {
        Program program;
        Document *doc = program.active();
        halvesCommitted(doc, QSize(40, 20));
        QSignalSpy commits(doc, &Document::committed);
        answer(openDialog(program, false), QStringLiteral("3004"), QStringLiteral("14"));
        const QImage picture = doc->canvas().picture();
        QCOMPARE(picture.size(), QSize(3000, 10));
        QCOMPARE(pixelOf(picture, 1400, 9), Red);
        QCOMPARE(pixelOf(picture, 1600, 0), Blue);
        QCOMPARE(doc->snapshot().picture(), picture);
        QCOMPARE(doc->canvas().image(), picture);
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
        Document *doc = program.active();
        const QImage before = halvesCommitted(doc, QSize(246, 246));
        QSignalSpy committed(doc, &Document::committed);
        answer(openDialog(program, canvasSize), width, canvasSize ? QStringLiteral("100") : QString("250"), ok);
        QVERIFY(!program.window->sizeDialog);
        QCOMPARE(committed.count(), commits);
        QCOMPARE(doc->canvas().picture(), size == before.size() ? before : before.copy(QRect({}, size)));
    }

    void canvasSizeKeepsPixelsTopLeftFillsWithTheBackgroundAndCrops()
    {
        Program program;
        Document *doc = program.active();
        halvesCommitted(doc, QSize(246, 246));
        answer(openDialog(program, true), QStringLiteral("300"), QStringLiteral("280"));
        QImage picture = doc->canvas().picture();
        QCOMPARE(picture.size(), QSize(296, 276));
        QCOMPARE(pixelOf(picture, 245, 245), Blue);
        QCOMPARE(pixelOf(picture, 246, 10), Green);
        QCOMPARE(pixelOf(picture, 10, 246), Green);
        QCOMPARE(doc->snapshot().picture(), picture);

        answer(openDialog(program, true), QStringLiteral("104"), QStringLiteral("54"));
        QCOMPARE(doc->canvas().picture(), uniformPicture(QSize(100, 50), Red));
    }

    void sizesBeyondTheLimitsAreRefusedWithAMessage_data()
    {
        QTest::addColumn<bool>("canvasSize");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        for (bool canvasSize : {false, true}) {
            const char *mode = canvasSize ? "canvas size" : "size";
            // The boxes count the canvas's 2-pixel border: 16388 holds a picture 16384 wide.
            QTest::addRow("%s: a picture wider than 16384", mode) << canvasSize << "16389" << "100";
            QTest::addRow("%s: a picture taller than 16384", mode) << canvasSize << "16388" << "16389";
            QTest::addRow("%s: negative", mode) << canvasSize << "-250" << "250";
            QTest::addRow("%s: no room inside the border", mode) << canvasSize << "250" << "4";
        }
        QTest::addRow("canvas size: one side empty, the other too tall") << true << "" << "16389";
    }
    void sizesBeyondTheLimitsAreRefusedWithAMessage()
    {
        QFETCH(bool, canvasSize);
        QFETCH(QString, width);
        QFETCH(QString, height);
        Program program;
        Document *doc = program.active();
        const QImage before = halvesCommitted(doc, QSize(246, 246));
        QSignalSpy commits(doc, &Document::committed);
        SizeDialog *dialog = openDialog(program, canvasSize);
        answer(dialog, width, height);
        QCOMPARE(program.prompts->count("message"), 1);
        const QString message = program.prompts->last("message")->text;
        QVERIFY2(message.contains(QStringLiteral("16388")) && message.contains(QStringLiteral("268 megapixels")),
                 qPrintable(message));
        QCOMPARE(doc->canvas().picture(), before);
        QCOMPARE(doc->canvas().outerSize(), QSize(250, 250));
        QCOMPARE(commits.count(), 0);
        // The dialog stays open for a better value.
        QVERIFY(dialog->isVisible() && documentsBlocked(program));
        // A 16384 x 16384 picture inside the border is the largest.
        QVERIFY(canvasSizeAllowed(16388, 16388) && !canvasSizeAllowed(16388, 16389) && canvasSizeAllowed(5, 5));
    }
};
VP_TEST(TestSizeDialog)
#include "tst_sizedialog.moc"
