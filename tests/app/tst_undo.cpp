#include "document/commit.h"
#include "document/form1.h"
#include "document/history.h"
#include "document/picturebox.h"
#include "document/picturefiles.h"
#include "document/tempfile.h"
#include "fixture.h"
#include "testregistry.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

namespace {

constexpr Colour Red = 0x000000FF;
constexpr Colour Green = 0x0000FF00;
constexpr Colour Blue = 0x00FF0000;

// A stroke across the canvas at row y, committed as a tool's release would.
void stroke(Form1 *form, int y, Colour colour)
{
    form->Picture1->setDrawWidth(3);
    form->Picture1->Line(QPointF(5, y), QPointF(200, y), colour);
    CommitPicture();
}

Colour shown(Form1 *form, int y)
{
    return pixelOf(form->Picture1->Image(), 100, y);
}

QList<UndoElement *> entries(const UndoElementList &list)
{
    QList<UndoElement *> raw;
    for (const auto &element : list)
        raw << element.get();
    return raw;
}

void closeWithoutSaving(Program &program, Form1 *form)
{
    program.prompts->answers.push_back(PromptAnswer::No);
    qobject_cast<QMdiSubWindow *>(form->parentWidget())->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

struct Menus {
    bool undo;
    bool redo;
    bool operator==(const Menus &) const = default;
};

Menus menusOf(Program &program)
{
    return {program.window->mnuUndo->isEnabled(), program.window->mnuRedo->isEnabled()};
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
        Form1 *form = program.active();
        QCOMPARE(form->UndoList.size(), 1);
        QCOMPARE(form->UndoList.first()->Picture, uniformPicture(QSize(246, 246), 0));
        QCOMPARE(menusOf(program), (Menus{false, false}));
        form->Undo();
        QCOMPARE(form->UndoList.size(), 1);
        QVERIFY(form->RedoList.isEmpty());
        QVERIFY(form->HistoryReady);
    }

    void undoTwiceShowsTheFirstStrokeTwoRedosTheThirdAndAStrokeEmptiesRedo()
    {
        Program program;
        Form1 *form = program.active();
        stroke(form, 20, Red);
        stroke(form, 40, Green);
        stroke(form, 60, Blue);
        QCOMPARE(form->UndoList.size(), 4);
        const QList<UndoElement *> before = entries(form->UndoList);
        const QImage third = form->Picture1->Picture();
        QCOMPARE(menusOf(program), (Menus{true, false}));

        form->Undo();
        form->Undo();
        QCOMPARE(shown(form, 20), Red);
        QCOMPARE(shown(form, 40), Colour(0));
        QCOMPARE(shown(form, 60), Colour(0));
        QCOMPARE(entries(form->UndoList), before.mid(0, 2));
        QCOMPARE(entries(form->RedoList), (QList<UndoElement *>{before[3], before[2]}));
        QCOMPARE(menusOf(program), (Menus{true, true}));

        // Undo then Redo puts lists and canvas back as they were.
        const QImage first = form->Picture1->Image();
        form->Undo();
        form->Redo();
        QCOMPARE(entries(form->UndoList), before.mid(0, 2));
        QCOMPARE(entries(form->RedoList), (QList<UndoElement *>{before[3], before[2]}));
        QCOMPARE(form->Picture1->Image(), first);

        form->Redo();
        form->Redo();
        QCOMPARE(entries(form->UndoList), before);
        QVERIFY(form->RedoList.isEmpty());
        QCOMPARE(form->Picture1->Image(), third);
        QCOMPARE(menusOf(program), (Menus{true, false}));

        // A stroke after an Undo: what was undone cannot come back.
        form->Undo();
        stroke(form, 80, Red);
        QVERIFY(form->RedoList.isEmpty());
        QCOMPARE(form->UndoList.size(), 4);
        QCOMPARE(shown(form, 60), Colour(0));
        QCOMPARE(menusOf(program), (Menus{true, false}));
    }

    void aCommitThatChangesNothingAddsNoState()
    {
        Program program;
        Form1 *form = program.active();
        stroke(form, 20, Red);
        // A release with nothing drawn (the colour picker's).
        QTest::mouseClick(form->Picture1, Qt::LeftButton, {}, QPoint(30, 30));
        CommitPicture();
        QCOMPARE(form->UndoList.size(), 2);
        // The same stroke again: new pixels, the same picture.
        stroke(form, 20, Red);
        QCOMPARE(form->UndoList.size(), 2);
        // An Undo followed by the identical commit keeps what is there to redo.
        form->Undo();
        CommitPicture();
        QCOMPARE(form->UndoList.size(), 1);
        QCOMPARE(form->RedoList.size(), 1);
    }

    void documentsKeepTheirOwnHistoryAndTheMenusFollowTheActiveOne()
    {
        Program program;
        Form1 *first = program.active();
        stroke(first, 20, Red);
        stroke(first, 40, Green);
        Form1 *second = program.window->newDocument();
        QCOMPARE(menusOf(program), (Menus{false, false}));
        stroke(second, 60, Blue);
        QCOMPARE(menusOf(program), (Menus{true, false}));
        program.window->mnuUndo_Click();
        QCOMPARE(menusOf(program), (Menus{false, true}));
        QCOMPARE(shown(second, 60), Colour(0));
        QCOMPARE(first->UndoList.size(), 3);
        QCOMPARE(shown(first, 40), Green);

        program.window->activate(first);
        QCOMPARE(menusOf(program), (Menus{true, false}));
        program.window->mnuUndo_Click();
        program.window->mnuUndo_Click();
        QCOMPARE(menusOf(program), (Menus{false, true}));
        QCOMPARE(first->RedoList.size(), 2);
        QCOMPARE(second->RedoList.size(), 1);

        program.window->activate(second);
        program.window->mnuRedo_Click();
        QCOMPARE(menusOf(program), (Menus{true, false}));
        QCOMPARE(shown(second, 60), Blue);
        QCOMPARE(first->RedoList.size(), 2);
    }

    void closingTheLastDocumentDisablesUndoAndRedo()
    {
        Program program;
        Form1 *first = program.active();
        stroke(first, 20, Red);
        Form1 *second = program.window->newDocument();
        stroke(second, 20, Red);
        stroke(second, 40, Green);
        second->Undo();
        QCOMPARE(menusOf(program), (Menus{true, true}));
        closeWithoutSaving(program, second);
        QCOMPARE(program.active(), first);
        QCOMPARE(menusOf(program), (Menus{true, false}));
        closeWithoutSaving(program, first);
        QCOMPARE(program.active(), nullptr);
        QCOMPARE(menusOf(program), (Menus{false, false}));
        program.window->mnuUndo_Click(); // nothing to act on, and no crash
    }

    void aClosedDocumentNoLongerStepsThroughItsHistory()
    {
        Program program;
        Form1 *form = program.active();
        stroke(form, 20, Red);
        form->HistoryReady = false; // as its confirmed close leaves it
        form->Undo();
        QCOMPARE(form->UndoList.size(), 2);
        QVERIFY(!form->HistoryReady);
        QCOMPARE(shown(form, 20), Red);
    }

    void theTempFileAndTheInfoTextFollowUndoAndRedo()
    {
        Program program;
        Form1 *form = program.active();
        stroke(form, 20, Red);
        form->Picture1->setPicture(uniformPicture(QSize(96, 46), Blue));
        CommitPicture();
        QCOMPARE(program.window->Label1->text(), QStringLiteral("100x50 13kB"));

        form->Undo();
        QCOMPARE(program.window->Label1->text(), QStringLiteral("250x250 178kB"));
        const QImage undone = LoadPicture(program.tempPath()).picture;
        QCOMPARE(undone.size(), QSize(246, 246));
        QCOMPARE(pixelOf(undone, 100, 20), Red);
        QCOMPARE(undone, form->Picture1->Image());
        // The snapshot keeps the last commit.
        QCOMPARE(form->Picture2->Picture().size(), QSize(96, 46));

        form->Redo();
        QCOMPARE(program.window->Label1->text(), QStringLiteral("100x50 13kB"));
        const QImage redone = LoadPicture(program.tempPath()).picture;
        QCOMPARE(redone, uniformPicture(QSize(96, 46), Blue));
    }

    void theBudgetDropsTheOldestStatesFirst()
    {
        Program program;
        Form1 *form = program.active();
        const qint64 stateBytes = form->UndoList.first()->Picture.sizeInBytes();
        HistoryBudget::setBytes(3 * stateBytes);
        for (int y : {20, 40, 60, 80, 100})
            stroke(form, y, Red);
        QCOMPARE(form->UndoList.size(), 3);
        QVERIFY(HistoryBudget::held() <= 3 * stateBytes);
        form->Undo();
        form->Undo();
        QCOMPARE(shown(form, 60), Red);
        QCOMPARE(shown(form, 80), Colour(0));
        QCOMPARE(menusOf(program), (Menus{false, true}));
    }

    void ctrlZAndCtrlYUndoAndRedo()
    {
        Program program;
        Form1 *form = program.active();
        stroke(form, 20, Red);
        program.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(program.window.get()));
        QTest::keyClick(form->Picture1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(shown(form, 20), Colour(0));
        QTest::keyClick(form->Picture1, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(shown(form, 20), Red);
    }
};
VP_TEST(TestUndo)
#include "tst_undo.moc"
