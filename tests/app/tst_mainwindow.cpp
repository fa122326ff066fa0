#include "document/commit.h"
#include "document/form1.h"
#include "document/picturebox.h"
#include "document/picturefiles.h"
#include "document/tempfile.h"
#include "fixture.h"
#include "testregistry.h"
#include "tools/palette.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QToolButton>

namespace {
constexpr Colour Red = 0x000000FF;

QMdiSubWindow *frameOf(Form1 *form)
{
    return qobject_cast<QMdiSubWindow *>(form->parentWidget());
}

void closeDocument(Form1 *form)
{
    frameOf(form)->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A stroke drawn straight into the canvas, then committed.
void drawAndCommit(Form1 *form)
{
    form->Picture1->setDrawWidth(5);
    form->Picture1->Line(QPointF(10, 10), QPointF(100, 60), Red);
    CommitPicture();
}
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void menusBeforeAndAfterTheFirstDocumentLoads()
    {
        Program program(false);
        MDIForm1 &main = *program.window;
        QCOMPARE(main.windowTitle(), QStringLiteral("Vell's Painter"));
        QVERIFY(main.FirstTime);
        QCOMPARE(MainTitle, QStringLiteral("Vell's Painter"));
        QVERIFY(!main.mnuUndo->isEnabled());
        QVERIFY(!main.mnuRedo->isEnabled());
        QVERIFY(!main.mnuFilter->isEnabled());
        QVERIFY(!main.mnuPicture->isEnabled());
        QVERIFY(!main.palette->Option1->isEnabled());
        QVERIFY(main.mnuNew->isEnabled() && main.mnuOpen->isEnabled() && main.mnuSave->isEnabled());
        QCOMPARE(main.mnuNew->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
        QCOMPARE(main.mnuRedo->shortcut(), QKeySequence(QStringLiteral("Ctrl+Y")));
        QCOMPARE(main.mnuSave->text(), QStringLiteral("&Save As"));
        QCOMPARE(main.mnuFilter->title(), QStringLiteral("F&ilter"));

        main.palette->setCurrentColour(Red);
        Form1 *form = main.newDocument();
        QVERIFY(main.mnuFilter->isEnabled());
        QVERIFY(main.mnuPicture->isEnabled());
        QVERIFY(!main.mnuUndo->isEnabled());
        QVERIFY(main.palette->Option6->isEnabled() && main.palette->PicColor->isEnabled());
        QCOMPARE(main.palette->currentColour(), Colour(0));
        QCOMPARE(form->Caption(), QStringLiteral("Untitled"));
        QCOMPARE(form->Picture1->Width(), 3750.0);
        QCOMPARE(form->Picture1->Image(), uniformPicture(QSize(246, 246), 0));
    }

    void closingAsksEveryTimeAndCancelKeepsTheDocument()
    {
        Program program;
        Form1 *form = program.active();
        program.prompts->answers = {PromptAnswer::Cancel};
        closeDocument(form);
        QCOMPARE(program.prompts->count("question"), 1);
        QCOMPARE(program.prompts->last("question")->text, QStringLiteral("Do You Want To Save Untitled?"));
        QCOMPARE(program.prompts->last("question")->title, QStringLiteral("Save?"));
        QCOMPARE(program.window->documents().size(), 1);
        // A cancelled close leaves the tools and menus usable.
        QVERIFY(program.window->palette->Option1->isEnabled());
        QVERIFY(program.window->mnuPicture->isEnabled());

        program.prompts->answers = {PromptAnswer::No};
        closeDocument(form);
        QCOMPARE(program.window->documents().size(), 0);
        QVERIFY(!program.window->palette->Option1->isEnabled());
        QVERIFY(!program.window->mnuFilter->isEnabled());
        QVERIFY(!program.window->mnuPicture->isEnabled());
    }

    void yesSavesBeforeClosingAndAFailedSaveKeepsTheDocument()
    {
        Program program;
        Form1 *form = program.active();
        drawAndCommit(form);
        // Yes, then the Save As dialog is cancelled: the picture is not lost.
        program.prompts->answers = {PromptAnswer::Yes};
        closeDocument(form);
        QCOMPARE(program.prompts->count("save"), 1);
        QCOMPARE(program.window->documents().size(), 1);
        // Yes, then a path that cannot be written: a message, and the document stays.
        program.prompts->answers = {PromptAnswer::Yes};
        program.prompts->files = {program.folder.path() + QStringLiteral("/missing/folder/pic.bmp")};
        closeDocument(form);
        QCOMPARE(program.prompts->count("message"), 1);
        QVERIFY(program.prompts->last("message")->text.contains(QStringLiteral("missing/folder/pic.bmp")));
        QCOMPARE(program.window->documents().size(), 1);
        // Yes and a good path: written, then closed.
        const QString path = program.folder.path() + QStringLiteral("/saved");
        program.prompts->answers = {PromptAnswer::Yes};
        program.prompts->files = {path};
        closeDocument(form);
        QCOMPARE(program.window->documents().size(), 0);
        const LoadedPicture saved = LoadPicture(path);
        QVERIFY(saved.ok());
        QCOMPARE(pixelOf(saved.picture, 10, 10), Red);
    }

    void exitAsksOncePerDocumentAndCancelStopsIt()
    {
        Program program;
        program.window->newDocument();
        program.prompts->answers = {PromptAnswer::No, PromptAnswer::Cancel};
        program.window->mnuExit_Click();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(program.prompts->count("question"), 2);
        QCOMPARE(program.window->documents().size(), 1);
        QVERIFY(program.window->isVisible());

        program.prompts->answers = {PromptAnswer::No};
        program.window->mnuExit_Click();
        QCOMPARE(program.prompts->count("question"), 3);
        QVERIFY(!program.window->isVisible());
    }

    void commitWritesTheTempFileAndTheInfoText()
    {
        Program program;
        Form1 *form = program.active();
        drawAndCommit(form);
        QCOMPARE(program.window->Label1->text(), QStringLiteral("250x250 178kB"));
        QFile temp(program.tempPath());
        QCOMPARE(QFileInfo(program.tempPath()).absolutePath(), program.folder.path());
        QVERIFY(temp.open(QIODevice::ReadOnly));
        const QByteArray bytes = temp.readAll();
        QCOMPARE(bytes.size(), 182094);
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        QCOMPARE(int(bytes[28]), 24); // bits per pixel
        const QImage committed = LoadPicture(program.tempPath()).picture;
        QCOMPARE(committed.size(), QSize(246, 246));
        QCOMPARE(committed, form->Picture1->Image());
        QCOMPARE(form->Picture1->Picture(), committed);
        QCOMPARE(form->Picture2->Picture(), committed);
        // Cls now goes back to the committed stroke.
        form->Picture1->Line(QPointF(0, 200), QPointF(200, 200), 0x00FF0000);
        form->Picture1->Cls();
        QCOMPARE(form->Picture1->Image(), committed);
    }

    void commitActsOnTheActiveDocumentOnly()
    {
        Program program;
        Form1 *first = program.active();
        Form1 *second = program.window->newDocument();
        QCOMPARE(program.active(), second);
        first->Picture1->Line(QPointF(1, 1), QPointF(50, 1), Red);
        drawAndCommit(second);
        QCOMPARE(pixelOf(first->Picture1->Picture(), 20, 1), CLR_INVALID); // never committed
        QCOMPARE(pixelOf(LoadPicture(program.tempPath()).picture, 10, 10), Red);
    }

    void infoTextCountsLargeFilesWithoutOverflow()
    {
        QCOMPARE(Form1::pictureInfoText(250, 250, 182094), QStringLiteral("250x250 178kB"));
        QCOMPARE(Form1::pictureInfoText(8004, 6004, 48'000'054LL * 3), QStringLiteral("8004x6004 140625kB"));
        QCOMPARE(Form1::pictureInfoText(10, 10, 1536), QStringLiteral("10x10 2kB")); // 1.5 -> 2
        QCOMPARE(Form1::pictureInfoText(10, 10, 2560), QStringLiteral("10x10 2kB")); // 2.5 -> 2
    }

    void windowGrowsForAWiderCanvasAndNeverShrinks()
    {
        Program program;
        Form1 *form = program.active();
        const double width = form->Width();
        const double height = form->Height();
        form->Picture1->setWidth(form->Picture1->Width() + 1500);
        QCOMPARE(form->Width(), form->Picture1->Width() + 100);
        QCOMPARE(form->Height(), height);
        form->Picture1->setHeight(form->Picture1->Height() + 600);
        QCOMPARE(form->Height(), form->Picture1->Height() + 400);
        const double grown = form->Width();
        form->Picture1->setWidth(1500);
        QCOMPARE(form->Width(), grown);
        QVERIFY(grown > width);
    }

    void tempFileMovesToTheFallbackFolderWhenTheProgramFolderRefusesIt()
    {
        Program program;
        Form1 *form = program.active();
        drawAndCommit(form);
        QCOMPARE(QFileInfo(program.tempPath()).absolutePath(), program.folder.path());
        // The program's folder goes away between two commits (a file now stands in its place).
        const QString primary = program.folder.path() + QStringLiteral("/program");
        TempFile::setFolders(primary, program.folder.path() + QStringLiteral("/fallback"));
        QFile blocker(primary);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        form->Picture1->Line(QPointF(0, 120), QPointF(240, 120), 0x00FF0000);
        CommitPicture();
        QCOMPARE(QFileInfo(program.tempPath()).absolutePath(), program.folder.path() + QStringLiteral("/fallback"));
        const QImage committed = LoadPicture(program.tempPath()).picture;
        QCOMPARE(pixelOf(committed, 120, 120), Colour(0x00FF0000));
        QCOMPARE(form->Picture1->Picture(), committed);
        QCOMPARE(program.window->Label1->text(), QStringLiteral("250x250 178kB"));
    }

    void documentStringFunction()
    {
        QCOMPARE(Form1::Change(QStringLiteral("abc"), QStringLiteral("abXYc"), 5), QStringLiteral("XY"));
        QCOMPARE(Form1::Change(QStringLiteral("hello world"), QStringLiteral("hello"), 12), QStringLiteral(" world"));
        QCOMPARE(Form1::Change(QStringLiteral("ab"), QStringLiteral("abcd"), 1), QString()); // before the start
        QCOMPARE(Form1::Change(QStringLiteral("same"), QStringLiteral("same"), 1), QString());
    }
};
VP_TEST(TestMainWindow)
#include "tst_mainwindow.moc"
