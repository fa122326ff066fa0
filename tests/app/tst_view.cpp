#include "document/canvasview.h"
#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "fixture.h"
#include "testregistry.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

namespace {

DocumentWindow *documentWithPicture(Program &program, QSize size)
{
    DocumentWindow *doc = program.window->newDocument();
    doc->canvas->setPicture(uniformPicture(size, Green));
    return doc;
}

void closeWithoutSaving(Program &program, DocumentWindow *document)
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
        DocumentWindow *first = program.active();
        first->canvas->setPicture(uniformPicture(QSize(20, 10), Red));
        DocumentWindow *second = documentWithPicture(program, QSize(30, 10));
        QCOMPARE(info->text(), QStringLiteral("34x14 1kB"));
        activate(first);
        QCOMPARE(info->text(), QStringLiteral("24x14 1kB"));
        activate(second);
        QCOMPARE(info->text(), QStringLiteral("34x14 1kB"));
        first->canvas->setPicture(uniformPicture(QSize(40, 10), Red)); // behind the active one
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
        DocumentWindow *doc = program.active();
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
        DocumentWindow *doc = program.active();
        doc->canvas->setPicture(uniformPicture(QSize(3000, 2000), Green));
        QApplication::processEvents();
        QVERIFY(workspaceOf(program).contains(frameOf(doc)->geometry()));
        QCOMPARE(doc->canvas->widthTwips(), 3004 * 15.0); // the canvas keeps its size and twips
        QCOMPARE(doc->canvas->innerSize(), QSize(3000, 2000));
        QVERIFY(doc->view->horizontalScrollBar()->maximum() > 0);
        QVERIFY(doc->view->verticalScrollBar()->maximum() > 0);
        // A window that fits is sized as it always was: grown to a wider canvas plus the frame,
        // kept where the canvas is smaller.
        DocumentWindow *small = documentWithPicture(program, QSize(296, 200));
        QCOMPARE(small->widthTwips(), 300 * 15.0 + 100);
        QCOMPARE(small->heightTwips(), 250 * 15.0 + 400);
        QCOMPARE(small->view->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(small->view->verticalScrollBar()->maximum(), 0);
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
            DocumentWindow *doc = i == 0 ? program.active() : program.window->newDocument();
            QVERIFY(workspaceOf(program).contains(frameOf(doc)->geometry()));
            places << frameOf(doc)->pos();
        }
        QCOMPARE(places[0], QPoint(0, 0));
        QVERIFY(places[1].x() > 0 && places[1].x() == places[1].y());
        QCOMPARE(places[2], 2 * places[1]);
    }
};
VP_TEST(TestView)
#include "tst_view.moc"
