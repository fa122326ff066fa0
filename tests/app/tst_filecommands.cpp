#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "document/tempfile.h"
#include "filters/sizedialog.h"
#include "fixture.h"
#include "hostilecorpus.h"
#include "imagelib/picturefiles.h"
#include "testregistry.h"
#include "tools/palette.h"

#include <QBuffer>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QFile>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

using vptest::encoded;

// Answers the Canvas Size dialog New shows, and lets the closed dialog go.
void answerSize(Program &program, const QString &width, bool ok = true)
{
    auto *dialog = qobject_cast<SizeDialog *>(program.window->sizeDialog.data());
    if (!width.isEmpty())
        dialog->widthBox->setText(width);
    (ok ? dialog->okButton : dialog->cancelButton)->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QString put(Program &program, const QString &name, const QByteArray &bytes)
{
    const QString path = program.folder.path() + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return path;
}

// Qt writes no GIF: a 2 x 2 blue one, a clear code before each pixel.
const QByteArray BlueGif("GIF89a\x02\x00\x02\x00\x81\x00\x00\xff\x00\x00\x00\x00\xff\x00\x00\x00\x00\x00\x00"
                         "\x2c\x00\x00\x00\x00\x02\x00\x02\x00\x00\x02\x04\x0c\xc3\x30\x05\x00\x3b",
                         43);

// What a user sees of a document.
QPair<QString, QImage> lookOf(Document *doc)
{
    return {doc->caption(), doc->canvas().image()};
}

// Writing a file fails beyond `bytes` while it lives, as on a full disk.
struct FileSizeLimit {
    rlimit old {};
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit limit = old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
};
} // namespace

class TestFileCommands : public QObject {
    Q_OBJECT
private slots:
    void cancellingOpenOrSaveAsChangesNothing()
    {
        Program program;
        const auto before = lookOf(program.active());
        program.window->open();
        program.window->saveAs();
        QCOMPARE(program.prompts->last("open")->title, QStringLiteral("Open Picture"));
        QCOMPARE(program.prompts->last("open")->filter,
                 QStringLiteral("Supported Filetypes (*.bmp *.jpg *.gif);;BitMaps (*.bmp);;Jpeg (*.jpg);;"
                                "CompuServe Graphics Interchange (*.gif);;All types (*.*)"));
        QCOMPARE(program.prompts->last("save")->title, QStringLiteral("Save Picture"));
        QCOMPARE(program.prompts->last("save")->filter, QStringLiteral("BitMaps (*.bmp)"));
        QCOMPARE(program.prompts->count("message"), 0);
        QVERIFY(program.window->firstTime);
        QCOMPARE(lookOf(program.active()), before);
    }

    void firstNewReusesTheStartupWindowAndKeepsItsCommittedDrawing()
    {
        Program program;
        Document *startup = program.active();
        startup->canvas().line(QPointF(10, 10), QPointF(100, 10), Blue);
        startup->commitPicture();
        frameOf(startup)->resize(133, 180);
        program.prompts->colours = {Red};
        program.window->newPicture();
        QCOMPARE(program.documents(), QList<Document *>{startup});
        QCOMPARE(startup->canvas().backgroundColour(), Red);
        auto *dialog = qobject_cast<SizeDialog *>(program.window->sizeDialog.data());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Canvas Size"));
        QCOMPARE(dialog->widthBox->text() + dialog->heightBox->text(), QStringLiteral("250250"));
        // The window fits its canvas again, the border included.
        QCOMPARE(windowContentSize(startup), startup->canvas().outerSize());
        QVERIFY(!program.window->firstTime);

        answerSize(program, QStringLiteral("300"));
        const QImage picture = startup->canvas().picture();
        QCOMPARE(picture.size(), QSize(296, 246));
        QCOMPARE(pixelOf(picture, 50, 10), Blue);
        QCOMPARE(pixelOf(picture, 50, 100), Colour(0)); // the committed background
        QCOMPARE(pixelOf(picture, 270, 100), Red);      // beyond the committed picture
    }

    void laterNewsOpenUntitledWindowsAndOpenLoadsIntoTheActiveOne()
    {
        Program program;
        Document *startup = program.active();
        program.window->newPicture(); // colour dialog cancelled: black
        answerSize(program, {});
        program.window->newPicture();
        answerSize(program, {});
        Document *second = program.active();
        QCOMPARE(program.documents().size(), 2);
        QCOMPARE(second->caption(), QStringLiteral("Untitled"));
        QCOMPARE(startup->canvas().picture(), uniformPicture(QSize(246, 246), 0));

        program.prompts->files = {put(program, QStringLiteral("cat.gif"), BlueGif)};
        program.window->open();
        QCOMPARE(program.documents().size(), 2);
        QCOMPARE(second->caption(), QStringLiteral("cat.gif"));
        QCOMPARE(startup->caption(), QStringLiteral("Untitled"));
    }

    void openReadsEachSupportedKindOfFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        const QImage blue = uniformPicture(QSize(64, 48), Blue);
        QTest::newRow("bitmap") << "picture.bmp" << encoded(blue, "BMP") << QSize(64, 48);
        QTest::newRow("jpeg") << "picture.jpg" << encoded(blue, "JPG") << QSize(64, 48);
        QTest::newRow("gif") << "picture.gif" << BlueGif << QSize(2, 2);
    }
    void openReadsEachSupportedKindOfFile()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        Program program;
        Document *doc = program.active();
        const QImage snapshot = doc->snapshot().picture();
        program.prompts->files = {put(program, name, bytes)};
        program.window->open();
        QCOMPARE(doc->caption(), name);
        QVERIFY(!program.window->firstTime);
        QCOMPARE(doc->canvas().picture().size(), size);
        // The canvas's change rewrote the temp file; Open itself commits nothing.
        const QImage temp = loadPicture(program.tempPath()).picture;
        QCOMPARE(temp.size(), size);
        QVERIFY(qAbs(qBlue(temp.pixel(1, 1)) - 255) + qRed(temp.pixel(1, 1)) < 8);
        QCOMPARE(doc->snapshot().picture(), snapshot);
    }

    void saveAsWritesExactlyTheNameGivenAsA24BitBitmapOfTheCanvas()
    {
        Program program;
        Document *doc = program.active();
        doc->canvas().line(QPointF(5, 5), QPointF(200, 120), Red); // drawn, not committed
        const QString path = program.folder.path() + QStringLiteral("/drawing");
        program.prompts->files = {path};
        QVERIFY(program.window->saveAs());
        QVERIFY(!QFile::exists(path + QStringLiteral(".bmp")));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray header = file.read(30);
        QCOMPARE(header.left(2), QByteArray("BM"));
        QCOMPARE(int(header[28]), 24);
        QCOMPARE(loadPicture(path).picture, doc->canvas().image());
        QCOMPARE(doc->caption(), QStringLiteral("drawing"));
    }

    // The data loss this guards against: a JPEG replaced by a BMP of its name without a word.
    void saveAsOntoAnExistingFileAsksAndReplacesItOnlyOnYes_data()
    {
        QTest::addColumn<QList<PromptAnswer>>("answers");
        QTest::addColumn<QStringList>("names"); // chosen in the file dialog, in turn
        QTest::addColumn<QString>("written");    // "" when nothing is
        QTest::addRow("No, then the dialog cancelled") << QList{PromptAnswer::No} << QStringList{"photo.jpg"} << "";
        QTest::addRow("No, then a new name")
            << QList{PromptAnswer::No} << QStringList{"photo.jpg", "new picture"} << "new picture";
        QTest::addRow("Yes") << QList{PromptAnswer::Yes} << QStringList{"photo.jpg"} << "photo.jpg";
        QTest::addRow("closing: Yes to saving, No to replacing, then cancelled")
            << QList{PromptAnswer::Yes, PromptAnswer::No} << QStringList{"photo.jpg"} << "";
    }
    void saveAsOntoAnExistingFileAsksAndReplacesItOnlyOnYes()
    {
        QFETCH(QList<PromptAnswer>, answers);
        QFETCH(QStringList, names);
        QFETCH(QString, written);
        const bool closing = answers.size() > 1;
        Program program;
        Document *doc = program.active();
        doc->canvas().line(QPointF(5, 5), QPointF(200, 120), Red);
        const QByteArray photo = encoded(uniformPicture(QSize(30, 20), Blue), "JPG");
        const QString photoPath = put(program, QStringLiteral("photo.jpg"), photo);
        const auto before = lookOf(doc);
        program.prompts->answers.assign(answers.begin(), answers.end());
        for (const QString &name : names)
            program.prompts->files.push_back(program.folder.filePath(name));

        const bool saved = closing ? (closeDocument(doc), program.documents().isEmpty())
                                   : program.window->saveAs();

        QCOMPARE(program.prompts->count("confirm"), 1);
        QCOMPARE(program.prompts->last("confirm")->title, QStringLiteral("Confirm Save As"));
        QVERIFY(program.prompts->last("confirm")->text.startsWith(QStringLiteral("photo.jpg already exists.")));
        QCOMPARE(program.prompts->count("save"), names.size() + (written.isEmpty() ? 1 : 0));
        QCOMPARE(program.prompts->count("message"), 0);
        QCOMPARE(saved, !written.isEmpty());
        if (written != QStringLiteral("photo.jpg"))
            QCOMPARE(fileBytes(photoPath), photo);
        if (written.isEmpty()) {
            QCOMPARE(program.documents(), QList<Document *>{doc});
            QCOMPARE(lookOf(doc), before);
            return;
        }
        // Written as ever: a 24-bit BMP of the canvas as drawn, at exactly the path chosen.
        const QString path = program.folder.filePath(written);
        const QByteArray bytes = fileBytes(path);
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        QCOMPARE(int(bytes[28]), 24);
        QCOMPARE(loadPicture(path).picture, before.second);
        QCOMPARE(doc->caption(), written);
        QCOMPARE(QDir(program.folder.path()).entryList({QStringLiteral("photo*"), QStringLiteral("new*")}).size(),
                 names.size());
    }

    // Dropped files that replaced a picture, stopped at the first bad one, or opened silently
    // past it.
    void droppedFilesOpenEachInANewWindowAndABrokenOneIsTold()
    {
        Program program;
        MainWindow &main = *program.window;
        Document *startup = program.active();
        startup->canvas().line(QPointF(5, 5), QPointF(100, 5), Red);
        const auto before = lookOf(startup);
        const QImage red = uniformPicture(QSize(30, 20), Red);
        const QList<QUrl> urls = {QUrl::fromLocalFile(put(program, QStringLiteral("red.bmp"), encoded(red, "BMP"))),
                                  QUrl::fromLocalFile(put(program, QStringLiteral("broken.jpg"), "no picture")),
                                  QUrl::fromLocalFile(put(program, QStringLiteral("cat.gif"), BlueGif))};
        QMimeData web;
        web.setUrls({QUrl(QStringLiteral("https://example.org/cat.gif"))});
        QDragEnterEvent webEnter(QPoint(300, 300), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&main, &webEnter);
        QVERIFY(!webEnter.isAccepted()); // nothing to open from afar

        main.palette->settings().setColour(Red);
        QMimeData files;
        files.setUrls(urls);
        main.rotate(); // a dialog open keeps the documents as they are
        QDragEnterEvent duringDialog(QPoint(300, 300), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&main, &duringDialog);
        QVERIFY(!duringDialog.isAccepted());
        closeToolDialogs();

        QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&main, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&main, &drop);
        QVERIFY(drop.isAccepted());
        QTRY_COMPARE(program.documents().size(), 3);

        QCOMPARE(program.prompts->count("message"), 1);
        QCOMPARE(program.prompts->last("message")->title, QStringLiteral("Open"));
        QVERIFY(program.prompts->last("message")->text.startsWith(
            QStringLiteral("The file \"%1\"").arg(urls[1].toLocalFile())));
        QCOMPARE(lookOf(startup), before);
        const QList<Document *> opened = program.documents().mid(1);
        QCOMPARE(opened[0]->caption(), QStringLiteral("red.bmp"));
        QCOMPARE(opened[0]->canvas().picture(), red.convertToFormat(opened[0]->canvas().picture().format()));
        QCOMPARE(opened[1]->caption(), QStringLiteral("cat.gif"));
        QCOMPARE(opened[1]->canvas().picture().size(), QSize(2, 2));
        // Made as New makes a window (the current colour back to black), loaded as Open loads (the
        // history holds the picture).
        QCOMPARE(main.palette->settings().colour(), Colour(0));
        QCOMPARE(main.activeDocument(), opened[1]);
        QCOMPARE(opened[1]->history().undoList.size(), 2);
        QVERIFY(main.firstTime);
    }

    void saveAsThatCannotWriteSaysSoAndChangesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("a missing folder") << "missing/picture.bmp" << false;
        QTest::newRow("a folder's name") << "" << false;
        QTest::newRow("a full disk over an old file") << "old.bmp" << true;
    }
    void saveAsThatCannotWriteSaysSoAndChangesNothing()
    {
        QFETCH(QString, name);
        QFETCH(bool, diskFull);
        Program program;
        program.active()->canvas().line(QPointF(5, 5), QPointF(50, 50), Red);
        const QByteArray old("the old bytes");
        const QString path = name.isEmpty() ? program.folder.path() : program.folder.path() + QLatin1Char('/') + name;
        if (diskFull)
            put(program, name, old);
        const auto before = lookOf(program.active());
        program.prompts->files = {path};
        program.prompts->answers = {PromptAnswer::Yes}; // to replacing the old file
        {
            const FileSizeLimit limit(diskFull ? 1000 : RLIM_INFINITY);
            QVERIFY(!program.window->saveAs());
        }
        QCOMPARE(program.prompts->count("message"), 1);
        QVERIFY(program.prompts->last("message")->text.contains(QStringLiteral("\"%1\"").arg(path)));
        QCOMPARE(lookOf(program.active()), before);
        if (diskFull) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), old);
        }
    }

    // After the message the command ended, and the user had to start again from the menu: the
    // file dialog comes back instead, where the write failed, and Cancel there ends it.
    void saveAsThatFailedAsksForAnotherName()
    {
        Program program;
        Document *doc = program.active();
        doc->canvas().line(QPointF(5, 5), QPointF(50, 50), Red);
        const QString missing = program.folder.filePath(QStringLiteral("missing/picture.bmp"));
        const QString good = program.folder.filePath(QStringLiteral("picture.bmp"));
        program.prompts->files = {missing, good};
        QVERIFY(program.window->saveAs());
        QCOMPARE(program.prompts->count("message"), 1);
        QCOMPARE(program.prompts->count("save"), 2);
        QCOMPARE(program.prompts->last("save")->fileName, missing);
        QCOMPARE(loadPicture(good).picture, doc->canvas().image());
        QCOMPARE(doc->caption(), QStringLiteral("picture.bmp"));

        program.prompts->files = {missing}; // and then Cancel
        QVERIFY(!program.window->saveAs());
        QCOMPARE(program.prompts->count("save"), 4);
        QCOMPARE(doc->caption(), QStringLiteral("picture.bmp"));
    }

    void openOfAFileThatIsNoUsablePictureSaysSoAndChangesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray bmp = encoded(uniformPicture(QSize(20, 20), Red), "BMP");
        QByteArray huge = bmp.left(54);
        huge.replace(18, 8, QByteArray("\x20\x4e\x00\x00\x20\x4e\x00\x00", 8)); // 20000 x 20000
        QTest::newRow("missing") << "missing.bmp" << QByteArray();
        QTest::newRow("truncated") << "cut.bmp" << bmp.left(bmp.size() / 2);
        QTest::newRow("not a picture") << "notes.gif" << QByteArray("just some words");
        QTest::newRow("larger than accepted") << "huge.bmp" << huge;
    }
    void openOfAFileThatIsNoUsablePictureSaysSoAndChangesNothing()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        Program program;
        const QString path = bytes.isEmpty() ? program.folder.path() + QLatin1Char('/') + name
                                             : put(program, name, bytes);
        const auto before = lookOf(program.active());
        program.prompts->files = {path};
        program.window->open();
        QCOMPARE(program.prompts->count("message"), 1);
        QVERIFY(program.prompts->last("message")->text.startsWith(QStringLiteral("The file \"%1\"").arg(path)));
        QCOMPARE(lookOf(program.active()), before);
        QVERIFY(program.window->firstTime);

        // Nor does it bring back a closed start-up window.
        program.prompts->answers = {PromptAnswer::No};
        closeDocument(program.active());
        program.prompts->files = {path};
        program.window->open();
        QCOMPARE(program.documents().size(), 0);
        QVERIFY(program.window->firstTime);
    }

    // The temp file is written behind the commits: Open of it (and Save As over it) must first
    // let the last write finish, or it finds the picture before, or its own file overwritten.
    void openAndSaveAsOfTheTempFileFindTheLastCommit()
    {
        Program program;
        Document *doc = program.active();
        const QString temp = program.folder.filePath(QStringLiteral("temp"));
        doc->canvas().setPicture(noisePicture(QSize(2500, 2000)));
        doc->commitPicture();
        doc->canvas().line(QPointF(10, 10), QPointF(2000, 1500), Red);
        doc->commitPicture();
        const QImage last = doc->canvas().picture();
        program.prompts->files = {temp};
        program.window->open();
        QCOMPARE(doc->canvas().picture(), last);

        doc->canvas().line(QPointF(10, 1500), QPointF(2000, 10), Green);
        doc->commitPicture();
        doc->canvas().line(QPointF(10, 700), QPointF(2000, 700), Blue); // drawn, not committed
        program.prompts->files = {temp};
        program.prompts->answers = {PromptAnswer::Yes}; // replace the temp file
        QVERIFY(program.window->saveAs());
        QCOMPARE(loadPicture(temp).picture, doc->canvas().image());
    }

    void openBringsBackAClosedStartupWindowTheFirstTimeOnly()
    {
        Program program;
        program.prompts->answers = {PromptAnswer::No};
        closeDocument(program.active());
        program.prompts->files = {put(program, QStringLiteral("cat.gif"), BlueGif)};
        program.window->open();
        QCOMPARE(program.documents().size(), 1);
        QCOMPARE(&program.window->startupDocument()->document(), program.active());
        QCOMPARE(program.active()->caption(), QStringLiteral("cat.gif"));

        program.prompts->answers = {PromptAnswer::No};
        closeDocument(program.active());
        program.prompts->files = {program.window->lastFileName};
        program.window->open();
        QCOMPARE(program.documents().size(), 0);
        QVERIFY(program.prompts->last("message")->text.contains(QStringLiteral("cat.gif")));
    }
};
VP_TEST(TestFileCommands)
#include "tst_filecommands.moc"
