#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "filters/rotatedialog.h"
#include "fixture.h"
#include "imagelib/picturefiles.h"
#include "imagelib/rotate.h"
#include "testregistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {


// Every pixel differs from every other.
QImage numbered(int w, int h) { return numberedPicture(QSize(w, h), makeColour(10, 10, 99)); }

Colour grey(int level) { return makeColour(level, level, level); }

// The picture committed, then a red dot drawn at (0, 0) and not committed.
QImage commitThenDraw(Document *doc, const QImage &picture)
{
    doc->canvas().setPicture(picture);
    doc->commitPicture();
    doc->canvas().line(QPointF(0, 0), QPointF(0, 0), Red);
    return doc->canvas().image().copy();
}

RotateDialog *rotateDialog(Program &program)
{
    program.window->rotate();
    return qobject_cast<RotateDialog *>(program.window->rotateDialog.data());
}

} // namespace

class TestFilterCommands : public QObject {
    Q_OBJECT
private slots:
    void flipMirrorsTheDrawnPictureWithoutCommitting_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("horizontal");
        for (const QSize size : {QSize(1, 1), QSize(7, 4), QSize(246, 246)})
            for (const bool horizontal : {true, false})
                QTest::addRow("%dx%d %s", size.width(), size.height(), horizontal ? "horizontal" : "vertical")
                    << size << horizontal;
    }
    void flipMirrorsTheDrawnPictureWithoutCommitting()
    {
        QFETCH(QSize, size);
        QFETCH(bool, horizontal);
        Program program;
        Document *doc = program.active();
        const QImage committed = numbered(size.width(), size.height());
        const QImage drawn = commitThenDraw(doc, committed);
        auto flip = [&] { horizontal ? program.window->flipHorizontal() : program.window->flipVertical(); };

        flip();
        QCOMPARE(doc->snapshot().picture(), drawn.mirrored(horizontal, !horizontal));
        QCOMPARE(doc->canvas().image(), doc->snapshot().picture());
        QCOMPARE(doc->canvas().picture(), committed);
    }

    // Edges darken to 6 x 255 div 9 and corners to 4 x 255 div 9 on all four sides: the filter
    // smooths the bitmap at its own size, not the canvas control's outer size.
    void smoothShowsItsProgressThenSaysDoneThenCommits()
    {
        Program program;
        MainWindow &main = *program.window;
        Document *doc = program.active();
        doc->canvas().setPicture(uniformPicture(QSize(246, 246), grey(255)));
        QString captionWhileRunning;
        bool inputWhileRunning = true;
        QTimer::singleShot(0, &main, [&] {
            captionWhileRunning = main.windowTitle();
            inputWhileRunning = main.isEnabled();
        });
        int messagesAtCommit = -1;
        connect(doc, &Document::committed, this, [&] { messagesAtCommit = program.prompts->count("message"); });

        main.smoothAction->trigger();
        QCOMPARE(captionWhileRunning, QStringLiteral("Vell's Painter [Working]"));
        QVERIFY(!inputWhileRunning);
        QCOMPARE(main.windowTitle(), QStringLiteral("Vell's Painter"));
        QVERIFY(main.isEnabled());
        QCOMPARE(program.prompts->count("message"), 1);
        QCOMPARE(program.prompts->last("message")->text + program.prompts->last("message")->title,
                 QStringLiteral("Done!Smooth"));
        QCOMPARE(messagesAtCommit, 1);

        const QImage after = doc->canvas().picture();
        for (const QPoint corner : {QPoint(0, 0), QPoint(245, 0), QPoint(0, 245), QPoint(245, 245)})
            QCOMPARE(pixelOf(after, corner.x(), corner.y()), grey(113));
        for (const QPoint edge : {QPoint(100, 0), QPoint(0, 100), QPoint(245, 100), QPoint(100, 245)})
            QCOMPARE(pixelOf(after, edge.x(), edge.y()), grey(170));
        QCOMPARE(pixelOf(after, 100, 100), grey(255));
    }

    void closingTheDocumentStopsTheSmoothAndCommitsNothing()
    {
        Program program;
        MainWindow &main = *program.window;
        Document *other = program.active();
        Document *smoothed = program.newDocument();
        smoothed->canvas().setPicture(uniformPicture(QSize(20, 20), grey(255)));
        int otherCommits = 0;
        connect(other, &Document::committed, this, [&] { ++otherCommits; });
        QTimer::singleShot(0, &main, [&] {
            program.prompts->answers.push_back(PromptAnswer::No);
            frameOf(smoothed)->close();
        });

        main.smooth();
        QCOMPARE(program.prompts->count("question"), 1);
        QCOMPARE(program.prompts->count("message"), 0);
        QCOMPARE(otherCommits, 0);
        QCOMPARE(other->canvas().image(), uniformPicture(QSize(246, 246), 0));
        QCOMPARE(main.windowTitle(), QStringLiteral("Vell's Painter"));
        QVERIFY(main.isEnabled());
    }

    void rotateDialogStartsAtZeroAtEveryShowing()
    {
        Program program;
        RotateDialog *dialog = rotateDialog(program);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Rotate"));
        QCOMPARE(dialog->angleLabel->text(), QStringLiteral("Angle"));
        QCOMPARE(dialog->angleBox->text(), QStringLiteral("0"));
        QVERIFY(documentsBlocked(program));
        dialog->angleBox->setText(QStringLiteral("45"));
        QTest::mouseClick(dialog->cancelButton, Qt::LeftButton);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!documentsBlocked(program));
        QCOMPARE(rotateDialog(program)->angleBox->text(), QStringLiteral("0"));
    }

    // The angle as typed, and the turn it must give once normalised and read back.
    void rotateTurnsTheDrawnPictureOntoTheCommittedOne_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("degrees");
        const std::pair<const char *, int> rows[] = {{"0", 0},     {"90", 90},   {"45", 45}, {"370", 10},
                                                     {"-370", -10}, {"-30", -30}, {"360", 0}, {"", 0}};
        for (const auto &[text, degrees] : rows)
            QTest::addRow("'%s' turns %d", text, degrees) << QString(text) << degrees;
    }
    void rotateTurnsTheDrawnPictureOntoTheCommittedOne()
    {
        QFETCH(QString, text);
        QFETCH(int, degrees);
        Program program;
        Document *doc = program.active();
        // 9 pixels: a centre of 4.5 rounds to 4.
        const QImage committed = numbered(9, 9);
        const QImage drawn = commitThenDraw(doc, committed);
        RotateDialog *dialog = rotateDialog(program);
        dialog->angleBox->setText(text);
        QTest::mouseClick(dialog->okButton, Qt::LeftButton);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QImage expected = committed.copy();
        rotatePicture(drawn, expected, degrees * 3.14159265358979 / 180, 0, 0, 8, 8, 4, 4, 4, 4);
        const QImage result = doc->canvas().picture();
        QCOMPARE(result, expected);
        QCOMPARE(loadPicture(program.tempPath()).picture, expected);
        QVERIFY(!program.window->rotateDialog && program.window->isEnabled());
        if (degrees == 0)
            QCOMPARE(result, drawn);
        if (degrees == 45)
            QCOMPARE(pixelOf(result, 0, 0), pixelOf(committed, 0, 0));
        if (degrees == 90)
            for (int i = 0; i < 9; ++i)
                QVERIFY(pixelOf(result, i, 0) != pixelOf(committed, i, 0) &&
                        pixelOf(result, 0, i) != pixelOf(committed, 0, i));
    }
};
VP_TEST(TestFilterCommands)
#include "tst_filtercommands.moc"
