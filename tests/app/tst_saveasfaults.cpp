#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "document/tempfile.h"

#include "childprocess.h"
#include "fixture.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

namespace {

constexpr qint64 DiskRoom = 64 * 1024; // a 246 x 246 canvas needs 178 kB
const QByteArray OldBytes("the bytes of a picture saved earlier");

// What Save As must leave as it was when it cannot write.
struct DocumentLook {
    QString caption;
    QImage drawn, stored, snapshot;
    UndoElementList undo, redo;
    bool operator==(const DocumentLook &) const = default;
};

DocumentLook lookOf(Document *doc)
{
    return {doc->caption(), doc->canvas().image(), doc->canvas().picture(), doc->snapshot().picture(),
            doc->history().undoList, doc->history().redoList};
}

void setMode(const QString &path, mode_t mode) { ::chmod(QFile::encodeName(path).constData(), mode); }

// A document with a caption, a history both ways and a drawing not yet committed.
void prepare(Program &program)
{
    Document *doc = program.active();
    for (const int y : {20, 40, 60}) {
        doc->canvas().line(QPointF(10, y), QPointF(200, y), 0x000000FF);
        doc->commitPicture();
    }
    doc->undo();
    program.prompts->files = {program.folder.filePath(QStringLiteral("first.bmp"))};
    QVERIFY(program.window->saveAs());
    doc->canvas().line(QPointF(10, 100), QPointF(200, 100), 0x00FF0000);
}

// Runs in the child: Save As to the path, and what went wrong with how it refused.
QString saveAsAndJudge(Program &program, const QString &path, const QString &reason)
{
    Document *doc = program.active();
    const DocumentLook before = lookOf(doc);
    program.prompts->asked.clear();
    program.prompts->files = {path};
    program.prompts->answers = {PromptAnswer::Yes}; // to replacing an old file, where there is one
    QStringList faults;
    if (program.window->saveAs())
        faults << QStringLiteral("reported as saved");
    const ScriptedPrompts::Asked *message = program.prompts->last(QStringLiteral("message"));
    const QString expected = QStringLiteral("The picture could not be saved as \"%1\": %2.").arg(path, reason);
    if (program.prompts->count(QStringLiteral("message")) != 1 || message->text != expected
        || message->title != QStringLiteral("Save As") || message->icon != MessageIcon::Critical)
        faults << QStringLiteral("message \"%1\"").arg(message ? message->text : QString());
    if (!(lookOf(doc) == before))
        faults << QStringLiteral("the document changed");
    return faults.join(QLatin1Char('\n'));
}

} // namespace

class TestSaveAsFaults : public QObject {
    Q_OBJECT
private slots:
    void saveAsThatCannotWriteSaysWhyAndLosesNothing_data()
    {
        QTest::addColumn<QString>("name");   // under the folder; "" is the folder itself
        QTest::addColumn<bool>("existing");  // an old file is there first
        QTest::addColumn<mode_t>("mode");    // of the old file
        QTest::addColumn<bool>("unprivileged");
        QTest::addColumn<qint64>("room");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a read-only file") << "old.bmp" << true << mode_t(0444) << true << qint64(-1)
                                          << "permission denied";
        QTest::newRow("a folder") << "" << false << mode_t(0) << false << qint64(-1) << "it is a folder";
        QTest::newRow("a missing folder") << "missing/new.bmp" << false << mode_t(0) << false << qint64(-1)
                                          << "the folder does not exist";
        QTest::newRow("a full disk over an old file") << "old.bmp" << true << mode_t(0666) << false << DiskRoom
                                                      << "the file is too large for the disk";
        QTest::newRow("a full disk, a new file") << "new.bmp" << false << mode_t(0) << false << DiskRoom
                                                 << "the file is too large for the disk";
    }
    void saveAsThatCannotWriteSaysWhyAndLosesNothing()
    {
        QFETCH(QString, name);
        QFETCH(bool, existing);
        QFETCH(mode_t, mode);
        QFETCH(bool, unprivileged);
        QFETCH(qint64, room);
        QFETCH(QString, reason);
        if (unprivileged && !vptest::canRunUnprivileged())
            QSKIP("running as root without a \"nobody\" user to test permissions with");
        const QTemporaryDir dir;
        setMode(dir.path(), 0777);
        const QString path = name.isEmpty() ? dir.path() : dir.filePath(name);
        if (existing) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(OldBytes) == OldBytes.size());
            file.close();
            setMode(path, mode);
        }
        const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        Program program;
        prepare(program);
        program.tempFile().finishWriting();

        const vptest::ChildResult child =
            vptest::runInChild([&] { return saveAsAndJudge(program, path, reason); }, {unprivileged, room});
        QVERIFY2(child.finished, qPrintable(child.failure));
        QVERIFY2(child.text.isEmpty(), qPrintable(child.text));
        if (existing)
            QCOMPARE(fileBytes(path), OldBytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), entries);
        setMode(path, 0666);
    }
};
VP_TEST(TestSaveAsFaults)
#include "tst_saveasfaults.moc"
