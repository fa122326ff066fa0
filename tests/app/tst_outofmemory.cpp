#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "document/tempfile.h"
#include "filters/sizedialog.h"
#include "imagelib/picturefiles.h"
#include "imagelib/picturememory.h"
#include "tools/palette.h"

#include "childprocess.h"
#include "fixture.h"
#include "testregistry.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThreadPool>
#include <QToolButton>

namespace {

// 36 MB of pixels: a copy of them does not fit in the room the child is left.
const QSize Large(4000, 3000);
constexpr qint64 Room = 32ll << 20;

// Qt paints and converts large areas on pooled threads and waits for them: a thread it cannot
// start for want of room for its stack would keep it waiting for ever. Small stacks leave the
// room to the pictures.
void smallThreadStacks()
{
    QThreadPool::globalInstance()->setStackSize(256 * 1024);
}

enum class Command { Stroke, Fill, FlipHorizontal, CanvasSize, Size, Open, Smaller };

// What the user can see of the document, and of the file the program keeps.
struct Look {
    QImage drawn, stored, snapshot;
    QSize outer;
    qsizetype states = 0;
    QByteArray tempFile; // its checksum: the child has no room for its bytes
    bool operator==(const Look &) const = default;
};

QByteArray checksumOf(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result();
}

Look lookOf(Program &program, Document *doc)
{
    program.tempFile().finishWriting();
    return {doc->canvas().image(), doc->canvas().picture(), doc->snapshot().picture(), doc->canvas().outerSize(),
            doc->history().undoList.size(), checksumOf(program.tempPath())};
}

QString describe(const Look &look)
{
    return QStringLiteral("%1 x %2 outside, %3 states, temp file %4")
        .arg(look.outer.width())
        .arg(look.outer.height())
        .arg(look.states)
        .arg(QString::fromLatin1(look.tempFile.toHex()));
}

void answerSize(MainWindow &main, int width, int height)
{
    main.sizeDialog->widthBox->setText(QString::number(width));
    main.sizeDialog->heightBox->setText(QString::number(height));
    main.sizeDialog->okButton->click();
}

void run(Command command, Program &program, const QString &largeFile)
{
    MainWindow &main = *program.window;
    Document *doc = program.active();
    QWidget *canvas = canvasArea(doc);
    switch (command) {
    case Command::Stroke:
        main.palette->pencilButton->click();
        QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(30, 30));
        QTest::mouseMove(canvas, QPoint(300, 40));
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(300, 40));
        break;
    case Command::Fill:
        main.palette->fillButton->click();
        QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(30, 30));
        break;
    case Command::FlipHorizontal: main.flipHorizontal(); break;
    case Command::CanvasSize:
        main.sizeCanvas();
        answerSize(main, Large.width() + 104, Large.height() + 4);
        break;
    case Command::Size:
        main.sizePicture();
        answerSize(main, Large.width() + 1004, Large.height() + 4);
        break;
    case Command::Open:
        program.prompts->files = {largeFile};
        main.open();
        break;
    case Command::Smaller:
        main.sizeCanvas();
        answerSize(main, 104, 84);
        break;
    }
    QApplication::processEvents(); // the message comes once the command is done
}

} // namespace

class TestOutOfMemory : public QObject {
    Q_OBJECT
private slots:
    // With no memory for the picture a command needs, the user is told so once and nothing is
    // lost: the canvas, its stored picture, the snapshot, the history and the temp file stay as
    // they were (a null bitmap stored at the commit would have emptied the canvas).
    void aCommandWithoutMemoryTellsAndLeavesThePictureAsItWas_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("says");
        const QString noMemoryForAPicture = QStringLiteral("There is not enough memory for a picture of");
        QTest::newRow("pencil stroke") << int(Command::Stroke) << noMemoryForAPicture;
        QTest::newRow("fill") << int(Command::Fill) << noMemoryForAPicture;
        QTest::newRow("flip horizontal") << int(Command::FlipHorizontal) << noMemoryForAPicture;
        QTest::newRow("canvas size, wider") << int(Command::CanvasSize) << noMemoryForAPicture;
        QTest::newRow("size, wider") << int(Command::Size) << noMemoryForAPicture;
        QTest::newRow("open a larger picture") << int(Command::Open) << PictureFileErrors::outOfMemory();
    }
    void aCommandWithoutMemoryTellsAndLeavesThePictureAsItWas()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the sanitizers' allocator ends the process rather than fail an allocation");
#endif
        QFETCH(int, command);
        QFETCH(QString, says);
        Program program;
        Document *doc = program.active();
        doc->canvas().setPicture(noisePicture(Large));
        doc->commitPicture();
        const QString largeFile = program.folder.filePath(QStringLiteral("large.bmp"));
        QCOMPARE(savePicture(uniformPicture(QSize(5000, 3000), Green), largeFile), QString());
        const Look before = lookOf(program, doc);
        // The child is to find no picture memory put by for reuse.
        releasePooledPictureMemory();
        const vptest::ChildResult child = vptest::runInChild(
            [&] {
                smallThreadStacks();
                run(Command(command), program, largeFile);
                QStringList faults;
                const int messages = program.prompts->count(QStringLiteral("message"));
                const QString text = messages ? program.prompts->last(QStringLiteral("message"))->text : QString();
                if (messages != 1 || !text.contains(says))
                    faults << QStringLiteral("%1 messages, the last \"%2\"").arg(messages).arg(text);
                const Look after = lookOf(program, doc);
                if (!(after == before))
                    faults << QStringLiteral("the document changed: %1, was %2").arg(describe(after), describe(before));
                return faults.join(QLatin1Char('\n'));
            },
            {false, -1, Room, 60});
        QVERIFY2(child.finished, qPrintable(child.failure));
        QVERIFY2(child.text.isEmpty(), qPrintable(child.text));
    }

    // The same room is enough for a command whose pictures are small: the limit is not what
    // fails the commands above.
    void theSameRoomServesACommandOnASmallerPicture()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the sanitizers' allocator ends the process rather than fail an allocation");
#endif
        Program program;
        Document *doc = program.active();
        doc->canvas().setPicture(noisePicture(Large));
        doc->commitPicture();
        releasePooledPictureMemory();
        const vptest::ChildResult child = vptest::runInChild(
            [&] {
                smallThreadStacks();
                run(Command::Smaller, program, QString());
                return QStringLiteral("%1 %2").arg(program.prompts->count(QStringLiteral("message")))
                    .arg(doc->canvas().picture().width());
            },
            {false, -1, Room, 60});
        QVERIFY2(child.finished, qPrintable(child.failure));
        QCOMPARE(child.text, QStringLiteral("0 100"));
    }
};
VP_TEST(TestOutOfMemory)
#include "tst_outofmemory.moc"
