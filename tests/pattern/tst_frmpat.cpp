#include "document/defaultpattern.h"
#include "document/form1.h"
#include "document/picturebox.h"
#include "document/picturefiles.h"
#include "fixture.h"
#include "pattern/frmpat.h"
#include "testregistry.h"
#include "tools/palette.h"

#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {
constexpr Colour Red = 0x000000FF, Blue = 0x00FF0000;

frmPat *showDialog(Program &program)
{
    program.window->palette->Option5->click();
    return qobject_cast<frmPat *>(program.window->frmPat.data());
}

} // namespace

class TestPatternDialog : public QObject {
    Q_OBJECT
private slots:
    void okGivesTheActiveDocumentTheDefaultPattern()
    {
        Program program;
        Form1 *form = program.active();
        form->mask->setPicture(uniformPicture(QSize(10, 10), Red));
        form->face->setPicture(uniformPicture(QSize(10, 10), Red));
        frmPat *dialog = showDialog(program);
        QVERIFY(dialog);
        QVERIFY(!program.window->isEnabled());
        QVERIFY(!form->parentWidget()->isEnabled());
        QVERIFY(dialog->isEnabled());
        // The disc shows at the top-left corner, the box's own background everywhere else.
        const QImage preview = dialog->final->Image();
        const Colour background = dialog->final->BackColor();
        QCOMPARE(pixelOf(preview, 31, 32), pixelOf(defaultPatternFace(), 31, 32));
        QCOMPARE(pixelOf(preview, 0, 0), background);
        QCOMPARE(pixelOf(preview, 100, 100), background);
        dialog->Command1->click();
        QCOMPARE(form->mask->Picture(), defaultPatternMask());
        QCOMPARE(form->face->Picture(), defaultPatternFace());
        QVERIFY(program.window->isEnabled());
        QVERIFY(form->parentWidget()->isEnabled());
    }

    void cancelOrCloseKeepsTheDocumentsPattern()
    {
        for (bool byFrame : {false, true}) {
            Program program;
            Form1 *form = program.active();
            form->mask->setPicture(uniformPicture(QSize(10, 10), Red));
            frmPat *dialog = showDialog(program);
            byFrame ? (void)dialog->close() : dialog->Command2->click();
            QCOMPARE(form->mask->Picture(), uniformPicture(QSize(10, 10), Red));
            QVERIFY(program.window->isEnabled());
        }
    }

    void loadPatternAsksForMaskThenFace_data()
    {
        QTest::addColumn<QStringList>("answers"); // file names; "" cancels
        QTest::addColumn<int>("opens");
        QTest::addColumn<bool>("newMask");
        QTest::addColumn<bool>("newFace");
        QTest::addColumn<int>("messages");
        QTest::newRow("mask cancelled") << QStringList{""} << 1 << false << false << 0;
        QTest::newRow("face cancelled") << QStringList{"mask.bmp", ""} << 2 << true << false << 0;
        QTest::newRow("both loaded") << QStringList{"mask.bmp", "face.bmp"} << 2 << true << true << 0;
        QTest::newRow("mask unreadable") << QStringList{"junk.bmp"} << 1 << false << false << 1;
        QTest::newRow("face unreadable") << QStringList{"mask.bmp", "junk.bmp"} << 2 << true << false << 1;
    }
    void loadPatternAsksForMaskThenFace()
    {
        QFETCH(QStringList, answers);
        QFETCH(int, opens);
        QFETCH(bool, newMask);
        QFETCH(bool, newFace);
        QFETCH(int, messages);
        Program program;
        const QString folder = program.folder.path() + QLatin1Char('/');
        const QImage mask = uniformPicture(QSize(8, 6), 0), face = uniformPicture(QSize(8, 6), Blue);
        QVERIFY(SavePicture(mask, folder + "mask.bmp").isEmpty());
        QVERIFY(SavePicture(face, folder + "face.bmp").isEmpty());
        QFile junk(folder + "junk.bmp");
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a picture") > 0);
        junk.close();
        for (const QString &answer : answers)
            program.prompts->files.push_back(answer.isEmpty() ? std::nullopt : std::optional(folder + answer));

        frmPat *dialog = showDialog(program);
        const QImage previewBefore = dialog->final->Image();
        dialog->Command3->click();
        QCOMPARE(program.prompts->count("open"), opens);
        QCOMPARE(program.prompts->asked.front().title, QStringLiteral("Open Pattern Mask"));
        if (opens == 2)
            QCOMPARE(program.prompts->last("open")->title, QStringLiteral("Open Pattern Face"));
        QCOMPARE(program.prompts->count("message"), messages);
        if (messages)
            QVERIFY(program.prompts->last("message")->text.contains(folder + "junk.bmp"));
        QVERIFY(dialog->isVisible());
        // The preview is composed again only once both images are in.
        QCOMPARE(dialog->final->Image() == previewBefore, !newFace);
        if (newFace)
            QCOMPARE(pixelOf(dialog->final->Image(), 2, 2), Blue);

        dialog->Command1->click();
        Form1 *form = program.active();
        QCOMPARE(form->mask->Picture(), newMask ? mask : defaultPatternMask());
        QCOMPARE(form->face->Picture(), newFace ? face : defaultPatternFace());
    }

    void everyShowingStartsFromTheDefaultPattern()
    {
        Program program;
        const QString file = program.folder.path() + "/mask.bmp";
        QVERIFY(SavePicture(uniformPicture(QSize(8, 6), Red), file).isEmpty());
        program.prompts->files = {file, file};
        frmPat *dialog = showDialog(program);
        const QImage firstPreview = dialog->final->Image();
        dialog->Command3->click();
        QCOMPARE(dialog->mask->Picture().size(), QSize(8, 6));
        dialog->Command2->click();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        dialog = showDialog(program);
        QCOMPARE(dialog->mask->Image(), defaultPatternMask());
        QCOMPARE(dialog->face->Image(), defaultPatternFace());
        QCOMPARE(dialog->final->Image(), firstPreview);
        dialog->Command2->click();
    }
};
VP_TEST(TestPatternDialog)
#include "tst_frmpat.moc"
