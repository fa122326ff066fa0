#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "fixture.h"
#include "testregistry.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QStatusBar>
#include <QTest>

// The clipboard by keys: Ctrl+C puts the active picture as drawn on it, Ctrl+V opens its picture
// in a new window as a dropped file opens. Neither did anything once.
class TestClipboard : public QObject {
    Q_OBJECT
private slots:
    void copyAndPasteRoundTripThePictureExactly()
    {
        Program program;
        Document *source = program.active();
        const QImage picture = noisePicture(QSize(90, 70), PictureFormat, 5);
        source->canvas().setPicture(picture);
        source->canvas().line(QPointF(3, 3), QPointF(80, 60), Red); // drawn, not yet committed
        const QImage drawn = source->canvas().image();
        program.window->copyAction->trigger();
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(PictureFormat), drawn);

        program.window->pasteAction->trigger();
        QCOMPARE(program.documents().size(), 2);
        Document *pasted = program.active();
        QVERIFY(pasted != source);
        QCOMPARE(pasted->caption(), QStringLiteral("Untitled"));
        QCOMPARE(pasted->canvas().image(), drawn);
        QCOMPARE(pasted->history().undoList.size(), 2); // recorded as a dropped file is
        QCOMPARE(program.prompts->count("message"), 0);
    }

    void aClipboardWithoutAPictureSaysSoAndOpensNothing()
    {
        Program program;
        QGuiApplication::clipboard()->setText(QStringLiteral("only words"));
        program.window->pasteAction->trigger();
        QCOMPARE(program.documents().size(), 1);
        QVERIFY(program.window->statusBar()->currentMessage().contains(QStringLiteral("no picture")));
    }

    void theKeysAreTheDesktopsOwn()
    {
        Program program;
        QVERIFY(program.window->copyAction->shortcuts().contains(QKeySequence(QStringLiteral("Ctrl+C"))));
        QVERIFY(program.window->pasteAction->shortcuts().contains(QKeySequence(QStringLiteral("Ctrl+V"))));
        // Ctrl+Shift+Z redoes as Ctrl+Y does.
        QVERIFY(program.window->redoAction->shortcuts().contains(QKeySequence(QStringLiteral("Ctrl+Shift+Z"))));
        QCOMPARE(program.window->redoAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+Y")));
    }
};
VP_TEST(TestClipboard)
#include "tst_clipboard.moc"
