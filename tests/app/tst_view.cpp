#include "app/viewstatus.h"
#include "document/canvasview.h"
#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "fixture.h"
#include "imagelib/picturefiles.h"
#include "testregistry.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

namespace {

Document *documentWithPicture(Program &program, QSize size)
{
    Document *doc = program.newDocument();
    doc->canvas().setPicture(uniformPicture(size, Green));
    return doc;
}

void closeWithoutSaving(Program &program, Document *document)
{
    program.prompts->answers.push_back(PromptAnswer::No);
    closeDocument(document);
    QApplication::processEvents();
}

QRect workspaceOf(Program &program)
{
    return program.window->mdiArea->viewport()->rect();
}

} // namespace

class TestView : public QObject {
    Q_OBJECT
private slots:
    // The info text used to keep describing whichever canvas changed last, even one closed or
    // behind another.
    void pictureInfoFollowsTheActiveDocument()
    {
        Program program;
        QLabel *info = program.window->pictureInfo;
        Document *first = program.active();
        first->canvas().setPicture(uniformPicture(QSize(20, 10), Red));
        Document *second = documentWithPicture(program, QSize(30, 10));
        QCOMPARE(info->text(), QStringLiteral("34x14 1kB"));
        activate(first);
        QCOMPARE(info->text(), QStringLiteral("24x14 1kB"));
        activate(second);
        QCOMPARE(info->text(), QStringLiteral("34x14 1kB"));
        first->canvas().setPicture(uniformPicture(QSize(40, 10), Red)); // behind the active one
        QCOMPARE(info->text(), QStringLiteral("34x14 1kB"));
        closeWithoutSaving(program, second);
        QCOMPARE(program.active(), first);
        QCOMPARE(info->text(), QStringLiteral("44x14 1kB"));
        closeWithoutSaving(program, first);
        QCOMPARE(info->text(), QString());
    }

    // The frame kept a scroll range as far as it had been scrolled, empty as it was.
    void noEmptyScrollbarAfterTheLastDocumentCloses()
    {
        Program program;
        QMdiArea *area = program.window->mdiArea;
        Document *doc = program.active();
        frameOf(doc)->move(area->viewport()->width() - 50, 0); // dragged partly out of sight
        QApplication::processEvents();
        QVERIFY(area->horizontalScrollBar()->maximum() > 0);
        area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum());
        QApplication::processEvents();
        closeWithoutSaving(program, doc);
        QCOMPARE(area->horizontalScrollBar()->maximum(), 0);
        QVERIFY(!area->horizontalScrollBar()->isVisible());
    }

    void aPictureLargerThanTheWorkspaceScrollsInAWindowInsideIt()
    {
        Program program;
        Document *doc = program.active();
        doc->canvas().setPicture(uniformPicture(QSize(3000, 2000), Green));
        QApplication::processEvents();
        QVERIFY(workspaceOf(program).contains(frameOf(doc)->geometry()));
        QCOMPARE(doc->canvas().outerSize(), QSize(3004, 2004)); // the picture keeps its size
        QCOMPARE(doc->canvas().size(), QSize(3000, 2000));
        QVERIFY(viewOf(doc).horizontalScrollBar()->maximum() > 0);
        QVERIFY(viewOf(doc).verticalScrollBar()->maximum() > 0);
        frameOf(doc)->showMaximized(); // a maximized window used to show no scrollbars either
        QApplication::processEvents();
        QVERIFY(viewOf(doc).verticalScrollBar()->maximum() > 0);
        QCOMPARE(viewOf(doc).verticalScrollBar()->maximum(),
                 viewOf(doc).pictureArea()->height() - viewOf(doc).viewport()->height());
        frameOf(doc)->showNormal();
        // A window that fits is sized as it always was: grown to a wider canvas plus the frame,
        // kept where the canvas is smaller.
        Document *small = documentWithPicture(program, QSize(296, 200));
        QCOMPARE(windowContentSize(small), QSize(300, 250));
        QCOMPARE(viewOf(small).horizontalScrollBar()->maximum(), 0);
        QCOMPARE(viewOf(small).verticalScrollBar()->maximum(), 0);
    }

    void windowsOpenInsideTheVisibleWorkspace()
    {
        Program program;
        const QRect available = program.window->screen()->availableGeometry();
        QVERIFY(qAbs(program.window->width() - available.width() * 0.8) <= 2);
        QVERIFY(qAbs(program.window->height() - available.height() * 0.8) <= 2);
        QVERIFY((program.window->geometry().center() - available.center()).manhattanLength() <= 40);
        QList<QPoint> places;
        for (int i = 0; i < 3; ++i) {
            Document *doc = i == 0 ? program.active() : program.newDocument();
            QVERIFY(workspaceOf(program).contains(frameOf(doc)->geometry()));
            places << frameOf(doc)->pos();
        }
        QCOMPARE(places[0], QPoint(0, 0));
        QVERIFY(places[1].x() > 0 && places[1].x() == places[1].y());
        QCOMPARE(places[2], 2 * places[1]);
    }

    void statusBarShowsPointerPictureSizeAndZoom()
    {
        Program program;
        ViewStatus &status = *program.window->viewStatus;
        Document *doc = program.active();
        doc->canvas().setPicture(uniformPicture(QSize(400, 300), Green));
        QCOMPARE(status.pictureSize->text(), QStringLiteral("400 x 300")); // the bitmap's, not 404 x 304
        QCOMPARE(status.zoomBox->currentText(), QStringLiteral("100 %"));
        // The pencil's pixel: under its tip, 8 screen pixels below the pointer.
        QTest::mouseMove(canvasArea(doc), QPoint(12, 22));
        QCOMPARE(status.pointerPosition->text(), QStringLiteral("10, 28"));
        QTest::mouseMove(canvasArea(doc), QPoint(1, 1)); // on the border
        QCOMPARE(status.pointerPosition->text(), QString());

        viewOf(doc).setZoom(0.5);
        QCOMPARE(status.zoomBox->currentText(), QStringLiteral("50 %"));
        QTest::mouseMove(canvasArea(doc), QPoint(12, 22));
        QCOMPARE(status.pointerPosition->text(), QStringLiteral("20, 56"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(canvasArea(doc), &leave);
        QCOMPARE(status.pointerPosition->text(), QString());

        status.zoomBox->lineEdit()->setText(QStringLiteral("150"));
        QTest::keyClick(status.zoomBox->lineEdit(), Qt::Key_Return);
        QCOMPARE(viewOf(doc).zoom(), 1.5);
        QCOMPARE(status.zoomBox->currentText(), QStringLiteral("150 %"));
        // Bad input says so and changes nothing.
        status.zoomBox->lineEdit()->setText(QStringLiteral("huge"));
        QTest::keyClick(status.zoomBox->lineEdit(), Qt::Key_Return);
        QCOMPARE(viewOf(doc).zoom(), 1.5);
        QCOMPARE(status.zoomBox->currentText(), QStringLiteral("150 %"));
        QVERIFY(program.window->statusBar()->currentMessage().contains(QStringLiteral("huge")));
        status.zoomBox->setCurrentIndex(0);
        emit status.zoomBox->activated(0);
        QCOMPARE(viewOf(doc).zoom(), 0.125);

        // Each document keeps its own zoom; the status bar shows the active one's.
        Document *other = documentWithPicture(program, QSize(50, 60));
        QCOMPARE(status.zoomBox->currentText(), QStringLiteral("100 %"));
        QCOMPARE(status.pictureSize->text(), QStringLiteral("50 x 60"));
        activate(doc);
        QCOMPARE(status.zoomBox->currentText(), QStringLiteral("12.5 %"));
        closeWithoutSaving(program, doc);
        closeWithoutSaving(program, other);
        QCOMPARE(status.pictureSize->text(), QString());
        QVERIFY(!status.zoomBox->isEnabled());
    }

    // A picture opened into a window zoomed in on another showed a corner of itself.
    void openShowsTheNewPictureWholeFromItsCorner_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<bool>("fitted");
        QTest::newRow("larger than the window: fitted") << QSize(2400, 1800) << true;
        QTest::newRow("smaller: 100 %") << QSize(120, 90) << false;
    }
    void openShowsTheNewPictureWholeFromItsCorner()
    {
        QFETCH(QSize, picture);
        QFETCH(bool, fitted);
        Program program;
        Document *doc = program.active();
        doc->canvas().setPicture(uniformPicture(QSize(1000, 800), Red));
        viewOf(doc).setZoom(8);
        viewOf(doc).setScrollPosition(QPoint(3000, 2000));
        const QString path = writeFile(program.folder.filePath(QStringLiteral("new.bmp")), {});
        QVERIFY(savePicture(uniformPicture(picture, Blue), path).isEmpty());
        program.prompts->files = {path};
        program.window->open();
        QCOMPARE(doc->canvas().size(), picture);
        QCOMPARE(viewOf(doc).scrollPosition(), QPoint(0, 0));
        if (fitted) {
            QCOMPARE(viewOf(doc).zoom(), viewOf(doc).fitZoom());
            QVERIFY(viewOf(doc).zoom() < 1);
        } else {
            QCOMPARE(viewOf(doc).zoom(), 1.0);
        }
    }

    // A level typed and left behind (the keyboard taken elsewhere) was ignored without a word.
    void theZoomBoxRefusesALevelItCannotTakeAndShowsTheCurrentOne()
    {
        Program program;
        ViewStatus &status = *program.window->viewStatus;
        viewOf(program.active()).setZoom(2);
        status.zoomBox->lineEdit()->setText(QStringLiteral("9000"));
        emit status.zoomBox->lineEdit()->editingFinished();
        QCOMPARE(viewOf(program.active()).zoom(), 2.0);
        QCOMPARE(status.zoomBox->currentText(), QStringLiteral("200 %"));
        QVERIFY(program.window->statusBar()->currentMessage().contains(QStringLiteral("\"9000\" is no zoom level")));
        // A good level is taken the same way, and leaving an unchanged box changes nothing.
        status.zoomBox->lineEdit()->setText(QStringLiteral("37.5"));
        emit status.zoomBox->lineEdit()->editingFinished();
        QCOMPARE(viewOf(program.active()).zoom(), 0.375);
        emit status.zoomBox->lineEdit()->editingFinished();
        QCOMPARE(viewOf(program.active()).zoom(), 0.375);
    }

    void zoomKeysActOnTheActiveDocument()
    {
        Program program;
        ViewStatus &status = *program.window->viewStatus;
        QVERIFY(status.zoomInAction->shortcuts().contains(QKeySequence(QStringLiteral("Ctrl++"))));
        QCOMPARE(status.zoomOutAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+-")));
        QCOMPARE(status.fitAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+0")));
        QCOMPARE(status.actualSizeAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+1")));
        QVERIFY(program.window->actions().contains(status.fitAction)); // without a menu
        Document *first = program.active();
        Document *doc = documentWithPicture(program, QSize(2000, 1500));
        status.fitAction->trigger();
        QCOMPARE(viewOf(doc).zoom(), viewOf(doc).fitZoom());
        QVERIFY(viewOf(doc).zoom() < 1);
        status.zoomInAction->trigger();
        QCOMPARE(viewOf(doc).zoom(), CanvasView::stepAbove(viewOf(doc).fitZoom()));
        status.actualSizeAction->trigger();
        QCOMPARE(viewOf(doc).zoom(), 1.0);
        status.zoomOutAction->trigger();
        QCOMPARE(viewOf(doc).zoom(), 2.0 / 3);
        QCOMPARE(viewOf(first).zoom(), 1.0);
    }
};
VP_TEST(TestView)
#include "tst_view.moc"
