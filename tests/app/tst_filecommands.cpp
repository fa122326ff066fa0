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
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <sys/resource.h>

namespace {
constexpr Colour Red = 0x000000FF;
constexpr Colour Blue = 0x00FF0000;
constexpr Colour Green = 0x0000FF00;

void closeDocument(Form1 *form)
{
    qobject_cast<QMdiSubWindow *>(form->parentWidget())->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

Form5 *sizeDialog(Program &program)
{
    return qobject_cast<Form5 *>(program.window->Form5.data());
}

// A dialog button clicked, and the closed dialog gone, as it is before the user's next command.
void click(QPushButton *button)
{
    button->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What a user sees of a document: its caption and its canvas as drawn.
struct Look {
    QString caption;
    QImage canvas;
    bool operator==(const Look &) const = default;
};
Look lookOf(Form1 *form)
{
    return {form->Caption(), form->Picture1->Image()};
}

// Qt writes no GIF files: a two-colour one, its LZW codes kept at 9 bits by a clear code often
// enough that the table never grows past them.
QByteArray gifOf(const QImage &picture, QRgb left, QRgb right)
{
    QByteArray gif("GIF89a");
    const auto le16 = [&gif](int v) { gif.append(char(v & 0xFF)).append(char(v >> 8)); };
    le16(picture.width());
    le16(picture.height());
    gif.append(char(0xF7)).append('\0').append('\0');
    QByteArray table(768, '\0');
    for (int i = 0; i < 2; ++i) {
        const QRgb c = i == 0 ? left : right;
        table[3 * i] = char(qRed(c));
        table[3 * i + 1] = char(qGreen(c));
        table[3 * i + 2] = char(qBlue(c));
    }
    gif.append(table).append(char(0x2C));
    le16(0);
    le16(0);
    le16(picture.width());
    le16(picture.height());
    gif.append('\0').append(char(8));
    QByteArray codes;
    quint32 bits = 0;
    int count = 0;
    const auto put = [&](int code) {
        bits |= quint32(code) << count;
        for (count += 9; count >= 8; count -= 8, bits >>= 8)
            codes.append(char(bits & 0xFF));
    };
    int sinceClear = 0;
    put(256);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            if (++sinceClear == 250) {
                put(256);
                sinceClear = 1;
            }
            put(picture.pixel(x, y) == left ? 0 : 1);
        }
    put(257);
    if (count > 0)
        codes.append(char(bits & 0xFF));
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        gif.append(char(block.size())).append(block);
    }
    return gif.append('\0').append(char(0x3B));
}

// Writes into the program's folder a picture of a red left half and a blue right half.
QString writePicture(Program &program, const QString &name, const char *format, QSize size = QSize(40, 30))
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(toQColor(Blue));
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width() / 2; ++x)
            picture.setPixelColor(x, y, toQColor(Red));
    const QString path = program.folder.path() + QLatin1Char('/') + name;
    QFile file(path);
    const bool written = qstrcmp(format, "GIF") == 0
                             ? file.open(QIODevice::WriteOnly) && file.write(gifOf(picture, toQColor(Red).rgb(),
                                                                                   toQColor(Blue).rgb())) > 0
                             : picture.save(path, format);
    if (!written)
        qFatal("the test picture could not be written");
    return path;
}

bool near(Colour a, Colour b)
{
    for (int shift : {0, 8, 16})
        if (qAbs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 8)
            return false;
    return true;
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
        Form1 *form = program.active();
        const Look before = lookOf(form);
        program.window->mnuOpen_Click();
        program.window->mnuSave_Click();
        QCOMPARE(program.prompts->count("open"), 1);
        QCOMPARE(program.prompts->count("save"), 1);
        QCOMPARE(program.prompts->count("message"), 0);
        QVERIFY(program.window->FirstTime);
        QVERIFY(lookOf(form) == before);
        QCOMPARE(program.window->documents().size(), 1);
    }

    void dialogsAreTitledAndFilteredAsTheCommandsSay()
    {
        Program program;
        program.window->mnuOpen_Click();
        QCOMPARE(program.prompts->last("open")->title, QStringLiteral("Open Picture"));
        QCOMPARE(program.prompts->last("open")->filter,
                 QStringLiteral("Supported Filetypes |*.bmp;*.jpg;*.gif|BitMaps (*.bmp)|*.bmp|Jpeg (*.jpg)|*.jpg|"
                                "CompuServe Graphics Interchange (*.gif)|*.gif|All types (*.*)|*.*"));
        program.window->mnuSave_Click();
        QCOMPARE(program.prompts->last("save")->title, QStringLiteral("Save Picture"));
        QCOMPARE(program.prompts->last("save")->filter, QStringLiteral("BitMaps (*.bmp)|*.bmp"));
    }

    void firstNewReusesTheStartupWindowAndAsksForItsCanvasSize()
    {
        Program program;
        Form1 *startup = program.active();
        startup->setWidth(2000);
        startup->setHeight(2500);
        program.prompts->colours = {Red};
        program.window->mnuNew_Click();
        QCOMPARE(program.window->documents(), QList<Form1 *>{startup});
        QCOMPARE(program.prompts->count("colour"), 1);
        QCOMPARE(startup->Picture1->BackColor(), Red);
        QCOMPARE(startup->CD1.Color, Red);
        Form5 *dialog = sizeDialog(program);
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Canvas Size"));
        QCOMPARE(dialog->Text1->text(), QStringLiteral("250"));
        QCOMPARE(dialog->Text2->text(), QStringLiteral("250"));
        QCOMPARE(startup->Width(), startup->Picture1->Width() + 100);
        QCOMPARE(startup->Height(), startup->Picture1->Height() + 400);
        QVERIFY(!program.window->FirstTime);

        // The picture takes its size when the dialog is confirmed.
        dialog->Text1->setText(QStringLiteral("300"));
        dialog->Text2->setText(QStringLiteral("120"));
        click(dialog->Command1);
        QCOMPARE(startup->Picture1->Picture(), uniformPicture(QSize(296, 116), Red));
        QVERIFY(program.window->isEnabled());
    }

    void cancellingTheColourDialogOfTheFirstNewGivesBlack()
    {
        Program program;
        program.window->mnuNew_Click();
        click(sizeDialog(program)->Command1);
        QCOMPARE(program.active()->Picture1->Picture(), uniformPicture(QSize(246, 246), 0));
    }

    void secondNewOpensAnotherUntitledWindowWithItsOwnColourDialog()
    {
        Program program;
        Form1 *startup = program.active();
        program.prompts->colours = {Red, Blue};
        program.window->mnuNew_Click();
        click(sizeDialog(program)->Command2);
        program.window->mnuNew_Click();
        QCOMPARE(program.window->documents().size(), 2);
        Form1 *second = program.active();
        QVERIFY(second != startup);
        QCOMPARE(second->Caption(), QStringLiteral("Untitled"));
        QCOMPARE(second->CD1.Color, Blue);
        QCOMPARE(startup->CD1.Color, Red);
        QCOMPARE(sizeDialog(program)->windowTitle(), QStringLiteral("Canvas Size"));
        click(sizeDialog(program)->Command1);
        QCOMPARE(second->Picture1->Picture(), uniformPicture(QSize(246, 246), Blue));
    }

    void firstNewAfterACommittedStrokeKeepsTheStroke()
    {
        Program program;
        Form1 *form = program.active();
        form->Picture1->setDrawWidth(3);
        form->Picture1->Line(QPointF(10, 10), QPointF(100, 10), Blue);
        CommitPicture();
        program.prompts->colours = {Red};
        program.window->mnuNew_Click();
        Form5 *dialog = sizeDialog(program);
        dialog->Text1->setText(QStringLiteral("300"));
        click(dialog->Command1);
        const QImage picture = form->Picture1->Picture();
        QCOMPARE(picture.size(), QSize(296, 246));
        QCOMPARE(pixelOf(picture, 50, 10), Blue);
        QCOMPARE(pixelOf(picture, 50, 100), Colour(0)); // the committed black background
        QCOMPARE(pixelOf(picture, 270, 100), Red);      // beyond the stored picture
    }

    void newRecreatesAClosedStartupWindow()
    {
        Program program;
        program.prompts->answers = {PromptAnswer::No};
        closeDocument(program.active());
        program.window->mnuNew_Click();
        QCOMPARE(program.window->documents().size(), 1);
        QCOMPARE(program.window->startupForm(), program.active());
        QVERIFY(!program.window->FirstTime);
        click(sizeDialog(program)->Command2);
    }

    void openRecreatesAClosedStartupWindow()
    {
        Program program;
        program.prompts->answers = {PromptAnswer::No};
        closeDocument(program.active());
        program.prompts->files = {writePicture(program, QStringLiteral("cat.bmp"), "BMP")};
        program.window->mnuOpen_Click();
        QCOMPARE(program.window->documents().size(), 1);
        QCOMPARE(program.active()->Caption(), QStringLiteral("cat.bmp"));
        QVERIFY(!program.window->FirstTime);
    }

    void openLoadsIntoTheStartupWindowFirstThenTheActiveOne()
    {
        Program program;
        Form1 *startup = program.active();
        program.prompts->files = {writePicture(program, QStringLiteral("dog.bmp"), "BMP")};
        program.window->mnuOpen_Click();
        QCOMPARE(startup->Caption(), QStringLiteral("dog.bmp"));
        QVERIFY(!program.window->FirstTime);

        program.window->mnuNew_Click();
        click(sizeDialog(program)->Command2);
        Form1 *second = program.active();
        QVERIFY(second != startup);
        program.prompts->files = {writePicture(program, QStringLiteral("cat.gif"), "GIF")};
        program.window->mnuOpen_Click();
        QCOMPARE(program.window->documents().size(), 2);
        QCOMPARE(second->Caption(), QStringLiteral("cat.gif"));
        QCOMPARE(startup->Caption(), QStringLiteral("dog.bmp"));
        // The one file dialog keeps the last file.
        program.window->mnuSave_Click();
        QCOMPARE(program.window->CD1.FileName, program.folder.path() + QStringLiteral("/cat.gif"));
    }

    void openReadsEachSupportedKindOfFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("format");
        QTest::newRow("bitmap") << "picture.bmp" << "BMP";
        QTest::newRow("jpeg") << "picture.jpg" << "JPG";
        QTest::newRow("gif") << "picture.gif" << "GIF";
    }
    void openReadsEachSupportedKindOfFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, format);
        Program program;
        Form1 *form = program.active();
        const QImage snapshot = form->Picture2->Picture();
        program.prompts->files = {writePicture(program, name, format.toLatin1().constData(), QSize(64, 48))};
        program.window->mnuOpen_Click();
        QCOMPARE(form->Caption(), name);
        QCOMPARE(form->Picture1->Picture().size(), QSize(64, 48));
        QCOMPARE(form->Picture1->Width(), 68 * 15.0);
        const QImage shown = form->Picture1->Image();
        QVERIFY(near(pixelOf(shown, 8, 24), Red));
        QVERIFY(near(pixelOf(shown, 56, 24), Blue));
        // The canvas's change rewrote the temp file; Open itself commits nothing.
        const QImage temp = LoadPicture(program.tempPath()).picture;
        QCOMPARE(temp.size(), QSize(64, 48));
        QVERIFY(near(pixelOf(temp, 56, 24), Blue));
        QCOMPARE(form->Picture2->Picture(), snapshot);
        QCOMPARE(program.prompts->count("message"), 0);
    }

    void largerPictureWidensItsWindow()
    {
        Program program;
        Form1 *form = program.active();
        program.prompts->files = {writePicture(program, QStringLiteral("wide.bmp"), "BMP", QSize(500, 20))};
        program.window->mnuOpen_Click();
        QCOMPARE(form->Width(), 504 * 15.0 + 100);
    }

    void saveAsWritesExactlyTheNameGivenAsA24BitBitmapOfTheCanvas()
    {
        Program program;
        Form1 *form = program.active();
        form->Picture1->setDrawWidth(4);
        form->Picture1->Line(QPointF(5, 5), QPointF(200, 120), Green);
        const QString path = program.folder.path() + QStringLiteral("/drawing");
        program.prompts->files = {path};
        QVERIFY(program.window->mnuSave_Click());
        QVERIFY(!QFile::exists(path + QStringLiteral(".bmp")));
        const QByteArray bytes = contents(path);
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        QCOMPARE(int(bytes[28]), 24);
        // As drawn so far, committed or not.
        QCOMPARE(LoadPicture(path).picture, form->Picture1->Image());
        QCOMPARE(pixelOf(LoadPicture(path).picture, 5, 5), Green);
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
        Form1 *form = program.active();
        form->Picture1->Line(QPointF(5, 5), QPointF(50, 50), Red);
        const QString path = name.isEmpty() ? program.folder.path() : program.folder.path() + QLatin1Char('/') + name;
        const QByteArray old("the old bytes");
        if (diskFull) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(old);
        }
        const Look before = lookOf(form);
        program.prompts->files = {path};
        bool saved = true;
        {
            const FileSizeLimit limit(diskFull ? 1000 : RLIM_INFINITY);
            saved = program.window->mnuSave_Click();
        }
        QVERIFY(!saved);
        QCOMPARE(program.prompts->count("message"), 1);
        QVERIFY(program.prompts->last("message")->text.contains(QStringLiteral("\"%1\"").arg(path)));
        QCOMPARE(program.prompts->last("message")->icon, MessageIcon::Critical);
        QVERIFY(lookOf(form) == before);
        if (diskFull)
            QCOMPARE(contents(path), old);
    }

    void openOfAFileThatIsNoUsablePictureSaysSoAndChangesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QByteArray bmp;
        {
            QImage picture(20, 20, QImage::Format_RGB32);
            picture.fill(Qt::red);
            QBuffer buffer(&bmp);
            buffer.open(QIODevice::WriteOnly);
            picture.save(&buffer, "BMP");
        }
        QByteArray huge = bmp.left(54);
        qToLittleEndian<qint32>(20000, huge.data() + 18);
        qToLittleEndian<qint32>(20000, huge.data() + 22);
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
        Form1 *form = program.active();
        const QString path = program.folder.path() + QLatin1Char('/') + name;
        if (!bytes.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        const Look before = lookOf(form);
        program.prompts->files = {path};
        program.window->mnuOpen_Click();
        QCOMPARE(program.prompts->count("message"), 1);
        QVERIFY(program.prompts->last("message")->text.startsWith(QStringLiteral("The file \"%1\"").arg(path)));
        QCOMPARE(program.prompts->last("message")->title, QStringLiteral("Open"));
        QVERIFY(lookOf(form) == before);
        QVERIFY(program.window->FirstTime);

        // Nor does a failed Open bring back a closed start-up window.
        program.prompts->answers = {PromptAnswer::No};
        closeDocument(form);
        program.prompts->files = {path};
        program.window->mnuOpen_Click();
        QCOMPARE(program.window->documents().size(), 0);
        QVERIFY(program.window->FirstTime);
    }

    void openWithNoWindowToOpenIntoSaysSo()
    {
        Program program;
        program.window->mnuNew_Click();
        click(sizeDialog(program)->Command2);
        program.prompts->answers = {PromptAnswer::No};
        closeDocument(program.active());
        program.prompts->files = {writePicture(program, QStringLiteral("cat.bmp"), "BMP")};
        program.window->mnuOpen_Click();
        QCOMPARE(program.window->documents().size(), 0);
        QCOMPARE(program.prompts->count("message"), 1);
        QVERIFY(program.prompts->last("message")->text.contains(QStringLiteral("cat.bmp")));
    }
};
VP_TEST(TestFileCommands)
#include "tst_filecommands.moc"
