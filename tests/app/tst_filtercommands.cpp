#include "document/commit.h"
#include "document/form1.h"
#include "document/picturebox.h"
#include "document/picturefiles.h"
#include "fixture.h"
#include "filters/frmrotate.h"
#include "filters/rotate.h"
#include "testregistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

constexpr Colour Red = 0x000000FF;

// Every pixel differs from every other.
QImage numbered(int w, int h)
{
    QImage picture(w, h, PictureFormat);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setPixelBGR(picture.scanLine(y) + 3 * x, makeColour(10 + x, 10 + y, 99));
    return picture;
}

Colour grey(int level) { return makeColour(level, level, level); }

// The picture committed, then a red dot drawn at (0, 0) and not committed.
QImage commitThenDraw(Form1 *form, const QImage &picture)
{
    form->Picture1->setPicture(picture);
    CommitPicture();
    form->Picture1->Line(QPointF(0, 0), QPointF(0, 0), Red);
    return form->Picture1->Image().copy();
}

frmRotate *rotateDialog(Program &program)
{
    program.window->mnuRotate_Click();
    return qobject_cast<frmRotate *>(program.window->frmRotate.data());
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
        Form1 *form = program.active();
        const QImage committed = numbered(size.width(), size.height());
        const QImage drawn = commitThenDraw(form, committed);
        auto flip = [&] { horizontal ? program.window->mnuFlipHor_Click() : program.window->mnuFlipVert_Click(); };

        flip();
        QCOMPARE(form->Picture2->Picture(), drawn.mirrored(horizontal, !horizontal));
        QCOMPARE(form->Picture1->Image(), form->Picture2->Picture());
        QCOMPARE(form->Picture1->Picture(), committed);
    }

    // Edges darken to 6 x 255 div 9 and corners to 4 x 255 div 9 on all four sides: the filter
    // smooths the bitmap at its own size, not the canvas control's outer size.
    void smoothShowsItsProgressThenSaysDoneThenCommits()
    {
        Program program;
        MDIForm1 &main = *program.window;
        Form1 *form = program.active();
        form->Picture1->setPicture(uniformPicture(QSize(246, 246), grey(255)));
        QString captionWhileRunning;
        bool inputWhileRunning = true;
        QTimer::singleShot(0, &main, [&] {
            captionWhileRunning = main.windowTitle();
            inputWhileRunning = main.isEnabled();
        });
        int messagesAtCommit = -1;
        connect(form, &Form1::Committed, this, [&] { messagesAtCommit = program.prompts->count("message"); });

        main.mnuSmooth->trigger();
        QCOMPARE(captionWhileRunning, QStringLiteral("Vell's Painter [Working]"));
        QVERIFY(!inputWhileRunning);
        QCOMPARE(main.windowTitle(), MainTitle);
        QVERIFY(main.isEnabled());
        QCOMPARE(program.prompts->count("message"), 1);
        QCOMPARE(program.prompts->last("message")->text + program.prompts->last("message")->title,
                 QStringLiteral("Done!Smooth"));
        QCOMPARE(messagesAtCommit, 1);

        const QImage after = form->Picture1->Picture();
        for (const QPoint corner : {QPoint(0, 0), QPoint(245, 0), QPoint(0, 245), QPoint(245, 245)})
            QCOMPARE(pixelOf(after, corner.x(), corner.y()), grey(113));
        for (const QPoint edge : {QPoint(100, 0), QPoint(0, 100), QPoint(245, 100), QPoint(100, 245)})
            QCOMPARE(pixelOf(after, edge.x(), edge.y()), grey(170));
        QCOMPARE(pixelOf(after, 100, 100), grey(255));
    }

    void closingTheDocumentStopsTheSmoothAndCommitsNothing()
    {
        Program program;
        MDIForm1 &main = *program.window;
        Form1 *other = program.active();
        Form1 *smoothed = main.newDocument();
        smoothed->Picture1->setPicture(uniformPicture(QSize(20, 20), grey(255)));
        int otherCommits = 0;
        connect(other, &Form1::Committed, this, [&] { ++otherCommits; });
        QTimer::singleShot(0, &main, [&] {
            program.prompts->answers.push_back(PromptAnswer::No);
            qobject_cast<QMdiSubWindow *>(smoothed->parentWidget())->close();
        });

        main.mnuSmooth_Click();
        QCOMPARE(program.prompts->count("question"), 1);
        QCOMPARE(program.prompts->count("message"), 0);
        QCOMPARE(otherCommits, 0);
        QCOMPARE(other->Picture1->Image(), uniformPicture(QSize(246, 246), 0));
        QCOMPARE(main.windowTitle(), MainTitle);
        QVERIFY(main.isEnabled());
    }

    void rotateDialogStartsAtZeroAtEveryShowing()
    {
        Program program;
        QWidget *document = program.active()->parentWidget();
        frmRotate *dialog = rotateDialog(program);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Rotate"));
        QCOMPARE(dialog->Label1->text(), QStringLiteral("Angle"));
        QCOMPARE(dialog->Text1->text(), QStringLiteral("0"));
        QVERIFY(!program.window->isEnabled() && !document->isEnabled());
        dialog->Text1->setText(QStringLiteral("45"));
        QTest::mouseClick(dialog->Command2, Qt::LeftButton);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(program.window->isEnabled() && document->isEnabled());
        QCOMPARE(rotateDialog(program)->Text1->text(), QStringLiteral("0"));
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
        Form1 *form = program.active();
        // 9 pixels: a centre of 4.5 rounds to 4.
        const QImage committed = numbered(9, 9);
        const QImage drawn = commitThenDraw(form, committed);
        frmRotate *dialog = rotateDialog(program);
        dialog->Text1->setText(text);
        QTest::mouseClick(dialog->Command1, Qt::LeftButton);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QImage expected = committed.copy();
        RotatePicture(drawn, expected, degrees * 3.14159265358979 / 180, 0, 0, 8, 8, 4, 4, 4, 4);
        const QImage result = form->Picture1->Picture();
        QCOMPARE(result, expected);
        QCOMPARE(LoadPicture(program.tempPath()).picture, expected);
        QVERIFY(!program.window->frmRotate && program.window->isEnabled());
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
