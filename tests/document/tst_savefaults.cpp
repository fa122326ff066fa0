#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "document/tempfile.h"
#include "imagelib/picturefiles.h"

#include "childprocess.h"
#include "fixture.h"
#include "testregistry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <random>
#include <sys/stat.h>

namespace {

constexpr qint64 DiskRoom = 64 * 1024;  // what the "full disk" lets a file grow to

// A picture far larger than the full disk's room.
QImage bigPicture(QImage::Format format = QImage::Format_BGR888) { return noisePicture(QSize(300, 300), format, 3); }

void setMode(const QString &path, mode_t mode) { ::chmod(QFile::encodeName(path).constData(), mode); }

// A folder everyone may write in, so that an unprivileged child can work there; whatever the
// test made read-only is made writable again before it goes.
class Folder {
public:
    Folder() { setMode(dir.path(), 0777); }
    ~Folder()
    {
        QDirIterator it(dir.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            setMode(it.next(), 0777);
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    QString put(const QString &name, const QByteArray &bytes, mode_t mode = 0666) const
    {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        file.close();
        setMode(file.fileName(), mode);
        return file.fileName();
    }
    QString makeFolder(const QString &name, mode_t mode = 0777) const
    {
        QDir(dir.path()).mkpath(name);
        setMode(path(name), mode);
        return path(name);
    }
    // Every entry below the folder, so that a failed save can be seen to leave nothing behind.
    QStringList entries() const
    {
        QStringList names;
        QDirIterator it(dir.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            names << it.next().mid(dir.path().size() + 1);
        names.sort();
        return names;
    }

private:
    QTemporaryDir dir;
};

const QByteArray OldBytes("the bytes of a picture saved earlier");

#define REQUIRE_UNPRIVILEGED_CHILD()                                                                \
    if (!vptest::canRunUnprivileged())                                                             \
        QSKIP("running as root without a \"nobody\" user to test permissions with");

} // namespace

class TestSaveFaults : public QObject {
    Q_OBJECT

    // Saves in a child set up as asked and checks the reason, that an existing file kept its
    // old bytes and that nothing was left behind in the folder.
    void refusesToSave(const Folder &folder, const QString &path, const QImage &picture, const QString &reason,
                       vptest::ChildSetup setup)
    {
        const QByteArray before = fileBytes(path);
        const QStringList entriesBefore = folder.entries();
        const vptest::ChildResult child = vptest::runInChild([&] { return savePicture(picture, path); }, setup);
        QVERIFY2(child.finished, qPrintable(child.failure));
        QCOMPARE(child.text, reason);
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(folder.entries(), entriesBefore);
    }

private slots:
    void saveOverAReadOnlyFile()
    {
        REQUIRE_UNPRIVILEGED_CHILD();
        const Folder folder;
        refusesToSave(folder, folder.put("picture.bmp", OldBytes, 0444), bigPicture(), QStringLiteral("permission denied"),
                      {true, -1});
    }

    void saveOverAFileInAReadOnlyFolder()
    {
        REQUIRE_UNPRIVILEGED_CHILD();
        const Folder folder;
        folder.makeFolder("locked");
        const QString path = folder.put("locked/picture.bmp", OldBytes, 0666);
        setMode(folder.path("locked"), 0555);
        refusesToSave(folder, path, bigPicture(), QStringLiteral("permission denied"), {true, -1});
    }

    void saveOntoAFolder()
    {
        const Folder folder;
        refusesToSave(folder, folder.makeFolder("picture.bmp"), bigPicture(), QStringLiteral("it is a folder"), {});
    }

    void saveIntoAMissingFolder()
    {
        const Folder folder;
        refusesToSave(folder, folder.path("missing/picture.bmp"), bigPicture(), QStringLiteral("the folder does not exist"), {});
    }

    void saveOnAFullDisk_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::newRow("24-bit rows written as they are") << bigPicture();
        QTest::newRow("32-bit rows converted in bands") << bigPicture(QImage::Format_RGB32);
    }
    void saveOnAFullDisk()
    {
        QFETCH(QImage, picture);
        const Folder folder;
        refusesToSave(folder, folder.put("picture.bmp", OldBytes), picture, QStringLiteral("the file is too large for the disk"),
                      {false, DiskRoom});
        refusesToSave(folder, folder.path("new.bmp"), picture, QStringLiteral("the file is too large for the disk"),
                      {false, DiskRoom});
    }

    void aPictureThatFitsStillSavesUnderTheLimit()
    {
        const Folder folder;
        const QImage picture = noisePicture(QSize(40, 40), QImage::Format_BGR888, 3);
        const QString path = folder.put("picture.bmp", OldBytes);
        const vptest::ChildResult child =
            vptest::runInChild([&] { return savePicture(picture, path); }, {false, DiskRoom});
        QVERIFY2(child.finished, qPrintable(child.failure));
        QCOMPARE(child.text, QString());
        QCOMPARE(loadPicture(path).picture, picture);
    }

    void tempFileMovesToTheFallbackWhenItsFolderTurnsReadOnly()
    {
        REQUIRE_UNPRIVILEGED_CHILD();
        const Folder folder;
        const QString primary = folder.path("program"), fallback = folder.path("user");
        const QImage first = noisePicture(QSize(20, 10), QImage::Format_BGR888, 1);
        const QImage second = noisePicture(QSize(20, 10), QImage::Format_BGR888, 2);
        const vptest::ChildResult child = vptest::runInChild(
            [&] {
                QDir().mkpath(primary);
                TempFile file(primary, fallback);
                const QString firstError = file.write(first);
                const QString firstPath = file.path();
                setMode(primary, 0555);
                const QString secondError = file.write(second);
                const bool readsBack = file.read().picture == second;
                return QStringList{firstError, firstPath, secondError, file.path(), readsBack ? "same" : "different"}
                    .join('\n');
            },
            {true, -1});
        QVERIFY2(child.finished, qPrintable(child.failure));
        QCOMPARE(child.text.split('\n'),
                 (QStringList{QString(), primary + "/temp", QString(), fallback + "/temp", "same"}));
        QCOMPARE(loadPicture(primary + "/temp").picture, first);
    }

    void tempFileWithNowhereToGoKeepsItsOldBytes_data()
    {
        QTest::addColumn<bool>("readOnlyFolders");
        QTest::addColumn<qint64>("room");
        QTest::addColumn<QString>("reason");
        QTest::newRow("both folders read-only") << true << qint64(-1) << QStringLiteral("permission denied");
        QTest::newRow("full disk") << false << DiskRoom << QStringLiteral("the file is too large for the disk");
    }
    void tempFileWithNowhereToGoKeepsItsOldBytes()
    {
        QFETCH(bool, readOnlyFolders);
        QFETCH(qint64, room);
        QFETCH(QString, reason);
        if (readOnlyFolders) {
            REQUIRE_UNPRIVILEGED_CHILD();
        }
        const Folder folder;
        const QString primary = folder.makeFolder("program"), parentOfFallback = folder.makeFolder("home");
        const QString temp = folder.put("program/temp", OldBytes);
        if (readOnlyFolders) {
            setMode(primary, 0555);
            setMode(parentOfFallback, 0555);
        }
        const QStringList before = folder.entries();
        const vptest::ChildResult child = vptest::runInChild(
            [&] {
                TempFile file(primary, parentOfFallback + "/user");
                return file.write(bigPicture());
            },
            {readOnlyFolders, room});
        QVERIFY2(child.finished, qPrintable(child.failure));
        QCOMPARE(child.text, reason);
        QCOMPARE(fileBytes(temp), OldBytes);
        if (readOnlyFolders)
            QCOMPARE(folder.entries(), before);
    }

    // The temp file cannot take the commit (a full disk) but still holds an older picture: the
    // commit keeps the edit as drawn. It once read that older picture back into the canvas.
    void aCommitTheTempFileCannotTakeKeepsTheEditAsDrawn()
    {
        const Folder folder;
        const QImage older = noisePicture(QSize(10, 10), QImage::Format_BGR888, 5);
        const vptest::ChildResult child = vptest::runInChild(
            [&] {
                Program program(true, folder.makeFolder("program"), folder.path("user"));
                const QString olderError = program.tempFile().write(older);
                Document *doc = program.active();
                doc->canvas().setPicture(bigPicture());
                doc->canvas().line(QPointF(3, 3), QPointF(200, 150), Red);
                const QImage drawn = doc->canvas().image().copy();
                doc->commitPicture();
                const QString commitError = program.tempFile().finishWriting();
                QStringList faults;
                if (!olderError.isEmpty() || commitError.isEmpty())
                    faults << QStringLiteral("the older picture: \"%1\", the commit: \"%2\"").arg(olderError, commitError);
                if (doc->canvas().picture() != drawn || doc->canvas().image() != drawn || doc->snapshot().picture() != drawn)
                    faults << QStringLiteral("the committed canvas is not the picture as drawn");
                if (loadPicture(program.tempPath()).picture != older)
                    faults << QStringLiteral("the older temp file was not kept");
                return faults.join(QLatin1Char('\n'));
            },
            {false, DiskRoom});
        QVERIFY2(child.finished, qPrintable(child.failure));
        QVERIFY2(child.text.isEmpty(), qPrintable(child.text));
    }

    // A commit the temp file could not take leaves the file holding an older picture: the next
    // commit must not patch the strokes since into it, but write it whole.
    void aTempFileWriteThatFailedIsFollowedByAWholeOne()
    {
        REQUIRE_UNPRIVILEGED_CHILD();
        const Folder folder;
        const QString primary = folder.makeFolder("program");
        // A file where the per-user folder would go: there is nowhere else to write.
        const QString fallback = folder.put("user", OldBytes);
        const vptest::ChildResult child = vptest::runInChild(
            [&] {
                Program program(true, primary, fallback);
                Document *doc = program.active();
                QStringList faults;
                doc->canvas().setPicture(bigPicture());
                doc->commitPicture();
                if (!program.tempFile().finishWriting().isEmpty())
                    faults << QStringLiteral("the first commit was not written");
                setMode(primary + "/temp", 0444);
                doc->canvas().line(QPointF(3, 3), QPointF(200, 3), Red);
                doc->commitPicture();
                if (program.tempFile().finishWriting().isEmpty())
                    faults << QStringLiteral("a commit into a read-only file was reported as written");
                setMode(primary + "/temp", 0666);
                doc->canvas().line(QPointF(3, 9), QPointF(20, 9), Blue);
                doc->commitPicture();
                program.tempFile().finishWriting();
                if (loadPicture(program.tempPath()).picture != doc->canvas().picture())
                    faults << QStringLiteral("the temp file misses the commit it could not take");
                return faults.join(QLatin1Char('\n'));
            },
            {true, -1});
        QVERIFY2(child.finished, qPrintable(child.failure));
        QVERIFY2(child.text.isEmpty(), qPrintable(child.text));
    }

    void tempFileGoesAroundAFolderInItsPlace()
    {
        const Folder folder;
        const QString primary = folder.makeFolder("program"), fallback = folder.path("user");
        folder.makeFolder("program/temp");
        const QImage picture = noisePicture(QSize(8, 8));
        const vptest::ChildResult child = vptest::runInChild([&] {
            TempFile file(primary, fallback);
            const QString error = file.write(picture);
            return error + '\n' + file.path();
        });
        QVERIFY2(child.finished, qPrintable(child.failure));
        QCOMPARE(child.text, '\n' + fallback + "/temp");
        QCOMPARE(loadPicture(fallback + "/temp").picture, picture);
    }
};
VP_TEST(TestSaveFaults)
#include "tst_savefaults.moc"
