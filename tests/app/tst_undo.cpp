#include "document/documentwindow.h"
#include "document/history.h"
#include "document/picturemodel.h"
#include "document/tempfile.h"
#include "fixture.h"
#include "hostilecorpus.h"
#include "imagelib/picturefiles.h"
#include "testregistry.h"

#include <QFile>

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include <map>
#include <random>

namespace {


// A stroke across the canvas at row y, committed as a tool's release would.
void stroke(Document *doc, int y, Colour colour)
{
    doc->canvas().setPenWidth(3);
    doc->canvas().line(QPointF(5, y), QPointF(200, y), colour);
    doc->commitPicture();
}

Colour shown(Document *doc, int y)
{
    return pixelOf(doc->canvas().image(), 100, y);
}

QList<UndoElement *> entries(const UndoElementList &list)
{
    QList<UndoElement *> raw;
    for (const auto &element : list)
        raw << element.get();
    return raw;
}

void closeWithoutSaving(Program &program, Document *doc)
{
    program.prompts->answers.push_back(PromptAnswer::No);
    frameOf(doc)->close();
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

// A copy of every state as it was recorded, by the entry that holds it.
struct KeptStates {
    std::map<const UndoElement *, std::pair<std::weak_ptr<UndoElement>, QImage>> pictures;

    // The states that have come to be current since the last look.
    void look(const QList<Document *> &documents)
    {
        for (Document *doc : documents) {
            const std::shared_ptr<UndoElement> &current = doc->history().undoList.last();
            auto found = pictures.find(current.get());
            // An entry at the address of one the budget dropped is a new state.
            if (found == pictures.end() || found->second.first.expired())
                pictures[current.get()] = {current, current->picture.copy()};
        }
    }
    QImage of(const UndoElement *element) const { return pictures.at(element).second; }
};

// What an Undo or Redo must have left: the canvas, its bitmap and the temp file all hold the
// state as it was recorded. Empty when they do.
QString faultAfterStep(Program &program, Document *doc, const KeptStates &kept)
{
    const QImage recorded = kept.of(doc->history().undoList.last().get());
    if (doc->canvas().picture() != recorded)
        return QStringLiteral("the canvas stores another picture");
    if (doc->canvas().image() != recorded.convertToFormat(PictureFormat))
        return QStringLiteral("the canvas shows another picture");
    program.tempFile().finishWriting();
    if (loadPicture(program.tempPath()).picture != recorded.convertToFormat(PictureFormat))
        return QStringLiteral("the temp file holds another picture");
    return {};
}

QString put(Program &program, const QString &name, const QByteArray &bytes)
{
    const QString path = program.folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return path;
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
    void aNewDocumentHoldsItsCanvasAsTheOnlyState()
    {
        Program program;
        Document *doc = program.active();
        QCOMPARE(doc->history().undoList.size(), 1);
        QCOMPARE(doc->history().undoList.first()->picture, uniformPicture(QSize(246, 246), 0));
        QCOMPARE(menusOf(program), (Menus{false, false}));
        doc->undo();
        QCOMPARE(doc->history().undoList.size(), 1);
        QVERIFY(doc->history().redoList.isEmpty());
        QVERIFY(doc->isOpen());
    }

    void undoTwiceShowsTheFirstStrokeTwoRedosTheThirdAndAStrokeEmptiesRedo()
    {
        Program program;
        Document *doc = program.active();
        stroke(doc, 20, Red);
        stroke(doc, 40, Green);
        stroke(doc, 60, Blue);
        QCOMPARE(doc->history().undoList.size(), 4);
        const QList<UndoElement *> before = entries(doc->history().undoList);
        const QImage third = doc->canvas().picture();
        QCOMPARE(menusOf(program), (Menus{true, false}));

        doc->undo();
        doc->undo();
        QCOMPARE(shown(doc, 20), Red);
        QCOMPARE(shown(doc, 40), Colour(0));
        QCOMPARE(shown(doc, 60), Colour(0));
        QCOMPARE(entries(doc->history().undoList), before.mid(0, 2));
        QCOMPARE(entries(doc->history().redoList), (QList<UndoElement *>{before[3], before[2]}));
        QCOMPARE(menusOf(program), (Menus{true, true}));

        // Undo then Redo puts lists and canvas back as they were.
        const QImage first = doc->canvas().image();
        doc->undo();
        doc->redo();
        QCOMPARE(entries(doc->history().undoList), before.mid(0, 2));
        QCOMPARE(entries(doc->history().redoList), (QList<UndoElement *>{before[3], before[2]}));
        QCOMPARE(doc->canvas().image(), first);

        doc->redo();
        doc->redo();
        QCOMPARE(entries(doc->history().undoList), before);
        QVERIFY(doc->history().redoList.isEmpty());
        QCOMPARE(doc->canvas().image(), third);
        QCOMPARE(menusOf(program), (Menus{true, false}));

        // A stroke after an Undo: what was undone cannot come back.
        doc->undo();
        stroke(doc, 80, Red);
        QVERIFY(doc->history().redoList.isEmpty());
        QCOMPARE(doc->history().undoList.size(), 4);
        QCOMPARE(shown(doc, 60), Colour(0));
        QCOMPARE(menusOf(program), (Menus{true, false}));
    }

    void aCommitThatChangesNothingAddsNoState()
    {
        Program program;
        Document *doc = program.active();
        stroke(doc, 20, Red);
        // A release with nothing drawn (the colour picker's).
        QTest::mouseClick(canvasArea(doc), Qt::LeftButton, {}, QPoint(30, 30));
        doc->commitPicture();
        QCOMPARE(doc->history().undoList.size(), 2);
        // The same stroke again: new pixels, the same picture.
        stroke(doc, 20, Red);
        QCOMPARE(doc->history().undoList.size(), 2);
        // An Undo followed by the identical commit keeps what is there to redo.
        doc->undo();
        doc->commitPicture();
        QCOMPARE(doc->history().undoList.size(), 1);
        QCOMPARE(doc->history().redoList.size(), 1);
    }

    void documentsKeepTheirOwnHistoryAndTheMenusFollowTheActiveOne()
    {
        Program program;
        Document *first = program.active();
        stroke(first, 20, Red);
        stroke(first, 40, Green);
        Document *second = program.newDocument();
        QCOMPARE(menusOf(program), (Menus{false, false}));
        stroke(second, 60, Blue);
        QCOMPARE(menusOf(program), (Menus{true, false}));
        program.window->undo();
        QCOMPARE(menusOf(program), (Menus{false, true}));
        QCOMPARE(shown(second, 60), Colour(0));
        QCOMPARE(first->history().undoList.size(), 3);
        QCOMPARE(shown(first, 40), Green);

        activate(first);
        QCOMPARE(menusOf(program), (Menus{true, false}));
        program.window->undo();
        program.window->undo();
        QCOMPARE(menusOf(program), (Menus{false, true}));
        QCOMPARE(first->history().redoList.size(), 2);
        QCOMPARE(second->history().redoList.size(), 1);

        activate(second);
        program.window->redo();
        QCOMPARE(menusOf(program), (Menus{true, false}));
        QCOMPARE(shown(second, 60), Blue);
        QCOMPARE(first->history().redoList.size(), 2);
    }

    void closingTheLastDocumentDisablesUndoAndRedo()
    {
        Program program;
        Document *first = program.active();
        stroke(first, 20, Red);
        Document *second = program.newDocument();
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
        Document *doc = program.active();
        stroke(doc, 20, Red);
        doc->close(); // as its confirmed close leaves it
        doc->undo();
        doc->redo();
        QVERIFY(doc->history().undoList.isEmpty());
        QCOMPARE(shown(doc, 20), Red);
    }

    void theTempFileAndTheInfoTextFollowUndoAndRedo()
    {
        Program program;
        Document *doc = program.active();
        stroke(doc, 20, Red);
        doc->canvas().setPicture(uniformPicture(QSize(96, 46), Blue));
        doc->commitPicture();
        QCOMPARE(program.window->pictureInfo->text(), QStringLiteral("100x50 13kB"));

        doc->undo();
        QCOMPARE(program.window->pictureInfo->text(), QStringLiteral("250x250 178kB"));
        const QImage undone = loadPicture(program.tempPath()).picture;
        QCOMPARE(undone.size(), QSize(246, 246));
        QCOMPARE(pixelOf(undone, 100, 20), Red);
        QCOMPARE(undone, doc->canvas().image());
        // The snapshot keeps the last commit.
        QCOMPARE(doc->snapshot().picture().size(), QSize(96, 46));

        doc->redo();
        QCOMPARE(program.window->pictureInfo->text(), QStringLiteral("100x50 13kB"));
        const QImage redone = loadPicture(program.tempPath()).picture;
        QCOMPARE(redone, uniformPicture(QSize(96, 46), Blue));
    }

    void theBudgetDropsTheOldestStatesFirst()
    {
        Program program;
        Document *doc = program.active();
        const qint64 stateBytes = doc->history().undoList.first()->picture.sizeInBytes();
        program.historyBudget().setBytes(3 * stateBytes);
        // Changes of the whole picture: every state keeps a whole picture.
        for (Colour colour : {Red, Green, Blue, White, Red | Blue}) {
            doc->canvas().replaceBitmap(uniformPicture(QSize(246, 246), colour));
            doc->commitPicture();
        }
        QCOMPARE(doc->history().undoList.size(), 3);
        QVERIFY(program.historyBudget().held() <= 3 * stateBytes);
        doc->undo();
        doc->undo();
        QCOMPARE(shown(doc, 60), Blue);
        QCOMPARE(menusOf(program), (Menus{false, true}));
    }

    // Strokes, flips and new sizes on three documents under a budget of a dozen pictures, with
    // Undo and Redo between them; then each document undone to its oldest state and redone to
    // its newest. Catches a state rebuilt wrong from its tiles, a canvas patched in the wrong
    // places, a temp file left behind, a budget overrun, and a dropped state that a later one
    // still needed.
    void everyStateComesBackExactlyAcrossDocumentsWithinTheBudget()
    {
        Program program;
        MainWindow &main = *program.window;
        const qint64 budget = 12 * 246 * 246 * 3;
        program.historyBudget().setBytes(budget);
        QList<Document *> documents = {program.active(), program.newDocument(), program.newDocument()};
        std::mt19937 random(14);
        const auto pick = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        KeptStates kept;
        kept.look(documents);
        int commits = 0;
        for (int op = 0; op < 200; ++op) {
            Document *doc = program.active();
            PictureModel *canvas = &doc->canvas();
            const int kind = pick(0, 9);
            if (kind <= 4) {
                canvas->setPenWidth(pick(1, 9));
                const auto anywhere = [&] {
                    return QPointF(pick(-5, canvas->size().width() + 5), pick(-5, canvas->size().height() + 5));
                };
                canvas->line(anywhere(), anywhere(), Colour(random() & 0xFFFFFF));
                doc->commitPicture();
                ++commits;
            } else if (kind == 5) {
                pick(0, 1) ? main.flipHorizontal() : main.flipVertical();
                doc->commitPicture();
                ++commits;
            } else if (kind == 6) {
                canvas->setPicture(noisePicture(QSize(pick(100, 300), pick(100, 300)), PictureFormat, unsigned(op)));
                doc->commitPicture();
                ++commits;
            } else if (kind == 7) {
                activate(documents[pick(0, 2)]);
            } else {
                const bool undo = kind == 8;
                if (undo ? doc->history().undoList.size() < 2 : doc->history().redoList.isEmpty())
                    continue;
                undo ? main.undo() : main.redo();
                const QString fault = faultAfterStep(program, doc, kept);
                QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("step %1: %2").arg(op).arg(fault)));
            }
            kept.look(documents);
            QVERIFY(program.historyBudget().held() <= budget);
        }
        QVERIFY(commits > 100);

        // Then with half the budget: the oldest states go, every later one stays exact.
        program.historyBudget().setBytes(budget / 2);
        for (Document *doc : documents) {
            activate(doc);
            const qsizetype states = doc->history().undoList.size() + doc->history().redoList.size();
            while (doc->history().undoList.size() > 1) {
                main.undo();
                const QString fault = faultAfterStep(program, doc, kept);
                QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("undoing: %1").arg(fault)));
            }
            while (!doc->history().redoList.isEmpty()) {
                main.redo();
                const QString fault = faultAfterStep(program, doc, kept);
                QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("redoing: %1").arg(fault)));
            }
            QCOMPARE(doc->history().undoList.size(), states);
            QVERIFY(program.historyBudget().held() <= budget / 2);
        }
    }

    // An opened JPEG or GIF is stored as Qt reads it (32-bit, indexed); its state comes back
    // in that format, bit for bit, after the strokes drawn on it are undone.
    void aPictureOpenedInAnotherFormatComesBackExactly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        const QImage picture = noisePicture(QSize(120, 90), PictureFormat, 3);
        QTest::newRow("jpeg") << "photo.jpg" << vptest::encoded(picture, "jpeg");
        QTest::newRow("gif") << "drawing.gif" << vptest::gifOf(picture);
    }

    void aPictureOpenedInAnotherFormatComesBackExactly()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        Program program;
        Document *doc = program.active();
        const QString path = put(program, name, bytes);
        const QImage opened = loadPicture(path).picture;
        QVERIFY(opened.format() != PictureFormat);
        program.prompts->files = {path};
        program.window->open();
        QCOMPARE(doc->canvas().picture(), opened);
        stroke(doc, 20, Red);
        const QImage first = doc->canvas().picture();
        stroke(doc, 40, Green);
        const QImage second = doc->canvas().picture();
        doc->undo();
        QCOMPARE(doc->canvas().picture(), first);
        doc->undo();
        QCOMPARE(doc->canvas().picture(), opened);
        QCOMPARE(doc->canvas().picture().format(), opened.format());
        QCOMPARE(doc->canvas().image(), opened.convertToFormat(PictureFormat));
        doc->redo();
        doc->redo();
        QCOMPARE(doc->canvas().picture(), second);
        QCOMPARE(doc->canvas().image(), second);
    }

    void ctrlZAndCtrlYUndoAndRedo()
    {
        Program program;
        Document *doc = program.active();
        stroke(doc, 20, Red);
        program.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(program.window.get()));
        QTest::keyClick(canvasArea(doc), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(shown(doc, 20), Colour(0));
        QTest::keyClick(canvasArea(doc), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(shown(doc, 20), Red);
    }
};
VP_TEST(TestUndo)
#include "tst_undo.moc"
