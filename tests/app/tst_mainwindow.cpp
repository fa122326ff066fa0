#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "document/tempfile.h"
#include "fixture.h"
#include "imagelib/picturefiles.h"
#include "testregistry.h"
#include "tools/colourswatch.h"
#include "tools/palette.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

// A stroke drawn straight into the canvas, then committed.
void drawAndCommit(Document *doc)
{
    doc->canvas().setPenWidth(5);
    doc->canvas().line(QPointF(10, 10), QPointF(100, 60), Red);
    doc->commitPicture();
}
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void menusBeforeAndAfterTheFirstDocumentLoads()
    {
        Program program(false);
        MainWindow &main = *program.window;
        QCOMPARE(main.windowTitle(), QStringLiteral("Vell's Painter"));
        QVERIFY(main.firstTime);
        QVERIFY(!main.undoAction->isEnabled());
        QVERIFY(!main.redoAction->isEnabled());
        QVERIFY(!main.filterMenu->isEnabled());
        QVERIFY(!main.pictureMenu->isEnabled());
        QVERIFY(!main.palette->pencilButton->isEnabled());
        QVERIFY(main.newAction->isEnabled() && main.openAction->isEnabled() && main.saveAsAction->isEnabled());
        QCOMPARE(main.newAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
        QCOMPARE(main.redoAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+Y")));
        QCOMPARE(main.saveAsAction->text(), QStringLiteral("&Save As"));
        QCOMPARE(main.filterMenu->title(), QStringLiteral("F&ilter"));

        main.palette->settings().setColour(Red);
        Document *doc = program.newDocument();
        QVERIFY(main.filterMenu->isEnabled());
        QVERIFY(main.pictureMenu->isEnabled());
        QVERIFY(!main.undoAction->isEnabled());
        QVERIFY(main.palette->fillButton->isEnabled() && main.palette->colourSwatch->isEnabled());
        QCOMPARE(main.palette->settings().colour(), Colour(0));
        QCOMPARE(doc->caption(), QStringLiteral("Untitled"));
        QCOMPARE(doc->canvas().outerSize(), QSize(250, 250));
        QCOMPARE(doc->canvas().image(), uniformPicture(QSize(246, 246), 0));
    }

    void closingAsksEveryTimeAndCancelKeepsTheDocument()
    {
        Program program;
        Document *doc = program.active();
        program.prompts->answers = {PromptAnswer::Cancel};
        closeDocument(doc);
        QCOMPARE(program.prompts->count("question"), 1);
        QCOMPARE(program.prompts->last("question")->text, QStringLiteral("Do You Want To Save Untitled?"));
        QCOMPARE(program.prompts->last("question")->title, QStringLiteral("Save?"));
        QCOMPARE(program.documents().size(), 1);
        // A cancelled close leaves the tools and menus usable.
        QVERIFY(program.window->palette->pencilButton->isEnabled());
        QVERIFY(program.window->pictureMenu->isEnabled());

        program.prompts->answers = {PromptAnswer::No};
        closeDocument(doc);
        QCOMPARE(program.documents().size(), 0);
        QVERIFY(!program.window->palette->pencilButton->isEnabled());
        QVERIFY(!program.window->filterMenu->isEnabled());
        QVERIFY(!program.window->pictureMenu->isEnabled());
    }

    void yesSavesBeforeClosingAndAFailedSaveKeepsTheDocument()
    {
        Program program;
        Document *doc = program.active();
        drawAndCommit(doc);
        // Yes, then the Save As dialog is cancelled: the picture is not lost.
        program.prompts->answers = {PromptAnswer::Yes};
        closeDocument(doc);
        QCOMPARE(program.prompts->count("save"), 1);
        QCOMPARE(program.documents().size(), 1);
        // Yes, then a path that cannot be written: a message, and the document stays.
        program.prompts->answers = {PromptAnswer::Yes};
        program.prompts->files = {program.folder.path() + QStringLiteral("/missing/folder/pic.bmp")};
        closeDocument(doc);
        QCOMPARE(program.prompts->count("message"), 1);
        QVERIFY(program.prompts->last("message")->text.contains(QStringLiteral("missing/folder/pic.bmp")));
        QCOMPARE(program.documents().size(), 1);
        // Yes and a good path: written, then closed.
        const QString path = program.folder.path() + QStringLiteral("/saved");
        program.prompts->answers = {PromptAnswer::Yes};
        program.prompts->files = {path};
        closeDocument(doc);
        QCOMPARE(program.documents().size(), 0);
        const LoadedPicture saved = loadPicture(path);
        QVERIFY(saved.ok());
        QCOMPARE(pixelOf(saved.picture, 10, 10), Red);
    }

    void exitAsksOncePerDocumentAndCancelStopsIt()
    {
        Program program;
        program.newDocument();
        program.prompts->answers = {PromptAnswer::No, PromptAnswer::Cancel};
        program.window->exit();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(program.prompts->count("question"), 2);
        QCOMPARE(program.documents().size(), 1);
        QVERIFY(program.window->isVisible());

        program.prompts->answers = {PromptAnswer::No};
        program.window->exit();
        QCOMPARE(program.prompts->count("question"), 3);
        QVERIFY(!program.window->isVisible());
    }

    // A key taken by another shortcut (Qt's own window keys among them) never reaches its action.
    void ctrlWClosesThroughTheSaveQuestionAndCtrlTabGoesRoundTheDocuments()
    {
        Program program;
        MainWindow &main = *program.window;
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        Document *first = program.active();
        Document *second = program.newDocument();
        Document *third = program.newDocument();
        const auto press = [&main](Qt::Key key, Qt::KeyboardModifiers modifiers) {
            QTest::keyClick(&main, key, modifiers);
            return main.activeDocument();
        };
        QCOMPARE(press(Qt::Key_Tab, Qt::ControlModifier), first);
        QCOMPARE(press(Qt::Key_Tab, Qt::ControlModifier), second);
        QCOMPARE(press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier), first);
        QCOMPARE(press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier), third);

        program.prompts->answers = {PromptAnswer::Cancel};
        press(Qt::Key_W, Qt::ControlModifier);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(program.prompts->count("question"), 1);
        QCOMPARE(program.prompts->last("question")->text, QStringLiteral("Do You Want To Save Untitled?"));
        QCOMPARE(program.documents().size(), 3);
        program.prompts->answers = {PromptAnswer::No};
        press(Qt::Key_W, Qt::ControlModifier);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(program.documents(), (QList<Document *>{first, second}));
        QCOMPARE(program.prompts->count("question"), 2);
    }

    void commitWritesTheTempFileAndTheInfoText()
    {
        Program program;
        Document *doc = program.active();
        drawAndCommit(doc);
        QCOMPARE(program.window->pictureInfo->text(), QStringLiteral("250x250 178kB"));
        QFile temp(program.tempPath());
        QCOMPARE(QFileInfo(program.tempPath()).absolutePath(), program.folder.path());
        QVERIFY(temp.open(QIODevice::ReadOnly));
        const QByteArray bytes = temp.readAll();
        QCOMPARE(bytes.size(), 182094);
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        QCOMPARE(int(bytes[28]), 24); // bits per pixel
        const QImage committed = loadPicture(program.tempPath()).picture;
        QCOMPARE(committed.size(), QSize(246, 246));
        QCOMPARE(committed, doc->canvas().image());
        QCOMPARE(doc->canvas().picture(), committed);
        QCOMPARE(doc->snapshot().picture(), committed);
        // Cls now goes back to the committed stroke.
        doc->canvas().line(QPointF(0, 200), QPointF(200, 200), 0x00FF0000);
        doc->canvas().eraseDrawing();
        QCOMPARE(doc->canvas().image(), committed);
    }

    void commitActsOnTheActiveDocumentOnly()
    {
        Program program;
        Document *first = program.active();
        Document *second = program.newDocument();
        QCOMPARE(program.active(), second);
        first->canvas().line(QPointF(1, 1), QPointF(50, 1), Red);
        drawAndCommit(second);
        QCOMPARE(pixelOf(first->canvas().picture(), 20, 1), NoPixel); // never committed
        QCOMPARE(pixelOf(loadPicture(program.tempPath()).picture, 10, 10), Red);
    }

    void infoTextCountsLargeFilesWithoutOverflow()
    {
        QCOMPARE(Document::pictureInfoText(250, 250, 182094), QStringLiteral("250x250 178kB"));
        QCOMPARE(Document::pictureInfoText(8004, 6004, 48'000'054LL * 3), QStringLiteral("8004x6004 140625kB"));
        QCOMPARE(Document::pictureInfoText(10, 10, 1536), QStringLiteral("10x10 2kB")); // 1.5 -> 2
        QCOMPARE(Document::pictureInfoText(10, 10, 2560), QStringLiteral("10x10 2kB")); // 2.5 -> 2
    }

    void windowGrowsForAWiderCanvasAndNeverShrinks()
    {
        Program program;
        Document *doc = program.active();
        const QSize before = windowContentSize(doc);
        QCOMPARE(before, QSize(250, 250));
        doc->canvas().setOuterSize(QSize(350, 250));
        QCOMPARE(windowContentSize(doc), QSize(350, 250));
        doc->canvas().setOuterSize(QSize(350, 290));
        QCOMPARE(windowContentSize(doc), QSize(350, 290));
        doc->canvas().setOuterSize(QSize(100, 290));
        QCOMPARE(windowContentSize(doc), QSize(350, 290));
    }

    void tempFileMovesToTheFallbackFolderWhenTheProgramFolderRefusesIt()
    {
        const QTemporaryDir folders;
        const QString primary = folders.path() + QStringLiteral("/program");
        const QString fallback = folders.path() + QStringLiteral("/fallback");
        QVERIFY(QDir().mkpath(primary));
        Program program(true, primary, fallback);
        Document *doc = program.active();
        drawAndCommit(doc);
        QCOMPARE(QFileInfo(program.tempPath()).absolutePath(), primary);
        // The program's folder goes away between two commits (a file now stands in its place).
        QVERIFY(QDir(primary).removeRecursively());
        QFile blocker(primary);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        doc->canvas().line(QPointF(0, 120), QPointF(240, 120), 0x00FF0000);
        doc->commitPicture();
        QCOMPARE(QFileInfo(program.tempPath()).absolutePath(), fallback);
        const QImage committed = loadPicture(program.tempPath()).picture;
        QCOMPARE(pixelOf(committed, 120, 120), Colour(0x00FF0000));
        QCOMPARE(doc->canvas().picture(), committed);
        QCOMPARE(program.window->pictureInfo->text(), QStringLiteral("250x250 178kB"));
    }

    // Fault: a window closed but not yet deleted outlived the main window's history budget, and
    // its history removed itself from freed memory (heap corruption on the way out).
    void mainWindowGoesWithAClosedWindowStillAwaitingDeletion()
    {
        const QTemporaryDir folder;
        auto scripted = std::make_unique<ScriptedPrompts>();
        scripted->answers = {PromptAnswer::No};
        auto window = std::make_unique<MainWindow>(
            std::move(scripted), std::make_unique<TempFile>(folder.path(), folder.path() + QStringLiteral("/fallback")));
        Document *doc = &window->newDocument()->document();
        drawAndCommit(doc);
        QPointer<QMdiSubWindow> frame = frameOf(doc);
        QVERIFY(frame->close());
        QVERIFY(frame && !window->mdiArea->subWindowList().contains(frame.data()));
        window.reset(); // before the deferred deletion runs
        QVERIFY(!frame);
    }
};
VP_TEST(TestMainWindow)
#include "tst_mainwindow.moc"
