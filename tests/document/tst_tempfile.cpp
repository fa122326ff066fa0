#include "document/tempfile.h"
#include "imagelib/bmp.h"
#include "imagelib/colour.h"
#include "childprocess.h"
#include "fixture.h"
#include "testregistry.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

Colour cornerOf(const QImage &picture)
{
    return picture.isNull() ? NoPixel : fromQRgb(picture.pixel(0, 0));
}

} // namespace

class TestTempFile : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(folder.isValid());
        useFolders(folder.path(), folder.path() + QStringLiteral("/fallback"));
    }

    void cleanup()
    {
        vptest::untrackTempFile(file.get());
        file.reset();
    }

    void aReadAfterWritesInTheBackgroundFindsTheNewestPicture()
    {
        // Large enough that the writer is still busy when the next pictures arrive.
        const QSize size(1500, 1000);
        for (Colour colour : {0x000001, 0x000002, 0x000003, 0x000004})
            file->writeLater(uniformPicture(size, colour));
        const LoadedPicture back = file->read();
        QVERIFY(back.ok());
        QCOMPARE(cornerOf(back.picture), Colour(0x000004));
        QCOMPARE(QFileInfo(file->path()).size(), qint64(bmp24FileSize(size)));
    }

    void aSynchronousWriteIsNotOvertakenByAnEarlierBackgroundOne()
    {
        file->writeLater(uniformPicture(QSize(1200, 900), 0x0000FF));
        QCOMPARE(file->write(uniformPicture(QSize(4, 4), 0xFF0000)), QString());
        QCOMPARE(cornerOf(file->read().picture), Colour(0xFF0000));
    }

    void backgroundWritesMoveToTheFallbackFolderToo()
    {
        const QString primary = folder.path() + QStringLiteral("/program");
        QFile blocker(primary); // a file where the program's folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        useFolders(primary, folder.path() + QStringLiteral("/fallback"));
        file->writeLater(uniformPicture(QSize(10, 10), 0x123456));
        QCOMPARE(file->finishWriting(), QString());
        QCOMPARE(QFileInfo(file->path()).absolutePath(), folder.path() + QStringLiteral("/fallback"));
        QCOMPARE(cornerOf(file->read().picture), Colour(0x123456));
    }

    void aBackgroundWriteThatFailsEverywhereIsReported()
    {
        const QString primary = folder.path() + QStringLiteral("/program");
        const QString fallback = folder.path() + QStringLiteral("/fallback2");
        for (const QString &path : {primary, fallback}) {
            QFile blocker(path);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        useFolders(primary, fallback);
        file->writeLater(uniformPicture(QSize(10, 10), 0x123456));
        QVERIFY(!file->finishWriting().isEmpty());
        QVERIFY(!file->read().ok());
    }

    // A writer thread kept waiting between writes is missing in a forked child (and at exit it
    // must be joined): a write handed over there would never be made, and whoever waits for it
    // would wait for ever.
    void aChildForkedAfterBackgroundWritesWritesInTheBackgroundToo()
    {
#if defined(__SANITIZE_THREAD__)
        // Its runtime still counts the test's watchdog thread in the child and stops at the writer.
        QSKIP("ThreadSanitizer cannot follow a thread started in a child forked from a process with threads");
#endif
        file->writeLater(uniformPicture(QSize(300, 200), 0x010203));
        QCOMPARE(file->finishWriting(), QString());
        vptest::ChildSetup setup;
        setup.secondsAllowed = 30;
        const vptest::ChildResult child = vptest::runInChild(
            [this] {
                file->writeLater(uniformPicture(QSize(300, 200), 0x040506));
                const QString error = file->finishWriting();
                return error + QLatin1Char('|') + QString::number(cornerOf(file->read().picture), 16);
            },
            setup);
        QVERIFY2(child.finished, qPrintable(child.failure));
        QCOMPARE(child.text, QStringLiteral("|40506"));
    }

private:
    void useFolders(const QString &primary, const QString &fallback)
    {
        cleanup();
        file = std::make_unique<TempFile>(primary, fallback);
        vptest::trackTempFile(file.get());
    }

    QTemporaryDir folder;
    std::unique_ptr<TempFile> file;
};
VP_TEST(TestTempFile)
#include "tst_tempfile.moc"
