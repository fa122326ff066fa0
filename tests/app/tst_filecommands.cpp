#include "document/commit.h"
#include "document/form1.h"
#include "document/picturebox.h"
#include "document/picturefiles.h"
#include "filters/form5.h"
#include "fixture.h"
#include "testregistry.h"

#include <QBuffer>
#include <QFile>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {
constexpr Colour Red = 0x000000FF;
constexpr Colour Blue = 0x00FF0000;

void closeDocument(Form1 *form)
{
    qobject_cast<QMdiSubWindow *>(form->parentWidget())->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Answers the Canvas Size dialog New shows, and lets the closed dialog go.
void answerSize(Program &program, const QString &width, bool ok = true)
{
    auto *dialog = qobject_cast<Form5 *>(program.window->Form5.data());
    if (!width.isEmpty())
        dialog->Text1->setText(width);
    (ok ? dialog->Command1 : dialog->Command2)->click();
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

QByteArray encoded(const QImage &picture, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format);
    return bytes;
}

// Qt writes no GIF: a 2 x 2 blue one, a clear code before each pixel.
const QByteArray BlueGif("GIF89a\x02\x00\x02\x00\x81\x00\x00\xff\x00\x00\x00\x00\xff\x00\x00\x00\x00\x00\x00"
                         "\x2c\x00\x00\x00\x00\x02\x00\x02\x00\x00\x02\x04\x0c\xc3\x30\x05\x00\x3b",
                         43);

// What a user sees of a document.
QPair<QString, QImage> lookOf(Form1 *form)
{
    return {form->Caption(), form->Picture1->Image()};
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
        program.window->mnuOpen_Click();
        program.window->mnuSave_Click();
        QCOMPARE(program.prompts->last("open")->title, QStringLiteral("Open Picture"));
        QCOMPARE(program.prompts->last("open")->filter,
                 QStringLiteral("Supported Filetypes |*.bmp;*.jpg;*.gif|BitMaps (*.bmp)|*.bmp|Jpeg (*.jpg)|*.jpg|"
                                "CompuServe Graphics Interchange (*.gif)|*.gif|All types (*.*)|*.*"));
        QCOMPARE(program.prompts->last("save")->title, QStringLiteral("Save Picture"));
        QCOMPARE(program.prompts->last("save")->filter, QStringLiteral("BitMaps (*.bmp)|*.bmp"));
        QCOMPARE(program.prompts->count("message"), 0);
        QVERIFY(program.window->FirstTime);
        QCOMPARE(lookOf(program.active()), before);
    }

    void firstNewReusesTheStartupWindowAndKeepsItsCommittedDrawing()
    {
        Program program;
        Form1 *startup = program.active();
        startup->Picture1->Line(QPointF(10, 10), QPointF(100, 10), Blue);
        CommitPicture();
        startup->setWidth(2000);
        program.prompts->colours = {Red};
        program.window->mnuNew_Click();
        QCOMPARE(program.window->documents(), QList<Form1 *>{startup});
        QCOMPARE(startup->Picture1->BackColor(), Red);
        auto *dialog = qobject_cast<Form5 *>(program.window->Form5.data());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Canvas Size"));
        QCOMPARE(dialog->Text1->text() + dialog->Text2->text(), QStringLiteral("250250"));
        QCOMPARE(startup->Width(), startup->Picture1->Width() + 100);
        QCOMPARE(startup->Height(), startup->Picture1->Height() + 400);
        QVERIFY(!program.window->FirstTime);

        answerSize(program, QStringLiteral("300"));
        const QImage picture = startup->Picture1->Picture();
        QCOMPARE(picture.size(), QSize(296, 246));
        QCOMPARE(pixelOf(picture, 50, 10), Blue);
        QCOMPARE(pixelOf(picture, 50, 100), Colour(0)); // the committed background
        QCOMPARE(pixelOf(picture, 270, 100), Red);      // beyond the committed picture
    }

    void laterNewsOpenUntitledWindowsAndOpenLoadsIntoTheActiveOne()
    {
        Program program;
        Form1 *startup = program.active();
        program.window->mnuNew_Click(); // colour dialog cancelled: black
        answerSize(program, {});
        program.window->mnuNew_Click();
        answerSize(program, {});
        Form1 *second = program.active();
        QCOMPARE(program.window->documents().size(), 2);
        QCOMPARE(second->Caption(), QStringLiteral("Untitled"));
        QCOMPARE(startup->Picture1->Picture(), uniformPicture(QSize(246, 246), 0));

        program.prompts->files = {put(program, QStringLiteral("cat.gif"), BlueGif)};
        program.window->mnuOpen_Click();
        QCOMPARE(program.window->documents().size(), 2);
        QCOMPARE(second->Caption(), QStringLiteral("cat.gif"));
        QCOMPARE(startup->Caption(), QStringLiteral("Untitled"));
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
        Form1 *form = program.active();
        const QImage snapshot = form->Picture2->Picture();
        program.prompts->files = {put(program, name, bytes)};
        program.window->mnuOpen_Click();
        QCOMPARE(form->Caption(), name);
        QVERIFY(!program.window->FirstTime);
        QCOMPARE(form->Picture1->Picture().size(), size);
        // The canvas's change rewrote the temp file; Open itself commits nothing.
        const QImage temp = LoadPicture(program.tempPath()).picture;
        QCOMPARE(temp.size(), size);
        QVERIFY(qAbs(qBlue(temp.pixel(1, 1)) - 255) + qRed(temp.pixel(1, 1)) < 8);
        QCOMPARE(form->Picture2->Picture(), snapshot);
    }

    void saveAsWritesExactlyTheNameGivenAsA24BitBitmapOfTheCanvas()
    {
        Program program;
        Form1 *form = program.active();
        form->Picture1->Line(QPointF(5, 5), QPointF(200, 120), Red); // drawn, not committed
        const QString path = program.folder.path() + QStringLiteral("/drawing");
        program.prompts->files = {path};
        QVERIFY(program.window->mnuSave_Click());
        QVERIFY(!QFile::exists(path + QStringLiteral(".bmp")));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray header = file.read(30);
        QCOMPARE(header.left(2), QByteArray("BM"));
        QCOMPARE(int(header[28]), 24);
        QCOMPARE(LoadPicture(path).picture, form->Picture1->Image());
        QCOMPARE(form->Caption(), QStringLiteral("drawing"));
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
        program.active()->Picture1->Line(QPointF(5, 5), QPointF(50, 50), Red);
        const QByteArray old("the old bytes");
        const QString path = name.isEmpty() ? program.folder.path() : program.folder.path() + QLatin1Char('/') + name;
        if (diskFull)
            put(program, name, old);
        const auto before = lookOf(program.active());
        program.prompts->files = {path};
        {
            const FileSizeLimit limit(diskFull ? 1000 : RLIM_INFINITY);
            QVERIFY(!program.window->mnuSave_Click());
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
        program.window->mnuOpen_Click();
        QCOMPARE(program.prompts->count("message"), 1);
        QVERIFY(program.prompts->last("message")->text.startsWith(QStringLiteral("The file \"%1\"").arg(path)));
        QCOMPARE(lookOf(program.active()), before);
        QVERIFY(program.window->FirstTime);

        // Nor does it bring back a closed start-up window.
        program.prompts->answers = {PromptAnswer::No};
        closeDocument(program.active());
        program.prompts->files = {path};
        program.window->mnuOpen_Click();
        QCOMPARE(program.window->documents().size(), 0);
        QVERIFY(program.window->FirstTime);
    }

    void openBringsBackAClosedStartupWindowTheFirstTimeOnly()
    {
        Program program;
        program.prompts->answers = {PromptAnswer::No};
        closeDocument(program.active());
        program.prompts->files = {put(program, QStringLiteral("cat.gif"), BlueGif)};
        program.window->mnuOpen_Click();
        QCOMPARE(program.window->documents().size(), 1);
        QCOMPARE(program.window->startupForm(), program.active());
        QCOMPARE(program.active()->Caption(), QStringLiteral("cat.gif"));

        program.prompts->answers = {PromptAnswer::No};
        closeDocument(program.active());
        program.prompts->files = {program.window->CD1.FileName};
        program.window->mnuOpen_Click();
        QCOMPARE(program.window->documents().size(), 0);
        QVERIFY(program.prompts->last("message")->text.contains(QStringLiteral("cat.gif")));
    }
};
VP_TEST(TestFileCommands)
#include "tst_filecommands.moc"
