#include "document/commit.h"
#include "document/documentwindow.h"
#include "document/history.h"
#include "document/picturebox.h"
#include "document/tempfile.h"
#include "fixture.h"
#include "imagelib/picturefiles.h"
#include "testregistry.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

namespace {


// A stroke across the canvas at row y, committed as a tool's release would.
void stroke(DocumentWindow *doc, int y, Colour colour)
{
    doc->canvas->setDrawWidth(3);
    doc->canvas->line(QPointF(5, y), QPointF(200, y), colour);
    commitPicture(*doc);
}

Colour shown(DocumentWindow *doc, int y)
{
    return pixelOf(doc->canvas->image(), 100, y);
}

QList<UndoElement *> entries(const UndoElementList &list)
{
    QList<UndoElement *> raw;
    for (const auto &element : list)
        raw << element.get();
    return raw;
}

void closeWithoutSaving(Program &program, DocumentWindow *doc)
{
    program.prompts->answers.push_back(PromptAnswer::No);
    qobject_cast<QMdiSubWindow *>(doc->parentWidget())->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

struct Menus {
    bool undo;
    bool redo;
    bool operator==(const Menus &) const = default;
};

Menus menusOf(Program &program)
{
    return {program.window->undoAction->isEnabled(), program.window->redoAction->isEnabled()};
}

} // namespace

namespace QTest {
template <> char *toString(const Menus &menus)
{
    return qstrdup(QByteArray("undo ") + (menus.undo ? "on" : "off") + ", redo " + (menus.redo ? "on" : "off"));
}
} // namespace QTest

class TestUndo : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { HistoryBudget::setBytes(0); }

    void aNewDocumentHoldsItsCanvasAsTheOnlyState()
    {
        Program program;
        DocumentWindow *doc = program.active();
        QCOMPARE(doc->undoList.size(), 1);
        QCOMPARE(doc->undoList.first()->picture, uniformPicture(QSize(246, 246), 0));
        QCOMPARE(menusOf(program), (Menus{false, false}));
        doc->undo();
        QCOMPARE(doc->undoList.size(), 1);
        QVERIFY(doc->redoList.isEmpty());
        QVERIFY(doc->historyReady);
    }

    void undoTwiceShowsTheFirstStrokeTwoRedosTheThirdAndAStrokeEmptiesRedo()
    {
        Program program;
        DocumentWindow *doc = program.active();
        stroke(doc, 20, Red);
        stroke(doc, 40, Green);
        stroke(doc, 60, Blue);
        QCOMPARE(doc->undoList.size(), 4);
        const QList<UndoElement *> before = entries(doc->undoList);
        const QImage third = doc->canvas->picture();
        QCOMPARE(menusOf(program), (Menus{true, false}));

        doc->undo();
        doc->undo();
        QCOMPARE(shown(doc, 20), Red);
        QCOMPARE(shown(doc, 40), Colour(0));
        QCOMPARE(shown(doc, 60), Colour(0));
        QCOMPARE(entries(doc->undoList), before.mid(0, 2));
        QCOMPARE(entries(doc->redoList), (QList<UndoElement *>{before[3], before[2]}));
        QCOMPARE(menusOf(program), (Menus{true, true}));

        // Undo then Redo puts lists and canvas back as they were.
        const QImage first = doc->canvas->image();
        doc->undo();
        doc->redo();
        QCOMPARE(entries(doc->undoList), before.mid(0, 2));
        QCOMPARE(entries(doc->redoList), (QList<UndoElement *>{before[3], before[2]}));
        QCOMPARE(doc->canvas->image(), first);

        doc->redo();
        doc->redo();
        QCOMPARE(entries(doc->undoList), before);
        QVERIFY(doc->redoList.isEmpty());
        QCOMPARE(doc->canvas->image(), third);
        QCOMPARE(menusOf(program), (Menus{true, false}));

        // A stroke after an Undo: what was undone cannot come back.
        doc->undo();
        stroke(doc, 80, Red);
        QVERIFY(doc->redoList.isEmpty());
        QCOMPARE(doc->undoList.size(), 4);
        QCOMPARE(shown(doc, 60), Colour(0));
        QCOMPARE(menusOf(program), (Menus{true, false}));
    }

    void aCommitThatChangesNothingAddsNoState()
    {
        Program program;
        DocumentWindow *doc = program.active();
        stroke(doc, 20, Red);
        // A release with nothing drawn (the colour picker's).
        QTest::mouseClick(doc->canvas, Qt::LeftButton, {}, QPoint(30, 30));
        commitPicture(*doc);
        QCOMPARE(doc->undoList.size(), 2);
        // The same stroke again: new pixels, the same picture.
        stroke(doc, 20, Red);
        QCOMPARE(doc->undoList.size(), 2);
        // An Undo followed by the identical commit keeps what is there to redo.
        doc->undo();
        commitPicture(*doc);
        QCOMPARE(doc->undoList.size(), 1);
        QCOMPARE(doc->redoList.size(), 1);
    }

    void documentsKeepTheirOwnHistoryAndTheMenusFollowTheActiveOne()
    {
        Program program;
        DocumentWindow *first = program.active();
        stroke(first, 20, Red);
        stroke(first, 40, Green);
        DocumentWindow *second = program.window->newDocument();
        QCOMPARE(menusOf(program), (Menus{false, false}));
        stroke(second, 60, Blue);
        QCOMPARE(menusOf(program), (Menus{true, false}));
        program.window->undo();
        QCOMPARE(menusOf(program), (Menus{false, true}));
        QCOMPARE(shown(second, 60), Colour(0));
        QCOMPARE(first->undoList.size(), 3);
        QCOMPARE(shown(first, 40), Green);

        activate(first);
        QCOMPARE(menusOf(program), (Menus{true, false}));
        program.window->undo();
        program.window->undo();
        QCOMPARE(menusOf(program), (Menus{false, true}));
        QCOMPARE(first->redoList.size(), 2);
        QCOMPARE(second->redoList.size(), 1);

        activate(second);
        program.window->redo();
        QCOMPARE(menusOf(program), (Menus{true, false}));
        QCOMPARE(shown(second, 60), Blue);
        QCOMPARE(first->redoList.size(), 2);
    }

    void closingTheLastDocumentDisablesUndoAndRedo()
    {
        Program program;
        DocumentWindow *first = program.active();
        stroke(first, 20, Red);
        DocumentWindow *second = program.window->newDocument();
        stroke(second, 20, Red);
        stroke(second, 40, Green);
        second->undo();
        QCOMPARE(menusOf(program), (Menus{true, true}));
        closeWithoutSaving(program, second);
        QCOMPARE(program.active(), first);
        QCOMPARE(menusOf(program), (Menus{true, false}));
        closeWithoutSaving(program, first);
        QCOMPARE(program.active(), nullptr);
        QCOMPARE(menusOf(program), (Menus{false, false}));
        program.window->undo(); // nothing to act on, and no crash
    }

    void aClosedDocumentNoLongerStepsThroughItsHistory()
    {
        Program program;
        DocumentWindow *doc = program.active();
        stroke(doc, 20, Red);
        doc->historyReady = false; // as its confirmed close leaves it
        doc->undo();
        QCOMPARE(doc->undoList.size(), 2);
        QVERIFY(!doc->historyReady);
        QCOMPARE(shown(doc, 20), Red);
    }

    void theTempFileAndTheInfoTextFollowUndoAndRedo()
    {
        Program program;
        DocumentWindow *doc = program.active();
        stroke(doc, 20, Red);
        doc->canvas->setPicture(uniformPicture(QSize(96, 46), Blue));
        commitPicture(*doc);
        QCOMPARE(program.window->pictureInfo->text(), QStringLiteral("100x50 13kB"));

        doc->undo();
        QCOMPARE(program.window->pictureInfo->text(), QStringLiteral("250x250 178kB"));
        const QImage undone = loadPicture(program.tempPath()).picture;
        QCOMPARE(undone.size(), QSize(246, 246));
        QCOMPARE(pixelOf(undone, 100, 20), Red);
        QCOMPARE(undone, doc->canvas->image());
        // The snapshot keeps the last commit.
        QCOMPARE(doc->snapshot->picture().size(), QSize(96, 46));

        doc->redo();
        QCOMPARE(program.window->pictureInfo->text(), QStringLiteral("100x50 13kB"));
        const QImage redone = loadPicture(program.tempPath()).picture;
        QCOMPARE(redone, uniformPicture(QSize(96, 46), Blue));
    }

    void theBudgetDropsTheOldestStatesFirst()
    {
        Program program;
        DocumentWindow *doc = program.active();
        const qint64 stateBytes = doc->undoList.first()->picture.sizeInBytes();
        HistoryBudget::setBytes(3 * stateBytes);
        for (int y : {20, 40, 60, 80, 100})
            stroke(doc, y, Red);
        QCOMPARE(doc->undoList.size(), 3);
        QVERIFY(HistoryBudget::held() <= 3 * stateBytes);
        doc->undo();
        doc->undo();
        QCOMPARE(shown(doc, 60), Red);
        QCOMPARE(shown(doc, 80), Colour(0));
        QCOMPARE(menusOf(program), (Menus{false, true}));
    }

    void ctrlZAndCtrlYUndoAndRedo()
    {
        Program program;
        DocumentWindow *doc = program.active();
        stroke(doc, 20, Red);
        program.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(program.window.get()));
        QTest::keyClick(doc->canvas, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(shown(doc, 20), Colour(0));
        QTest::keyClick(doc->canvas, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(shown(doc, 20), Red);
    }
};
VP_TEST(TestUndo)
#include "tst_undo.moc"
