#include "document/stamppattern.h"
#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "fixture.h"
#include "imagelib/picturefiles.h"
#include "pattern/patterndialog.h"
#include "testregistry.h"
#include "tools/palette.h"

#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

PatternDialog *showDialog(Program &program)
{
    program.window->palette->stampButton->click();
    return qobject_cast<PatternDialog *>(program.window->patternDialog.data());
}

} // namespace

class TestPatternDialog : public QObject {
    Q_OBJECT
private slots:
    void okGivesTheActiveDocumentTheDefaultPattern()
    {
        Program program;
        Document *doc = program.active();
        doc->pattern().mask = (uniformPicture(QSize(10, 10), Red));
        doc->pattern().face = (uniformPicture(QSize(10, 10), Red));
        PatternDialog *dialog = showDialog(program);
        QVERIFY(dialog);
        QVERIFY(documentsBlocked(program));
        QVERIFY(dialog->isEnabled());
        // The disc shows at the top-left corner, the box's own background everywhere else.
        const QImage preview = dialog->preview.image();
        const Colour background = dialog->preview.backgroundColour();
        QCOMPARE(pixelOf(preview, 31, 32), pixelOf(StampPattern::defaultPattern().face, 31, 32));
        QCOMPARE(pixelOf(preview, 0, 0), background);
        QCOMPARE(pixelOf(preview, 100, 100), background);
        dialog->okButton->click();
        QCOMPARE(doc->pattern().mask, StampPattern::defaultPattern().mask);
        QCOMPARE(doc->pattern().face, StampPattern::defaultPattern().face);
        QVERIFY(!documentsBlocked(program));
    }

    void cancelOrCloseKeepsTheDocumentsPattern()
    {
        for (bool byFrame : {false, true}) {
            Program program;
            Document *doc = program.active();
            doc->pattern().mask = (uniformPicture(QSize(10, 10), Red));
            PatternDialog *dialog = showDialog(program);
            byFrame ? (void)dialog->close() : dialog->cancelButton->click();
            QCOMPARE(doc->pattern().mask, uniformPicture(QSize(10, 10), Red));
            QVERIFY(!documentsBlocked(program));
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
        QVERIFY(savePicture(mask, folder + "mask.bmp").isEmpty());
        QVERIFY(savePicture(face, folder + "face.bmp").isEmpty());
        QFile junk(folder + "junk.bmp");
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a picture") > 0);
        junk.close();
        for (const QString &answer : answers)
            program.prompts->files.push_back(answer.isEmpty() ? std::nullopt : std::optional(folder + answer));

        PatternDialog *dialog = showDialog(program);
        const QImage previewBefore = dialog->preview.image();
        dialog->loadPatternButton->click();
        QCOMPARE(program.prompts->count("open"), opens);
        QCOMPARE(program.prompts->asked.front().title, QStringLiteral("Open Pattern Mask"));
        if (opens == 2)
            QCOMPARE(program.prompts->last("open")->title, QStringLiteral("Open Pattern Face"));
        QCOMPARE(program.prompts->count("message"), messages);
        if (messages)
            QVERIFY(program.prompts->last("message")->text.contains(folder + "junk.bmp"));
        QVERIFY(dialog->isVisible());
        // The preview is composed again only once both images are in.
        QCOMPARE(dialog->preview.image() == previewBefore, !newFace);
        if (newFace)
            QCOMPARE(pixelOf(dialog->preview.image(), 2, 2), Blue);

        dialog->okButton->click();
        Document *doc = program.active();
        QCOMPARE(doc->pattern().mask, newMask ? mask : StampPattern::defaultPattern().mask);
        QCOMPARE(doc->pattern().face, newFace ? face : StampPattern::defaultPattern().face);
    }

    void everyShowingStartsFromTheDefaultPattern()
    {
        Program program;
        const QString file = program.folder.path() + "/mask.bmp";
        QVERIFY(savePicture(uniformPicture(QSize(8, 6), Red), file).isEmpty());
        program.prompts->files = {file, file};
        PatternDialog *dialog = showDialog(program);
        const QImage firstPreview = dialog->preview.image();
        dialog->loadPatternButton->click();
        QCOMPARE(dialog->mask.picture().size(), QSize(8, 6));
        dialog->cancelButton->click();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        dialog = showDialog(program);
        QCOMPARE(dialog->mask.image(), StampPattern::defaultPattern().mask);
        QCOMPARE(dialog->face.image(), StampPattern::defaultPattern().face);
        QCOMPARE(dialog->preview.image(), firstPreview);
        dialog->cancelButton->click();
    }
};
VP_TEST(TestPatternDialog)
#include "tst_patterndialog.moc"
